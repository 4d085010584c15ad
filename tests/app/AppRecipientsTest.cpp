// Start-up opens the address book and loads the remembered entries; exit saves them.
#include "app/CTidewellWindowsApp.h"

#include "WelcomeAnswer.h"
#include "app/CEditionValues.h"
#include "common/TestEnv.h"
#include "compose/CAddressBookLocation.h"
#include "compose/CRememberedEntries.h"
#include "compose/CWABManager.h"
#include "platform/MsgBox.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace {

TEST(AppRecipients, StartUpOpensTheAddressBookAndExitSavesTheRememberedEntries) {
    twtest::UsePrivateFolders(twtest::MakeTempDir("app-recipients"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    win::SetMessageBoxBackend(std::make_shared<win::ScriptedMessageBox>());
    CEditionValues::Select(false);
    platform::RegKey root;
    ASSERT_TRUE(root.Create(platform::RegRoot::CurrentUser, CEditionValues::Get().rootKey));
    ASSERT_TRUE(root.SetString("HomeCountry", "DE"));

    const std::string book = twtest::MakeTempDir("book") + "/people.vcf";
    twtest::WriteFile(book, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna Becker\r\n"
                            "TEL;TYPE=cell:0151 23456789\r\nEND:VCARD\r\n");
    ASSERT_TRUE(root.SetString(CAddressBookLocation::kValueName, book));
    ASSERT_TRUE(platform::CreateFolder(platform::AppDataFolder() + "/TWD"));
    const std::string dataFile = platform::AppDataFolder() + "/TWD/autocomplete.dat";
    twtest::WriteFile(dataFile, std::string("\x01\x00\x0e", 3) + "0171 987654321");

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    WelcomeAnswer next(win::IDOK); // the first start registers an account
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(app.AddressBook(), nullptr);
    EXPECT_TRUE(app.AddressBook()->IsOpen());
    ASSERT_EQ(app.AddressBook()->Records().size(), 1u);
    int count = 0;
    app.AddressBook()->ValidateWAB(count);
    EXPECT_EQ(app.AddressBook()->Records()[0].DisplayText(), "Anna Becker (+4915123456789)");
    ASSERT_NE(app.RememberedEntries(), nullptr);
    EXPECT_EQ(app.RememberedEntries()->Entries(), std::vector<std::string>{"0171 987654321"});
    app.RememberedEntries()->Add("+49 160 1");
    app.ExitInstance();
    EXPECT_EQ(app.AddressBook(), nullptr);
    EXPECT_EQ(twtest::ReadFile(dataFile),
              std::string("\x02\x00\x0e", 3) + "0171 987654321" + "\x09" + "+49 160 1");
    win::SetMessageBoxBackend(nullptr);
}

} // namespace
