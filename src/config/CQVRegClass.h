// The program's settings: one accessor pair per setting, read and written at the moment of
// use.
//
// A read looks in the current-user hive, then in the machine hive, then returns the built-in
// default; a write goes to the current-user hive only (creating the key when it is missing).
// Nothing is cached, so a value written by any thread or process is seen by the next read.
// The object holds only the edition's key paths, which the application sets at start-up.
//
// DWORD setters and String setters return 1 when the value was written, 0 when the key
// could not be opened or created. Per-account settings live under the accounts path plus the
// current account id (GetDefaultAccount, recomputed at every call); while there is no
// current account they read as their defaults and are not written (setters return 0).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class CQVRegClass {
public:
    using DWORD = std::uint32_t;

    // The edition's key paths, all below the current user (or the local machine for the
    // fallback reads), with "\" separators.
    struct RootPaths {
        std::string rootWithSeparator; // "Software\Quorvane\<product>\2.0\"
        std::string root;              // "Software\Quorvane\<product>\2.0"
        std::string core;              // root + "\Core"
        std::string debug;             // root + "\Debug"
        std::string accounts;          // root + "\Accounts\"
        std::string countryCode;       // the same text as root

        // The paths of the edition whose product name is given ("Tidewell Windows",
        // "Tidewell Outlook Express").
        static RootPaths ForProduct(const std::string& productName);
    };

    struct ImageSize {
        DWORD cx = 0;
        DWORD cy = 0;
        bool operator==(const ImageSize&) const = default;
    };

    // Starts with the paths of the Windows edition.
    CQVRegClass();

    void SetRootPaths(const RootPaths& paths);
    RootPaths GetRootPaths() const;

    // Generic operations every accessor is built on. A String value longer than 254 bytes
    // reads as absent; a value of another type than asked for reads as absent.
    DWORD ReadDWORD(DWORD defaultValue, const std::string& path, const std::string& name) const;
    std::string ReadString(const std::string& defaultValue, const std::string& path,
                           const std::string& name) const;
    int WriteDWORD(DWORD value, const std::string& path, const std::string& name) const;
    int WriteString(const std::string& text, const std::string& path,
                    const std::string& name) const;
    // Creates the key (and missing keys above it) in the current-user hive.
    bool CreateUserKey(const std::string& path) const;

    // The current account id: "DefaultAccount" of the accounts key, else the one at its old
    // place in the root key, which is then copied to the accounts key. Empty when none.
    std::string GetDefaultAccount() const;
    int SetDefaultAccount(const std::string& id) const;
    // accounts path + current account id + "\"; empty when there is no current account.
    std::string GetAccountKey() const;

    // Width and height of an MMS image size class: 0 small, 1 medium, 2 large, 3 the stored
    // choice (MMSImageDimentionSelection). A stored choice outside 0..2 and a selection
    // above 3 both give the medium class.
    ImageSize GetMMSImageDimension(DWORD selection) const;

    // MMSDefaultMessageSize defaults to MMSMaxMessageSizeKb; a write above that maximum
    // stores the maximum, and a stored value above it reads as the maximum.
    DWORD GetMMSDefaultMessageSize() const;
    int SetMMSDefaultMessageSize(DWORD value) const;
    bool GetMMSEnableVideo() const;
    int SetMMSEnableVideo(bool enable) const;
    bool GetMMSEnableAdvanced() const;
    int SetMMSEnableAdvanced(bool enable) const;

    // The nine AlertListbox flags (1 = show that confirmation or alert). Positions that the
    // stored text does not give read as 1.
    std::array<int, 9> GetAlertListboxFlags() const;
    int SetAlertListboxFlags(const std::array<int, 9>& flags) const;

    // The per-user application data folder: the "AppData" value of the user's Shell Folders
    // key when present, else the XDG data folder. Empty when neither is known.
    std::string GetAppDataFolder() const;
    // The program's data folder: the application data folder plus "TWD" (native path).
    std::string GetDataFolder() const;

    // The MMS mode handed to the hook library: always 0 (MMS off); reads nothing.
    DWORD GetMMSMode() const { return 0; }

    // Root (root path with trailing separator).
    DWORD GetAccDefOriginator() const;
    int SetAccDefOriginator(DWORD value) const;
    DWORD GetAlertBalance() const;
    int SetAlertBalance(DWORD value) const;
    DWORD GetAlertPrepaidBalance() const;
    int SetAlertPrepaidBalance(DWORD value) const;
    DWORD GetConcatMessageLength() const;
    DWORD GetDispAllowOneInstance() const;
    int SetDispAllowOneInstance(DWORD value) const;
    DWORD GetDispClearMsgBody() const;
    int SetDispClearMsgBody(DWORD value) const;
    DWORD GetDispClearRecipients() const;
    int SetDispClearRecipients(DWORD value) const;
    DWORD GetDispKeepMsgWnd() const;
    int SetDispKeepMsgWnd(DWORD value) const;
    DWORD GetDispStartupAction() const;
    int SetDispStartupAction(DWORD value) const;
    DWORD GetDispSystemTray() const;
    int SetDispSystemTray(DWORD value) const;
    DWORD GetEnableSignature() const;
    int SetEnableSignature(DWORD value) const;
    DWORD GetFlashSMS() const;
    DWORD GetRememberOriginator() const;
    int SetRememberOriginator(DWORD value) const;
    DWORD GetRememberTruncMode() const;
    int SetRememberTruncMode(DWORD value) const;
    DWORD GetSortListColumn() const;
    int SetSortListColumn(DWORD value) const;
    DWORD GetSortListOrder() const;
    int SetSortListOrder(DWORD value) const;
    DWORD GetSplitUpCharLimit() const;
    DWORD GetSplitUpType() const;
    DWORD GetSysTrayDefaultAction() const;
    int SetSysTrayDefaultAction(DWORD value) const;
    DWORD GetTimeSpan() const;
    DWORD GetTotalSMSLimit() const;
    DWORD GetTruncationMode() const;
    int SetTruncationMode(DWORD value) const;
    DWORD GetAllowText() const;
    DWORD GetTotalSMSCounter() const;
    DWORD GetMMSMaxMessageSizeKb() const;
    int SetMMSMaxMessageSizeKb(DWORD value) const;
    DWORD GetMMSImageCX() const;
    int SetMMSImageCX(DWORD value) const;
    DWORD GetMMSImageCY() const;
    int SetMMSImageCY(DWORD value) const;
    DWORD GetMMSDlgCX() const;
    int SetMMSDlgCX(DWORD value) const;
    DWORD GetMMSDlgCY() const;
    int SetMMSDlgCY(DWORD value) const;
    DWORD GetMMSDlgSimpleCX() const;
    int SetMMSDlgSimpleCX(DWORD value) const;
    DWORD GetMMSDlgSimpleCY() const;
    int SetMMSDlgSimpleCY(DWORD value) const;
    DWORD GetMMSImageDimentionSelection() const;
    int SetMMSImageDimentionSelection(DWORD value) const;
    std::string GetAlertListbox() const;
    int SetAlertListbox(const std::string& text) const;
    std::string GetConfirmEmail() const;
    std::string GetInstallRoot() const;
    std::string GetLanguage() const;
    std::string GetLastUsed() const;
    int SetLastUsed(const std::string& text) const;
    std::string GetNewMessageSize() const;
    int SetNewMessageSize(const std::string& text) const;
    std::string GetUsageReminderDisable() const;
    int SetUsageReminderDisable(const std::string& text) const;
    std::string GetCountry() const;
    std::string GetMMSSupportedAudioExt() const;
    int SetMMSSupportedAudioExt(const std::string& text) const;
    std::string GetMMSSupportedVideoExt() const;
    int SetMMSSupportedVideoExt(const std::string& text) const;
    // Debug.
    DWORD GetLogLevel() const;
    // Core.
    DWORD GetSPSize() const;
    DWORD GetDPSize() const;
    std::string GetDocName() const;
    std::string GetDocPing() const;
    std::string GetRemoteHost() const;
    std::string GetDocRoot() const;
    // Accounts.
    std::string GetSPID() const;
    // Current account.
    DWORD GetAllowMsIsdnOriginator() const;
    int SetAllowMsIsdnOriginator(DWORD value) const;
    DWORD GetAllowOriginator() const;
    int SetAllowOriginator(DWORD value) const;
    DWORD GetMessageLength() const;
    int SetMessageLength(DWORD value) const;
    DWORD GetPrepaidBalance() const;
    int SetPrepaidBalance(DWORD value) const;
    DWORD GetMMSShowCC() const;
    int SetMMSShowCC(DWORD value) const;
    DWORD GetMMSShowBCC() const;
    int SetMMSShowBCC(DWORD value) const;
    DWORD GetMMSShowOriginator() const;
    int SetMMSShowOriginator(DWORD value) const;
    DWORD GetMMSImageQuality() const;
    int SetMMSImageQuality(DWORD value) const;
    DWORD GetMMSPageDuration() const;
    int SetMMSPageDuration(DWORD value) const;
    std::string GetAccountID() const;
    int SetAccountID(const std::string& text) const;
    std::string GetAccountType() const;
    int SetAccountType(const std::string& text) const;
    std::string GetAllowedToSend() const;
    int SetAllowedToSend(const std::string& text) const;
    std::string GetAllowSignup() const;
    int SetAllowSignup(const std::string& text) const;
    std::string GetErrorLabel() const;
    int SetErrorLabel(const std::string& text) const;
    std::string GetErrorMessage() const;
    int SetErrorMessage(const std::string& text) const;
    std::string GetGroupID() const;
    int SetGroupID(const std::string& text) const;
    std::string GetMsgsPeriod() const;
    int SetMsgsPeriod(const std::string& text) const;
    std::string GetMsgsTotal() const;
    int SetMsgsTotal(const std::string& text) const;
    std::string GetMsisdnOriginator() const;
    int SetMsisdnOriginator(const std::string& text) const;
    std::string GetPeriod() const;
    int SetPeriod(const std::string& text) const;
    std::string GetReplyEmailSenderDomain() const;
    int SetReplyEmailSenderDomain(const std::string& text) const;
    std::string GetReplyOriginator() const;
    int SetReplyOriginator(const std::string& text) const;
    std::string GetReplyType() const;
    int SetReplyType(const std::string& text) const;
    std::string GetTextOriginator() const;
    int SetTextOriginator(const std::string& text) const;
    std::string GetUserEmail() const;
    int SetUserEmail(const std::string& text) const;
    std::string GetUserName() const;
    int SetUserName(const std::string& text) const;
    std::string GetAuthId() const;

    // Values of the current account; 0 (nothing written) when there is no current account.
    int WriteAccountDWORD(DWORD value, const std::string& name) const;
    int WriteAccountString(const std::string& text, const std::string& name) const;

private:
    std::shared_ptr<const RootPaths> P() const;
    DWORD ReadAccountDWORD(DWORD defaultValue, const std::string& name) const;
    std::string ReadAccountString(const std::string& defaultValue, const std::string& name) const;

    mutable std::mutex m_lock;
    std::shared_ptr<const RootPaths> m_paths;
};
