#include "hook/OeHookDll.h"

#include "hook/Hook.h"
#include "hook/HookHandler.h"
#include "hook/LogStream.h"
#include "hook/TwoxExports.h"
#include "hook/support/Exception/QFileException.h"
#include "hook/support/Window/QWinBase.h"
#include "hook/support/Window/QWinClass.h"

#include "platform/SafeFile.h"

#include <dlfcn.h>

namespace {

OeHookDll* g_dll = nullptr;

void LogCaughtInWindow(const char* where, const std::string& description) {
    logging::LogStream(HookLog(), where) << "Caught QException: " << description;
}

} // namespace

OeHookDll::OeHookDll() {
    // Mapped once per process; without it the integration stays inactive (see HookHandler).
    m_shared.Map();
    qsupport::QWinBase::SetExceptionSink(&LogCaughtInWindow);
}

OeHookDll::~OeHookDll() {
    try {
        if (m_handler) {
            m_shared.ClearActive();
            m_handler.reset();
        }
    } catch (...) {
        m_handler.release(); // a handler that cannot end is left; never raise from teardown
    }
    try {
        m_hook.reset();
    } catch (...) {
        m_hook.release();
    }
    m_registry.reset();
    qsupport::QWinBase::SetExceptionSink(nullptr);
    m_log.SetTarget(nullptr);
}

OeHookDll* OeHookDll::Instance() {
    return g_dll;
}

logging::Log& HookLog() {
    static logging::Log detached;
    OeHookDll* dll = OeHookDll::Instance();
    return dll != nullptr ? dll->GetLog() : detached;
}

std::string HookText(const std::string& key, const std::string& fallback) {
    OeHookDll* dll = OeHookDll::Instance();
    return dll != nullptr ? dll->Texts().Translate(key, fallback) : fallback;
}

bool HookMmsMode() {
    OeHookDll* dll = OeHookDll::Instance();
    return dll != nullptr && dll->Shared().MmsMode() != 0;
}

QVRegistry& OeHookDll::Registry() {
    if (!m_registry) {
        m_registry = std::make_unique<QVRegistry>();
    }
    return *m_registry;
}

std::string OeHookDll::LogFileName(const std::string& name, win::DWORD processId) {
    const std::size_t sep = name.find_last_of("\\/");
    const std::size_t dot = name.find('.', sep == std::string::npos ? 0 : sep + 1);
    if (dot != std::string::npos) {
        return name;
    }
    return name + std::to_string(processId) + ".log";
}

bool OeHookDll::OpenLog(const std::string& name) {
    const std::string folder = platform::PrivateTempFolder();
    if (folder.empty()) {
        return false;
    }
    std::string file = LogFileName(name, win::GetCurrentProcessId());
    for (char& c : file) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (!m_fileTarget.Open(folder + "/" + file)) {
        return false;
    }
    m_log.SetTarget(&m_fileTarget);
    return true;
}

void OeHookDll::LoadTexts() {
    if (m_textsLoaded) {
        return;
    }
    std::string root = Registry().GetInstallRoot();
    while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) {
        root.pop_back();
    }
    try {
        m_texts.Load(root + "/twoxcompany.lang");
    } catch (const qsupport::QFileException&) {
        // No company texts: the product's serve.
    }
    try {
        m_texts.Load(root + "/twox.lang");
    } catch (const qsupport::QFileException&) {
        // No product texts: every caller's default serves.
    }
    m_textsLoaded = true;
}

HookHandler* OeHookDll::GetHookHandler() {
    if (!m_handler) {
        try {
            LoadTexts();
            m_handler = std::make_unique<HookHandler>(*this);
        } catch (const qsupport::QException& e) {
            logging::LogStream(m_log, "OeHookDll::GetHookHandler")
                << "Caught QException: " << e.Describe();
        }
    }
    return m_handler.get();
}

Hook* OeHookDll::GetHook() {
    if (!m_hook) {
        try {
            LoadTexts();
            m_hook = std::make_unique<Hook>(*this);
        } catch (const qsupport::QException& e) {
            logging::LogStream(m_log, "OeHookDll::GetHook")
                << "Caught QException: " << e.Describe();
        }
    }
    return m_hook.get();
}

namespace {

// The platform's entry point: the library's constructor and destructor stand for process
// attach and detach.
struct LibraryEntry {
    LibraryEntry() {
        // The support library's process-wide tables are made first, so that they outlive the
        // library object (static objects go in the reverse order of their making).
        qsupport::QWinClass::Lookup(std::string());
        qsupport::QWinBase::FromHandle(0);
        Dl_info info{};
        std::string module;
        if (::dladdr(reinterpret_cast<void*>(&TwoxGetMsgProc), &info) != 0 &&
            info.dli_fname != nullptr) {
            module = info.dli_fname;
        }
        try {
            g_dll = new OeHookDll;
        } catch (...) {
            g_dll = nullptr;
            return;
        }
        qsupport::QDll::Entry(g_dll, qsupport::QDll::kProcessAttach, module);
    }
    ~LibraryEntry() {
        if (g_dll == nullptr) {
            return;
        }
        qsupport::QDll::Entry(g_dll, qsupport::QDll::kProcessDetach);
        OeHookDll* dll = g_dll;
        delete dll;
        g_dll = nullptr;
    }
};

LibraryEntry g_entry;

} // namespace
