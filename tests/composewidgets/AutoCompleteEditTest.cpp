// The recipients field driven with real key and mouse events.
#include "GuiTestEnv.h"

#include "compose/CAutoCompleteEdit.h"
#include "compose/CAutoCompleteList.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace guitest;

namespace {

const std::string kAlice = "Alice Smith (+491701111111)";
const std::string kAlbert = "Albert Hall (+491702222222)";
const std::string kAlfred = "alfred (+491704444444)";
const std::string kFriends = "Friends";

using Texts = std::vector<std::string>;

// Records a key the field passed on to its parent.
class Host : public QWidget {
public:
    std::vector<QKeyCombination> passedOn;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Control && event->key() != Qt::Key_Shift) {
            passedOn.push_back(event->keyCombination());
        }
    }
};

class RecipientsField : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<Host>();
        auto* layout = new QVBoxLayout(host.get());
        field = new CAutoCompleteEdit(host.get());
        next = new QLineEdit(host.get());
        next->setObjectName("next");
        layout->addWidget(field);
        layout->addWidget(next);
        host->resize(400, 120);
        field->SetKnownEntries({kAlice, kAlbert, kAlfred, kFriends, "+491703333333"});
        // The parent accepts typed numbers of six digits or more.
        QObject::connect(field, &CAutoCompleteEdit::UnknownEntry,
                         [this](const QString& entry, bool* accepted) {
                             unknown.push_back(entry.toStdString());
                             bool digits = entry.size() >= 6;
                             for (QChar c : entry) {
                                 digits = digits && (c.isDigit() || c == '+');
                             }
                             *accepted = digits;
                         });
        QObject::connect(field, &CAutoCompleteEdit::RemoveEntryRequested,
                         [this](const QString& entry, bool* removed) {
                             removedEntries.push_back(entry.toStdString());
                             *removed = true;
                         });
        QObject::connect(field, &CAutoCompleteEdit::DetailsRequested,
                         [this](const QString& entry) { details.push_back(entry.toStdString()); });
        QObject::connect(field, &CAutoCompleteEdit::EntriesChanged, [this] { ++changes; });
        host->show();
        host->activateWindow();
        field->setFocus();
        ASSERT_TRUE(SpinUntil([this] { return field->hasFocus(); }));
    }

    void TearDown() override {
        field->SuggestionList()->hide();
        host.reset();
    }

    void Type(const char* text) { QTest::keyClicks(field, text); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(field, key, modifiers);
    }
    std::string Text() const { return field->Recipients(); }
    int Caret() const { return field->textCursor().position(); }
    CAutoCompleteList* List() const { return field->SuggestionList(); }
    bool ListShown() const { return field->IsSuggestionListShown(); }
    QStringList Rows() const { return List()->Candidates(); }

    std::unique_ptr<Host> host;
    CAutoCompleteEdit* field = nullptr;
    QLineEdit* next = nullptr;
    Texts unknown;
    Texts removedEntries;
    Texts details;
    int changes = 0;
};

} // namespace

TEST_F(RecipientsField, TypingOffersMatchingEntriesSortedWithTheFirstSelected) {
    Type("al");
    ASSERT_TRUE(ListShown());
    // All three start with "al" regardless of case; sorted without regard to case.
    EXPECT_EQ(Rows(), QStringList({QString::fromStdString(kAlbert), QString::fromStdString(kAlfred),
                                   QString::fromStdString(kAlice)}));
    EXPECT_EQ(List()->Selected().toStdString(), kAlbert);
    EXPECT_TRUE(field->hasFocus()) << "the list never takes the focus";

    Type("i");
    EXPECT_EQ(Rows(), QStringList({QString::fromStdString(kAlice)}));
    Type("x");
    EXPECT_FALSE(ListShown());

    // The prefix starts after the last ";" and leading blanks.
    field->SetRecipients("");
    Type("0170;  fr");
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Rows(), QStringList({QString::fromStdString(kFriends)}));
}

TEST_F(RecipientsField, SuggestionListGeometry) {
    std::vector<std::string> many;
    for (int i = 0; i < 9; ++i) {
        many.push_back("Name " + std::to_string(i) + " (+4917000000" + std::to_string(i) + ")");
    }
    field->SetKnownEntries(many);
    Type("na");
    ASSERT_TRUE(ListShown());
    const int rowHeight = List()->sizeHintForRow(0);
    EXPECT_EQ(List()->height(), rowHeight * CAutoCompleteList::kMaxVisibleRows + 2);
    // Below the entry, in line with its start.
    QPoint entryStart = field->viewport()->mapToGlobal(
        field->cursorRect(QTextCursor(field->document())).bottomLeft());
    EXPECT_EQ(List()->x(), entryStart.x());
    EXPECT_GT(List()->y(), entryStart.y());

    // Two candidates: two rows high, no scroll bar room needed.
    field->SetKnownEntries({kAlice, kAlbert});
    field->SetRecipients("");
    Type("al");
    EXPECT_EQ(List()->height(), List()->sizeHintForRow(0) * 2 + 2);
    const int fits = List()->width();
    EXPECT_GE(fits, List()->fontMetrics().horizontalAdvance(QString::fromStdString(kAlbert)) + 5);

    // Near the right screen edge the list moves left to stay on the screen.
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    List()->ShowAt(QPoint(screen.right() - 10, screen.top() + 10));
    EXPECT_EQ(List()->geometry().right(), screen.right());
}

TEST_F(RecipientsField, EnterOrTabTakesTheSelectedSuggestionAsALink) {
    Type("al");
    Key(Qt::Key_Down); // Albert -> alfred
    Key(Qt::Key_Down); // -> Alice
    Key(Qt::Key_Down); // stays on the last row
    EXPECT_EQ(List()->Selected().toStdString(), kAlice);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up); // not above the first
    EXPECT_EQ(List()->Selected().toStdString(), kAlbert);
    Key(Qt::Key_End);
    EXPECT_EQ(List()->Selected().toStdString(), kAlice);
    Key(Qt::Key_Home);
    EXPECT_EQ(List()->Selected().toStdString(), kAlbert);
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(Text(), kAlbert + ";");
    EXPECT_EQ(Caret(), static_cast<int>(Text().size()));
    EXPECT_EQ(field->ValidEntries(), Texts({kAlbert}));
    EXPECT_TRUE(unknown.empty());

    // Tab takes a suggestion while the list is shown and keeps the focus.
    Type(" ali");
    ASSERT_TRUE(ListShown());
    Key(Qt::Key_Tab);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(Text(), kAlbert + "; " + kAlice + ";");
    EXPECT_EQ(field->ValidEntries(), Texts({kAlbert, kAlice}));

    // Taking a suggestion in the middle replaces the whole entry up to the next ";".
    QTextCursor cursor = field->textCursor();
    cursor.setPosition(static_cast<int>(kAlbert.size()) + 3); // "; A|lice..."
    field->setTextCursor(cursor);
    Type("lf");
    ASSERT_TRUE(ListShown());
    Key(Qt::Key_Return);
    EXPECT_EQ(field->Entries(), Texts({kAlbert, kAlfred}));
}

TEST_F(RecipientsField, TabWithoutAListMovesTheFocusOn) {
    Type("+491703333333");
    ASSERT_TRUE(ListShown()); // the remembered number is offered
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ListShown());
    Key(Qt::Key_Tab);
    EXPECT_TRUE(SpinUntil([this] { return next->hasFocus(); }));
    // Losing the focus completed the entry.
    EXPECT_EQ(Text(), "+491703333333;");
    EXPECT_EQ(field->ValidEntries(), Texts({"+491703333333"}));
}

TEST_F(RecipientsField, SeparatorAndEnterCompleteValidAndInvalidEntries) {
    // The bare name is not the display text of the contact: red, and the parent was asked.
    Type("Alice Smith;");
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(Text(), "Alice Smith;");
    EXPECT_EQ(field->InvalidEntries(), Texts({"Alice Smith"}));
    EXPECT_EQ(unknown, Texts({"Alice Smith"}));

    // A typed number the parent accepts becomes valid and known.
    Type("01705555555");
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(), "Alice Smith;01705555555;");
    EXPECT_EQ(field->ValidEntries(), Texts({"01705555555"}));
    EXPECT_TRUE(field->IsKnown("01705555555"));

    // Case does not matter for known entries; the text keeps what the user typed.
    Type("friends;");
    EXPECT_EQ(field->ValidEntries(), Texts({"01705555555", "friends"}));

    // ";" on nothing adds nothing.
    Type(";");
    EXPECT_EQ(Text(), "Alice Smith;01705555555;friends;");
    EXPECT_TRUE(SpinUntil([this] { return changes > 0; }));

    // Link style for valid entries, red for invalid, default for separators.
    QTextCursor at(field->document());
    at.setPosition(2);
    EXPECT_FALSE(at.charFormat().isAnchor());
    EXPECT_EQ(at.charFormat().foreground().color().red(), 0xd0);
    at.setPosition(static_cast<int>(std::string("Alice Smith;0").size()));
    EXPECT_TRUE(at.charFormat().isAnchor());
    EXPECT_TRUE(at.charFormat().fontUnderline());
    at.setPosition(static_cast<int>(std::string("Alice Smith;").size()));
    EXPECT_FALSE(at.charFormat().isAnchor());
    EXPECT_FALSE(at.charFormat().fontUnderline());
}

TEST_F(RecipientsField, ControlKeysAreLeftToTheParent) {
    Type("al");
    ASSERT_TRUE(ListShown());
    Key(Qt::Key_Return, Qt::ControlModifier);
    Key(Qt::Key_Escape, Qt::ControlModifier);
    ASSERT_EQ(host->passedOn.size(), 2u);
    EXPECT_EQ(host->passedOn[0], QKeyCombination(Qt::ControlModifier, Qt::Key_Return));
    EXPECT_EQ(Text(), "al") << "Ctrl+Enter takes no suggestion";
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(host->passedOn.size(), 2u) << "Escape with the list only hides it";
    Key(Qt::Key_Escape);
    EXPECT_EQ(host->passedOn.size(), 3u) << "Escape without the list reaches the dialog";
}

TEST_F(RecipientsField, ValidEntriesMoveAndDeleteAsAWhole) {
    field->SetRecipients(kAlice + ";" + kAlbert + ";0170");
    ASSERT_EQ(field->ValidEntries(), Texts({kAlice, kAlbert}));
    // Prefilled text is completed like typed text: the last entry got its separator.
    EXPECT_EQ(Text(), kAlice + ";" + kAlbert + ";0170;");
    const int aliceEnd = static_cast<int>(kAlice.size());

    QTextCursor cursor = field->textCursor();
    cursor.setPosition(0);
    field->setTextCursor(cursor);
    Key(Qt::Key_Right);
    EXPECT_EQ(Caret(), aliceEnd) << "Right jumps over the valid entry";
    Key(Qt::Key_Right);
    EXPECT_EQ(Caret(), aliceEnd + 1) << "over the separator one character";
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(Caret(), 0);

    // Backspace right after the ";" of a valid entry removes entry and separator.
    cursor.setPosition(aliceEnd + 1 + static_cast<int>(kAlbert.size()) + 1);
    field->setTextCursor(cursor);
    changes = 0;
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Text(), kAlice + ";0170;");
    EXPECT_TRUE(SpinUntil([this] { return changes > 0; }));

    // Delete without a list and without a selection removes the valid entry at the caret.
    cursor.setPosition(3);
    field->setTextCursor(cursor);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Text(), "0170;");

    // A selection touching valid entries is widened to cover them whole.
    field->SetRecipients(kAlice + ";" + kAlbert + ";");
    cursor.setPosition(5);
    cursor.setPosition(aliceEnd + 4, QTextCursor::KeepAnchor);
    field->setTextCursor(cursor);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Text(), "");

    // Invalid entries are ordinary text.
    field->SetRecipients("Bob;");
    cursor.setPosition(1);
    field->setTextCursor(cursor);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Text(), "Bb;");
    Key(Qt::Key_Right);
    EXPECT_EQ(Caret(), 2);
}

TEST_F(RecipientsField, DeleteOnASuggestionForgetsIt) {
    Type("+49");
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Rows(), QStringList({"+491703333333"}));
    Key(Qt::Key_Delete);
    EXPECT_EQ(removedEntries, Texts({"+491703333333"}));
    EXPECT_FALSE(field->IsKnown("+491703333333"));
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(Text(), "+49") << "the typed text stays";

    // A parent that refuses keeps the entry.
    QObject::disconnect(field, &CAutoCompleteEdit::RemoveEntryRequested, nullptr, nullptr);
    field->SetRecipients("");
    Type("fr");
    Key(Qt::Key_Delete);
    EXPECT_TRUE(field->IsKnown(kFriends));
    EXPECT_TRUE(ListShown());
}

TEST_F(RecipientsField, PasteCutUndoAndRedo) {
    QApplication::clipboard()->setText("01701234567, 01719876543\n+49 170 1234567");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->Entries(), Texts({"01701234567", "01719876543", "+49 170 1234567"}));
    EXPECT_EQ(field->ValidEntries(), Texts({"01701234567", "01719876543"}));
    EXPECT_EQ(Text(), "01701234567;01719876543;+49 170 1234567;");

    // Undo takes the paste back step by step, redo brings it again.
    while (field->document()->isUndoAvailable()) {
        Key(Qt::Key_Z, Qt::ControlModifier);
    }
    EXPECT_EQ(Text(), "");
    while (field->document()->isRedoAvailable()) {
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(Text(), "01701234567;01719876543;+49 170 1234567;");

    // Cut leaves plain text on the clipboard and completes what remains.
    field->SetRecipients(kAlice + ";");
    Type("Bobby");
    QTextCursor cursor = field->textCursor();
    cursor.setPosition(static_cast<int>(Text().size()) - 2, QTextCursor::KeepAnchor);
    field->setTextCursor(cursor);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "by");
    EXPECT_EQ(Text(), kAlice + ";Bob;");
    EXPECT_EQ(field->InvalidEntries(), Texts({"Bob"}));

    // Copy gives plain text; select all covers everything.
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), kAlice + ";Bob;");
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml());

    // A single pasted piece joins the entry being typed.
    field->SetRecipients("");
    Type("0170");
    QApplication::clipboard()->setText("5555555");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), "01705555555;");
    EXPECT_EQ(field->ValidEntries(), Texts({"01705555555"}));
}

TEST_F(RecipientsField, FocusLossCompletesEveryEntry) {
    Type("al");
    ASSERT_TRUE(ListShown());
    next->setFocus();
    ASSERT_TRUE(SpinUntil([this] { return next->hasFocus(); }));
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(Text(), "al;");
    EXPECT_EQ(field->InvalidEntries(), Texts({"al"}));

    // A number that became known after it was typed is re-checked when the focus leaves.
    field->setFocus();
    ASSERT_TRUE(SpinUntil([this] { return field->hasFocus(); }));
    field->AddKnownEntry("al");
    next->setFocus();
    ASSERT_TRUE(SpinUntil([this] { return next->hasFocus(); }));
    EXPECT_EQ(field->ValidEntries(), Texts({"al"}));
}

TEST_F(RecipientsField, MouseSelectsValidEntriesWholeAndDoubleClickAsksForDetails) {
    field->SetRecipients(kAlice + ";Bob;");
    QTextCursor at(field->document());
    at.setPosition(4);
    QPoint inAlice = field->cursorRect(at).center();
    QTest::mouseClick(field->viewport(), Qt::LeftButton, Qt::NoModifier, inAlice);
    EXPECT_EQ(field->textCursor().selectedText().toStdString(), kAlice);

    QTest::mouseDClick(field->viewport(), Qt::LeftButton, Qt::NoModifier, inAlice);
    EXPECT_EQ(details, Texts({kAlice}));
    EXPECT_EQ(field->textCursor().selectedText().toStdString(), kAlice);

    // Invalid entries give no details.
    at.setPosition(static_cast<int>(kAlice.size()) + 2);
    QTest::mouseDClick(field->viewport(), Qt::LeftButton, Qt::NoModifier,
                       field->cursorRect(at).center());
    EXPECT_EQ(details.size(), 1u);
}

TEST_F(RecipientsField, ClickOnASuggestionTakesIt) {
    Type("ali");
    ASSERT_TRUE(ListShown());
    QListWidgetItem* row = List()->item(0);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      List()->visualItemRect(row).center());
    EXPECT_EQ(Text(), kAlice + ";");
    EXPECT_TRUE(field->hasFocus());
}

TEST_F(RecipientsField, AppendAndClearReportChanges) {
    changes = 0;
    field->AppendEntry(kFriends);
    field->AppendEntry("01706666666");
    EXPECT_EQ(Text(), kFriends + ";01706666666;");
    EXPECT_EQ(field->ValidEntries(), Texts({kFriends, "01706666666"}));
    // Several changes in one turn of the loop are reported once, later.
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(SpinUntil([this] { return changes == 1; }));
    Spin(20);
    EXPECT_EQ(changes, 1);
    field->ClearRecipients();
    EXPECT_TRUE(field->Entries().empty());
    EXPECT_TRUE(SpinUntil([this] { return changes == 2; }));
}

TEST_F(RecipientsField, ScreenshotWithSuggestions) {
    field->SetKnownEntries({kAlice, kAlbert, kAlfred, kFriends, "Alexandra Berg (+491705550101)",
                            "Alina Ortiz (+491705550102)"});
    field->setFixedHeight(field->WantedHeight());
    host->resize(420, 70);
    field->SetRecipients(kFriends + ";Bob;01709998887;");
    Type(" al");
    ASSERT_TRUE(ListShown());
    Spin(50);
    // The list is a window of its own: draw both into one picture where they are on screen.
    QPixmap fieldShot = host->grab();
    QPixmap listShot = List()->grab();
    QPoint listAt = host->mapFromGlobal(List()->pos());
    QSize size(std::max(fieldShot.width(), listAt.x() + listShot.width()),
               std::max(fieldShot.height(), listAt.y() + listShot.height()));
    QPixmap picture(size);
    picture.fill(host->palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, fieldShot);
    painter.drawPixmap(listAt, listShot);
    painter.end();
    EXPECT_TRUE(picture.save(QString::fromStdString(ScreenshotFolder() + "/recipients.png")));
}

TEST_F(RecipientsField, GrowsWithItsTextAndAsksNothingWhileItsWindowGoes) {
    std::vector<int> heights;
    QObject::connect(field, &CAutoCompleteEdit::HeightRequested,
                     [&](int height) { heights.push_back(height); });
    const int oneLine = field->WantedHeight();
    for (int i = 0; i < 6; ++i) {
        field->AppendEntry("0170555000" + std::to_string(i));
    }
    EXPECT_GT(field->WantedHeight(), oneLine);
    ASSERT_FALSE(heights.empty());
    EXPECT_EQ(heights.back(), field->WantedHeight());

    // Closing the window takes the focus from the field: the parent is not asked again.
    Type("Bob");
    unknown.clear();
    host->hide();
    EXPECT_TRUE(unknown.empty());
    EXPECT_EQ(Text().substr(Text().size() - 4), ";Bob") << "not completed";
}
