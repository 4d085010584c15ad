// The per-module object of a shared library built on the support library. A library defines
// one object derived from QDll and hands the platform's load and unload to Entry():
//
//   library loaded   (ELF constructor) -> Entry(kProcessAttach, module)
//   library unloaded (ELF destructor)  -> Entry(kProcessDetach)
//
// Threads are not announced to a library here, so the thread slots are never called by the
// platform; they keep their default answers for classes that call them themselves.
//
// Virtual operations, in slot order: the destructor; Query (answers 0); ProcessAttach
// (records the module, answers true); ProcessDetach, ThreadAttach, ThreadDetach (answer
// true). Entry never lets an exception out.
#pragma once

#include <string>

namespace qsupport {

class QDll {
public:
    enum Reason { kProcessDetach = 0, kProcessAttach = 1, kThreadAttach = 2, kThreadDetach = 3 };

    QDll() = default;
    virtual ~QDll();
    QDll(const QDll&) = delete;
    QDll& operator=(const QDll&) = delete;

    virtual int Query();
    // `module` identifies the library: its file path.
    virtual bool ProcessAttach(const std::string& module);
    virtual bool ProcessDetach();
    virtual bool ThreadAttach();
    virtual bool ThreadDetach();

    // Full path of the library file, as recorded at attach.
    const std::string& Module() const { return m_module; }

    // The platform's entry point: dispatches `reason` to the slot of `dll`. False when the
    // slot answers false or raises.
    static bool Entry(QDll* dll, Reason reason, const std::string& module = std::string());

private:
    std::string m_module;
};

} // namespace qsupport
