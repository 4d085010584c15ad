#include "GuiTestEnv.h"

#include "log/LogManager.h"
#include "common/TestEnv.h"
#include "gui/CGuiStartup.h"
#include "language/CLangEdition.h"
#include "language/CMgmtBranding.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace guitest {
namespace {

// The offscreen platform reports every window operation it cannot do; those lines say
// nothing about the program.
void QuietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || text.startsWith("This plugin does not support")) {
        return;
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler(QuietHandler);
        CLogManager::Instance().SetMinimumSeverity(LOG_SEV_TRACE);
        CMgmtBranding::Instance().Start(CLangEdition(), "");
        m_app = CGuiStartup::TryCreateApplication(m_argc, m_argv);
        ASSERT_NE(m_app, nullptr);
    }
    void TearDown() override {
        CGuiStartup::Shutdown();
        m_app.reset();
    }

private:
    int m_argc = 1;
    char m_name[16] = "gui_qt_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

const auto* g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

bool SpinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

std::string LogText() {
    return twtest::ReadFile(CLogManager::Instance().FilePath());
}

size_t LogCount(const std::string& needle) {
    std::string text = LogText();
    size_t count = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos;
         pos = text.find(needle, pos + 1)) {
        ++count;
    }
    return count;
}

std::string ScreenshotFolder() {
    std::string folder = twtest::BinDir() + "/screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

int TestDialog::alive = 0;

TestDialog::TestDialog(const DialogRequest& r) : request(r) {
    ++alive;
    SetTitle("Test dialog " + std::to_string(r.type));
    resize(200, 100);
}

TestDialog::~TestDialog() {
    --alive;
}

CDialogFactory MakeTestFactory() {
    CDialogFactory factory;
    for (int type : {0, 1, 2, 3, 4, 5, 7, 8}) {
        factory.Register(type, [](const DialogRequest& r) { return new TestDialog(r); });
    }
    return factory;
}

} // namespace guitest
