#include "config/CQVRegClass.h"

#include "platform/Paths.h"
#include "platform/Registry.h"

#include <cstdio>
#include <optional>

namespace {

// A String value is read into a buffer of 255 characters with its terminating zero.
constexpr size_t kMaxStringChars = 254;
// The Shell Folders value is read into a buffer of 1024 characters.
constexpr size_t kMaxFolderChars = 1023;

// Characters of a UTF-8 text: every byte but the continuation bytes starts one.
size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text) {
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

const char* const kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Image size classes: width key, width default, height key, height default.
struct ImageClass {
    const char* cxName;
    CQVRegClass::DWORD cx;
    const char* cyName;
    CQVRegClass::DWORD cy;
};
constexpr ImageClass kImageClasses[3] = {
    {"MMSImageSmallCX", 128, "MMSImageSmallCY", 160},
    {"MMSImageMediumCX", 300, "MMSImageMediumCY", 200},
    {"MMSImageLargeCX", 640, "MMSImageLargeCY", 480},
};
constexpr CQVRegClass::DWORD kMediumClass = 1;

std::optional<std::string> QueryLimitedString(platform::RegRoot root, const std::string& path,
                                              const std::string& name, size_t maxChars) {
    platform::RegKey key;
    if (!key.Open(root, path)) {
        return std::nullopt;
    }
    std::optional<std::string> text = key.QueryString(name);
    if (text && CharacterCount(*text) > maxChars) {
        return std::nullopt;
    }
    return text;
}

} // namespace

CQVRegClass::RootPaths CQVRegClass::RootPaths::ForProduct(const std::string& productName) {
    RootPaths p;
    p.root = "Software\\Quorvane\\" + productName + "\\2.0";
    p.rootWithSeparator = p.root + "\\";
    p.core = p.root + "\\Core";
    p.debug = p.root + "\\Debug";
    p.accounts = p.root + "\\Accounts\\";
    p.countryCode = p.root;
    return p;
}

CQVRegClass::CQVRegClass()
    : m_paths(std::make_shared<const RootPaths>(RootPaths::ForProduct("Tidewell Windows"))) {}

void CQVRegClass::SetRootPaths(const RootPaths& paths) {
    auto fresh = std::make_shared<const RootPaths>(paths);
    std::lock_guard<std::mutex> guard(m_lock);
    m_paths = std::move(fresh);
}

CQVRegClass::RootPaths CQVRegClass::GetRootPaths() const {
    return *P();
}

std::shared_ptr<const CQVRegClass::RootPaths> CQVRegClass::P() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_paths;
}

// ---------------------------------------------------------------------------------------
// Generic operations

CQVRegClass::DWORD CQVRegClass::ReadDWORD(DWORD defaultValue, const std::string& path,
                                          const std::string& name) const {
    for (platform::RegRoot root :
         {platform::RegRoot::CurrentUser, platform::RegRoot::LocalMachine}) {
        platform::RegKey key;
        if (key.Open(root, path)) {
            if (std::optional<DWORD> v = key.QueryDWORD(name)) {
                return *v;
            }
        }
    }
    return defaultValue;
}

std::string CQVRegClass::ReadString(const std::string& defaultValue, const std::string& path,
                                    const std::string& name) const {
    for (platform::RegRoot root :
         {platform::RegRoot::CurrentUser, platform::RegRoot::LocalMachine}) {
        if (std::optional<std::string> v = QueryLimitedString(root, path, name, kMaxStringChars)) {
            return *v;
        }
    }
    return defaultValue;
}

int CQVRegClass::WriteDWORD(DWORD value, const std::string& path, const std::string& name) const {
    platform::RegKey key;
    return key.Create(platform::RegRoot::CurrentUser, path) && key.SetDWORD(name, value) ? 1 : 0;
}

int CQVRegClass::WriteString(const std::string& text, const std::string& path,
                             const std::string& name) const {
    platform::RegKey key;
    return key.Create(platform::RegRoot::CurrentUser, path) && key.SetString(name, text) ? 1 : 0;
}

bool CQVRegClass::CreateUserKey(const std::string& path) const {
    platform::RegKey key;
    return key.Create(platform::RegRoot::CurrentUser, path);
}

// ---------------------------------------------------------------------------------------
// Current account

std::string CQVRegClass::GetDefaultAccount() const {
    auto paths = P();
    std::string id = ReadString(std::string(), paths->accounts, "DefaultAccount");
    if (id.empty()) {
        // The id used to live in the root key; carry it over to the accounts key.
        id = ReadString(std::string(), paths->rootWithSeparator, "DefaultAccount");
        if (!id.empty()) {
            WriteString(id, paths->accounts, "DefaultAccount");
        }
    }
    return id;
}

int CQVRegClass::SetDefaultAccount(const std::string& id) const {
    return WriteString(id, P()->accounts, "DefaultAccount");
}

std::string CQVRegClass::GetAccountKey() const {
    std::string id = GetDefaultAccount();
    if (id.empty()) {
        return std::string();
    }
    return P()->accounts + id + "\\";
}

CQVRegClass::DWORD CQVRegClass::ReadAccountDWORD(DWORD defaultValue,
                                                 const std::string& name) const {
    std::string key = GetAccountKey();
    return key.empty() ? defaultValue : ReadDWORD(defaultValue, key, name);
}

std::string CQVRegClass::ReadAccountString(const std::string& defaultValue,
                                           const std::string& name) const {
    std::string key = GetAccountKey();
    return key.empty() ? defaultValue : ReadString(defaultValue, key, name);
}

int CQVRegClass::WriteAccountDWORD(DWORD value, const std::string& name) const {
    std::string key = GetAccountKey();
    return key.empty() ? 0 : WriteDWORD(value, key, name);
}

int CQVRegClass::WriteAccountString(const std::string& text, const std::string& name) const {
    std::string key = GetAccountKey();
    return key.empty() ? 0 : WriteString(text, key, name);
}

// ---------------------------------------------------------------------------------------
// Settings with rules of their own

CQVRegClass::ImageSize CQVRegClass::GetMMSImageDimension(DWORD selection) const {
    if (selection == 3) {
        selection = GetMMSImageDimentionSelection();
    }
    // The stored choice never leads back to itself, and no selection runs past the table.
    if (selection > 2) {
        selection = kMediumClass;
    }
    const ImageClass& c = kImageClasses[selection];
    const std::string root = P()->rootWithSeparator;
    return ImageSize{ReadDWORD(c.cx, root, c.cxName), ReadDWORD(c.cy, root, c.cyName)};
}

CQVRegClass::DWORD CQVRegClass::GetMMSDefaultMessageSize() const {
    DWORD maximum = GetMMSMaxMessageSizeKb();
    DWORD value = ReadDWORD(maximum, P()->rootWithSeparator, "MMSDefaultMessageSize");
    return value > maximum ? maximum : value;
}

int CQVRegClass::SetMMSDefaultMessageSize(DWORD value) const {
    DWORD maximum = GetMMSMaxMessageSizeKb();
    return WriteDWORD(value > maximum ? maximum : value, P()->rootWithSeparator,
                      "MMSDefaultMessageSize");
}

bool CQVRegClass::GetMMSEnableVideo() const {
    return ReadDWORD(0, P()->rootWithSeparator, "MMSEnableVideo") != 0;
}

int CQVRegClass::SetMMSEnableVideo(bool enable) const {
    return WriteDWORD(enable ? 1 : 0, P()->rootWithSeparator, "MMSEnableVideo");
}

bool CQVRegClass::GetMMSEnableAdvanced() const {
    return ReadAccountDWORD(0, "MMSEnableAdvanced") != 0;
}

int CQVRegClass::SetMMSEnableAdvanced(bool enable) const {
    return WriteAccountDWORD(enable ? 1 : 0, "MMSEnableAdvanced");
}

std::array<int, 9> CQVRegClass::GetAlertListboxFlags() const {
    std::array<int, 9> flags;
    flags.fill(1);
    std::string text = GetAlertListbox();
    std::sscanf(text.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d,%d", &flags[0], &flags[1], &flags[2],
                &flags[3], &flags[4], &flags[5], &flags[6], &flags[7], &flags[8]);
    return flags;
}

int CQVRegClass::SetAlertListboxFlags(const std::array<int, 9>& f) const {
    char text[128];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d,%d,%d,%d,%d", f[0], f[1], f[2], f[3], f[4],
                  f[5], f[6], f[7], f[8]);
    return SetAlertListbox(text);
}

std::string CQVRegClass::GetAppDataFolder() const {
    std::optional<std::string> folder = QueryLimitedString(
        platform::RegRoot::CurrentUser, kShellFoldersKey, "AppData", kMaxFolderChars);
    if (folder && !folder->empty()) {
        return *folder;
    }
    return platform::AppDataFolder();
}

std::string CQVRegClass::GetDataFolder() const {
    std::string base = GetAppDataFolder();
    if (base.empty()) {
        return std::string();
    }
    return platform::ToNativePath(base + "\\TWD");
}

// ---------------------------------------------------------------------------------------
// One accessor pair per setting

CQVRegClass::DWORD CQVRegClass::GetAccDefOriginator() const {
    return ReadDWORD(0, P()->rootWithSeparator, "AccDefOriginator");
}
int CQVRegClass::SetAccDefOriginator(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "AccDefOriginator");
}
CQVRegClass::DWORD CQVRegClass::GetAlertBalance() const {
    return ReadDWORD(1, P()->rootWithSeparator, "AlertBalance");
}
int CQVRegClass::SetAlertBalance(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "AlertBalance");
}
CQVRegClass::DWORD CQVRegClass::GetAlertPrepaidBalance() const {
    return ReadDWORD(5, P()->rootWithSeparator, "AlertPrepaidBalance");
}
int CQVRegClass::SetAlertPrepaidBalance(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "AlertPrepaidBalance");
}
CQVRegClass::DWORD CQVRegClass::GetConcatMessageLength() const {
    return ReadDWORD(153, P()->rootWithSeparator, "ConcatMessageLength");
}
CQVRegClass::DWORD CQVRegClass::GetDispAllowOneInstance() const {
    return ReadDWORD(0, P()->rootWithSeparator, "DispAllowOneInstance");
}
int CQVRegClass::SetDispAllowOneInstance(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispAllowOneInstance");
}
CQVRegClass::DWORD CQVRegClass::GetDispClearMsgBody() const {
    return ReadDWORD(0, P()->rootWithSeparator, "DispClearMsgBody");
}
int CQVRegClass::SetDispClearMsgBody(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispClearMsgBody");
}
CQVRegClass::DWORD CQVRegClass::GetDispClearRecipients() const {
    return ReadDWORD(0, P()->rootWithSeparator, "DispClearRecipients");
}
int CQVRegClass::SetDispClearRecipients(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispClearRecipients");
}
CQVRegClass::DWORD CQVRegClass::GetDispKeepMsgWnd() const {
    return ReadDWORD(0, P()->rootWithSeparator, "DispKeepMsgWnd");
}
int CQVRegClass::SetDispKeepMsgWnd(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispKeepMsgWnd");
}
CQVRegClass::DWORD CQVRegClass::GetDispStartupAction() const {
    return ReadDWORD(0, P()->rootWithSeparator, "DispStartupAction");
}
int CQVRegClass::SetDispStartupAction(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispStartupAction");
}
CQVRegClass::DWORD CQVRegClass::GetDispSystemTray() const {
    return ReadDWORD(1, P()->rootWithSeparator, "DispSystemTray");
}
int CQVRegClass::SetDispSystemTray(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "DispSystemTray");
}
CQVRegClass::DWORD CQVRegClass::GetEnableSignature() const {
    return ReadDWORD(1, P()->rootWithSeparator, "EnableSignature");
}
int CQVRegClass::SetEnableSignature(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "EnableSignature");
}
CQVRegClass::DWORD CQVRegClass::GetFlashSMS() const {
    return ReadDWORD(0, P()->rootWithSeparator, "FlashSMS");
}
CQVRegClass::DWORD CQVRegClass::GetRememberOriginator() const {
    return ReadDWORD(0, P()->rootWithSeparator, "RememberOriginator");
}
int CQVRegClass::SetRememberOriginator(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "RememberOriginator");
}
CQVRegClass::DWORD CQVRegClass::GetRememberTruncMode() const {
    return ReadDWORD(0, P()->rootWithSeparator, "RememberTruncMode");
}
int CQVRegClass::SetRememberTruncMode(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "RememberTruncMode");
}
CQVRegClass::DWORD CQVRegClass::GetSortListColumn() const {
    return ReadDWORD(2, P()->rootWithSeparator, "SortListColumn");
}
int CQVRegClass::SetSortListColumn(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "SortListColumn");
}
CQVRegClass::DWORD CQVRegClass::GetSortListOrder() const {
    return ReadDWORD(0, P()->rootWithSeparator, "SortListOrder");
}
int CQVRegClass::SetSortListOrder(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "SortListOrder");
}
CQVRegClass::DWORD CQVRegClass::GetSplitUpCharLimit() const {
    return ReadDWORD(640, P()->rootWithSeparator, "SplitUpCharLimit");
}
CQVRegClass::DWORD CQVRegClass::GetSplitUpType() const {
    return ReadDWORD(0, P()->rootWithSeparator, "SplitUpType");
}
CQVRegClass::DWORD CQVRegClass::GetSysTrayDefaultAction() const {
    return ReadDWORD(0, P()->rootWithSeparator, "SysTrayDefaultAction");
}
int CQVRegClass::SetSysTrayDefaultAction(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "SysTrayDefaultAction");
}
CQVRegClass::DWORD CQVRegClass::GetTimeSpan() const {
    return ReadDWORD(5, P()->rootWithSeparator, "TimeSpan");
}
CQVRegClass::DWORD CQVRegClass::GetTotalSMSLimit() const {
    return ReadDWORD(0, P()->rootWithSeparator, "TotalSMSLimit");
}
CQVRegClass::DWORD CQVRegClass::GetTruncationMode() const {
    return ReadDWORD(0, P()->rootWithSeparator, "TruncationMode");
}
int CQVRegClass::SetTruncationMode(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "TruncationMode");
}
CQVRegClass::DWORD CQVRegClass::GetAllowText() const {
    return ReadDWORD(0, P()->rootWithSeparator, "AllowText");
}
CQVRegClass::DWORD CQVRegClass::GetTotalSMSCounter() const {
    return ReadDWORD(0, P()->rootWithSeparator, "TotalSMSCounter");
}
CQVRegClass::DWORD CQVRegClass::GetMMSMaxMessageSizeKb() const {
    return ReadDWORD(10000, P()->rootWithSeparator, "MMSMaxMessageSizeKb");
}
int CQVRegClass::SetMMSMaxMessageSizeKb(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSMaxMessageSizeKb");
}
CQVRegClass::DWORD CQVRegClass::GetMMSImageCX() const {
    return ReadDWORD(300, P()->rootWithSeparator, "MMSImageCX");
}
int CQVRegClass::SetMMSImageCX(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSImageCX");
}
CQVRegClass::DWORD CQVRegClass::GetMMSImageCY() const {
    return ReadDWORD(200, P()->rootWithSeparator, "MMSImageCY");
}
int CQVRegClass::SetMMSImageCY(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSImageCY");
}
CQVRegClass::DWORD CQVRegClass::GetMMSDlgCX() const {
    return ReadDWORD(470, P()->rootWithSeparator, "MMSDlgCX");
}
int CQVRegClass::SetMMSDlgCX(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSDlgCX");
}
CQVRegClass::DWORD CQVRegClass::GetMMSDlgCY() const {
    return ReadDWORD(670, P()->rootWithSeparator, "MMSDlgCY");
}
int CQVRegClass::SetMMSDlgCY(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSDlgCY");
}
CQVRegClass::DWORD CQVRegClass::GetMMSDlgSimpleCX() const {
    return ReadDWORD(470, P()->rootWithSeparator, "MMSDlgSimpleCX");
}
int CQVRegClass::SetMMSDlgSimpleCX(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSDlgSimpleCX");
}
CQVRegClass::DWORD CQVRegClass::GetMMSDlgSimpleCY() const {
    return ReadDWORD(535, P()->rootWithSeparator, "MMSDlgSimpleCY");
}
int CQVRegClass::SetMMSDlgSimpleCY(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSDlgSimpleCY");
}
CQVRegClass::DWORD CQVRegClass::GetMMSImageDimentionSelection() const {
    return ReadDWORD(1, P()->rootWithSeparator, "MMSImageDimentionSelection");
}
int CQVRegClass::SetMMSImageDimentionSelection(DWORD value) const {
    return WriteDWORD(value, P()->rootWithSeparator, "MMSImageDimentionSelection");
}
std::string CQVRegClass::GetAlertListbox() const {
    return ReadString("1,1,1,1,1,1,1,1,1", P()->rootWithSeparator, "AlertListbox");
}
int CQVRegClass::SetAlertListbox(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "AlertListbox");
}
std::string CQVRegClass::GetConfirmEmail() const {
    return ReadString("1", P()->rootWithSeparator, "ConfirmEmail");
}
std::string CQVRegClass::GetInstallRoot() const {
    return ReadString("", P()->rootWithSeparator, "InstallRoot");
}
std::string CQVRegClass::GetLanguage() const {
    return ReadString("", P()->rootWithSeparator, "Language");
}
std::string CQVRegClass::GetLastUsed() const {
    return ReadString("", P()->rootWithSeparator, "LastUsed");
}
int CQVRegClass::SetLastUsed(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "LastUsed");
}
std::string CQVRegClass::GetNewMessageSize() const {
    return ReadString("86-95-670-487", P()->rootWithSeparator, "NewMessageSize");
}
int CQVRegClass::SetNewMessageSize(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "NewMessageSize");
}
std::string CQVRegClass::GetUsageReminderDisable() const {
    return ReadString("0", P()->rootWithSeparator, "UsageReminderDisable");
}
int CQVRegClass::SetUsageReminderDisable(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "UsageReminderDisable");
}
std::string CQVRegClass::GetCountry() const {
    return ReadString("", P()->rootWithSeparator, "Country");
}
std::string CQVRegClass::GetMMSSupportedAudioExt() const {
    return ReadString("mid;amr;wav", P()->rootWithSeparator, "MMSSupportedAudioExt");
}
int CQVRegClass::SetMMSSupportedAudioExt(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "MMSSupportedAudioExt");
}
std::string CQVRegClass::GetMMSSupportedVideoExt() const {
    return ReadString("3gp", P()->rootWithSeparator, "MMSSupportedVideoExt");
}
int CQVRegClass::SetMMSSupportedVideoExt(const std::string& text) const {
    return WriteString(text, P()->rootWithSeparator, "MMSSupportedVideoExt");
}
CQVRegClass::DWORD CQVRegClass::GetLogLevel() const {
    return ReadDWORD(5, P()->debug, "LogLevel");
}
CQVRegClass::DWORD CQVRegClass::GetSPSize() const {
    return ReadDWORD(0, P()->core, "SPSize");
}
CQVRegClass::DWORD CQVRegClass::GetDPSize() const {
    return ReadDWORD(0, P()->core, "DPSize");
}
std::string CQVRegClass::GetDocName() const {
    return ReadString("", P()->core, "DocName");
}
std::string CQVRegClass::GetDocPing() const {
    return ReadString("", P()->core, "DocPing");
}
std::string CQVRegClass::GetRemoteHost() const {
    return ReadString("", P()->core, "RemoteHost");
}
std::string CQVRegClass::GetDocRoot() const {
    return ReadString("", P()->core, "DocRoot");
}
std::string CQVRegClass::GetSPID() const {
    return ReadString("", P()->accounts, "SPID");
}
CQVRegClass::DWORD CQVRegClass::GetAllowMsIsdnOriginator() const {
    return ReadAccountDWORD(0, "AllowMsIsdnOriginator");
}
int CQVRegClass::SetAllowMsIsdnOriginator(DWORD value) const {
    return WriteAccountDWORD(value, "AllowMsIsdnOriginator");
}
CQVRegClass::DWORD CQVRegClass::GetAllowOriginator() const {
    return ReadAccountDWORD(0, "AllowOriginator");
}
int CQVRegClass::SetAllowOriginator(DWORD value) const {
    return WriteAccountDWORD(value, "AllowOriginator");
}
CQVRegClass::DWORD CQVRegClass::GetMessageLength() const {
    return ReadAccountDWORD(160, "MessageLength");
}
int CQVRegClass::SetMessageLength(DWORD value) const {
    return WriteAccountDWORD(value, "MessageLength");
}
CQVRegClass::DWORD CQVRegClass::GetPrepaidBalance() const {
    return ReadAccountDWORD(0, "PrepaidBalance");
}
int CQVRegClass::SetPrepaidBalance(DWORD value) const {
    return WriteAccountDWORD(value, "PrepaidBalance");
}
CQVRegClass::DWORD CQVRegClass::GetMMSShowCC() const {
    return ReadAccountDWORD(0, "MMSShowCC");
}
int CQVRegClass::SetMMSShowCC(DWORD value) const {
    return WriteAccountDWORD(value, "MMSShowCC");
}
CQVRegClass::DWORD CQVRegClass::GetMMSShowBCC() const {
    return ReadAccountDWORD(0, "MMSShowBCC");
}
int CQVRegClass::SetMMSShowBCC(DWORD value) const {
    return WriteAccountDWORD(value, "MMSShowBCC");
}
CQVRegClass::DWORD CQVRegClass::GetMMSShowOriginator() const {
    return ReadAccountDWORD(0, "MMSShowOriginator");
}
int CQVRegClass::SetMMSShowOriginator(DWORD value) const {
    return WriteAccountDWORD(value, "MMSShowOriginator");
}
CQVRegClass::DWORD CQVRegClass::GetMMSImageQuality() const {
    return ReadAccountDWORD(50, "MMSImageQuality");
}
int CQVRegClass::SetMMSImageQuality(DWORD value) const {
    return WriteAccountDWORD(value, "MMSImageQuality");
}
CQVRegClass::DWORD CQVRegClass::GetMMSPageDuration() const {
    return ReadAccountDWORD(10, "MMSPageDuration");
}
int CQVRegClass::SetMMSPageDuration(DWORD value) const {
    return WriteAccountDWORD(value, "MMSPageDuration");
}
std::string CQVRegClass::GetAccountID() const {
    return ReadAccountString("", "AccountID");
}
int CQVRegClass::SetAccountID(const std::string& text) const {
    return WriteAccountString(text, "AccountID");
}
std::string CQVRegClass::GetAccountType() const {
    return ReadAccountString("", "AccountType");
}
int CQVRegClass::SetAccountType(const std::string& text) const {
    return WriteAccountString(text, "AccountType");
}
std::string CQVRegClass::GetAllowedToSend() const {
    return ReadAccountString("", "AllowedToSend");
}
int CQVRegClass::SetAllowedToSend(const std::string& text) const {
    return WriteAccountString(text, "AllowedToSend");
}
std::string CQVRegClass::GetAllowSignup() const {
    return ReadAccountString("", "AllowSignup");
}
int CQVRegClass::SetAllowSignup(const std::string& text) const {
    return WriteAccountString(text, "AllowSignup");
}
std::string CQVRegClass::GetErrorLabel() const {
    return ReadAccountString("", "ErrorLabel");
}
int CQVRegClass::SetErrorLabel(const std::string& text) const {
    return WriteAccountString(text, "ErrorLabel");
}
std::string CQVRegClass::GetErrorMessage() const {
    return ReadAccountString("", "ErrorMessage");
}
int CQVRegClass::SetErrorMessage(const std::string& text) const {
    return WriteAccountString(text, "ErrorMessage");
}
std::string CQVRegClass::GetGroupID() const {
    return ReadAccountString("", "GroupID");
}
int CQVRegClass::SetGroupID(const std::string& text) const {
    return WriteAccountString(text, "GroupID");
}
std::string CQVRegClass::GetMsgsPeriod() const {
    return ReadAccountString("", "MsgsPeriod");
}
int CQVRegClass::SetMsgsPeriod(const std::string& text) const {
    return WriteAccountString(text, "MsgsPeriod");
}
std::string CQVRegClass::GetMsgsTotal() const {
    return ReadAccountString("", "MsgsTotal");
}
int CQVRegClass::SetMsgsTotal(const std::string& text) const {
    return WriteAccountString(text, "MsgsTotal");
}
std::string CQVRegClass::GetMsisdnOriginator() const {
    return ReadAccountString("", "MsisdnOriginator");
}
int CQVRegClass::SetMsisdnOriginator(const std::string& text) const {
    return WriteAccountString(text, "MsisdnOriginator");
}
std::string CQVRegClass::GetPeriod() const {
    return ReadAccountString("", "Period");
}
int CQVRegClass::SetPeriod(const std::string& text) const {
    return WriteAccountString(text, "Period");
}
std::string CQVRegClass::GetReplyEmailSenderDomain() const {
    return ReadAccountString("", "ReplyEmailSenderDomain");
}
int CQVRegClass::SetReplyEmailSenderDomain(const std::string& text) const {
    return WriteAccountString(text, "ReplyEmailSenderDomain");
}
std::string CQVRegClass::GetReplyOriginator() const {
    return ReadAccountString("", "ReplyOriginator");
}
int CQVRegClass::SetReplyOriginator(const std::string& text) const {
    return WriteAccountString(text, "ReplyOriginator");
}
std::string CQVRegClass::GetReplyType() const {
    return ReadAccountString("", "ReplyType");
}
int CQVRegClass::SetReplyType(const std::string& text) const {
    return WriteAccountString(text, "ReplyType");
}
std::string CQVRegClass::GetTextOriginator() const {
    return ReadAccountString("", "TextOriginator");
}
int CQVRegClass::SetTextOriginator(const std::string& text) const {
    return WriteAccountString(text, "TextOriginator");
}
std::string CQVRegClass::GetUserEmail() const {
    return ReadAccountString("", "UserEmail");
}
int CQVRegClass::SetUserEmail(const std::string& text) const {
    return WriteAccountString(text, "UserEmail");
}
std::string CQVRegClass::GetUserName() const {
    return ReadAccountString("", "UserName");
}
int CQVRegClass::SetUserName(const std::string& text) const {
    return WriteAccountString(text, "UserName");
}
std::string CQVRegClass::GetAuthId() const {
    return ReadAccountString("", "AuthId");
}
