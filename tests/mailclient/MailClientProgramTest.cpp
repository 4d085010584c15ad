// The stand-in mail client as a program: the window tree a hooked-in library looks for, its
// menus and toolbar, the list of mails, what a user does with them, and the script itself.
// Every check waits for the client's own output lines.
#include "MailClientProcess.h"

#include "mailclient/MailCommands.h"
#include "mailclient/ScriptProtocol.h"

#include "platform/Win.h"
#include "platform/WinHooks.h"

#include "common/TestEnv.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using mailtest::MailClientProcess;
using namespace mailclient;

namespace {

using Records = std::vector<std::vector<std::string>>;

Records ListOf(MailClientProcess& client, const std::string& command) {
    const std::string answer = client.Command(command);
    EXPECT_EQ(answer.rfind("ok ", 0), 0u) << command << ": " << answer;
    Records records = SplitRecords(answer);
    const std::vector<std::string> fields = SplitFields(answer);
    EXPECT_GE(fields.size(), 2u);
    if (fields.size() >= 2) {
        EXPECT_EQ(fields[1], std::to_string(records.size())) << answer;
    }
    return records;
}

// The record of a menu item or toolbar button with that id / command (column `idField`).
const std::vector<std::string>* Find(const Records& records, std::size_t idField, win::UINT id) {
    for (const auto& record : records) {
        if (record.size() > idField && record[idField] == std::to_string(id)) {
            return &record;
        }
    }
    return nullptr;
}

std::string MenuState(MailClientProcess& client, int popup, win::UINT id) {
    const Records items = ListOf(client, "menu-items " + std::to_string(popup));
    const std::vector<std::string>* item = Find(items, 0, id);
    return item == nullptr || item->size() < 3 ? std::string("absent") : (*item)[2];
}

} // namespace

TEST(MailClientProgram, BuildsTheWindowTreeTheHookLibraryLooksFor) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    // Another process finds the main window by its class, as the hook library's search does.
    EXPECT_EQ(win::FindWindow("Outlook Express Browser Class", ""), client.MainWindow());
    EXPECT_EQ(win::GetWindowText(client.MainWindow()), "Inbox - Mail");

    std::map<std::string, std::vector<std::string>> byClass; // class -> hwnd, parent, id
    for (const auto& w : ListOf(client, "windows")) {
        ASSERT_EQ(w.size(), 5u);
        byClass[w[2]] = w;
    }
    const std::string main = std::to_string(client.MainWindow());
    auto parentOf = [&](const std::string& cls) {
        return byClass.count(cls) ? byClass[cls][1] : std::string("missing");
    };
    auto hwndOf = [&](const std::string& cls) {
        return byClass.count(cls) ? byClass[cls][0] : std::string("missing");
    };
    EXPECT_EQ(byClass["Outlook Express Browser Class"][0], main);
    EXPECT_EQ(parentOf("SizableRebar"), main);
    EXPECT_EQ(parentOf("RebarWindow32"), hwndOf("SizableRebar"));
    EXPECT_EQ(parentOf("ToolbarWindow32"), hwndOf("RebarWindow32"));
    EXPECT_EQ(byClass["ToolbarWindow32"][3], "2101");
    EXPECT_EQ(parentOf("Outlook Express Message View"), main);
    EXPECT_EQ(parentOf("Outlook Express Message List"), hwndOf("Outlook Express Message View"));
    EXPECT_EQ(parentOf("ATL:SysListView32"), hwndOf("Outlook Express Message List"));

    // Enumeration by class from within the client.
    const Records toolbars = ListOf(client, "windows ToolbarWindow32");
    ASSERT_EQ(toolbars.size(), 1u);
    EXPECT_EQ(toolbars[0][0], hwndOf("ToolbarWindow32"));

    EXPECT_EQ(client.Command("quit"), "ok");
    EXPECT_EQ(client.Wait(), 0);
}

TEST(MailClientProgram, RowsShowSenderSubjectAndDateAsAMailListDoes) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    const Records rows = ListOf(client, "rows");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "+447700900123@sms.example.com",
                                                 "Running late, see you at the station",
                                                 "08/12/2026 14:05", "unread"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"1", "Grace Hopper", "Caf\xC3\xA9 on Friday",
                                                 "08/12/2026 09:12", "read"}));
    EXPECT_EQ(rows[2][1], "Example News");

    MailClientProcess raw({"--header-dates", MailClientProcess::SampleFolder()});
    ASSERT_TRUE(raw.Ready());
    const Records rawRows = ListOf(raw, "rows");
    ASSERT_EQ(rawRows.size(), 3u);
    EXPECT_EQ(rawRows[0][3], "Tue, 08 Dec 2026 14:05:33 +0000");
}

TEST(MailClientProgram, MenusStandWhereTheHookLibraryAddsItsItemsAndFollowTheSelection) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    // Popups with more than seven items too: a popup's state carries its item count.
    const Records popups = ListOf(client, "menu-bar");
    ASSERT_EQ(popups.size(), 6u);
    const std::vector<std::string> titles = {"&File",  "&Edit",    "&View",
                                             "&Tools", "&Message", "&Help"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        EXPECT_EQ(popups[i], (std::vector<std::string>{std::to_string(i), titles[i]}));
    }
    const Records bar = ListOf(client, "menu-items 4");
    EXPECT_NE(Find(bar, 0, kCmdReply), nullptr);
    EXPECT_NE(Find(bar, 0, kCmdReplyAll), nullptr);
    EXPECT_NE(Find(bar, 0, kCmdReplyGroup), nullptr);
    EXPECT_NE(Find(bar, 0, kCmdForward), nullptr);
    EXPECT_NE(Find(ListOf(client, "menu-items 3"), 0, kCmdOptions), nullptr);
    EXPECT_NE(Find(ListOf(client, "menu-items 2"), 0, kCmdGoToFolder), nullptr);
    EXPECT_NE(Find(ListOf(client, "menu-items 5"), 0, kCmdAbout), nullptr);
    EXPECT_EQ(client.Command("menu-items 6").rfind("error", 0), 0u);

    // Nothing selected: the commands on a mail are greyed, and cannot be chosen.
    EXPECT_EQ(MenuState(client, 0, kCmdOpen), "disabled");
    EXPECT_EQ(MenuState(client, 4, kCmdNewMail), "enabled");
    std::vector<std::string> events;
    EXPECT_EQ(client.Command("menu 4 40176", &events).rfind("error", 0), 0u);
    EXPECT_TRUE(events.empty());

    // A read mail selected: Mark as Read is greyed, Mark as Unread is not.
    ASSERT_EQ(client.Command("select 1"), "ok");
    EXPECT_EQ(MenuState(client, 0, kCmdOpen), "enabled");
    EXPECT_EQ(MenuState(client, 1, kCmdMarkRead), "disabled");
    EXPECT_EQ(MenuState(client, 1, kCmdMarkUnread), "enabled");

    // Chosen: the client carries the command out and says so before the answer.
    ASSERT_EQ(client.Command("menu 4 40176", &events), "ok");
    EXPECT_EQ(events, (std::vector<std::string>{"event command 40176 handled-by-client reply 1"}));
    events.clear();
    ASSERT_EQ(client.Command("menu 1 40187", &events), "ok");
    EXPECT_EQ(events,
              (std::vector<std::string>{"event command 40187 handled-by-client mark-unread 1",
                                        "event row 1 unread"}));
    EXPECT_EQ(MenuState(client, 1, kCmdMarkRead), "enabled");
    EXPECT_EQ(client.Command("menu 4 99999").rfind("error", 0), 0u);
}

TEST(MailClientProgram, ToolbarListsItsButtonsAndAClickReachesTheMainWindow) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    std::string answer = client.Command("toolbar-buttons");
    std::vector<std::string> fields = SplitFields(answer);
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[2], "images");
    EXPECT_EQ(fields[3], "61");
    EXPECT_EQ(fields[4], "61");
    const Records buttons = SplitRecords(answer);
    ASSERT_FALSE(buttons.empty());
    EXPECT_EQ(buttons[0], (std::vector<std::string>{"0", "40140", "0", "Create Mail",
                                                    "Create a new mail message", "enabled"}));
    EXPECT_EQ(buttons[1].back(), "separator");
    const std::vector<std::string>* forward = Find(buttons, 1, kCmdForward);
    ASSERT_NE(forward, nullptr);
    EXPECT_EQ((*forward)[3], "Forward");
    EXPECT_EQ((*forward)[4], "Forward the mail");

    ASSERT_EQ(client.Command("select 2"), "ok");
    std::vector<std::string> events;
    ASSERT_EQ(client.Command("click-toolbar 40180", &events), "ok");
    EXPECT_EQ(events,
              (std::vector<std::string>{"event command 40180 handled-by-client forward 2"}));
    events.clear();
    ASSERT_EQ(client.Command("click-toolbar 0", &events), "ok");
    EXPECT_EQ(events, (std::vector<std::string>{"event command 40140 handled-by-client new-mail"}));
    EXPECT_EQ(client.Command("click-toolbar 99").rfind("error", 0), 0u);
    EXPECT_EQ(client.Command("click-toolbar 33988").rfind("error", 0), 0u);

    // The larger picture set: 91 normal images, and a hot list of the 61.
    MailClientProcess big({"--toolbar-images", "91", MailClientProcess::SampleFolder()});
    ASSERT_TRUE(big.Ready());
    fields = SplitFields(big.Command("toolbar-buttons"));
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[3], "91");
    EXPECT_EQ(fields[4], "61");
}

TEST(MailClientProgram, DoubleClickEnterAndContextMenuActOnTheRow) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    std::vector<std::string> events;
    ASSERT_EQ(client.Command("dblclick 0", &events), "ok");
    EXPECT_EQ(events, (std::vector<std::string>{
                          "event list dblclick handled-by-client open 0", "event row 0 read",
                          "event read-window 0 \"Running late, see you at the station\""}));
    // The read window is a window of its own.
    EXPECT_NE(win::FindWindow("ATH_Note", "Running late, see you at the station"), 0u);

    events.clear();
    ASSERT_EQ(client.Command("select 1"), "ok");
    ASSERT_EQ(client.Command("enter", &events), "ok");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "event list enter handled-by-client open 1");

    // The client's context menu is shown, reported, and its choice carried out.
    events.clear();
    ASSERT_EQ(client.Command("context 2 choose 40186", &events), "ok");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], "event list context handled-by-client menu 2");
    const Records popup = SplitRecords(events[1]);
    const std::vector<std::string>* open = Find(popup, 0, kCmdOpen);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->back(), "default");
    EXPECT_NE(Find(popup, 0, kCmdMarkUnread), nullptr);
    EXPECT_EQ(events[2], "event command 40186 handled-by-client mark-read 2");
    EXPECT_EQ(events[3], "event row 2 read");

    // Closed without a choice: nothing is carried out.
    events.clear();
    ASSERT_EQ(client.Command("context 0", &events), "ok");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].rfind("event popup", 0), 0u);
    EXPECT_EQ(client.Command("dblclick 7").rfind("error", 0), 0u);
    EXPECT_EQ(client.Command("context 1 pick 3").rfind("error", 0), 0u);
}

TEST(MailClientProgram, ToolbarAndViewAreRecreatedWhole) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    const Records before = ListOf(client, "windows ToolbarWindow32");
    ASSERT_EQ(before.size(), 1u);
    const std::size_t buttons = ListOf(client, "toolbar-buttons").size();

    std::vector<std::string> events;
    const std::string answer = client.Command("recreate-toolbar", &events);
    ASSERT_EQ(answer.rfind("ok ", 0), 0u);
    const std::string fresh = SplitFields(answer)[1];
    EXPECT_NE(fresh, before[0][0]);
    EXPECT_EQ(events, (std::vector<std::string>{"event toolbar-created " + fresh + " 61"}));
    const Records after = ListOf(client, "windows ToolbarWindow32");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0][0], fresh);
    EXPECT_EQ(after[0][3], "2101");
    EXPECT_EQ(ListOf(client, "toolbar-buttons").size(), buttons);

    events.clear();
    const std::string view = client.Command("recreate-view", &events);
    ASSERT_EQ(view.rfind("ok ", 0), 0u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], "event view-created " + SplitFields(view)[1]);
    EXPECT_EQ(ListOf(client, "windows ATL:SysListView32").size(), 1u);
    EXPECT_EQ(ListOf(client, "rows").size(), 3u);
    // The read state of a mail outlives its view.
    ASSERT_EQ(client.Command("dblclick 2"), "ok");
    ASSERT_EQ(client.Command("recreate-view").rfind("ok ", 0), 0u);
    EXPECT_EQ(ListOf(client, "rows")[2].back(), "read");
}

TEST(MailClientProgram, CommandsFromAnotherProcessAreCarriedOutByTheClient) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    ASSERT_EQ(client.Command("select 0"), "ok");
    ASSERT_TRUE(win::PostMessage(client.MainWindow(), win::WM_COMMAND, kCmdOpen, 0));
    EXPECT_EQ(client.ReadLine(), "event command 40100 handled-by-client open 0");
    EXPECT_EQ(client.ReadLine(), "event row 0 read");
    EXPECT_EQ(client.ReadLine().rfind("event read-window 0 ", 0), 0u);
    // Closing the main window ends the client.
    ASSERT_TRUE(win::PostMessage(client.MainWindow(), win::WM_CLOSE, 0, 0));
    EXPECT_EQ(client.Wait(), 0);
}

TEST(MailClientProgram, TheScriptAnswersEveryLineAndItsEndEndsTheClient) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    const Records help = ListOf(client, "help");
    std::vector<std::string> words;
    for (const auto& record : help) {
        ASSERT_EQ(record.size(), 3u);
        words.push_back(record[0]);
    }
    for (const char* word :
         {"click-toolbar", "menu", "menu-items", "toolbar-buttons", "select", "dblclick", "enter",
          "context", "recreate-toolbar", "recreate-view", "quit"}) {
        EXPECT_NE(std::find(words.begin(), words.end(), word), words.end()) << word;
    }
    EXPECT_EQ(client.Command("no-such-command").rfind("error unknown command", 0), 0u);
    EXPECT_EQ(client.Command("select"), "error usage: select <row>");
    EXPECT_EQ(client.Command("select two").rfind("error bad row", 0), 0u);
    EXPECT_EQ(client.Command("select 1 2"), "error usage: select <row>");
    EXPECT_EQ(client.Command("screenshot x.png").rfind("error", 0), 0u);
    client.CloseInput();
    EXPECT_EQ(client.Wait(), 0);
}

TEST(MailClientProgram, AFolderThatCannotBeReadOrAWrongCommandLineEndsIt) {
    EXPECT_EQ(mailtest::RunMailClient({twtest::PrivateRoot() + "/missing.mbox"}), 1);
    EXPECT_EQ(mailtest::RunMailClient({}), 2);
    EXPECT_EQ(mailtest::RunMailClient({"--toolbar-images", "0", "x.mbox"}), 2);
    EXPECT_EQ(mailtest::RunMailClient({"--bogus", MailClientProcess::SampleFolder()}), 2);

    // A damaged folder is shown with what could be read.
    const std::string damaged = twtest::MakeTempDir("mbox") + "/damaged.mbox";
    std::string bytes = "Subject: no separator\n\nbody\n\n"
                        "From x Mon Dec  7 10:00:00 2026\n"
                        "Content-Type: multipart/mixed\n\n";
    bytes += std::string(1, '\0') + "\xFF";
    twtest::WriteFile(damaged, bytes);
    MailClientProcess client({damaged});
    ASSERT_TRUE(client.Ready());
    EXPECT_EQ(ListOf(client, "rows").size(), 2u);
}

TEST(MailClientProgram, TheShownWindowRunsTheSameScriptUnderTheQtLoop) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    MailClientProcess client({"--show", MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    EXPECT_EQ(win::FindWindow("Outlook Express Browser Class", ""), client.MainWindow());
    std::vector<std::string> events;
    ASSERT_EQ(client.Command("dblclick 2", &events), "ok");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], "event row 2 read");
    // A message from another process wakes the Qt loop and is carried out there.
    ASSERT_EQ(client.Command("select 1"), "ok");
    ASSERT_TRUE(win::PostMessage(client.MainWindow(), win::WM_COMMAND, kCmdForward, 0));
    EXPECT_EQ(client.ReadLine(), "event command 40180 handled-by-client forward 1");

    const std::string picture = twtest::MakeTempDir("shot") + "/mirror.png";
    ASSERT_EQ(client.Command("screenshot " + QuoteField(picture)), "ok");
    EXPECT_EQ(twtest::ReadFile(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(client.Command("quit"), "ok");
    EXPECT_EQ(client.Wait(), 0);
}

TEST(MailClientProgram, AScriptPipeOutlivesItsWriters) {
    const std::string fifo = twtest::MakeTempDir("fifo") + "/script";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    MailClientProcess client(
        {"--script", fifo, "--toolbar-images", "40", MailClientProcess::SampleFolder()}, false);
    ASSERT_TRUE(client.Ready());
    auto send = [&fifo](const std::string& line) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const std::string text = line + "\n";
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    };
    // One writer after the other, as "echo ... > pipe" does.
    send("toolbar-buttons");
    const std::vector<std::string> fields = SplitFields(client.ReadLine());
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[3], "40");
    EXPECT_EQ(fields[4], "40");
    send("select 0\nclick-toolbar 40176");
    EXPECT_EQ(client.ReadLine(), "ok");
    EXPECT_EQ(client.ReadLine(), "event command 40176 handled-by-client reply 0");
    EXPECT_EQ(client.ReadLine(), "ok");
    send("quit");
    EXPECT_EQ(client.ReadLine(), "ok");
    EXPECT_EQ(client.Wait(), 0);
}

// A hook installed from this process runs inside the client on its UI thread: the client's
// message loop is what a library hooked into it needs.
TEST(MailClientProgram, AHookFromAnotherProcessRunsOnTheClientsThread) {
    MailClientProcess client({MailClientProcess::SampleFolder()});
    ASSERT_TRUE(client.Ready());
    win::DWORD pid = 0;
    const win::DWORD thread = win::GetWindowThreadProcessId(client.MainWindow(), &pid);
    ASSERT_NE(thread, 0u);
    const win::HHOOK hook = win::SetWindowsHookEx(
        win::WH_GETMESSAGE, twtest::BinDir() + "/libtw_test_hook.so", "TestHookFirst", thread);
    ASSERT_NE(hook, 0u);
    ASSERT_TRUE(win::PostMessage(client.MainWindow(), win::WM_USER + 2, 5, 0));
    auto waitFor = [&](const std::string& wanted) {
        for (std::string line = client.ReadLine(); !line.empty(); line = client.ReadLine()) {
            if (line == wanted) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(waitFor("module loaded " + std::to_string(thread)));
    EXPECT_TRUE(waitFor("first 5 " + std::to_string(thread) + " 1"));
    EXPECT_TRUE(win::UnhookWindowsHookEx(hook));
    // The module is closed at the client's next retrieval outside a hook call.
    ASSERT_TRUE(win::PostMessage(client.MainWindow(), win::WM_NULL, 0, 0));
    EXPECT_TRUE(waitFor("module unloaded"));
    EXPECT_EQ(client.Command("quit").rfind("ok", 0), 0u);
}
