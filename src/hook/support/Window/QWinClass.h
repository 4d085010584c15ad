// Registration of a window class. The platform creates windows with a procedure of their own
// and keeps no classes, so the support library keeps the process-wide table here: class name
// (compared without regard to case) -> window procedure. QWinBase::CreateWin looks the class
// up and gives the new window that procedure.
//
// One QWinClass object owns one registration and unregisters it when it goes. Registering a
// name that is already registered raises QWinException 1003; an explicit Unregister of a
// class that is not registered raises 1001.
#pragma once

#include "platform/Win.h"

#include <string>

namespace qsupport {

class QWinClass {
public:
    QWinClass() = default;
    ~QWinClass();
    QWinClass(const QWinClass&) = delete;
    QWinClass& operator=(const QWinClass&) = delete;

    // Registers `className` for `module` (the library's own object; recorded, not used).
    // Without a procedure the class uses QWinBase's dispatching window procedure.
    void Register(const std::string& className, const void* module,
                  win::WNDPROC procedure = nullptr);
    void Unregister();
    bool IsRegistered() const { return !m_name.empty(); }
    const std::string& Name() const { return m_name; }

    // The procedure of a registered class; an empty procedure when the class is unknown.
    static win::WNDPROC Lookup(const std::string& className);

private:
    std::string m_name;
};

} // namespace qsupport
