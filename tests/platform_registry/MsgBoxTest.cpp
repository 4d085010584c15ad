// Message box back-ends: default answers, the scripted back-end and the console back-end.
#include "platform/MsgBox.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

using namespace win;

TEST(MsgBoxTest, DefaultButtonFollowsTypeAndDefaultFlag) {
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OK), IDOK);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OK | MB_DEFBUTTON2), IDOK);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OKCANCEL), IDOK);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING), IDNO);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_SYSTEMMODAL), IDCANCEL);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxButtons(MB_ABORTRETRYIGNORE),
              (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_EQ(MB_ICONSTOP, MB_ICONERROR);
}

TEST(MsgBoxTest, ScriptedBackendRecordsCallsAndAnswersFromItsQueue) {
    auto scripted = std::make_shared<ScriptedMessageBox>();
    SetMessageBoxBackend(scripted);
    scripted->PushAnswer(IDNO);
    EXPECT_EQ(MessageBox(42, "Delete it?", "Tidewell", MB_YESNO | MB_ICONQUESTION), IDNO);
    // An empty queue answers the default button.
    EXPECT_EQ(MessageBox(0, "Sure?", "Tidewell", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    std::thread other([] { MessageBox(7, "from a thread", "T", MB_OK); });
    other.join();
    auto calls = scripted->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].owner, 42u);
    EXPECT_EQ(calls[0].text, "Delete it?");
    EXPECT_EQ(calls[0].caption, "Tidewell");
    EXPECT_EQ(calls[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(calls[2].text, "from a thread");
    scripted->Clear();
    EXPECT_EQ(scripted->CallCount(), 0u);
    SetMessageBoxBackend(nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<ConsoleMessageBox>(GetMessageBoxBackend()), nullptr);
}

TEST(MsgBoxTest, ConsoleBackendPrintsCaptionAndTextAndAnswersTheDefault) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsoleMessageBox console(out);
    EXPECT_EQ(console.Show(0, "Messages are waiting", "Tidewell", MB_OKCANCEL | MB_DEFBUTTON2),
              IDCANCEL);
    std::rewind(out);
    char buffer[256] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    std::string text(buffer, n);
    EXPECT_NE(text.find("Tidewell"), std::string::npos) << text;
    EXPECT_NE(text.find("Messages are waiting"), std::string::npos) << text;
    EXPECT_NE(text.find("[Cancel]"), std::string::npos) << text;
}
