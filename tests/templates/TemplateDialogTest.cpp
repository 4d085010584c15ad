// The template manager and the add and edit dialogs: list, buttons, alerts, counter, limits,
// the signature rules, and pictures of the three dialogs.
#include "GuiTestEnv.h"

#include "common/TestEnv.h"
#include "config/CQVRegClass.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"
#include "templates/CDlgAddTemplate.h"
#include "templates/CDlgEditTemplate.h"
#include "templates/CDlgManageTemplate.h"
#include "templates/CTemplateRules.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using guitest::WhenModal;

void Save(QWidget& widget, const std::string& name) {
    guitest::Spin(20); // the layout settles
    const std::string path = guitest::ScreenshotFolder() + "/" + name;
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(path)));
}

class TemplateDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("tpldlg"));
        reg.SetDefaultAccount("4711");
        boxes = std::make_shared<win::ScriptedMessageBox>();
        win::SetMessageBoxBackend(boxes);
        shell = std::make_shared<platform::RecordingShell>();
        platform::SetShellBackend(shell);
    }
    void TearDown() override {
        win::SetMessageBoxBackend(nullptr);
        platform::SetShellBackend(nullptr);
        guitest::Spin(5);
    }
    void Add(const std::string& name, const std::string& text, bool signature = false) {
        ASSERT_EQ(CTemplateRules::Add(store, name, text, signature), TemplateResult::Ok);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& call : boxes->Calls()) {
            texts.push_back(call.text);
        }
        return texts;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const CTemplateRecord& record : CTemplateRules::InListOrder(store)) {
            names.push_back(record.TemplateName);
        }
        return names;
    }
    static std::vector<std::string> Column(QTreeWidget* list, int column) {
        std::vector<std::string> cells;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            cells.push_back(list->topLevelItem(i)->text(column).toStdString());
        }
        return cells;
    }
    void SetAlertListbox(const std::string& text) { reg.SetAlertListbox(text); }

    CQVRegClass reg;
    std::string folder = twtest::MakeTempDir("templates");
    CTemplateHandler store{folder};
    std::shared_ptr<win::ScriptedMessageBox> boxes;
    std::shared_ptr<platform::RecordingShell> shell;
};

const char* const kSelect = "You need to select one of the templates in the list";
const char* const kFull = "You cannot add more than ten templates";

TEST_F(TemplateDialogs, ManagerListsTheTemplatesInOrder) {
    Add("Late", "Running late,\r\nsorry!");
    Add("Signature", "Best regards\nAnn Smith", true);
    Add("Meeting", "Meeting moved to 3 pm, room 4.12");
    Add("Call", "Please call me back when you can.");
    CTemplateRules::Move(store, "Call", -1);
    CDlgManageTemplate manage(store, reg);
    manage.show();
    QTreeWidget* list = manage.List();
    EXPECT_EQ(manage.windowTitle(), "Manage Templates");
    EXPECT_EQ(list->headerItem()->text(0), "No");
    EXPECT_EQ(list->headerItem()->text(1), "Name");
    EXPECT_EQ(list->headerItem()->text(2), "Message");
    EXPECT_FALSE(list->header()->sectionsClickable());
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"Late", "Signature", "Call", "Meeting"}));
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Running late, sorry!");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "Best regards Ann Smith");
    // The signature has its own icon.
    EXPECT_NE(list->topLevelItem(1)->icon(0).pixmap(16).toImage(),
              list->topLevelItem(0)->icon(0).pixmap(16).toImage());
    EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(16).toImage(),
              list->topLevelItem(2)->icon(0).pixmap(16).toImage());

    // The row buttons follow the selection.
    for (QPushButton* b : {manage.EditButton(), manage.RemoveButton(), manage.MoveUpButton(),
                           manage.MoveDownButton()}) {
        EXPECT_FALSE(b->isEnabled());
    }
    manage.SelectRow(2);
    for (QPushButton* b : {manage.EditButton(), manage.RemoveButton(), manage.MoveUpButton(),
                           manage.MoveDownButton()}) {
        EXPECT_TRUE(b->isEnabled());
    }
    EXPECT_TRUE(manage.AddButton()->isEnabled());
    Save(manage, "templates_manage.png");

    // F1 opens the help page.
    manage.activateWindow();
    ASSERT_TRUE(guitest::SpinUntil([&] { return manage.isActiveWindow(); }));
    QTest::keyClick(&manage, Qt::Key_F1);
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("/help/windows/templates"), std::string::npos);
}

TEST_F(TemplateDialogs, AddFromTheManagerAndTheTenTemplateLimit) {
    CDlgManageTemplate manage(store, reg);
    manage.show();
    WhenModal<CDlgAddTemplate>(&manage, [](CDlgAddTemplate* add) {
        QTest::keyClicks(add->NameField(), "  Hello ");
        QTest::keyClicks(add->TextField(), "Hi there!   ");
        add->OkButton()->click();
    });
    manage.OnAdd();
    ASSERT_EQ(manage.List()->topLevelItemCount(), 1);
    EXPECT_EQ(manage.List()->topLevelItem(0)->text(0), "0");
    EXPECT_EQ(manage.List()->topLevelItem(0)->text(1), "Hello");
    EXPECT_EQ(store.GetTemplate("Hello").TemplateText, "Hi there!");
    EXPECT_FALSE(manage.EditButton()->isEnabled());

    for (int i = 1; i < 10; ++i) {
        Add("T" + std::to_string(i), "text");
    }
    // Ten templates: Add refuses at once, no add dialog opens.
    bool opened = false;
    WhenModal<CDlgAddTemplate>(&manage, [&](CDlgAddTemplate* add) {
        opened = true;
        add->reject();
    });
    manage.OnAdd();
    guitest::Spin(30);
    EXPECT_FALSE(opened);
    EXPECT_EQ(Texts(), std::vector<std::string>{kFull});
    EXPECT_EQ(boxes->Calls()[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes->Calls()[0].caption, "Tidewell Windows");
    QApplication::processEvents();
}

TEST_F(TemplateDialogs, AddDialogRulesCounterAndLimit) {
    reg.SetTruncationMode(0);
    Add("Taken", "x");
    CDlgAddTemplate add(store, reg);
    add.show();
    EXPECT_EQ(add.windowTitle(), "Add Template");
    EXPECT_EQ(add.Counter()->text(), "0 [1]");
    EXPECT_EQ(add.TextLimit(), 160u);
    EXPECT_EQ(add.NameField()->maxLength(), 40);
    add.TextField()->setPlainText(QString(45, 'a'));
    EXPECT_EQ(add.Counter()->text(), "45 [1]");
    add.TextField()->setPlainText(QString(170, 'b'));
    EXPECT_EQ(add.TextField()->toPlainText().size(), 160);
    EXPECT_EQ(add.Counter()->text(), "160 [1]");

    // Empty name, a taken name: alerts, the dialog stays with the input.
    add.OkButton()->click();
    add.NameField()->setText("Taken");
    add.OkButton()->click();
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{
                  "Please enter a template name and a message.",
                  "A template with that name already exists. Please choose a different name."}));
    EXPECT_EQ(add.result(), 0);
    EXPECT_EQ(add.NameField()->text(), "Taken");
    EXPECT_EQ(store.GetTemplateCount(), 1);

    // Long messages allowed without a limit: 32367 characters, and the counter's parts.
    reg.SetTruncationMode(1);
    reg.WriteDWORD(0, reg.GetRootPaths().rootWithSeparator, "SplitUpCharLimit");
    CDlgAddTemplate longer(store, reg);
    EXPECT_EQ(longer.TextLimit(), 32367u);
    longer.TextField()->setPlainText(QString(161, 'c'));
    EXPECT_EQ(longer.Counter()->text(), "161 [2]");
    longer.TextField()->setPlainText(QString(322, 'c'));
    EXPECT_EQ(longer.Counter()->text(), "322 [3]");
    longer.NameField()->setText("Long one");
    longer.TextField()->setPlainText("Dear customer,\nyour order 2026-014 has been shipped "
                                     "and will arrive tomorrow.");
    longer.show();
    Save(longer, "templates_add.png");
}

TEST_F(TemplateDialogs, AddDialogReplacesTheSignatureWhenAsked) {
    Add("First", "a");
    Add("Old signature", "-- Ann", true);
    Add("Third", "c");
    {
        // Cancel: the box is cleared and disabled.
        CDlgAddTemplate add(store, reg);
        add.show();
        boxes->PushAnswer(win::IDCANCEL);
        add.SignatureBox()->click();
        EXPECT_FALSE(add.SignatureBox()->isChecked());
        EXPECT_FALSE(add.SignatureBox()->isEnabled());
        EXPECT_FALSE(add.ReplacesSignature());
    }
    EXPECT_EQ(Texts(), std::vector<std::string>{
                           "A signature already exists! Do you want to replace the existing "
                           "signature?"});
    // OK: the new template becomes the signature in the old one's place.
    CDlgAddTemplate add(store, reg);
    add.show();
    boxes->PushAnswer(win::IDOK);
    add.SignatureBox()->click();
    EXPECT_TRUE(add.ReplacesSignature());
    add.NameField()->setText("New signature");
    add.TextField()->setPlainText("Regards, Ann");
    add.OkButton()->click();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ(Names(), (std::vector<std::string>{"First", "New signature", "Third"}));
    EXPECT_TRUE(store.GetTemplate("New signature").IsSignature());

    // Clearing the box again after agreeing replaces nothing.
    CDlgAddTemplate again(store, reg);
    again.show();
    boxes->PushAnswer(win::IDOK);
    again.SignatureBox()->click();
    again.SignatureBox()->click();
    again.NameField()->setText("Plain");
    again.TextField()->setPlainText("plain text");
    again.OkButton()->click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"First", "New signature", "Third", "Plain"}));
    EXPECT_FALSE(store.GetTemplate("Plain").IsSignature());
}

TEST_F(TemplateDialogs, EditDialogRenamesAndGuardsTheSignature) {
    Add("Hello", "Hi!");
    Add("Sig", "-- Ann", true);
    Add("Bye", "See you");
    CDlgManageTemplate manage(store, reg);
    manage.show();
    // Edit without a selection.
    manage.OnBtnedit();
    EXPECT_EQ(Texts(), std::vector<std::string>{kSelect});
    EXPECT_EQ(boxes->Calls()[0].type, win::MB_OK | win::MB_ICONINFORMATION);
    boxes->Clear();

    manage.SelectRow(2);
    WhenModal<CDlgEditTemplate>(&manage, [&](CDlgEditTemplate* edit) {
        EXPECT_EQ(edit->windowTitle(), "Edit Template");
        EXPECT_EQ(edit->NameField()->text(), "Bye");
        EXPECT_EQ(edit->TextField()->toPlainText(), "See you");
        EXPECT_EQ(edit->Counter()->text(), "7 [1]");
        EXPECT_FALSE(edit->SignatureBox()->isChecked());
        // Another template is the signature: the box cannot be ticked.
        boxes->PushAnswer(win::IDOK);
        edit->SignatureBox()->click();
        EXPECT_FALSE(edit->SignatureBox()->isChecked());
        EXPECT_TRUE(edit->SignatureBox()->isEnabled());
        boxes->PushAnswer(win::IDCANCEL);
        edit->SignatureBox()->click();
        EXPECT_FALSE(edit->SignatureBox()->isEnabled());
        // The name of another template is refused; a new one is taken.
        edit->NameField()->setText("Hello");
        edit->OkButton()->click();
        EXPECT_TRUE(edit->isVisible());
        edit->NameField()->setText("Goodbye");
        Save(*edit, "templates_edit.png");
        edit->OkButton()->click();
    });
    manage.OnBtnedit();
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{
                  "A signature exists. Please remove the existing signature first",
                  "A signature exists. Please remove the existing signature first",
                  "A template with that name already exists. Please choose a different name."}));
    EXPECT_EQ(Column(manage.List(), 1), (std::vector<std::string>{"Hello", "Sig", "Goodbye"}));
    EXPECT_EQ(store.GetTemplate("Goodbye").TemplateIndex, "2");
    EXPECT_TRUE(store.GetTemplate("Bye").IsEmpty());

    // The signature itself may be edited and stays the signature.
    CDlgEditTemplate sig(store, reg, store.GetTemplate("Sig"));
    EXPECT_TRUE(sig.SignatureBox()->isChecked());
    sig.TextField()->setPlainText("-- Ann Smith");
    sig.OkButton()->click();
    EXPECT_TRUE(store.GetTemplate("Sig").IsSignature());
    EXPECT_EQ(store.GetTemplate("Sig").TemplateText, "-- Ann Smith");
}

TEST_F(TemplateDialogs, RemoveAsksOnlyWhenTheAlertIsOn) {
    for (const char* name : {"A", "B", "C", "D"}) {
        Add(name, "text");
    }
    CDlgManageTemplate manage(store, reg);
    manage.show();
    manage.OnTempRemove();
    EXPECT_EQ(Texts(), std::vector<std::string>{kSelect});
    boxes->Clear();

    manage.SelectRow(1);
    boxes->PushAnswer(win::IDCANCEL);
    manage.OnTempRemove();
    EXPECT_EQ(Texts(), std::vector<std::string>{
                           "Template will be permanantly deleted. Do you want to continue?"});
    EXPECT_EQ(Names().size(), 4u);
    boxes->PushAnswer(win::IDOK);
    manage.OnTempRemove();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(Column(manage.List(), 0), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_FALSE(manage.RemoveButton()->isEnabled());

    // With position 7 of AlertListbox off, Remove deletes without asking.
    SetAlertListbox("1,1,1,1,1,1,1,0,1");
    boxes->Clear();
    manage.SelectRow(0);
    manage.OnTempRemove();
    EXPECT_EQ(boxes->CallCount(), 0u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "D"}));
}

TEST_F(TemplateDialogs, MovesSelectTheMovedRowAndStopAtTheEnds) {
    for (const char* name : {"A", "B", "C"}) {
        Add(name, "text");
    }
    CDlgManageTemplate manage(store, reg);
    manage.show();
    manage.SelectRow(0);
    manage.OnMoveup();
    manage.SelectRow(2);
    manage.OnMovedown();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(boxes->CallCount(), 0u);

    manage.SelectRow(2);
    manage.OnMoveup();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "B"}));
    ASSERT_EQ(manage.List()->selectedItems().size(), 1);
    EXPECT_EQ(manage.List()->selectedItems()[0]->text(1), "C");
    EXPECT_EQ(manage.List()->selectedItems()[0]->text(0), "1");
    manage.OnMovedown();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(manage.List()->selectedItems()[0]->text(1), "C");
    manage.List()->clearSelection();
    manage.OnMovedown();
    EXPECT_EQ(Texts(), std::vector<std::string>{kSelect});
}

} // namespace
