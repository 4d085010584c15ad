// The welcome (first-start), About and usage-reminder windows, and the platform window every
// dialog carries.
#include "GuiTestEnv.h"

#include "common/LogCapture.h"
#include "common/TestEnv.h"
#include "gui/CDlgAbout.h"
#include "gui/CDlgRegWiz.h"
#include "gui/CDlgUsageReminder.h"
#include "gui/CGuiMessages.h"
#include "gui/CInfoPage.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace guitest;

namespace {

void WhenWizard(std::function<void(CDlgRegWiz*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<CDlgRegWiz*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

QStringList LabelNames(QWidget* page) {
    QStringList names;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (!label->objectName().isEmpty()) {
            names << label->objectName();
        }
    }
    return names;
}

} // namespace

TEST(FirstStart, NextRegistersTheAccount) {
    int stamps = 0;
    int registrations = 0;
    QString title;
    QString button;
    WhenWizard([&](CDlgRegWiz* wizard) {
        title = wizard->windowTitle();
        button = wizard->NextButton()->text();
        wizard->NextButton()->click();
    });
    int result = CDlgRegWiz::ShowRegistration(
        "", "", [&] { ++stamps; },
        [&] {
            ++registrations;
            return true;
        });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(registrations, 1);
    EXPECT_EQ(stamps, 1);
    EXPECT_EQ(title, "Welcome");
    EXPECT_EQ(button, "Next->");

    // Registration refused by the service.
    WhenWizard([](CDlgRegWiz* wizard) { wizard->NextButton()->click(); });
    EXPECT_EQ(CDlgRegWiz::ShowRegistration(
                  "", "", [] {}, [] { return false; }),
              0);
}

TEST(FirstStart, CancelRegistersNothingAndAnAccountSkipsTheWindow) {
    int registrations = 0;
    auto reg = [&] {
        ++registrations;
        return true;
    };
    WhenWizard([](CDlgRegWiz* wizard) { wizard->reject(); });
    size_t cancelled = LogCount("Registration cancelled");
    EXPECT_EQ(CDlgRegWiz::ShowRegistration(
                  "", "", [] {}, reg),
              0);
    EXPECT_EQ(LogCount("Registration cancelled"), cancelled + 1);
    EXPECT_EQ(registrations, 0);

    bool opened = false;
    WhenWizard([&](CDlgRegWiz* wizard) {
        opened = true;
        wizard->reject();
    });
    EXPECT_EQ(CDlgRegWiz::ShowRegistration(
                  "4711", "", [] {}, reg),
              1);
    Spin(50);
    EXPECT_FALSE(opened);
    EXPECT_EQ(registrations, 0);
    // Leave no timer behind for the other tests.
    CDlgRegWiz stray("");
    stray.setModal(true);
    stray.show();
    Spin(50);
    stray.hide();
}

TEST(FirstStart, LayoutFileDecidesWhichLinesAppear) {
    std::string root = twtest::MakeTempDir("install");
    CDlgRegWiz full("");
    QStringList all = LabelNames(full.Page());
    EXPECT_EQ(all.size(), 15);
    EXPECT_TRUE(all.contains("lblLink12"));

    twtest::WriteFile(root + "/firststart.cfg", "lblTitle,lblInfo2,lblInfo3,lblLink9,lblBullet13\n"
                                                "20,20,400,30\n1\n0\n0,0,0,0\n1\n");
    CDlgRegWiz partial(root);
    QStringList names = LabelNames(partial.Page());
    names.sort();
    EXPECT_EQ(names, QStringList({"lblBullet13", "lblInfo2", "lblTitle"}));
}

TEST(AboutWindow, TextsLinksAndLayout) {
    auto shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);
    CDlgAbout about("");
    EXPECT_EQ(about.windowTitle(), "About Tidewell Windows");
    QLabel* version = about.Page()->findChild<QLabel*>("lblVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->text().startsWith("Version: 2.0."));
    QLabel* link = about.Page()->findChild<QLabel*>("lblLink10");
    ASSERT_NE(link, nullptr);
    emit link->linkActivated("unused");
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("/help"), std::string::npos);
    platform::SetShellBackend(nullptr);

    std::string root = twtest::MakeTempDir("aboutroot");
    twtest::WriteFile(root + "/about.cfg", "lblTitle,lblVersion\n1\n1\n");
    CDlgAbout small(root);
    EXPECT_EQ(LabelNames(small.Page()).size(), 2);
}

TEST(DialogBase, PlatformWindowFollowsTheTitleAndGetsBroadcasts) {
    DialogRequest request;
    TestDialog dialog(request);
    dialog.SetTitle("Message Folders - Tidewell");
    win::HWND hwnd = win::FindWindow("", "Message Folders - Tidewell");
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(hwnd, dialog.PlatformWindow());
    EXPECT_EQ(CDlgBase::WidgetForWindow(hwnd), &dialog);

    std::thread([] {
        win::PostMessage(win::HWND_BROADCAST, CGuiMessages::Get().notifyChangeSettings, 0, 0);
    }).join();
    EXPECT_TRUE(SpinUntil([&] { return dialog.settingsChanges == 1; }));
    win::SetTimer(hwnd, 3, 10);
    EXPECT_TRUE(SpinUntil([&] { return dialog.timerTicks >= 2; }));
    win::KillTimer(hwnd, 3);
}

namespace {
class ThrowingDialog : public CDlgBase {
public:
    ThrowingDialog() : CDlgBase(nullptr, "ThrowingDialog") {}
    win::LRESULT OnPlatformMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM) override {
        if (msg == win::WM_USER + 1) {
            throw std::runtime_error("");
        }
        if (msg == win::WM_USER + 2) {
            throw std::string("a text exception");
        }
        return static_cast<win::LRESULT>(wParam);
    }
};

bool QuitPostedWith(int code) {
    win::MSG msg{};
    while (win::PeekMessage(&msg, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
        if (static_cast<int>(msg.wParam) == code) {
            return true;
        }
    }
    return false;
}
} // namespace

TEST(DialogBase, AnEscapedPlatformExceptionEndsTheProgramWithCodeOne) {
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    win::SetMessageBoxBackend(boxes);
    twtest::LogCapture log;
    ThrowingDialog dialog;

    win::SendMessage(dialog.PlatformWindow(), win::WM_USER + 2, 0, 0);
    EXPECT_TRUE(log.Has("CMgmtGUI::DlgThreadSession", "a text exception", LOG_SEV_ERROR));
    EXPECT_EQ(boxes->CallCount(), 0u) << "a text exception only ends the dialog's handling";
    EXPECT_FALSE(QuitPostedWith(1));

    win::SendMessage(dialog.PlatformWindow(), win::WM_USER + 1, 0, 0);
    EXPECT_TRUE(
        log.Has("CMgmtGUI::DlgThreadSession", "Caught CException: No description", LOG_SEV_ERROR));
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_NE(boxes->Calls()[0].text.find("Closing application"), std::string::npos);
    EXPECT_EQ(boxes->Calls()[0].type & win::MB_ICONMASK, win::MB_ICONSTOP);
    EXPECT_TRUE(QuitPostedWith(1));
    win::SetMessageBoxBackend(nullptr);
}

TEST(Screenshots, WelcomeAboutAndReminder) {
    std::string folder = ScreenshotFolder();
    CDlgRegWiz wizard("");
    wizard.show();
    Spin(50);
    EXPECT_TRUE(wizard.grab().save(QString::fromStdString(folder + "/firststart.png")));
    CDlgAbout about("");
    about.show();
    Spin(50);
    EXPECT_TRUE(about.grab().save(QString::fromStdString(folder + "/about.png")));
    FakeApp app;
    CDlgUsageReminder reminder(app);
    reminder.show();
    Spin(50);
    EXPECT_TRUE(reminder.grab().save(QString::fromStdString(folder + "/usagereminder.png")));
}
