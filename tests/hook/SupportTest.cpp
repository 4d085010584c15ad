// The support classes of the hook library: thread start-up handshake, window threads and
// dispatch, window classes, exception texts and reports, whole-file reads, registry reads.
#include "hook/support/Exception/QFileException.h"
#include "hook/support/Exception/QWinException.h"
#include "hook/support/File/QFile.h"
#include "hook/support/Synchronization/QEvent.h"
#include "hook/support/System/QRegEdit.h"
#include "hook/support/System/QThread.h"
#include "hook/support/Window/QWinClass.h"
#include "hook/support/Window/QWinThread.h"

#include "common/TestEnv.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"

#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>

using namespace qsupport;

namespace {

class StartThread : public QThread {
public:
    explicit StartThread(bool answer, bool raise = false) : m_answer(answer), m_raise(raise) {}
    ~StartThread() override { StopAndWait(); }

    int initCalls = 0;         // written on the new thread before CreateThread returns
    win::DWORD initThread = 0; // the thread InitInstance ran on
    std::atomic<int> exitCalls{0};

protected:
    bool InitInstance(void* parameter) override {
        ++initCalls;
        initThread = win::GetCurrentThreadId();
        if (parameter != nullptr) {
            *static_cast<int*>(parameter) = 42;
        }
        if (m_raise) {
            throw QWinException(kWinCreateWindow, "StartThread::InitInstance", 0);
        }
        return m_answer;
    }
    void ExitInstance() override { ++exitCalls; }

private:
    bool m_answer;
    bool m_raise;
};

int AbortCode(QThread& thread) {
    try {
        thread.CreateThread();
    } catch (const QWinException& e) {
        return e.Code();
    }
    return 0;
}

TEST(QThreadTest, CreateThreadReturnsAfterInitInstanceRanOnTheNewThread) {
    StartThread thread(true);
    int parameter = 0;
    ASSERT_TRUE(thread.CreateThread(nullptr, 0, 0, &parameter));
    EXPECT_EQ(thread.initCalls, 1);
    EXPECT_EQ(parameter, 42);
    EXPECT_NE(thread.initThread, win::GetCurrentThreadId());
    EXPECT_EQ(thread.initThread, thread.GetThreadId());
    EXPECT_TRUE(thread.IsAlive());
    // The default Run is the message loop: a quit message ends it with its exit code.
    ASSERT_TRUE(win::PostThreadMessage(thread.GetThreadId(), win::WM_QUIT, 7, 0));
    EXPECT_TRUE(thread.Wait());
    EXPECT_EQ(thread.ExitCode(), 7);
    EXPECT_EQ(thread.exitCalls.load(), 1);
    EXPECT_FALSE(thread.IsAlive());
}

TEST(QThreadTest, AStartThatInitInstanceRefusesOrRaisesIsCode7003) {
    StartThread refused(false);
    EXPECT_EQ(AbortCode(refused), kWinThreadAborted);
    EXPECT_EQ(refused.initCalls, 1);
    EXPECT_EQ(refused.exitCalls.load(), 0);
    EXPECT_FALSE(refused.IsAlive());
    EXPECT_EQ(refused.ExitCode(), -2);

    StartThread raising(true, true);
    EXPECT_EQ(AbortCode(raising), kWinThreadAborted);
    EXPECT_FALSE(raising.IsAlive());
}

TEST(QThreadTest, ASuspendedThreadRunsOnlyAfterResume) {
    class Counting : public QThread {
    public:
        ~Counting() override { StopAndWait(); }
        std::atomic<int> runs{0};

    protected:
        int Run() override {
            ++runs;
            return 3;
        }
    } thread;
    ASSERT_TRUE(thread.CreateThread(nullptr, 0, QThread::kCreateSuspended));
    EXPECT_EQ(thread.runs.load(), 0);
    thread.ResumeThread();
    EXPECT_TRUE(thread.Wait());
    EXPECT_EQ(thread.runs.load(), 1);
    EXPECT_EQ(thread.ExitCode(), 3);
}

class EchoWindow : public QWinThread {
public:
    explicit EchoWindow(std::string className) : m_className(std::move(className)) {}
    ~EchoWindow() override {
        if (IsAlive()) {
            win::PostMessage(GetHwnd(), win::WM_CLOSE, 0, 0);
        }
        Wait();
    }
    std::atomic<bool> sawCreate{false};
    std::atomic<bool> createdHook{false};

protected:
    void PreCreate(CreateParams& params) override {
        params.className = m_className;
        params.windowName = "Echo";
        params.width = 200;
        params.height = 150;
    }
    void OnWindowCreated() override { createdHook = win::IsWindow(GetHwnd()); }
    bool OnMessage(win::UINT message, win::WPARAM wParam, win::LPARAM,
                   win::LRESULT& result) override {
        if (message == win::WM_CREATE) {
            sawCreate = true;
            return false;
        }
        if (message == win::WM_USER + 1) {
            result = static_cast<win::LRESULT>(wParam) * 3;
            return true;
        }
        if (message == win::WM_USER + 2) {
            throw QGenException(1, "raised in a handler", "EchoWindow::OnMessage");
        }
        if (message == win::WM_CLOSE) {
            win::PostQuitMessage(0);
            return true;
        }
        return false;
    }

private:
    std::string m_className;
};

TEST(QWinThreadTest, TheWindowExistsWhenCreateThreadReturnsAndDispatchReachesTheObject) {
    QWinClass windowClass;
    windowClass.Register("EchoClass", nullptr);
    EchoWindow window("echoclass"); // class names compare without regard to case
    ASSERT_TRUE(window.CreateThread());
    const win::HWND hwnd = window.GetHwnd();
    ASSERT_NE(hwnd, 0u);
    EXPECT_TRUE(win::IsWindow(hwnd));
    EXPECT_EQ(win::GetWindowThreadProcessId(hwnd, nullptr), window.GetThreadId());
    EXPECT_TRUE(window.sawCreate.load());
    EXPECT_TRUE(window.createdHook.load());
    EXPECT_EQ(QWinBase::FromHandle(hwnd), &window);
    EXPECT_EQ(win::SendMessage(hwnd, win::WM_USER + 1, 5, 0), 15);
    // A handler that raises: the dispatching procedure catches it and answers 0.
    EXPECT_EQ(win::SendMessage(hwnd, win::WM_USER + 2, 0, 0), 0);
    EXPECT_EQ(win::SendMessage(hwnd, win::WM_USER + 1, 2, 0), 6);
    ASSERT_TRUE(win::PostMessage(hwnd, win::WM_CLOSE, 0, 0));
    EXPECT_TRUE(window.Wait());
    EXPECT_FALSE(win::IsWindow(hwnd)); // destroyed on its own thread on the way out
    EXPECT_EQ(QWinBase::FromHandle(hwnd), nullptr);
}

TEST(QWinThreadTest, AnUnregisteredClassAbortsTheStart) {
    EchoWindow window("NoSuchClass");
    EXPECT_EQ(AbortCode(window), kWinThreadAborted);
    EXPECT_EQ(window.GetHwnd(), 0u);
}

TEST(QWinClassTest, ANameIsRegisteredOnceUntilItsOwnerGoes) {
    {
        QWinClass first;
        first.Register("TwiceClass", nullptr);
        QWinClass second;
        try {
            second.Register("TWICECLASS", nullptr);
            ADD_FAILURE() << "second registration accepted";
        } catch (const QWinException& e) {
            EXPECT_EQ(e.Code(), kWinRegisterClass);
            EXPECT_EQ(e.Text(), "Failed to register window class.");
        }
        EXPECT_TRUE(static_cast<bool>(QWinClass::Lookup("twiceclass")));
    }
    EXPECT_FALSE(static_cast<bool>(QWinClass::Lookup("TwiceClass")));
    QWinClass again;
    again.Register("TwiceClass", nullptr);
    again.Unregister();
    try {
        again.Unregister();
        ADD_FAILURE() << "second unregister accepted";
    } catch (const QWinException& e) {
        EXPECT_EQ(e.Code(), kWinUnregisterClass);
        EXPECT_EQ(e.Text(), "Unregister of the window class failed");
    }
}

TEST(QExceptionTest, TextsComeFromTheTableAndTheReportShowsCodeErrorAndDescription) {
    QWinException aborted(kWinThreadAborted, "QThread::CreateThread", 0);
    EXPECT_EQ(aborted.Text(),
              "Thread terminated in startup. This is an client generated termination.");
    EXPECT_EQ(aborted.Function(), "QThread::CreateThread");
    EXPECT_EQ(QWinException(kWinSyncEvents, "f", 0).Text(),
              "Syncronization events could not be created.");
    EXPECT_EQ(QWinException(kWinCreateWindow, "f", 0).Text(),
              "Failed to create window. CreateWindowEx or CreateMDIWindow returned NULL.");
    EXPECT_EQ(QWinException(9999, "f", 0).Text(), "Unknown error.");

    auto backend = std::make_shared<win::ScriptedMessageBox>();
    win::SetMessageBoxBackend(backend);
    QFileException missing(kFileOpen, "/no/such", "QFile::Open", ENOENT);
    missing.Report();
    QGenException odd(5, "odd", "f", 123456);
    odd.Report();
    win::SetMessageBoxBackend(nullptr);
    const auto calls = backend->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].caption, "ERROR");
    EXPECT_EQ(calls[0].text, "App Error Code: 4001\nError Code: 0x00000002\n"
                             "Error description: No such file or directory");
    EXPECT_EQ(calls[1].text, "App Error Code: 5\nError Code: 0x0001E240\n"
                             "Error description: No Error Message for this Error!");
}

TEST(QExceptionTest, AnnotationsRecordTheWayUp) {
    QGenException e(1, "t", "f");
    e.Annotate("a.cpp", "Outer", 10);
    e.Annotate("b.cpp", "Outermost", 20);
    ASSERT_EQ(e.Annotations().size(), 2u);
    EXPECT_EQ(e.Annotations()[0], "a.cpp(10): Outer");
    EXPECT_EQ(e.Annotations()[1], "b.cpp(20): Outermost");
}

int FileErrorCode(const std::string& path) {
    try {
        QFile file;
        file.Open(path);
        file.ReadAll();
    } catch (const QFileException& e) {
        EXPECT_EQ(e.Path(), path);
        return e.Code();
    }
    return 0;
}

TEST(QFileTest, ReadsAWholeFileAndRaisesForMissingFilesAndFolders) {
    const std::string dir = twtest::MakeTempDir("qfile");
    std::string content(20000, 'x');
    content += "\r\nend";
    twtest::WriteFile(dir + "/a.txt", content);
    QFile file;
    file.Open(dir + "/a.txt");
    EXPECT_EQ(file.ReadAll(), content);
    EXPECT_EQ(file.ReadAll(), content); // from the start again
    EXPECT_EQ(FileErrorCode(dir + "/missing.txt"), kFileOpen);
    EXPECT_EQ(FileErrorCode(dir), kFileOpen);
}

TEST(QRegEditTest, ReadsTextValuesAndRaisesForMissingKeysAndValues) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, "Software\\QRegEditTest"));
    ASSERT_TRUE(key.SetString("Name", "value"));
    ASSERT_TRUE(key.SetDWORD("Number", 3));
    QRegEdit reg;
    reg.Open(QRegEdit::Hive::CurrentUser, "Software\\QRegEditTest");
    EXPECT_EQ(reg.ReadString("name"), "value");
    for (const char* name : {"Number", "Missing"}) {
        try {
            reg.ReadString(name);
            ADD_FAILURE() << name;
        } catch (const QGenException& e) {
            EXPECT_EQ(e.Code(), kGenRegistryRead);
        }
    }
    QRegEdit missing;
    try {
        missing.Open(QRegEdit::Hive::LocalMachine, "Software\\QRegEditTest");
        ADD_FAILURE() << "machine key opened";
    } catch (const QGenException& e) {
        EXPECT_EQ(e.Code(), kGenRegistryOpen);
    }
}

} // namespace
