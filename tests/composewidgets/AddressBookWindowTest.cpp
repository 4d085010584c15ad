// The address book window editing a real vCard file in a private folder.
#include "GuiTestEnv.h"

#include "common/FakeCountryCodes.h"
#include "common/TestEnv.h"
#include "compose/CAddressBookWindow.h"
#include "compose/CDlgAddressBook.h"
#include "compose/CDlgContactEdit.h"
#include "compose/CDlgGroupEdit.h"
#include "compose/CWABManager.h"
#include "gui/CMgmtGUI.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace guitest;

namespace {

const char* const kBook = "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "UID:alice-1\r\n"
                          "FN:Alice Smith\r\n"
                          "N:Smith;Alice;;;\r\n"
                          "TEL;TYPE=CELL:0170 1111111\r\n"
                          "X-CUSTOM-FIELD;X-PARAM=yes:keep me\r\n"
                          "NOTE:Met at the fair\\, 2019\r\n"
                          "END:VCARD\r\n"
                          "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "UID:bob-2\r\n"
                          "FN:Bob Stone\r\n"
                          "N:Stone;Bob;;;\r\n"
                          "EMAIL:bob@example.org\r\n"
                          "END:VCARD\r\n"
                          "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "UID:friends-3\r\n"
                          "FN:Friends\r\n"
                          "N:Friends;;;;\r\n"
                          "X-ADDRESSBOOKSERVER-KIND:group\r\n"
                          "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:alice-1\r\n"
                          "END:VCARD\r\n";

// Digits (with blanks) of six or more: a leading 0 stands for +49.
std::string Convert(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c != ' ' && !(c == '+' && digits.empty())) {
            return {};
        }
    }
    if (digits.size() < 6) {
        return {};
    }
    return text[0] == '+' ? "+" + digits : "+49" + digits.substr(1);
}

// Runs `act` on the next modal dialog of type T as soon as it is open.
template <typename T> void WhenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

QStringList Visible(QTreeWidget* list, int column = 0) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (!list->topLevelItem(i)->isHidden()) {
            names << list->topLevelItem(i)->text(column);
        }
    }
    return names;
}

class AddressBookWindow : public ::testing::Test {
protected:
    void SetUp() override {
        folder = twtest::MakeTempDir("book");
        path = folder + "/contacts.vcf";
        twtest::WriteFile(path, kBook);
        converter.convert = Convert;
        wab.SetNumberConverter(&converter);
        boxes = std::make_shared<win::ScriptedMessageBox>();
        previousBoxes = win::GetMessageBoxBackend();
        win::SetMessageBoxBackend(boxes);
    }
    void TearDown() override {
        win::SetMessageBoxBackend(previousBoxes);
        wab.SetNumberConverter(nullptr);
    }

    const CWABRecord* Record(const std::string& displayName) {
        for (const CWABRecord& record : wab.Records()) {
            if (record.displayName == displayName) {
                return &record;
            }
        }
        return nullptr;
    }
    std::string File() const { return twtest::ReadFile(path); }

    std::string folder;
    std::string path;
    twtest::FakeCountryCodes converter;
    CWABManager wab;
    std::shared_ptr<win::ScriptedMessageBox> boxes;
    std::shared_ptr<win::MessageBoxBackend> previousBoxes;
};

} // namespace

TEST_F(AddressBookWindow, ListsAndSearchesContactsAndGroups) {
    ASSERT_TRUE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    EXPECT_FALSE(window.IsReadOnly());
    EXPECT_EQ(Visible(window.List()), QStringList({"Alice Smith", "Bob Stone", "Friends"}));
    EXPECT_EQ(Visible(window.List(), 1), QStringList({"0170 1111111", "", "(group)"}));
    EXPECT_TRUE(window.StatusLabel()->text().contains("Contacts: 2    Groups: 1"));

    window.SearchEdit()->setText("BO");
    EXPECT_EQ(Visible(window.List()), QStringList({"Bob Stone"}));
    window.SearchEdit()->setText("0170");
    EXPECT_EQ(Visible(window.List()), QStringList({"Alice Smith"}));
    window.SearchEdit()->clear();
    EXPECT_EQ(Visible(window.List()).size(), 3);

    EXPECT_FALSE(window.PropertiesButton()->isEnabled());
    ASSERT_TRUE(window.SelectEntry("bob-2"));
    EXPECT_EQ(window.SelectedEntry(), "bob-2");
    EXPECT_TRUE(window.PropertiesButton()->isEnabled());
    EXPECT_TRUE(window.DeleteButton()->isEnabled());
}

TEST_F(AddressBookWindow, ChangesAreWrittenAtOnceAndKeepUnknownProperties) {
    ASSERT_TRUE(wab.Initialize(path));
    CAddressBookWindow window(wab);

    std::string carol = window.AddContact({"Carol Jones", "Carol", "Jones", "0172 3333333"});
    ASSERT_FALSE(carol.empty());
    std::string file = File();
    EXPECT_NE(file.find("FN:Carol Jones"), std::string::npos);
    EXPECT_NE(file.find("0172 3333333"), std::string::npos);
    // The cards that were not changed keep their bytes.
    EXPECT_NE(file.find(std::string(kBook).substr(0, 120)), std::string::npos);
    // The manager follows at once: compose dialogs see the contact when they next fill.
    ASSERT_NE(Record("Carol Jones"), nullptr);
    EXPECT_TRUE(Record("Carol Jones")->valid);
    EXPECT_EQ(window.SelectedEntry(), carol);

    ASSERT_TRUE(window.EditContact("alice-1", {"Alice Smith", "Alice", "Smith", "0171 2222222"}));
    file = File();
    EXPECT_NE(file.find("0171 2222222"), std::string::npos);
    EXPECT_EQ(file.find("0170 1111111"), std::string::npos);
    EXPECT_NE(file.find("X-CUSTOM-FIELD;X-PARAM=yes:keep me\r\n"), std::string::npos);
    EXPECT_NE(file.find("NOTE:Met at the fair\\, 2019\r\n"), std::string::npos);
    EXPECT_EQ(Record("Alice Smith")->msisdn, "+491712222222");

    std::string team = window.AddGroup("Team", {"alice-1", carol});
    ASSERT_FALSE(team.empty());
    ASSERT_NE(Record("Team"), nullptr);
    EXPECT_TRUE(Record("Team")->isDistributionList);
    EXPECT_TRUE(Record("Team")->valid);
    EXPECT_EQ(Record("Team")->count, 2);

    // Bob has no number: the group becomes invalid.
    ASSERT_TRUE(window.EditGroup("friends-3", "Friends", {"alice-1", "bob-2"}));
    EXPECT_FALSE(Record("Friends")->valid);

    ASSERT_TRUE(window.Remove(carol));
    EXPECT_EQ(File().find("Carol Jones"), std::string::npos);
    EXPECT_EQ(Record("Carol Jones"), nullptr);
    EXPECT_EQ(Record("Team")->count, 1) << "the group lost its reference to the contact";
    EXPECT_EQ(Visible(window.List()), QStringList({"Alice Smith", "Bob Stone", "Friends", "Team"}));
}

TEST_F(AddressBookWindow, FormsAddEditAndDeleteAsksFirst) {
    ASSERT_TRUE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    window.show();

    // New contact: the display name is made from the names when left empty.
    WhenModal<CDlgContactEdit>([](CDlgContactEdit* form) {
        EXPECT_FALSE(form->OkButton()->isEnabled());
        form->GivenNameEdit()->setText("Dora");
        form->FamilyNameEdit()->setText("Meier");
        form->MobileEdit()->setText("0173 4444444");
        EXPECT_TRUE(form->OkButton()->isEnabled());
        form->OkButton()->click();
    });
    window.OnNewContact();
    ASSERT_NE(Record("Dora Meier"), nullptr);
    EXPECT_EQ(Record("Dora Meier")->msisdn, "+491734444444");

    // Properties of a contact show its fields.
    ASSERT_TRUE(window.SelectEntry("alice-1"));
    std::string seenMobile;
    WhenModal<CDlgContactEdit>([&](CDlgContactEdit* form) {
        seenMobile = form->MobileEdit()->text().toStdString();
        form->DisplayNameEdit()->setText("Alice S.");
        form->OkButton()->click();
    });
    window.OnProperties();
    EXPECT_EQ(seenMobile, "0170 1111111");
    EXPECT_NE(File().find("FN:Alice S.\r\n"), std::string::npos);

    // A group's form lists the other entries with its members checked.
    ASSERT_TRUE(window.SelectEntry("friends-3"));
    QStringList checked;
    WhenModal<CDlgGroupEdit>([&](CDlgGroupEdit* form) {
        QListWidget* members = form->MemberList();
        for (int i = 0; i < members->count(); ++i) {
            if (members->item(i)->checkState() == Qt::Checked) {
                checked << members->item(i)->text();
            }
            if (members->item(i)->text() == "Dora Meier") {
                members->item(i)->setCheckState(Qt::Checked);
            }
            EXPECT_NE(members->item(i)->text(), "Friends") << "never its own member";
        }
        form->SearchEdit()->setText("dora");
        EXPECT_EQ(members->findItems("Bob Stone", Qt::MatchExactly).front()->isHidden(), true);
        form->OkButton()->click();
    });
    window.OnProperties();
    EXPECT_EQ(checked, QStringList({"Alice S."}));
    EXPECT_EQ(Record("Friends")->count, 2);

    // Delete asks; No keeps the entry, Yes removes it.
    ASSERT_TRUE(window.SelectEntry("bob-2"));
    boxes->PushAnswer(win::IDNO);
    window.OnDelete();
    EXPECT_NE(Record("Bob Stone"), nullptr);
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_NE(boxes->Calls()[0].text.find("Bob Stone"), std::string::npos);
    boxes->PushAnswer(win::IDYES);
    window.OnDelete();
    EXPECT_EQ(Record("Bob Stone"), nullptr);
    EXPECT_EQ(File().find("bob@example.org"), std::string::npos);
}

TEST_F(AddressBookWindow, DetailsOpenTheWindowOnThatContact) {
    ASSERT_TRUE(wab.Initialize(path));
    int valid = 0;
    wab.ValidateWAB(valid);
    std::string shownName;
    WhenModal<CDlgContactEdit>([&](CDlgContactEdit* form) {
        shownName = form->DisplayNameEdit()->text().toStdString();
        form->reject();
    });
    CAddressBookWindow* window = CAddressBookWindow::Open(wab, "alice-1");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CAddressBookWindow::Current(), window);
    EXPECT_EQ(shownName, "Alice Smith");
    EXPECT_EQ(window->SelectedEntry(), "alice-1");
    // A second request reuses the window.
    EXPECT_EQ(CAddressBookWindow::Open(wab), window);
    window->close();
    EXPECT_TRUE(SpinUntil([] { return CAddressBookWindow::Current() == nullptr; }));
}

TEST_F(AddressBookWindow, TheAddressBookRequestAndDetailsReachTheWindow) {
    ASSERT_TRUE(wab.Initialize(path));
    FakeApp app;
    CDialogFactory factory = MakeTestFactory();
    // The verb "AddressBook" posts "QVShowAddressBook" to the dialog manager at start.
    CMgmtGUI gui("AddressBook", app, factory);
    CAddressBookWindow::Install(gui, wab);
    ASSERT_TRUE(SpinUntil([] { return CAddressBookWindow::Current() != nullptr; }));
    EXPECT_TRUE(CAddressBookWindow::Current()->isVisible());

    // The details of an entry (the compose dialog's double-click, the picker's Properties).
    ASSERT_NE(Record("Bob Stone"), nullptr);
    const CWABRecord bob = *Record("Bob Stone");
    std::string shownName;
    WhenModal<CDlgContactEdit>([&](CDlgContactEdit* form) {
        shownName = form->DisplayNameEdit()->text().toStdString();
        form->reject();
    });
    wab.Details(bob, 0);
    EXPECT_EQ(shownName, "Bob Stone");
    EXPECT_EQ(CAddressBookWindow::Current()->SelectedEntry(), "bob-2");
    CAddressBookWindow::Shutdown();
    EXPECT_EQ(CAddressBookWindow::Current(), nullptr);
}

TEST_F(AddressBookWindow, PickerPropertiesFixAContactThatCanThenBeChosen) {
    ASSERT_TRUE(wab.Initialize(path));
    // Properties show the entry in the address book window; there the user adds a number.
    wab.SetDetailsHandler([this](const CWABRecord& record, win::HWND) {
        CAddressBookWindow window(wab);
        window.EditContact(record.entryId, {"Bob Stone", "Bob", "Stone", "0175 5555555"});
    });
    WhenModal<CDlgAddressBook>([](CDlgAddressBook* picker) {
        QTreeWidget* list = picker->ContactsList();
        QTreeWidgetItem* bob = list->findItems("Bob Stone", Qt::MatchExactly).front();
        list->setCurrentItem(bob);
        EXPECT_FALSE(picker->AddButton()->isEnabled());
        picker->PropertiesButton()->click();
        EXPECT_TRUE(picker->AddButton()->isEnabled());
        picker->AddButton()->click();
        picker->OkButton()->click();
    });
    std::vector<CWABRecord> contacts;
    std::vector<std::string> numbers{"+491709990000"};
    ASSERT_TRUE(CDlgAddressBook::Run(wab, contacts, numbers));
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].DisplayText(), "Bob Stone (+491755555555)");
    EXPECT_EQ(numbers, std::vector<std::string>({"+491709990000"}));
}

TEST_F(AddressBookWindow, DamagedBookIsShownReadOnlyAndNeverOverwritten) {
    twtest::WriteFile(path, "this is no address book\n");
    EXPECT_FALSE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    EXPECT_TRUE(window.IsReadOnly());
    EXPECT_FALSE(window.NewContactButton()->isEnabled());
    EXPECT_FALSE(window.NewGroupButton()->isEnabled());
    EXPECT_TRUE(window.StatusLabel()->text().contains(QString::fromStdString(path)));
    EXPECT_TRUE(window.AddContact({"Eve", "Eve", "", "0175 5555555"}).empty());
    EXPECT_EQ(File(), "this is no address book\n");
}

TEST_F(AddressBookWindow, FirstChangeCreatesAMissingBook) {
    path = folder + "/new/contacts.vcf";
    EXPECT_FALSE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    EXPECT_FALSE(window.IsReadOnly());
    EXPECT_EQ(window.List()->topLevelItemCount(), 0);
    ASSERT_FALSE(window.AddContact({"Eve Adams", "Eve", "Adams", "0175 5555555"}).empty());
    EXPECT_NE(File().find("FN:Eve Adams"), std::string::npos);
    EXPECT_TRUE(wab.IsOpen());
    ASSERT_NE(Record("Eve Adams"), nullptr);
    EXPECT_EQ(std::filesystem::status(folder + "/new").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

TEST_F(AddressBookWindow, ABookChangedByAnotherProgramIsNotOverwritten) {
    ASSERT_TRUE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    // A sync tool rewrites the file while the window is open.
    const std::string synced = std::string(kBook) + "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:zed-9\r\n"
                                                    "FN:Zed Synced\r\nN:Synced;Zed;;;\r\n"
                                                    "END:VCARD\r\n";
    twtest::WriteFile(path, synced);
    EXPECT_TRUE(window.AddContact({"Carol Jones", "Carol", "Jones", "0172 3333333"}).empty());
    EXPECT_EQ(boxes->CallCount(), 1u) << "the failed save is reported";
    EXPECT_EQ(File(), synced);
    // The window now shows the book as it is on disk, and the next change goes through.
    EXPECT_TRUE(Visible(window.List()).contains("Zed Synced"));
    EXPECT_FALSE(window.AddContact({"Carol Jones", "Carol", "Jones", "0172 3333333"}).empty());
    EXPECT_NE(File().find("FN:Zed Synced"), std::string::npos);
}

TEST_F(AddressBookWindow, Screenshot) {
    const std::string more = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c-4\r\nFN:Carol Jones\r\n"
                             "N:Jones;Carol;;;\r\nTEL;TYPE=CELL:+49 172 3333333\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:d-5\r\nFN:Dieter Krause\r\n"
                             "N:Krause;Dieter;;;\r\nTEL;TYPE=CELL:0151 12345678\r\nEND:VCARD\r\n";
    twtest::WriteFile(path, std::string(kBook) + more);
    ASSERT_TRUE(wab.Initialize(path));
    CAddressBookWindow window(wab);
    window.show();
    window.SelectEntry("c-4");
    Spin(50);
    EXPECT_TRUE(
        window.grab().save(QString::fromStdString(ScreenshotFolder() + "/addressbook.png")));
    WhenModal<CDlgContactEdit>([](CDlgContactEdit* form) {
        Spin(30);
        form->grab().save(QString::fromStdString(ScreenshotFolder() + "/contactform.png"));
        form->reject();
    });
    window.OnProperties();
    window.SelectEntry("friends-3");
    WhenModal<CDlgGroupEdit>([](CDlgGroupEdit* form) {
        Spin(30);
        form->grab().save(QString::fromStdString(ScreenshotFolder() + "/groupform.png"));
        form->reject();
    });
    window.OnProperties();
}
