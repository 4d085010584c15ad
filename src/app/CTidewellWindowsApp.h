// The process object of the program: start-up, the GUI and its event loop, the message
// reference map, first-start signup, the quit requests and an orderly exit. It is the
// application the dialog manager talks to. It also answers the automation registration
// switches and keeps the automation object on the session bus from the start of start-up
// until the first step of exit.
#pragma once

#include "app/CCommandLine.h"
#include "app/CMsgRefMap.h"
#include "config/CQVRegClass.h"
#include "gui/CDialogFactory.h"
#include "gui/IGuiApplication.h"
#include "platform/Win.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>

class QApplication;
class CMgmtGUI;
class COutlookExpressWrapper;
class CLangTranslator;
class CMgmtSMS;
class CMgmtCore;
class CAppFolderHost;
class CTemplateHandler;
class CDllHandler;
class CWABManager;
class CRememberedEntries;
class CAutostart;
class CQVApplication;
class CAutomationServer;
namespace platform {
class InstanceLock;
}

class CTidewellWindowsApp : public IGuiApplication {
public:
    CTidewellWindowsApp(int argc, const char* const* argv);
    ~CTidewellWindowsApp() override;
    CTidewellWindowsApp(const CTidewellWindowsApp&) = delete;
    CTidewellWindowsApp& operator=(const CTidewellWindowsApp&) = delete;

    // True to run the message loop, false to end at once (ExitInstance still runs; the exit
    // code is then StartUpExitCode()).
    bool InitInstance();
    // 0, or non-zero when start-up failed for want of a display.
    int StartUpExitCode() const { return m_startUpExitCode; }
    // The Qt loop of the main thread (after a successful InitInstance); returns the exit
    // code of the quit message.
    int Run();
    // Orderly teardown in reverse order of creation; returns the exit code.
    int ExitInstance(int exitCode = 0);

    // Message reference map.
    std::uint32_t MSGRefAdd(const CMessageRecord& record) { return m_refMap.Add(record); }
    bool MSGRefRemove(std::uint32_t key) { return m_refMap.Remove(key); }
    bool SMSRefGetGuid(std::uint32_t key, CSMSRecord& out) const { return m_refMap.Get(key, out); }
    bool SMSRefGetGuid(std::uint32_t key, CMMSRecord& out) const { return m_refMap.Get(key, out); }

    // 1: an account exists; 2: first-start dialog accepted and registration succeeded;
    // 0: cancelled or failed.
    int ShowRegistration() override;
    void SetLastUsedDate() override;
    // Quit request that may be refused (non-empty outbox), and one that never is.
    void OnShutDown() override;
    void OnForcedShutDown() override;

    // The rest of what the dialog manager asks of the application.
    unsigned AddMessageReference(const GuiSmsFields& fields) override;
    bool ReadMailClientMessage(win::LPARAM message, GuiSmsFields& texts) override;
    bool GetDispSystemTray() override { return m_reg.GetDispSystemTray() != 0; }
    bool GetDispAllowOneInstance() override { return m_reg.GetDispAllowOneInstance() != 0; }
    int GetSysTrayDefaultAction() override {
        return static_cast<int>(m_reg.GetSysTrayDefaultAction());
    }
    std::string GetAccountID() override { return m_reg.GetAccountID(); }
    std::string GetAlertListbox() override { return m_reg.GetAlertListbox(); }
    long GetTimeSpan() override { return static_cast<long>(m_reg.GetTimeSpan()); }
    std::string GetLastUsed() override { return m_reg.GetLastUsed(); }
    std::string GetUsageReminderDisable() override { return m_reg.GetUsageReminderDisable(); }
    void SetUsageReminderDisable(const std::string& value) override {
        m_reg.SetUsageReminderDisable(value);
    }
    std::string GetInstallRoot() override { return m_reg.GetInstallRoot(); }

    // Folder of the program file, without trailing separator.
    std::string GetApplicationPath() const;
    // Mail-client edition: records the program folder as "InstallRoot" when neither the user
    // nor the machine names one, so that the hook library finds its text files.
    void EnsureInstallRoot();
    // InstallRoot setting, "/", file name.
    std::string GetInstallRootPath(const std::string& fileName);

    // Starting with the desktop: writes (true) or removes (false) the user's autostart entry,
    // which starts this program with the tray icon only. True on success. The options
    // dialog's "start with the desktop" setting calls it after storing its value.
    bool ApplyStartWithDesktop(bool on);
    std::function<bool(bool)> StartWithDesktopHook() {
        return [this](bool on) { return ApplyStartWithDesktop(on); };
    }
    // The autostart entry of this program (the executable that runs now).
    static CAutostart Autostart();
    // Whether the desktop session started this run ("--autostart").
    bool StartedWithDesktop() const override { return m_commandLine.StartedWithDesktop(); }

    CQVRegClass& Reg() { return m_reg; }
    const std::string& ResolvedVerb() const { return m_verb; }
    const std::string& PicturesFolder() const { return m_picturesFolder; }
    const std::string& MusicFolder() const { return m_musicFolder; }
    const std::string& VideosFolder() const { return m_videosFolder; }
    CLangTranslator* Translator() const { return m_translator.get(); }
    CMgmtSMS* Store() const { return m_store.get(); }
    CMgmtCore* Core() const { return m_core.get(); }
    CMgmtGUI* Gui() const { return m_gui.get(); }
    CTemplateHandler* Templates() const { return m_templates.get(); }
    // The country-code library (number conversion, home country, country list); null before
    // start-up reached it and after exit.
    CDllHandler* CountryCodes() const { return m_countryCodes.get(); }
    // The address book and the remembered recipient entries every compose dialog shares.
    CWABManager* AddressBook() const { return m_wab.get(); }
    CRememberedEntries* RememberedEntries() const { return m_remembered.get(); }
    // The home country's key as the library reported it at start-up.
    const std::string& HomeCountry() const { return m_homeCountry; }
    // The automation object on the session bus; null without a bus, before start-up reached
    // it and after exit.
    CAutomationServer* Automation() const { return m_automation.get(); }
    // Where the dialog kinds register their creators, before InitInstance.
    CDialogFactory& DialogFactory() { return m_dialogFactory; }

    // "LastUsed" text of a local time: "%d-%d-%d %d:%d" of day, month, year, hour, minute.
    static std::string FormatLastUsed(const std::tm& local);
    // Platform name and kernel release, "Unknown" when the query fails.
    static std::string OperatingSystemName();

    // How long a start waits for a running instance, which holds the instance lock, to
    // show its hidden window (during its first start, for instance).
    static constexpr int kWaitForFirstInstanceMs = 60000;

private:
    bool HandleGeneratorVerb();
    // The register and unregister switches; true when one was given (start-up then ends).
    bool HandleRegistrationSwitches();
    // Puts the automation object on the session bus; without one the program runs on.
    void RegisterAutomation();
    // Hands the verb to a running instance; false when there is none.
    bool ForwardToRunningInstance();
    // After the first-start signup: the autostart entry, unless the user's setting (default
    // on) says otherwise.
    void StartWithDesktopAfterSignup();
    // Tells the user once about folder files that were unreadable and kept aside.
    void ReportDamagedFolders();

    CCommandLine m_commandLine;
    // The arguments as QApplication wants them: a count and pointers that outlive it.
    std::string m_programName;
    char* m_qtArgv[2] = {nullptr, nullptr};
    int m_qtArgc = 1;
    std::string m_verb;
    CMsgRefMap m_refMap;
    std::unique_ptr<CQVApplication> m_automationObject;
    std::unique_ptr<CAutomationServer> m_automation;
    CQVRegClass m_reg;
    std::unique_ptr<platform::InstanceLock> m_instanceLock;
    std::unique_ptr<COutlookExpressWrapper> m_oeWrapper;
    std::shared_ptr<CLangTranslator> m_translator;
    std::unique_ptr<CDllHandler> m_countryCodes;
    std::unique_ptr<CWABManager> m_wab;
    std::unique_ptr<CRememberedEntries> m_remembered;
    std::shared_ptr<CMgmtSMS> m_store;
    std::unique_ptr<CMgmtCore> m_core;
    std::unique_ptr<CTemplateHandler> m_templates;
    std::unique_ptr<QApplication> m_qapp;
    CDialogFactory m_dialogFactory;
    std::unique_ptr<CAppFolderHost> m_folderHost;
    std::unique_ptr<CMgmtGUI> m_gui;
    std::int32_t m_mmsMode = 0;
    std::string m_picturesFolder;
    std::string m_musicFolder;
    std::string m_videosFolder;
    std::string m_homeCountry;
    int m_startUpExitCode = 0;
    bool m_registrationOpen = false;
    bool m_exited = false;
};
