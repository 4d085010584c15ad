#include "oebridge/COutlookExpressWrapper.h"

#include "log/LogManager.h"
#include "platform/VersionInfo.h"

#include <cerrno>
#include <cstdio>

namespace {
const char* const kLocation = "COutlookExpressWrapper::COutlookExpressWrapper";
// The log category of this bridge's messages (printed as "Not defined").
constexpr LogCategory kBridgeCategory = LogCategory::NotDefined;
} // namespace

COutlookExpressWrapper::COutlookExpressWrapper(std::string programFolder)
    : m_path(std::move(programFolder) + "/libtwox.so") {}

// The destructor leaves the library alone: Shutdown unloads it.
COutlookExpressWrapper::~COutlookExpressWrapper() = default;

bool COutlookExpressWrapper::Load() {
    if (m_library.IsOpen()) {
        return true;
    }
    errno = 0;
    if (m_library.Open(m_path)) {
        Log(kLocation, "Loaded " + m_path, kBridgeCategory, LOG_SEV_INFO);
        return true;
    }
    // The loader's own text says what went wrong (missing file, missing symbol, wrong
    // architecture); the error number is whatever the failing open left behind.
    const int code = errno;
    std::string message = "No twox dll found at: " + m_path + "\nGetLastError() reports:\n" +
                          m_library.Error() + "\nError code: " + std::to_string(code);
    Log(kLocation, message, kBridgeCategory, LOG_SEV_INFO);
    return false;
}

void* COutlookExpressWrapper::Export(const char* name) const {
    return m_library.IsOpen() ? m_library.Symbol(name) : nullptr;
}

bool COutlookExpressWrapper::RegisterCallbackWindow(win::HWND window) {
    auto fn = reinterpret_cast<void (*)(win::HWND)>(Export("RegisterCallbackWindow"));
    if (fn == nullptr) {
        return false;
    }
    fn(window);
    m_handlerStarted = true;
    return true;
}

bool COutlookExpressWrapper::SetMmsMode(std::int32_t mode) {
    auto fn = reinterpret_cast<void (*)(std::int32_t)>(Export("SetMmsMode"));
    if (fn == nullptr) {
        return false;
    }
    fn(mode);
    return true;
}

bool COutlookExpressWrapper::GetDllVersion(std::string& text) const {
    auto info = static_cast<const TwVersionInfo*>(Export(TW_VERSION_SYMBOL));
    if (info == nullptr) {
        return false;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%u.%u.%u ", info->major, info->minor, info->build);
    text = std::string(buf) + (info->comments != nullptr ? info->comments : "");
    return true;
}

win::HWND COutlookExpressWrapper::GetOeWindow() {
    auto fn = reinterpret_cast<win::HWND (*)()>(Export("GetOeWindow"));
    if (fn == nullptr) {
        return 0;
    }
    m_handlerStarted = true;
    return fn();
}

void COutlookExpressWrapper::Shutdown() {
    if (!m_library.IsOpen()) {
        return;
    }
    // "DllShutdown" stops the library's window search, and starts it first when nothing has
    // yet: in a start that never registered a window (one that only hands its verb to the
    // running instance) it would open the library's log anew over the running instance's
    // and could hook the mail client for a moment. Such a start only unloads the library.
    auto fn = reinterpret_cast<void (*)()>(Export("DllShutdown"));
    if (fn != nullptr && m_handlerStarted) {
        fn();
    }
    m_handlerStarted = false;
    m_library.Close();
}
