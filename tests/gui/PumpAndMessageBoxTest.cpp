// The Qt loop runs the GUI thread's platform queue, and message boxes appear on the GUI
// thread whoever asks for them.
#include "GuiTestEnv.h"

#include "gui/CGuiStartup.h"
#include "gui/CQtEventPump.h"
#include "gui/CQtMessageBox.h"
#include "platform/MsgBox.h"
#include "platform/Sync.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace guitest;

namespace {

// A window of the calling thread that counts what reaches it.
struct CountingWindow {
    std::atomic<int> hits{0};
    std::function<win::LRESULT(win::UINT)> onMessage;
    win::HWND hwnd = 0;

    explicit CountingWindow(const std::string& title = {}) {
        win::WindowDesc desc;
        desc.className = "TW_TEST_COUNTER";
        desc.title = title;
        hwnd = win::CreateWindow(
            desc, [this](win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) -> win::LRESULT {
                if (msg >= win::WM_USER) {
                    ++hits;
                    return onMessage ? onMessage(msg) : 0;
                }
                return 0;
            });
    }
    ~CountingWindow() { win::DestroyWindow(hwnd); }
};

QMessageBox* OpenBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

} // namespace

TEST(QtEventPump, MessagesFromOtherThreadsAreHandledInTheQtLoop) {
    CountingWindow window;
    ASSERT_NE(window.hwnd, 0u);
    std::thread poster([&] {
        for (int i = 0; i < 20; ++i) {
            win::PostMessage(window.hwnd, win::WM_USER + 1, 0, 0);
        }
    });
    win::LRESULT sent = 0;
    std::thread sender([&] { sent = win::SendMessage(window.hwnd, win::WM_USER + 2, 0, 0); });
    window.onMessage = [](win::UINT msg) { return msg == win::WM_USER + 2 ? 77 : 0; };
    EXPECT_TRUE(SpinUntil([&] { return window.hits == 21; }));
    poster.join();
    sender.join();
    EXPECT_EQ(sent, 77);
}

TEST(QtEventPump, QueueKeepsMovingWhileAModalBoxIsOpen) {
    CountingWindow window;
    std::atomic<win::LRESULT> sent{0};
    std::thread sender;
    // When the box is up, another thread sends to the GUI thread's window; the handler
    // answers and closes the box.
    window.onMessage = [](win::UINT) {
        if (QMessageBox* box = OpenBox()) {
            box->button(QMessageBox::Cancel)->click();
        }
        return 42;
    };
    QTimer::singleShot(50, [&] {
        sender = std::thread([&] { sent = win::SendMessage(window.hwnd, win::WM_USER, 0, 0); });
    });
    int answer = win::MessageBox(0, "Quit anyway?", "Tidewell", win::MB_OKCANCEL);
    sender.join();
    EXPECT_EQ(answer, win::IDCANCEL);
    EXPECT_EQ(sent, 42);
}

TEST(QtEventPump, PlatformTimersOfTheGuiThreadFire) {
    CountingWindow window;
    std::atomic<int> ticks{0};
    win::SetTimer(window.hwnd, 5, 15,
                  [&](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) { ++ticks; });
    EXPECT_TRUE(SpinUntil([&] { return ticks >= 3; }));
    win::KillTimer(window.hwnd, 5);
}

TEST(QtEventPump, QuitMessageEndsTheLoopWithItsCode) {
    win::DWORD gui = win::GetCurrentThreadId();
    std::thread poster([gui] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        win::PostThreadMessage(gui, win::WM_QUIT, 7, 0);
    });
    int code = QApplication::exec();
    poster.join();
    EXPECT_EQ(code, 7);
    ASSERT_NE(CQtEventPump::Instance(), nullptr);
    EXPECT_TRUE(CQtEventPump::Instance()->QuitSeen());
}

TEST(QtMessageBox, BoxOfAnotherThreadShowsOnTheGuiThreadAndWaits) {
    std::atomic<int> answer{0};
    std::atomic<bool> ownWindowReached{false};
    std::atomic<win::HWND> callerWindow{0};
    std::thread caller([&] {
        win::WindowDesc desc;
        desc.className = "TW_TEST_CALLER";
        win::HWND hwnd = win::CreateWindow(
            desc, [&](win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) -> win::LRESULT {
                if (msg == win::WM_USER + 9) {
                    ownWindowReached = true;
                    return 5;
                }
                return 0;
            });
        callerWindow = hwnd;
        answer = win::MessageBox(0, "Delete the message?", "Alert",
                                 win::MB_YESNO | win::MB_ICONQUESTION | win::MB_DEFBUTTON2);
        win::DestroyWindow(hwnd);
    });
    // The box runs its own loop on this thread; the checks run inside it.
    bool checked = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        QMessageBox* box = OpenBox();
        if (box == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        EXPECT_EQ(box->windowTitle(), "Alert");
        EXPECT_EQ(box->text(), "Delete the message?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        EXPECT_EQ(box->button(QMessageBox::Ok), nullptr);
        // The waiting thread still answers messages sent to its own window.
        win::LRESULT result = 0;
        std::thread third([&] { result = win::SendMessage(callerWindow, win::WM_USER + 9, 0, 0); });
        third.join();
        EXPECT_TRUE(ownWindowReached);
        EXPECT_EQ(result, 5);
        checked = true;
        box->button(QMessageBox::Yes)->click();
    });
    timer->start();
    ASSERT_TRUE(SpinUntil([&] { return answer != 0; }));
    EXPECT_TRUE(checked);
    caller.join();
    EXPECT_EQ(answer, win::IDYES);
}

TEST(QtMessageBox, OnceTheGuiIsClosedBoxesOfOtherThreadsAnswerTheirDefault) {
    // A core thread asks for a box after the loop has ended: it must not wait for it forever.
    std::atomic<bool> asking{false};
    std::atomic<int> answer{0};
    std::thread caller([&] {
        asking = true;
        answer = win::MessageBox(0, "Quit anyway?", "Alert", win::MB_OKCANCEL | win::MB_DEFBUTTON2);
    });
    while (!asking) {
        std::this_thread::yield();
    }
    CGuiStartup::MarkClosed(); // the loop is not run here: the box can only end this way
    caller.join();
    EXPECT_EQ(answer, win::IDCANCEL);
    std::thread later([&] { answer = win::MessageBox(0, "Later", "Alert", win::MB_OK); });
    later.join();
    EXPECT_EQ(answer, win::IDOK);
    // What was handed to the loop before it closed shows nothing when it runs after all.
    QCoreApplication::processEvents();
    EXPECT_EQ(OpenBox(), nullptr);
    CQtMessageBox::SetGuiClosed(false);
}

TEST(QtMessageBox, ButtonsIconsAndAnswers) {
    struct Case {
        unsigned type;
        std::vector<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton def;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {win::MB_OK | win::MB_ICONSTOP, {QMessageBox::Ok}, QMessageBox::Ok, QMessageBox::Critical},
        {win::MB_OKCANCEL | win::MB_ICONINFORMATION | win::MB_DEFBUTTON2,
         {QMessageBox::Ok, QMessageBox::Cancel},
         QMessageBox::Cancel,
         QMessageBox::Information},
        {win::MB_YESNOCANCEL | win::MB_ICONWARNING | win::MB_DEFBUTTON3,
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
         QMessageBox::Cancel,
         QMessageBox::Warning},
        {win::MB_RETRYCANCEL,
         {QMessageBox::Retry, QMessageBox::Cancel},
         QMessageBox::Retry,
         QMessageBox::NoIcon},
        {win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON2,
         {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore},
         QMessageBox::Retry,
         QMessageBox::NoIcon},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QMessageBox> box(CQtMessageBox::Build(nullptr, "text", "caption", c.type));
        EXPECT_EQ(box->buttons().size(), static_cast<qsizetype>(c.buttons.size()));
        for (auto b : c.buttons) {
            EXPECT_NE(box->button(b), nullptr) << c.type;
        }
        EXPECT_EQ(box->defaultButton(), box->button(c.def)) << c.type;
        EXPECT_EQ(box->icon(), c.icon) << c.type;
        // Closed without a button: the default answer.
        EXPECT_EQ(CQtMessageBox::Answer(*box, c.type), win::MessageBoxDefaultAnswer(c.type));
    }
    std::unique_ptr<QMessageBox> box(
        CQtMessageBox::Build(nullptr, "t", "c", win::MB_OK | win::MB_SYSTEMMODAL));
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Ok));
}
