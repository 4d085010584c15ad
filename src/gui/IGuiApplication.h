// What the dialog manager needs from the application: the first-start signup, the last-used
// stamp, the two quit requests, the message reference map, and the settings it reads. The
// application object implements it and hands it to CMgmtGUI.
#pragma once

#include "platform/Win.h"

#include <string>

// The four texts of a message handed over by the mail-client bridge, and the fields of the
// temporary SMS record the manager fills from them. Empty fields stay empty in the record.
struct GuiSmsFields {
    std::string sender;
    std::string recipients; // recipient numbers joined by ","
    std::string messageText;
    std::string dateTime;
};

class IGuiApplication {
public:
    virtual ~IGuiApplication() = default;

    // 1: an account exists; 2: the first-start dialog was accepted and registration
    // succeeded; 0: cancelled or failed.
    virtual int ShowRegistration() = 0;
    // Writes LastUsed with the current local date and time.
    virtual void SetLastUsedDate() = 0;
    // Quit request that may be refused (outbox not empty), and the one that never is.
    virtual void OnShutDown() = 0;
    virtual void OnForcedShutDown() = 0;

    // Stores an SMS record built from `fields` in the reference map; the key (at least 1),
    // or 0 on failure.
    virtual unsigned AddMessageReference(const GuiSmsFields& fields) = 0;
    // Reads the mail-client message passed in lParam of "QVShowOeWindow" (valid only during
    // the call). False when it cannot be read.
    virtual bool ReadMailClientMessage(win::LPARAM message, GuiSmsFields& texts) = 0;

    // Settings, read at the moment of use.
    virtual bool GetDispSystemTray() = 0;
    virtual bool GetDispAllowOneInstance() = 0;
    virtual int GetSysTrayDefaultAction() = 0;
    virtual std::string GetAccountID() = 0;
    virtual std::string GetAlertListbox() = 0;
    virtual long GetTimeSpan() = 0;
    virtual std::string GetLastUsed() = 0;
    virtual std::string GetUsageReminderDisable() = 0;
    // "Do not show this reminder again" in the usage-reminder dialog.
    virtual void SetUsageReminderDisable(const std::string& value) = 0;
    // The installation folder, where "about.cfg" and "firststart.cfg" lie.
    virtual std::string GetInstallRoot() = 0;
    // Whether the desktop session started this run: then no window opens by itself.
    virtual bool StartedWithDesktop() const { return false; }
};
