// What the folder dialog and the message viewers need from the application: the message
// store, the settings, the message reference map (records travel between dialogs as keys),
// the core's account refresh and online flag, and the SMS message options dialog used for
// rescheduling. The application implements it; tests supply their own.
//
// Every call is made on the GUI thread. The store and the settings may be used from other
// threads as well; they guard themselves.
#pragma once

#include "messages/CMessageClock.h"

#include <cstdint>
#include <string>

class CMessageRecord;
class CMgmtMessages;
class CQVRegClass;
class CSMSRecord;
class QWidget;

// The values the SMS message options dialog edits: how a long text is handled and when the
// message is sent.
struct MessageOptionsValues {
    std::int32_t truncateMode = 0; // 0 one SMS only, otherwise long messages allowed
    bool scheduled = false;        // false: send immediately
    MessageDateTime scheduleTime{};
};

class IFolderHost {
public:
    virtual ~IFolderHost() = default;

    // The message store (never null while dialogs exist).
    virtual CMgmtMessages& Store() = 0;
    // The configuration store.
    virtual CQVRegClass& Reg() = 0;

    // Message reference map: stores a copy and returns its key (0 on failure).
    virtual std::uint32_t MSGRefAdd(const CMessageRecord& record) = 0;
    // Copies the SMS stored under the key; false when the key is unknown or not an SMS.
    virtual bool SMSRefGetGuid(std::uint32_t key, CSMSRecord& out) = 0;
    virtual bool MSGRefRemove(std::uint32_t key) = 0;

    // Asks the core to fetch the account data (balance) again.
    virtual bool RequestAccountUpdate() = 0;
    // Whether an internet connection is available, as the core sees it.
    virtual bool IsInternetAvailable() = 0;
    // The installation folder (layout files of the About window).
    virtual std::string GetInstallRoot() = 0;

    // Runs the SMS message options dialog modally over `parent`, preset from `values`.
    // True when the user pressed OK; `values` then holds the choice.
    virtual bool RunMessageOptions(QWidget* parent, MessageOptionsValues& values) = 0;
};
