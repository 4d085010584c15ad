// The table of control classes and their aliases.
#include "platform/WinControlClass.h"

#include "platform/StringUtil.h"
#include "platform/WinListView.h"
#include "platform/WinToolbar.h"
#include "platform/WinWindowEvents.h"

#include <mutex>
#include <vector>

namespace win {

namespace detail {
// The procedures of the built-in controls (WinToolbar.cpp, WinListView.cpp).
WNDPROC MakeToolbarProc();
WNDPROC MakeListViewProc();
WNDPROC MakeHeaderProc();
} // namespace detail

namespace {

struct ControlClass {
    const char* name;
    WNDPROC (*make)();
};

const ControlClass kControlClasses[] = {
    {TOOLBARCLASSNAME, &detail::MakeToolbarProc},
    {WC_LISTVIEW, &detail::MakeListViewProc},
    {WC_HEADER, &detail::MakeHeaderProc},
};

const ControlClass* ControlNamed(const std::string& name) {
    for (const ControlClass& c : kControlClasses) {
        if (platform::EqualsNoCase(name, c.name)) {
            return &c;
        }
    }
    return nullptr;
}

struct Aliases {
    std::mutex mutex;
    std::vector<std::pair<std::string, const ControlClass*>> entries;
};

Aliases& TheAliases() {
    static Aliases* aliases = new Aliases;
    return *aliases;
}

const ControlClass* Resolve(const std::string& className) {
    if (const ControlClass* c = ControlNamed(className)) {
        return c;
    }
    Aliases& a = TheAliases();
    std::lock_guard<std::mutex> lock(a.mutex);
    for (const auto& [alias, control] : a.entries) {
        if (platform::EqualsNoCase(alias, className)) {
            return control;
        }
    }
    return nullptr;
}

} // namespace

bool RegisterControlClassAlias(const std::string& alias, const std::string& controlClass) {
    const ControlClass* control = ControlNamed(controlClass);
    if (control == nullptr || alias.empty()) {
        return false;
    }
    if (const ControlClass* existing = Resolve(alias)) {
        return existing == control;
    }
    Aliases& a = TheAliases();
    std::lock_guard<std::mutex> lock(a.mutex);
    a.entries.emplace_back(alias, control);
    return true;
}

std::string ControlClassOf(const std::string& className) {
    const ControlClass* c = Resolve(className);
    return c == nullptr ? std::string() : std::string(c->name);
}

namespace detail {

WNDPROC ControlProcFor(const std::string& className) {
    const ControlClass* c = Resolve(className);
    return c == nullptr ? WNDPROC() : c->make();
}

} // namespace detail

} // namespace win
