// The per-user runtime folder that processes of the session share for window messages:
// "$XDG_RUNTIME_DIR/Quorvane", created with mode 0700. A folder that is not owned by the
// user, is reachable by others or is a symbolic link is refused.
#pragma once

#include <string>

namespace win::detail {

class WinRuntimeFolder {
public:
    // The checked folder, created when absent; an empty text when it is refused or cannot be
    // created (reported through platform::ReportDiagnostic, once per problem).
    static std::string Path();
    // Reports a problem once per distinct text.
    static void ReportOnce(const char* location, const std::string& message);
};

} // namespace win::detail
