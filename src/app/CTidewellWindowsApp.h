// The process object of the program: start-up, the main thread's hidden window and message
// loop, the message reference map, first-start signup and an orderly exit.
#pragma once

#include "app/CCommandLine.h"
#include "app/CMsgRefMap.h"
#include "config/CQVRegClass.h"
#include "platform/Win.h"

#include <ctime>
#include <memory>
#include <string>

class COutlookExpressWrapper;
class CLangTranslator;
class CMgmtSMS;
class CMgmtCore;

class CTidewellWindowsApp {
public:
    CTidewellWindowsApp(int argc, const char* const* argv);
    ~CTidewellWindowsApp();
    CTidewellWindowsApp(const CTidewellWindowsApp&) = delete;
    CTidewellWindowsApp& operator=(const CTidewellWindowsApp&) = delete;

    // True to run the message loop, false to end at once (ExitInstance still runs).
    bool InitInstance();
    // The main thread's message loop; returns the exit code of the quit message.
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
    int ShowRegistration();
    void SetLastUsedDate();
    // Quit request that may be refused (non-empty outbox), and one that never is.
    void OnShutDown();
    void OnForcedShutDown();

    // Folder of the program file, without trailing separator.
    std::string GetApplicationPath() const;
    // InstallRoot setting, "/", file name.
    std::string GetInstallRootPath(const std::string& fileName);

    CQVRegClass& Reg() { return m_reg; }
    const std::string& ResolvedVerb() const { return m_verb; }
    const std::string& PicturesFolder() const { return m_picturesFolder; }
    const std::string& MusicFolder() const { return m_musicFolder; }
    const std::string& VideosFolder() const { return m_videosFolder; }
    CLangTranslator* Translator() const { return m_translator.get(); }
    CMgmtSMS* Store() const { return m_store.get(); }
    CMgmtCore* Core() const { return m_core.get(); }

    // "LastUsed" text of a local time: "%d-%d-%d %d:%d" of day, month, year, hour, minute.
    static std::string FormatLastUsed(const std::tm& local);
    // Platform name and kernel release, "Unknown" when the query fails.
    static std::string OperatingSystemName();

private:
    bool HandleGeneratorVerb();
    bool CreateHiddenWindow();
    win::LRESULT HiddenWindowProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                  win::LPARAM lParam);

    CCommandLine m_commandLine;
    std::string m_verb;
    CMsgRefMap m_refMap;
    CQVRegClass m_reg;
    std::unique_ptr<COutlookExpressWrapper> m_oeWrapper;
    std::shared_ptr<CLangTranslator> m_translator;
    std::shared_ptr<CMgmtSMS> m_store;
    std::unique_ptr<CMgmtCore> m_core;
    std::int32_t m_mmsMode = 0;
    std::string m_picturesFolder;
    std::string m_musicFolder;
    std::string m_videosFolder;
    std::string m_homeCountry;
    win::HWND m_hiddenWindow = 0;
    bool m_exited = false;
};
