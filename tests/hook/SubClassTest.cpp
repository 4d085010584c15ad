// libtwox.so joined to the real stand-in mail client (twmailclient in a child process), hooked
// the way the program does it: the library loaded here with a callback window, the client
// found by the window search and hooked, and its windows subclassed inside it. Each test drives
// the client through its script and checks what its windows show, what the program's window
// received, and what the client still did itself (its event lines).
#include "HookTestSupport.h"
#include "MailClientProcess.h"

#include "hook/QVRegistry.h"
#include "hook/SharedHookData.h"
#include "mailclient/ScriptProtocol.h"

#include "common/TestEnv.h"
#include "platform/DynLib.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SafeFile.h"
#include "platform/SharedBlock.h"
#include "platform/Win.h"
#include "platform/WinBitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

using hooktest::ProgramCall;

constexpr const char* kReplyDomain = "sms.example.net";
constexpr const char* kUserEmail = "me@example.org";

// Row 0 is the reply to an SMS; the others are mails the client keeps for itself.
constexpr const char* kFolder = "From sms Tue Dec  8 14:05:00 2026\n"
                                "From: +4791234567@sms.example.net\n"
                                "To: me@example.org\n"
                                "Date: Tue, 08 Dec 2026 14:05:00 +0100\n"
                                "\n"
                                "Running late\n"
                                "\n"
                                "From alice Tue Dec  8 15:00:00 2026\n"
                                "From: Alice Example <alice@example.com>\n"
                                "Subject: Lunch\n"
                                "Date: Tue, 08 Dec 2026 15:00:00 +0100\n"
                                "\n"
                                "Shall we?\n"
                                "\n"
                                "From other Tue Dec  8 16:00:00 2026\n"
                                "From: +4791234567@other.example.net\n"
                                "Date: Tue, 08 Dec 2026 16:00:00 +0100\n"
                                "\n"
                                "Another domain\n"
                                "\n"
                                "From letter Tue Dec  8 17:00:00 2026\n"
                                "From: +47912a4567@sms.example.net\n"
                                "Date: Tue, 08 Dec 2026 17:00:00 +0100\n"
                                "\n"
                                "A letter in the number\n";

class SubClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_installRoot = twtest::MakeTempDir("install");
        std::filesystem::create_directories(m_installRoot + "/bitmaps");
        for (const auto& entry : std::filesystem::directory_iterator(TW_BUTTON_BITMAPS)) {
            std::filesystem::copy_file(entry.path(), m_installRoot + "/bitmaps/" +
                                                         entry.path().filename().string());
        }
        platform::RegKey root;
        ASSERT_TRUE(root.Create(platform::RegRoot::CurrentUser, QVRegistry::kRoot));
        ASSERT_TRUE(root.SetString("InstallRoot", m_installRoot));
        platform::RegKey accounts;
        ASSERT_TRUE(accounts.Create(platform::RegRoot::CurrentUser,
                                    std::string(QVRegistry::kRoot) + "\\Accounts"));
        ASSERT_TRUE(accounts.SetString("DefaultAccount", "7"));
        platform::RegKey account;
        ASSERT_TRUE(account.Create(platform::RegRoot::CurrentUser,
                                   std::string(QVRegistry::kRoot) + "\\Accounts\\7"));
        ASSERT_TRUE(account.SetString("ReplyEmailSenderDomain", kReplyDomain));
        ASSERT_TRUE(account.SetString("UserEmail", kUserEmail));
        m_logFolder = platform::PrivateTempFolder();
        std::filesystem::remove(m_logFolder + "/HookHandler.log");
        platform::SharedBlock block;
        ASSERT_TRUE(block.Open(SharedHookData::kName, SharedHookData::kSize));
        std::memset(block.Data(), 0, block.Size());
        m_folder = m_installRoot + "/inbox.mbox";
        twtest::WriteFile(m_folder, kFolder);
    }

    void TearDown() override {
        if (m_client) {
            m_client->Command("quit");
            m_client->Wait();
        }
        m_library.Close();
    }

    // Loads the library as the program does and starts the client hooked by it; returns once
    // the client's windows are subclassed.
    void StartHooked(int mmsMode, const std::vector<std::string>& options = {}) {
        ASSERT_TRUE(m_library.Open(TW_TWOX_PATH)) << m_library.Error();
        auto setMms = m_library.Function<void (*)(std::int32_t)>("SetMmsMode");
        auto registerWindow = m_library.Function<void (*)(win::HWND)>("RegisterCallbackWindow");
        ASSERT_TRUE(setMms && registerWindow);
        setMms(mmsMode);
        registerWindow(m_program.Handle());
        std::vector<std::string> arguments = options;
        arguments.push_back(m_folder);
        m_client = std::make_unique<mailtest::MailClientProcess>(arguments);
        ASSERT_TRUE(m_client->Ready());
        ASSERT_TRUE(
            hooktest::WaitForFileText(m_logFolder + "/HookHandler.log",
                                      " serves HWND:" + std::to_string(m_client->MainWindow())));
        // The client's thread retrieves this command: the hook runs there first and subclasses.
        ASSERT_EQ(m_client->Command("rows").substr(0, 2), "ok");
        ASSERT_TRUE(hooktest::WaitForFileText(HookLog(), "\tInsert Button Success: "));
    }

    std::string HookLog() const {
        return m_logFolder + "/Hook" + std::to_string(m_client->Pid()) + ".log";
    }

    // The records of a list answer ("ok ..."); empty after an error.
    std::vector<std::vector<std::string>> Records(const std::string& command,
                                                  std::vector<std::string>* events = nullptr) {
        const std::string answer = m_client->Command(command, events);
        EXPECT_EQ(answer.substr(0, 2), "ok") << command << ": " << answer;
        return mailclient::SplitRecords(answer);
    }

    // The toolbar button record with that command ("index command image text tooltip state").
    std::vector<std::string> Button(int command) {
        for (const auto& record : Records("toolbar-buttons")) {
            if (record.size() >= 2 && record[1] == std::to_string(command)) {
                return record;
            }
        }
        return {};
    }

    // One picture of the client's toolbar as its script lists it ("width height pixels", the
    // pixels as 8 hex digits each); empty after an error.
    std::string ToolbarImage(int index, bool hot) {
        const std::string answer =
            m_client->Command("toolbar-image " + std::to_string(index) + (hot ? " hot" : ""));
        EXPECT_EQ(answer.substr(0, 3), "ok ") << answer;
        return answer.rfind("ok ", 0) == 0 ? answer.substr(3) : std::string();
    }

    // What the toolbar should show for one of our bitmap files, written as ToolbarImage
    // answers: the file's pixels with its magenta ones transparent (all zero). Counts the
    // transparent pixels into `transparent`.
    static std::string ExpectedImage(const std::string& file, int* transparent) {
        const auto bitmap = static_cast<win::HBITMAP>(
            win::LoadImage(nullptr, std::string(TW_BUTTON_BITMAPS) + "/" + file, win::IMAGE_BITMAP,
                           0, 0, win::LR_LOADFROMFILE));
        win::BitmapPixels picture;
        const bool read = bitmap != 0 && win::GetBitmapPixels(bitmap, &picture);
        if (bitmap != 0) {
            win::DeleteObject(bitmap);
        }
        EXPECT_TRUE(read) << file;
        std::string out =
            std::to_string(picture.width) + " " + std::to_string(picture.height) + " ";
        char digits[9];
        for (std::uint32_t pixel : picture.pixels) {
            if ((pixel & 0x00FFFFFFu) == 0x00FF00FFu) {
                pixel = 0;
                ++*transparent;
            }
            std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(pixel));
            out += digits;
        }
        return out;
    }

    // The button's image 61 in the normal and the hot list is our Normal and Hot picture of
    // that size ("Small" or "Big"), magenta left out.
    void ExpectOurPictures(const std::string& size) {
        const std::vector<std::string> sms = Button(33988);
        ASSERT_EQ(sms.size(), 6u);
        EXPECT_EQ(sms[2], "61");
        for (const bool hot : {false, true}) {
            const std::string file =
                std::string("btnCreateSms") + (hot ? "Hot" : "Normal") + size + ".bmp";
            int transparent = 0;
            const std::string expected = ExpectedImage(file, &transparent);
            EXPECT_GT(transparent, 0) << file << " has no magenta to leave out";
            EXPECT_EQ(ToolbarImage(61, hot), expected) << file;
        }
    }

    std::size_t CountItems(int popup, int command) {
        const auto records = Records("menu-items " + std::to_string(popup));
        return static_cast<std::size_t>(
            std::count_if(records.begin(), records.end(), [command](const auto& record) {
                return !record.empty() && record[0] == std::to_string(command);
            }));
    }

    std::string MenuText(int popup, int command) {
        for (const auto& record : Records("menu-items " + std::to_string(popup))) {
            if (record.size() >= 3 && record[0] == std::to_string(command)) {
                return record[1] + " " + record[2];
            }
        }
        return {};
    }

    // Runs the command; true when the client reported one of its own events holding `word`.
    bool ClientEvent(const std::string& command, const std::string& word) {
        std::vector<std::string> events;
        EXPECT_EQ(m_client->Command(command, &events).substr(0, 2), "ok") << command;
        return std::any_of(events.begin(), events.end(), [&word](const std::string& line) {
            return line.find(word) != std::string::npos;
        });
    }

    std::string m_installRoot;
    std::string m_logFolder;
    std::string m_folder;
    hooktest::ProgramWindow m_program;
    platform::DynLib m_library;
    std::unique_ptr<mailtest::MailClientProcess> m_client;
};

TEST_F(SubClassTest, TheButtonAndMenuItemsAppearAndTheirClicksReachTheProgram) {
    StartHooked(0);
    const std::vector<std::string> sms = Button(33988);
    ASSERT_EQ(sms.size(), 6u);
    EXPECT_EQ(sms[0], "1");  // position
    EXPECT_EQ(sms[2], "61"); // image
    EXPECT_EQ(sms[3], "Create SMS");
    EXPECT_EQ(sms[4], "Write SMS Message");
    EXPECT_EQ(sms[5], "enabled");
    EXPECT_TRUE(Button(33994).empty()); // no MMS without MMS mode
    // The 61 pictures of the client got ours as the 62nd, normal and hot.
    EXPECT_NE(m_client->Command("toolbar-buttons").find(" images 62 62 |"), std::string::npos);

    // The Message menu gets "New SMS" once, however often it opens.
    EXPECT_EQ(CountItems(4, 33988), 1u);
    EXPECT_EQ(CountItems(4, 33988), 1u);
    EXPECT_EQ(CountItems(4, 33994), 0u);
    EXPECT_EQ(MenuText(4, 33988), "New SMS enabled");
    EXPECT_EQ(MenuText(2, 33990), "Sent SMS enabled");
    EXPECT_EQ(MenuText(2, 33989), "SMS Outbox enabled");
    EXPECT_EQ(MenuText(3, 33991), "SMS Options... enabled");
    EXPECT_EQ(MenuText(5, 33993), "Tidewell Outlook Express Online Help enabled");
    EXPECT_EQ(MenuText(5, 33992), "About Tidewell Outlook Express enabled");
    EXPECT_EQ(CountItems(0, 33988), 0u); // the File menu is left alone

    // Clicks: the toolbar button and the menu items are the program's, not the client's.
    EXPECT_FALSE(ClientEvent("click-toolbar 33988", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 4 33988", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 2 33989", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 2 33990", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 3 33991", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 5 33992", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 5 33993", "handled-by-client"));
    // The client's own button still works for it.
    EXPECT_TRUE(ClientEvent("click-toolbar 40140", "handled-by-client new-mail"));
    const std::vector<ProgramCall> calls = m_program.Calls();
    std::vector<unsigned long> actions;
    for (const ProgramCall& call : calls) {
        actions.push_back(call.action);
        EXPECT_FALSE(call.hasMessage);
    }
    // New SMS (toolbar, menu), outbox, sent, options, about, help.
    EXPECT_EQ(actions, (std::vector<unsigned long>{1, 1, 5, 6, 9, 8, 7}));

    // The user customizes the toolbar: the client's first button goes, ours moves to 0, and
    // when the client counts its buttons ours is put back at 1.
    ASSERT_EQ(m_client->Command("delete-button 0"), "ok");
    EXPECT_EQ(Button(33988).at(0), "1");
    EXPECT_TRUE(Button(40140).empty());
    const std::size_t inserts = twtest::CountInFile(HookLog(), "\tInsert Button Success: ");
    Button(33988); // a count with the button in place changes nothing
    EXPECT_EQ(twtest::CountInFile(HookLog(), "\tInsert Button Success: "), inserts);

    // The client rebuilds its toolbar: the button comes back on the new one.
    const std::string recreated = m_client->Command("recreate-toolbar");
    ASSERT_EQ(recreated.substr(0, 2), "ok");
    const std::vector<std::string> again = Button(33988);
    ASSERT_EQ(again.size(), 6u);
    EXPECT_EQ(again[0], "1");
    EXPECT_EQ(again[2], "61");
    EXPECT_FALSE(ClientEvent("click-toolbar 33988", "handled-by-client"));
    EXPECT_EQ(m_program.Calls().size(), 8u);

    const std::string log = twtest::ReadFile(HookLog());
    const std::string main = std::to_string(m_client->MainWindow());
    for (const std::string& line :
         {"\tMainWindowSubClass::MainWindowSubClass\tConstructor, Target HWND: " + main + "\n",
          std::string("\tRebarSubClass::RebarSubClass\tConstructor, Target HWND: "),
          std::string("\tToolbarSubClass::ToolbarSubClass\tConstructor, Target HWND: "),
          std::string("\tMessageViewSubClass::MessageViewSubClass\tConstructor, Target HWND: "),
          std::string("\tToolbarButton::ToolbarButton\tConstructor\n"),
          std::string("\tToolbarButton::AddButton\tInsert Button Success: 1, true: 1\n"),
          std::string("\tMainWindowSubClass::OnNewSmsClick\t"),
          std::string("\tMainWindowSubClass::OnSmsOutboxClick\t"),
          std::string("\tRebarSubClass::OnParentNotifyCreate\tMy kind of toolbar!\n"),
          std::string("\tRebarSubClass::OnChildActivate\tEnter\n"),
          std::string("\tToolbarButton::~ToolbarButton\tButton exists\n")}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
}

TEST_F(SubClassTest, MmsModeAddsTheMmsButtonAndMenuItem) {
    StartHooked(1);
    const std::vector<std::string> mms = Button(33994);
    ASSERT_EQ(mms.size(), 6u);
    EXPECT_EQ(mms[0], "2");
    EXPECT_EQ(mms[2], "61");
    EXPECT_EQ(mms[3], "Create MMS");
    EXPECT_EQ(mms[4], "Write MMS Message");
    EXPECT_EQ(Button(33988).at(0), "1");
    EXPECT_EQ(CountItems(4, 33994), 1u);
    EXPECT_EQ(CountItems(4, 33994), 1u);
    EXPECT_EQ(MenuText(4, 33994), "New MMS enabled");
    EXPECT_FALSE(ClientEvent("click-toolbar 33994", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 4 33994", "handled-by-client"));
    const std::vector<ProgramCall> calls = m_program.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, 10u);
    EXPECT_EQ(calls[1].action, 10u);
}

TEST_F(SubClassTest, SmsRepliesGoToTheProgramAndOtherMailsStayWithTheClient) {
    StartHooked(0);
    auto expectSms = [](const ProgramCall& call, unsigned long action) {
        EXPECT_EQ(call.action, action);
        EXPECT_TRUE(call.hasMessage);
        EXPECT_EQ(call.sender, "+4791234567");
        EXPECT_EQ(call.recipients, kUserEmail);
        EXPECT_EQ(call.text, "Running late");
        EXPECT_EQ(call.date, "08/12/2026 14:05");
    };
    // Double-click: the client marks the mail read but does not open it.
    std::vector<std::string> events;
    ASSERT_EQ(m_client->Command("dblclick 0", &events), "ok");
    EXPECT_NE(std::find(events.begin(), events.end(), "event row 0 read"), events.end());
    for (const std::string& line : events) {
        EXPECT_EQ(line.find("read-window"), std::string::npos) << line;
        EXPECT_EQ(line.find("event list"), std::string::npos) << line;
    }
    ASSERT_EQ(m_program.Calls().size(), 1u);
    expectSms(m_program.Calls()[0], 2); // open

    // The Message menu's reply and forward, Enter, and the SMS context menu.
    EXPECT_FALSE(ClientEvent("menu 4 40176", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("menu 4 40180", "handled-by-client"));
    EXPECT_FALSE(ClientEvent("enter", "handled-by-client"));
    events.clear();
    ASSERT_EQ(m_client->Command("context 0 choose 40176", &events), "ok");
    ASSERT_FALSE(events.empty());
    const auto popup = mailclient::SplitRecords(events.front());
    ASSERT_EQ(popup.size(), 7u) << events.front();
    EXPECT_EQ(popup[0], (std::vector<std::string>{"40100", "Open", "enabled", "default"}));
    EXPECT_EQ(popup[2].at(1), "SMS Reply");
    EXPECT_EQ(popup[3].at(1), "SMS Forward");
    EXPECT_EQ(popup[5].at(1), "Mark as Read");
    EXPECT_EQ(popup[6].at(1), "Mark as UnRead");
    EXPECT_FALSE(ClientEvent("context 0 choose 40180", "handled-by-client"));
    // The marks of the SMS menu are the client's.
    EXPECT_TRUE(ClientEvent("context 0 choose 40187", "event row 0 unread"));
    const std::vector<ProgramCall> calls = m_program.Calls();
    ASSERT_EQ(calls.size(), 6u);
    expectSms(calls[1], 3); // reply
    expectSms(calls[2], 4); // forward
    expectSms(calls[3], 2); // Enter opens
    expectSms(calls[4], 3);
    expectSms(calls[5], 4);

    // An ordinary mail, a number at another domain, a letter in the number: the client's.
    for (int row : {1, 2, 3}) {
        EXPECT_TRUE(ClientEvent("dblclick " + std::to_string(row), "handled-by-client open"))
            << row;
        EXPECT_TRUE(ClientEvent("menu 4 40176", "handled-by-client reply")) << row;
        EXPECT_TRUE(ClientEvent("context " + std::to_string(row), "handled-by-client menu"));
    }
    EXPECT_EQ(m_program.Calls().size(), 6u);

    // A new message view is subclassed too.
    ASSERT_EQ(m_client->Command("recreate-view").substr(0, 2), "ok");
    EXPECT_FALSE(ClientEvent("dblclick 0", "handled-by-client open"));
    ASSERT_EQ(m_program.Calls().size(), 7u);
    expectSms(m_program.Calls()[6], 2);
    const std::string log = twtest::ReadFile(HookLog());
    EXPECT_NE(log.find("\tMainWindowSubClass::OnParentNotifyCreate\tMy kind of toolbar!\n"),
              std::string::npos);
    EXPECT_NE(log.find("\tMainWindowSubClass::OnParentNotifyDestroy\tWM_DESTROY\n"),
              std::string::npos);
    EXPECT_NE(log.find("\tMessageViewSubClass::HandleSelectItemEvent\tCommand: 1\n"),
              std::string::npos);
}

TEST_F(SubClassTest, TheButtonShowsOurSmallPicturesOnTheSmallSet) {
    StartHooked(0);
    ExpectOurPictures("Small");
    // The client's own pictures stay as they were around ours.
    EXPECT_EQ(ToolbarImage(60, false).substr(0, 6), "16 16 ");
    EXPECT_NE(ToolbarImage(60, false), ToolbarImage(61, false));
}

TEST_F(SubClassTest, TheButtonShowsOurBigPicturesOnLargerToolbarImages) {
    StartHooked(0, {"--toolbar-image-size", "24"});
    ExpectOurPictures("Big");
    // The larger set with big pictures: 91 normal ones cut back to the hot list's 61.
    m_client->Command("quit");
    m_client->Wait();
    m_client.reset();
    m_library.Close();
    StartHooked(0, {"--toolbar-images", "91", "--toolbar-image-size", "24"});
    EXPECT_NE(m_client->Command("toolbar-buttons").find(" images 62 62 |"), std::string::npos);
    ExpectOurPictures("Big");
}

TEST_F(SubClassTest, ToolbarsWithOtherPictureSetsStillGetTheButton) {
    // The larger set: 91 normal pictures, 61 hot ones; ours lands at 61 in both.
    StartHooked(0, {"--toolbar-images", "91"});
    EXPECT_NE(m_client->Command("toolbar-buttons").find(" images 62 62 |"), std::string::npos);
    EXPECT_EQ(Button(33988).at(2), "61");
    m_client->Command("quit");
    m_client->Wait();
    m_client.reset();
    m_library.Close();

    // Neither count: no pictures are added, the button still shows image 61.
    StartHooked(0, {"--toolbar-images", "40"});
    EXPECT_NE(m_client->Command("toolbar-buttons").find(" images 40 40 |"), std::string::npos);
    const std::vector<std::string> sms = Button(33988);
    ASSERT_EQ(sms.size(), 6u);
    EXPECT_EQ(sms[0], "1");
    EXPECT_EQ(sms[2], "61");
}

TEST_F(SubClassTest, ALongTooltipIsCutToTheRequestsBuffer) {
    const std::string longText(100, 'x');
    twtest::WriteFile(m_installRoot + "/twox.lang",
                      "Outlook.NewSMSButtonToolTipText=" + longText + "\r\n");
    StartHooked(0);
    const std::vector<std::string> sms = Button(33988);
    ASSERT_EQ(sms.size(), 6u);
    EXPECT_EQ(sms[4], std::string(79, 'x'));
}

TEST_F(SubClassTest, UnloadingTheLibraryTakesTheButtonOffAgain) {
    StartHooked(0);
    ASSERT_FALSE(Button(33988).empty());
    m_library.Close(); // the hook window ends and tells the client to unhook
    ASSERT_TRUE(hooktest::WaitForFileText(HookLog(), "\tHook::UnHook\tLeave\n"));
    // The client closes the library at its next message, which undoes the subclassing.
    m_client->Command("rows");
    EXPECT_TRUE(Button(33988).empty());
    EXPECT_EQ(CountItems(4, 33988), 0u); // no longer added
    EXPECT_TRUE(ClientEvent("dblclick 0", "handled-by-client open"));
}

} // namespace
