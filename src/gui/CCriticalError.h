// The program's answer to a failure it cannot carry on after: the critical error box
// ("TWD.CriticalErrorAbort", caption "TWD.AppName", stop icon, system-modal), and the handling of
// an exception that escapes a dialog's message handling (logged as "Caught CException: ...", the
// box, then the program ends with exit code 1 through its normal exit sequence).
#pragma once

#include <string>

namespace gui {

// Shows the critical error box and returns when the user has closed it.
void ShowCriticalErrorBox();

// For a platform-level exception that escaped a dialog: logs "Caught CException: " and the
// description ("No description" when empty), shows the box and asks the GUI thread's loop to
// end with exit code 1.
void AbortOnEscapedException(const std::string& description);

} // namespace gui
