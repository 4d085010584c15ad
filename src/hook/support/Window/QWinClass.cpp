#include "hook/support/Window/QWinClass.h"

#include "hook/support/Exception/QWinException.h"
#include "hook/support/Window/QWinBase.h"

#include "platform/StringUtil.h"

#include <cerrno>
#include <map>
#include <mutex>

namespace qsupport {

namespace {

struct ClassTable {
    std::mutex lock;
    std::map<std::string, win::WNDPROC> classes; // key: lower-case name
};

ClassTable& Table() {
    // Made by the library's entry before its object, so it goes after it at unload.
    static ClassTable table;
    return table;
}

std::string Key(const std::string& name) {
    return platform::ToLower(name);
}

} // namespace

QWinClass::~QWinClass() {
    if (!m_name.empty()) {
        ClassTable& table = Table();
        std::lock_guard<std::mutex> guard(table.lock);
        table.classes.erase(Key(m_name));
    }
}

void QWinClass::Register(const std::string& className, const void*, win::WNDPROC procedure) {
    if (className.empty() || !m_name.empty()) {
        throw QWinException(kWinRegisterClass, "QWinClass::Register", EINVAL);
    }
    if (!procedure) {
        procedure = &QWinBase::WindowProc;
    }
    ClassTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.classes.emplace(Key(className), std::move(procedure)).second) {
        throw QWinException(kWinRegisterClass, "QWinClass::Register", EEXIST);
    }
    m_name = className;
}

void QWinClass::Unregister() {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (m_name.empty() || table.classes.erase(Key(m_name)) == 0) {
        throw QWinException(kWinUnregisterClass, "QWinClass::Unregister", ENOENT);
    }
    m_name.clear();
}

win::WNDPROC QWinClass::Lookup(const std::string& className) {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.classes.find(Key(className));
    return it != table.classes.end() ? it->second : win::WNDPROC();
}

} // namespace qsupport
