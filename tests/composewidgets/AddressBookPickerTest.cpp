// The recipient picker: rows, icons, add and remove rules, properties and the result.
#include "GuiTestEnv.h"

#include "compose/CDlgAddressBook.h"
#include "language/CMgmtBranding.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace guitest;

namespace {

CWABRecord Contact(const std::string& name, const std::string& msisdn, const std::string& id) {
    CWABRecord record;
    record.displayName = name;
    record.msisdn = msisdn;
    record.mobile = msisdn;
    record.valid = !msisdn.empty();
    record.count = record.valid ? 1 : 0;
    record.entryId = id;
    return record;
}

CWABRecord Group(const std::string& name, bool valid, int count, const std::string& id) {
    CWABRecord record;
    record.isDistributionList = true;
    record.displayName = name;
    record.valid = valid;
    record.count = count;
    record.entryId = id;
    return record;
}

std::vector<CWABRecord> Book() {
    return {Contact("Alice Smith", "+491701111111", "a"), Contact("Bob Stone", "", "b"),
            Group("Friends", true, 1, "f"), Group("Family", false, 1, "g")};
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

void Select(QTreeWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows) {
        list->topLevelItem(row)->setSelected(true);
    }
}

std::vector<std::string> Names(const std::vector<CWABRecord>& records) {
    std::vector<std::string> names;
    for (const CWABRecord& record : records) {
        names.push_back(record.displayName);
    }
    return names;
}

} // namespace

TEST(AddressBookPicker, ListsEntriesWithTheirIconsNumbersAndTheChosenRecipients) {
    CDlgAddressBook picker(Book(), {Contact("Alice Smith", "+491701111111", "a")},
                           {"+491709990000"});
    EXPECT_EQ(picker.windowTitle(), "Select Recipients");
    QTreeWidget* list = picker.ContactsList();
    EXPECT_EQ(list->headerItem()->text(0), "Contacts");
    EXPECT_EQ(list->headerItem()->text(1), "Mobile number");
    EXPECT_EQ(list->columnWidth(0), 120);
    EXPECT_EQ(list->columnWidth(1), 200);
    EXPECT_EQ(picker.ChosenList()->headerItem()->text(0), "Recipients");
    EXPECT_EQ(picker.ChosenList()->columnWidth(0), 320);

    EXPECT_EQ(Column(list, 0), QStringList({"Alice Smith", "Bob Stone", "Friends", "Family"}));
    EXPECT_EQ(Column(list, 1), QStringList({"+491701111111", "", "(group)", "(group)"}));
    // Valid contact, contact without a number, valid group, group with an invalid member.
    const int rows[] = {30, 31, 32, 33};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(CDlgAddressBook::IconRow(Book()[static_cast<size_t>(i)]), rows[i]);
        EXPECT_EQ(list->topLevelItem(i)->icon(0).cacheKey(),
                  CMgmtBranding::Instance().GetIcon(rows[i], 16, 16).cacheKey());
    }
    EXPECT_EQ(Column(picker.ChosenList(), 0),
              QStringList({"Alice Smith (+491701111111)", "+491709990000"}));
}

TEST(AddressBookPicker, OnlyValidRowsAreAddedAndButtonsFollowTheSelection) {
    CDlgAddressBook picker(Book(), {}, {"+491709990000"});
    QTreeWidget* list = picker.ContactsList();
    EXPECT_FALSE(picker.AddButton()->isEnabled());
    EXPECT_FALSE(picker.PropertiesButton()->isEnabled());

    Select(list, {1}); // no number
    EXPECT_FALSE(picker.AddButton()->isEnabled());
    EXPECT_TRUE(picker.PropertiesButton()->isEnabled());
    Select(list, {0, 1});
    EXPECT_FALSE(picker.AddButton()->isEnabled()) << "every selected row must be valid";
    EXPECT_FALSE(picker.PropertiesButton()->isEnabled()) << "only for exactly one row";
    picker.AddSelected(); // a double-click on such a selection adds only the valid rows
    EXPECT_EQ(Names(picker.Contacts()), std::vector<std::string>({"Alice Smith"}));

    Select(list, {0, 2});
    EXPECT_TRUE(picker.AddButton()->isEnabled());
    QTest::mouseClick(picker.AddButton(), Qt::LeftButton);
    // Alice was chosen already and is not chosen twice; contacts come before numbers.
    EXPECT_EQ(Names(picker.Contacts()), std::vector<std::string>({"Alice Smith", "Friends"}));
    EXPECT_EQ(Column(picker.ChosenList(), 0),
              QStringList({"Alice Smith (+491701111111)", "Friends", "+491709990000"}));

    Select(list, {3}); // group with an invalid member
    EXPECT_FALSE(picker.AddButton()->isEnabled());
}

TEST(AddressBookPicker, RemoveButtonAndDeleteKeyDropChosenRows) {
    CDlgAddressBook picker(Book(), {Contact("Alice Smith", "+491701111111", "a")},
                           {"+491709990000", "+491709990001"});
    picker.show();
    QTreeWidget* chosen = picker.ChosenList();
    EXPECT_FALSE(picker.RemoveButton()->isEnabled());
    Select(chosen, {0, 2});
    QTest::mouseClick(picker.RemoveButton(), Qt::LeftButton);
    EXPECT_TRUE(picker.Contacts().empty());
    EXPECT_EQ(picker.Numbers(), std::vector<std::string>({"+491709990000"}));

    Select(chosen, {0});
    chosen->setFocus();
    QTest::keyClick(chosen, Qt::Key_Delete);
    EXPECT_TRUE(picker.Numbers().empty());
    EXPECT_EQ(chosen->topLevelItemCount(), 0);
}

TEST(AddressBookPicker, PropertiesShowTheSelectedEntryAndOkHandsBackTheChoice) {
    CDlgAddressBook picker(Book(), {}, {"+491709990000"});
    std::vector<std::string> shown;
    picker.SetDetailsHandler([&](const CWABRecord& record) { shown.push_back(record.entryId); });
    Select(picker.ContactsList(), {1});
    QTest::mouseClick(picker.PropertiesButton(), Qt::LeftButton);
    EXPECT_EQ(shown, std::vector<std::string>({"b"}));

    // A double-click on a valid row adds it.
    picker.show();
    QTreeWidgetItem* friends = picker.ContactsList()->topLevelItem(2);
    Select(picker.ContactsList(), {2});
    emit picker.ContactsList()->itemDoubleClicked(friends, 0);
    QTest::mouseClick(picker.OkButton(), Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(Names(picker.Contacts()), std::vector<std::string>({"Friends"}));
    EXPECT_EQ(picker.Numbers(), std::vector<std::string>({"+491709990000"}));
}

TEST(AddressBookPicker, NewRecordsKeepTheChoiceAndTheCurrentRow) {
    CDlgAddressBook picker(Book(), {Contact("Alice Smith", "+491701111111", "a")}, {});
    Select(picker.ContactsList(), {1});
    picker.ContactsList()->setCurrentItem(picker.ContactsList()->topLevelItem(1));
    EXPECT_FALSE(picker.AddButton()->isEnabled());
    // Bob got a number in the address book meanwhile.
    std::vector<CWABRecord> records = Book();
    records[1] = Contact("Bob Stone", "+491705555555", "b");
    picker.SetRecords(records);
    EXPECT_EQ(picker.ContactsList()->currentItem()->text(0), "Bob Stone");
    EXPECT_EQ(picker.ContactsList()->currentItem()->text(1), "+491705555555");
    EXPECT_TRUE(picker.AddButton()->isEnabled());
    EXPECT_EQ(Names(picker.Contacts()), std::vector<std::string>({"Alice Smith"}));
}

TEST(AddressBookPicker, Screenshot) {
    std::vector<CWABRecord> records = Book();
    records.push_back(Contact("Carol Jones", "+491702222222", "c"));
    records.push_back(Contact("Dieter Krause", "+4915112345678", "d"));
    records.push_back(Contact("Eva Lindqvist", "+46701234567", "e"));
    CDlgAddressBook picker(records, {records[0], records[2]}, {"+491709990000"});
    picker.show();
    Select(picker.ContactsList(), {4});
    Spin(50);
    EXPECT_TRUE(picker.grab().save(QString::fromStdString(ScreenshotFolder() + "/picker.png")));
}
