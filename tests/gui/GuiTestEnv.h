// Shared set-up of the Qt tests: one QApplication (offscreen) with the platform queue pump,
// a scripted application object, and small dialogs that record what reaches them.
#pragma once

#include "gui/CDialogFactory.h"
#include "gui/CDlgBase.h"
#include "gui/IGuiApplication.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace guitest {

// Runs the Qt loop until `done` holds or `timeoutMs` passed; returns `done()`.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs the Qt loop for a while (lets queued work happen).
void Spin(int ms = 50);
// The text of the program log written so far.
std::string LogText();
// How often `needle` occurs in the log.
size_t LogCount(const std::string& needle);
// Where the screenshots go.
std::string ScreenshotFolder();

// Acts on the modal dialog of type T as soon as it is up; the watch ends with `owner`.
template <typename T> void WhenModal(QObject* owner, std::function<void(T*)> act) {
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

class FakeApp : public IGuiApplication {
public:
    int ShowRegistration() override {
        ++registrations;
        return registrationAnswer;
    }
    void SetLastUsedDate() override { ++lastUsedStamps; }
    void OnShutDown() override { ++shutdowns; }
    void OnForcedShutDown() override { ++forcedShutdowns; }
    unsigned AddMessageReference(const GuiSmsFields& fields) override {
        references.push_back(fields);
        return static_cast<unsigned>(references.size()) + 40;
    }
    bool ReadMailClientMessage(win::LPARAM message, GuiSmsFields& texts) override {
        if (message == 0) {
            return false;
        }
        texts = *reinterpret_cast<const GuiSmsFields*>(message);
        return true;
    }
    bool GetDispSystemTray() override { return systemTray; }
    bool GetDispAllowOneInstance() override { return oneInstance; }
    int GetSysTrayDefaultAction() override { return trayDefaultAction; }
    std::string GetAccountID() override { return accountId; }
    std::string GetAlertListbox() override { return alertListbox; }
    long GetTimeSpan() override { return timeSpan; }
    std::string GetLastUsed() override { return lastUsed; }
    std::string GetUsageReminderDisable() override { return reminderDisable; }
    void SetUsageReminderDisable(const std::string& value) override { reminderDisable = value; }
    std::string GetInstallRoot() override { return installRoot; }

    int registrationAnswer = 1;
    int registrations = 0;
    int lastUsedStamps = 0;
    std::atomic<int> shutdowns{0};
    std::atomic<int> forcedShutdowns{0};
    std::vector<GuiSmsFields> references;
    bool systemTray = true;
    bool oneInstance = false;
    int trayDefaultAction = 0;
    std::string accountId = "4711";
    std::string alertListbox = "1,1,1,1,1,1,1,1,1";
    long timeSpan = 5;
    std::string lastUsed; // empty: no reminder
    std::string reminderDisable = "0";
    std::string installRoot;
};

// A dialog that remembers its request and the commands sent to its window.
class TestDialog : public CDlgBase {
    Q_OBJECT

public:
    explicit TestDialog(const DialogRequest& request);
    ~TestDialog() override;

    DialogRequest request;
    std::vector<win::WPARAM> commands;
    int settingsChanges = 0;
    int timerTicks = 0;

    static int alive;

protected:
    void OnCommand(win::WPARAM command) override { commands.push_back(command); }
    void OnNotifyChangeSettings() override { ++settingsChanges; }
    void OnPlatformTimer(win::UINT_PTR) override { ++timerTicks; }
};

// A factory with a TestDialog for every kind the program has.
CDialogFactory MakeTestFactory();

} // namespace guitest
