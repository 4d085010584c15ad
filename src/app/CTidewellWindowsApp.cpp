#include "app/CTidewellWindowsApp.h"

#include "app/CAppFolderHost.h"
#include "app/CAutostart.h"
#include "app/CCoreRegSettings.h"
#include "app/CEditionValues.h"
#include "app/ComposeWiring.h"
#include "app/OptionsWiring.h"
#include "automation/CAutomationRegistration.h"
#include "automation/CAutomationServer.h"
#include "automation/CQVApplication.h"
#include "compose/CAddressBookLocation.h"
#include "compose/CAddressBookWindow.h"
#include "compose/CDlgNewSMS.h"
#include "compose/CDllHandler.h"
#include "compose/CRememberedEntries.h"
#include "compose/CWABManager.h"
#include "core/CMgmtCore.h"
#include "core/CQVClientCoreLib.h"
#include "folders/CFolderDialogs.h"
#include "gui/CDlgRegWiz.h"
#include "gui/CGuiStartup.h"
#include "gui/CGuiText.h"
#include "gui/CMgmtGUI.h"
#include "gui/CQtEventPump.h"
#include "gui/GuiDefs.h"
#include "language/CLangTranslator.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "oebridge/COutlookExpressWrapper.h"
#include "oebridge/SmsMessage.h"
#include "options/CDlgOptions.h"
#include "platform/InstanceLock.h"
#include "platform/MsgBox.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/StringUtil.h"
#include "templates/CTemplateHandler.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/utsname.h>
#include <thread>

namespace {

const char* const kApp = "CTidewellWindowsApp::InitInstance";

const char* const kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

} // namespace

CTidewellWindowsApp::CTidewellWindowsApp(int argc, const char* const* argv)
    : m_commandLine(argc, argv),
      m_programName(argc > 0 && argv[0] != nullptr ? argv[0] : "tidewell") {
    // Only the program name goes to Qt: the verbs are the program's own, and Qt would take
    // some of them ("-display", "-style", ...) for itself.
    m_qtArgv[0] = m_programName.data();
}

CTidewellWindowsApp::~CTidewellWindowsApp() {
    if (!m_exited) {
        ExitInstance();
    }
    Log("CTidewellWindowsApp::~CTidewellWindowsApp", "Quitting application", LOG_CAT_APPLICATION,
        LOG_SEV_ERROR);
    Log("CTidewellWindowsApp::~CTidewellWindowsApp", std::string(80, '*'), LOG_CAT_APPLICATION,
        LOG_SEV_ERROR);
    m_refMap.Clear();
}

std::string CTidewellWindowsApp::OperatingSystemName() {
    struct utsname info {};
    if (::uname(&info) != 0) {
        Log("CTidewellWindowsApp::GetOsVersion", "Error in GetVersionEx", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR, true);
        return "Unknown";
    }
    return std::string(info.sysname) + " " + info.release;
}

std::string CTidewellWindowsApp::FormatLastUsed(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
}

std::string CTidewellWindowsApp::GetApplicationPath() const {
    return platform::ProgramFolder();
}

void CTidewellWindowsApp::EnsureInstallRoot() {
    // The hook library reads its text files from "InstallRoot" and stays inactive without
    // one. No installer writes it here: the program folder, where the language files lie,
    // is recorded for this user unless the user or the machine already names a folder.
    if (!m_reg.GetInstallRoot().empty()) {
        return;
    }
    platform::RegKey key;
    const std::string folder = GetApplicationPath();
    if (key.Create(platform::RegRoot::CurrentUser, CEditionValues::Get().rootKey) &&
        key.SetString("InstallRoot", folder)) {
        Log(kApp, "InstallRoot set to the program folder " + folder, LOG_CAT_APPLICATION,
            LOG_SEV_INFO);
    } else {
        Log(kApp, "Could not record the program folder as InstallRoot", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
    }
}

std::string CTidewellWindowsApp::GetInstallRootPath(const std::string& fileName) {
    return platform::ToNativePath(m_reg.GetInstallRoot() + "\\" + fileName);
}

void CTidewellWindowsApp::SetLastUsedDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    m_reg.SetLastUsed(FormatLastUsed(local));
}

bool CTidewellWindowsApp::InitInstance() {
    // 1-3. Command line (parsed at construction). The registration switches are answered
    // before anything goes on the bus: a start that only registers must not take the name
    // (and with it a call meant for a running program).
    if (HandleRegistrationSwitches()) {
        return false;
    }

    // 4. Log verbosity.
    const int logLevel = static_cast<int>(m_reg.GetLogLevel());
    CLogManager::Instance().SetFileLevel(&logLevel);
    if (platform::EqualsNoCase(m_commandLine.Verb(), "debug")) {
        CLogManager::Instance().SetMinimumSeverity(LOG_SEV_TRACE);
    }

    // 5.
    Log(kApp, "****** Initializing application *******", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    Log(kApp, "****** Running on a " + OperatingSystemName() + " system ******",
        LOG_CAT_APPLICATION, LOG_SEV_ERROR);

    // 6. The hook library decides the edition and with it every settings root.
    m_oeWrapper = std::make_unique<COutlookExpressWrapper>(GetApplicationPath());
    const bool outlookExpress = m_oeWrapper->Load();
    CEditionValues::Select(outlookExpress);
    const EditionValues& edition = CEditionValues::Get();
    CQVRegClass::RootPaths roots;
    roots.rootWithSeparator = edition.rootKeyWithSeparator;
    roots.root = edition.rootKey;
    roots.core = edition.coreKey;
    roots.debug = edition.debugKey;
    roots.accounts = edition.accountsKey;
    roots.countryCode = edition.countryCodeKey;
    m_reg.SetRootPaths(roots);

    // 7.
    m_verb = CCommandLine::ResolveVerb(m_commandLine.Verb(),
                                       [this] { return m_reg.GetDispStartupAction(); });

    // 8. Single instance. One process per user runs the store and the core: it holds the
    // instance lock. A start that cannot take it hands its verb to the holder's hidden
    // window, waiting for that window while the holder is still starting.
    const auto waitStart = std::chrono::steady_clock::now();
    for (;;) {
        m_instanceLock = platform::InstanceLock::TryAcquire("tidewell");
        if (m_instanceLock) {
            break;
        }
        if (ForwardToRunningInstance()) {
            return false;
        }
        if (std::chrono::steady_clock::now() - waitStart >
            std::chrono::milliseconds(kWaitForFirstInstanceMs)) {
            Log(kApp,
                "Another instance holds the instance lock but shows no window; this start "
                "ends without running a second one",
                LOG_CAT_APPLICATION, LOG_SEV_ERROR);
            std::fprintf(stderr, "tidewell: another instance is starting; try again later\n");
            m_startUpExitCode = 1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // An instance of an earlier version may run without the lock.
    if (ForwardToRunningInstance()) {
        m_instanceLock.reset();
        return false;
    }
    // 9.
    if (CCommandLine::IsShutdownVerb(m_verb)) {
        return false;
    }
    const CLangEdition langEdition(edition.productName, edition.version, outlookExpress);
    CMgmtBranding::Instance().Start(langEdition, m_reg.GetInstallRoot(), GetApplicationPath());

    // 10.
    if (HandleGeneratorVerb()) {
        return false;
    }

    // Everything from here on needs the GUI: without a display the start ends here, with
    // the reason in the log and on standard error.
    m_qapp = CGuiStartup::TryCreateApplication(m_qtArgc, m_qtArgv);
    if (!m_qapp) {
        m_startUpExitCode = 1;
        return false;
    }
    // Only the instance that runs the program goes on the bus: a start that forwards its verb,
    // shuts down or writes a generated file never touches it. Qt's bus connection needs the
    // application object: without one its connection thread is left behind at exit.
    RegisterAutomation();

    // 11. Language tables; later files override earlier ones.
    m_translator = std::make_shared<CLangTranslator>(langEdition);
    const std::string folder = GetApplicationPath();
    m_translator->ParseFile(folder + "/twd.lang");
    m_translator->ParseFile(folder + "/twdcompany.lang");
    if (outlookExpress) {
        m_translator->ParseFile(folder + "/twox.lang");
        m_translator->ParseFile(folder + "/twoxcompany.lang");
        std::string hookVersion;
        if (m_oeWrapper->GetDllVersion(hookVersion)) {
            m_translator->SetHookVersion(hookVersion);
        }
    }
    CGuiText::SetTranslator(m_translator.get());

    // 12. The country-code library, given the settings key where it keeps the home country.
    // Start-up goes on without it: then no number converts (logged by the handler).
    m_countryCodes = std::make_unique<CDllHandler>(folder);
    if (m_countryCodes->Load()) {
        m_countryCodes->Init(edition.countryCodeKey);
        m_countryCodes->RefreshHomeCountry();
    }
    m_homeCountry = m_countryCodes->HomeCountry();
    // The address book (a missing one leaves it closed) and the remembered entries.
    m_wab = std::make_unique<CWABManager>();
    m_wab->SetNumberConverter(m_countryCodes.get());
    m_wab->Initialize(CAddressBookLocation::Resolve(m_reg));
    m_remembered = std::make_unique<CRememberedEntries>(CRememberedEntries::DefaultPath(m_reg));
    m_remembered->Load();

    // 13. Message store, then the core manager; when the messaging core does not initialise
    // (the core manager has shown the critical error), start-up ends.
    m_store =
        std::make_shared<CMgmtSMS>(platform::ToNativePath(m_reg.GetAppDataFolder() + "\\TWD"));
    ReportDamagedFolders();
    m_core = std::make_unique<CMgmtCore>(std::make_shared<CCoreRegSettings>(m_reg), m_store,
                                         m_translator, edition.productName, edition.applicationId,
                                         edition.accountsKey, std::make_shared<CQVClientCoreLib>());
    if (!m_core->IsInitialised()) {
        return false;
    }

    // 14. First-start signup; its result does not stop start-up. A start with the desktop
    // shows no window: the signup then waits for the first window the user asks for.
    if (StartedWithDesktop()) {
        Log(kApp, "Started with the desktop: only the tray icon is shown", LOG_CAT_APPLICATION,
            LOG_SEV_INFO);
        if (m_reg.GetDefaultAccount().empty()) {
            Log(kApp, "No account yet: the first-start window waits for the first request",
                LOG_CAT_APPLICATION, LOG_SEV_INFO);
        }
    } else {
        ShowRegistration();
    }

    // 15. The user's picture, music and video folders.
    m_picturesFolder = m_reg.ReadString("", kShellFoldersKey, "My Pictures");
    m_musicFolder = m_reg.ReadString("", kShellFoldersKey, "My Music");
    m_videosFolder = m_reg.ReadString("", kShellFoldersKey, "My Videos");
    if (m_picturesFolder.empty()) {
        m_picturesFolder = platform::UserFolder("PICTURES");
    }
    if (m_musicFolder.empty()) {
        m_musicFolder = platform::UserFolder("MUSIC");
    }
    if (m_videosFolder.empty()) {
        m_videosFolder = platform::UserFolder("VIDEOS");
    }

    // The template store and the recipients of the compose dialogs.
    m_templates = std::make_unique<CTemplateHandler>(
        platform::ToNativePath(m_reg.GetAppDataFolder() + "\\TWD"), GetApplicationPath(), [this] {
            win::MessageBox(0, "Access Denied",
                            m_translator->Translate("Alert.txtMessageBoxTitle", "<appname>"),
                            win::MB_OK);
            OnForcedShutDown();
        });
    CDlgNewSMS::Register(m_dialogFactory, [this] { return MakeComposeServices(*this); });
    CDlgOptions::Register(m_dialogFactory, [this] { return MakeOptionsServices(*this); });

    // 16. The dialog manager with the hidden window that receives every request, the tray
    // icon and the dialogs asked for on the command line.
    m_folderHost = std::make_unique<CAppFolderHost>(*this);
    CFolderDialogs::Register(m_dialogFactory, *m_folderHost);
    m_gui = std::make_unique<CMgmtGUI>(m_verb, *this, m_dialogFactory);
    if (!m_gui->IsInitialized()) {
        Log(kApp, "Failed to create GUI main window", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return false;
    }
    // The program's address book window answers "QVShowAddressBook" and shows the details
    // of address-book entries.
    CAddressBookWindow::Install(*m_gui, *m_wab);

    // 17. Outlook Express edition: hand the library the MMS mode and the callback window.
    if (outlookExpress) {
        EnsureInstallRoot();
        m_mmsMode = static_cast<std::int32_t>(m_reg.GetMMSMode());
        m_oeWrapper->SetMmsMode(m_mmsMode);
        m_oeWrapper->RegisterCallbackWindow(m_gui->HiddenWindow());
        std::string version;
        m_oeWrapper->GetDllVersion(version);
    }
    // The windows are there: automation calls, also those that arrived during start-up, open
    // their dialogs from now on.
    if (m_automation) {
        m_automation->Serve();
    }
    return true;
}

bool CTidewellWindowsApp::HandleRegistrationSwitches() {
    if (m_commandLine.UnregisterServer()) {
        CAutomationRegistration::Unregister();
        return true;
    }
    if (m_commandLine.RegisterServer()) {
        std::error_code ec;
        std::string program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
        if (ec) {
            Log(kApp, "The program file is unknown: " + ec.message(), LOG_CAT_APPLICATION,
                LOG_SEV_ERROR);
            m_startUpExitCode = 1;
            return true;
        }
        if (!CAutomationRegistration::Register(program)) {
            m_startUpExitCode = 1;
        }
        return true;
    }
    return false;
}

void CTidewellWindowsApp::RegisterAutomation() {
    CQVApplication::Host host;
    host.convertNumber = [this](const std::string& number) {
        return m_countryCodes ? m_countryCodes->ConvertToMsisdn(number) : std::string();
    };
    host.msgRefAdd = [this](const CMessageRecord& record) { return MSGRefAdd(record); };
    m_automationObject = std::make_unique<CQVApplication>(std::move(host));
    m_automation = std::make_unique<CAutomationServer>(*m_automationObject);
    // Without a bus (logged) the program runs without automation. A name that belongs to
    // another process leaves this start queued behind it; the single-instance check below
    // hands the verb to that running instance.
    if (m_automation->Register() == CAutomationServer::State::NotRegistered) {
        m_automation.reset();
    }
}

bool CTidewellWindowsApp::ForwardToRunningInstance() {
    win::HWND first = win::FindWindow("", gui::kHiddenWindowTitle);
    if (first == 0) {
        return false;
    }
    // The desktop session starts the program at every login: a running instance has nothing
    // to show for that.
    if (StartedWithDesktop()) {
        Log(kApp, "Started with the desktop while an instance runs: nothing to do",
            LOG_CAT_APPLICATION, LOG_SEV_INFO);
        return true;
    }
    std::uint32_t plain = 0;
    std::string name = CCommandLine::ForwardMessageName(m_verb, &plain);
    win::UINT message = plain != 0 ? plain : win::RegisterWindowMessage(name);
    win::PostMessage(first, message, 0, 0);
    win::SetForegroundWindow(first);
    Log(kApp, "Forwarded \"" + m_verb + "\" to the running instance", LOG_CAT_APPLICATION,
        LOG_SEV_INFO);
    return true;
}

CAutostart CTidewellWindowsApp::Autostart() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        program = std::filesystem::path(platform::ProgramFolder()) / "tidewell";
    }
    return CAutostart(TW_DESKTOP_ID, program.string(), "Tidewell",
                      "Send SMS text messages from the notification area", TW_DESKTOP_ID);
}

bool CTidewellWindowsApp::ApplyStartWithDesktop(bool on) {
    return Autostart().Apply(on);
}

void CTidewellWindowsApp::StartWithDesktopAfterSignup() {
    const CQVRegClass::DWORD wanted =
        m_reg.ReadDWORD(1, m_reg.GetRootPaths().rootWithSeparator, CAutostart::kSettingName);
    if (wanted == 0) {
        Log("CTidewellWindowsApp::StartWithDesktopAfterSignup",
            "The user does not want to start with the desktop", LOG_CAT_APPLICATION, LOG_SEV_INFO);
        return;
    }
    ApplyStartWithDesktop(true); // a failure is logged, not shown
}

void CTidewellWindowsApp::ReportDamagedFolders() {
    std::vector<std::string> damaged = m_store->DamagedFiles();
    if (damaged.empty()) {
        return;
    }
    std::string files;
    for (const std::string& path : damaged) {
        files += "\n" + path;
    }
    std::string text = m_translator->Translate(
        "TWD.FolderFileDamaged",
        "A message folder file could not be read and was kept aside, so nothing in it is "
        "lost:<newline>");
    win::MessageBox(0, text + files, m_translator->Translate("TWD.AppName", "<appname>"),
                    win::MB_OK | win::MB_ICONWARNING);
}

bool CTidewellWindowsApp::HandleGeneratorVerb() {
    const CMgmtBranding& branding = CMgmtBranding::Instance();
    GeneratedFile result;
    if (platform::EqualsNoCase(m_verb, "langfile")) {
        result = branding.GenerateLanguageFile();
    } else if (platform::EqualsNoCase(m_verb, "icons")) {
        result = branding.GenerateIconList();
    } else if (platform::EqualsNoCase(m_verb, "bitmaps")) {
        result = branding.GenerateBitmapList();
    } else {
        return false;
    }
    // The result is an information box: a real one when a display is there, the console one
    // (standard error) without. The exit sequence ends the GUI again.
    if (CGuiStartup::SomeoneCanSeeWindows()) {
        m_qapp = CGuiStartup::TryCreateApplication(m_qtArgc, m_qtArgv);
    }
    win::MessageBox(0, result.message, result.caption, win::MB_OK | win::MB_ICONINFORMATION);
    return true;
}

int CTidewellWindowsApp::Run() {
    // The Qt loop also runs the platform queue; its WM_QUIT ends the loop with its code.
    // A quit request handled before the loop runs (during start-up, in a nested loop) ended
    // no loop: it ends this one before it starts.
    const CQtEventPump* pump = CQtEventPump::Instance();
    int code = 0;
    if (pump != nullptr && pump->QuitSeen()) {
        code = pump->QuitCode();
    } else if (m_qapp) {
        code = m_qapp->exec();
    }
    // No box can be shown any more: the core's threads must not wait for one.
    CGuiStartup::MarkClosed();
    return code;
}

int CTidewellWindowsApp::ShowRegistration() {
    Log("CTidewellWindowsApp::ShowRegistration", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    const std::string account = m_reg.GetDefaultAccount();
    if (!account.empty()) {
        return 1;
    }
    if (!m_qapp || !m_core) {
        Log("CTidewellWindowsApp::ShowRegistration", "No user interface to sign up with",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return 0;
    }
    // A request that arrives while the welcome window is open (its modal loop runs the
    // queue) must not open a second one on top of it.
    if (m_registrationOpen) {
        Log("CTidewellWindowsApp::ShowRegistration", "The first-start window is already open",
            LOG_CAT_APPLICATION, LOG_SEV_INFO);
        return 0;
    }
    m_registrationOpen = true;
    int result = CDlgRegWiz::ShowRegistration(
        account, m_reg.GetInstallRoot(), [this] { SetLastUsedDate(); },
        [this] { return m_core->CORE_RegisterEx(); });
    m_registrationOpen = false;
    if (result == 2) {
        StartWithDesktopAfterSignup();
    }
    return result;
}

unsigned CTidewellWindowsApp::AddMessageReference(const GuiSmsFields& fields) {
    CSMSRecord record;
    record.Sender = fields.sender;
    if (!fields.recipients.empty()) {
        record.SetRecipients(fields.recipients);
    }
    record.MessageText = fields.messageText;
    if (!fields.dateTime.empty()) {
        record.DateTime = fields.dateTime;
    }
    return m_refMap.Add(record);
}

bool CTidewellWindowsApp::ReadMailClientMessage(win::LPARAM message, GuiSmsFields& texts) {
    // Sent by the hook library's thread in this process: the object lives during the call.
    // From another process the parameter is only a number.
    if (message == 0 || win::InMessageFromOtherProcess()) {
        return false;
    }
    const auto* sms = reinterpret_cast<const SmsMessage*>(message);
    texts.sender = sms->GetSender();
    texts.recipients = sms->GetRecipients();
    texts.messageText = sms->GetText();
    texts.dateTime = sms->GetDate();
    return true;
}

void CTidewellWindowsApp::OnShutDown() {
    Log("CTidewellWindowsApp::OnShutDown", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    int flags[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::sscanf(m_reg.GetAlertListbox().c_str(), "%d,%d,%d,%d,%d,%d,%d,%d,%d", &flags[0], &flags[1],
                &flags[2], &flags[3], &flags[4], &flags[5], &flags[6], &flags[7], &flags[8]);
    if (flags[5] != 0 && m_store && m_store->OutboxIsMessagesPending()) {
        std::string text =
            m_translator ? m_translator->Translate("Alert.AlertOutbox",
                                                   "There are messages in your outbox, do you want "
                                                   "to quit anyway?")
                         : "There are messages in your outbox, do you want to "
                           "quit anyway?";
        std::string caption = m_translator
                                  ? m_translator->Translate("Alert.txtMessageBoxTitle", "<appname>")
                                  : CEditionValues::Get().productName;
        int answer = win::MessageBox(0, text, caption, win::MB_ICONINFORMATION | win::MB_OKCANCEL);
        if (answer != win::IDOK) {
            Log("CTidewellWindowsApp::OnShutDown",
                "User cancelled Quit request because outbox not empty", LOG_CAT_APPLICATION,
                LOG_SEV_TRACE);
            return;
        }
    }
    win::PostQuitMessage(0);
}

void CTidewellWindowsApp::OnForcedShutDown() {
    Log("CTidewellWindowsApp::OnForcedShutDown", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    win::PostQuitMessage(0);
}

int CTidewellWindowsApp::ExitInstance(int exitCode) {
    if (m_exited) {
        return exitCode;
    }
    m_exited = true;
    // The name goes first, while the hidden window is still there: no call may be accepted
    // that no window could answer.
    if (m_automation) {
        m_automation->Revoke();
        m_automation.reset();
    }
    m_automationObject.reset();
    Log("CTidewellWindowsApp::ExitInstance", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    // The dialogs end first, while everything they use is still there. The GUI is marked
    // closed before the core stops, so a box its threads still ask for answers its default
    // instead of waiting for the ended loop.
    CAddressBookWindow::Shutdown();
    m_gui.reset();
    if (m_qapp) {
        CGuiStartup::MarkClosed();
    }
    m_templates.reset();
    m_core.reset();
    m_store.reset();
    if (m_remembered) {
        m_remembered->Save(); // a failure is logged, not shown
        m_remembered.reset();
    }
    m_wab.reset();
    if (m_qapp) {
        // The branding's images are Qt objects: they go while Qt is still there.
        CMgmtBranding::Instance().ReleaseImages();
        CGuiStartup::Shutdown();
        m_qapp.reset();
    }
    CGuiText::SetTranslator(nullptr);
    if (m_oeWrapper) {
        m_oeWrapper->Shutdown();
        m_oeWrapper.reset();
    }
    m_translator.reset();
    m_countryCodes.reset();
    m_instanceLock.reset();
    return exitCode;
}
