#include "hook/support/Application/QDll.h"

namespace qsupport {

QDll::~QDll() = default;

int QDll::Query() {
    return 0;
}

bool QDll::ProcessAttach(const std::string& module) {
    m_module = module;
    return true;
}

bool QDll::ProcessDetach() {
    return true;
}
bool QDll::ThreadAttach() {
    return true;
}
bool QDll::ThreadDetach() {
    return true;
}

bool QDll::Entry(QDll* dll, Reason reason, const std::string& module) {
    if (dll == nullptr) {
        return false;
    }
    try {
        switch (reason) {
        case kProcessAttach:
            return dll->ProcessAttach(module);
        case kProcessDetach:
            return dll->ProcessDetach();
        case kThreadAttach:
            return dll->ThreadAttach();
        case kThreadDetach:
            return dll->ThreadDetach();
        }
    } catch (...) {
        // The loader must never see an exception.
    }
    return false;
}

} // namespace qsupport
