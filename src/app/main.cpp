// The program entry.
#include "app/CTidewellWindowsApp.h"
#include "log/LogManager.h"

namespace {
// The log opens during static initialisation, so lines written before and after the
// application object reach the file too.
CLogManager& g_log = CLogManager::Instance();
} // namespace

int main(int argc, char** argv) {
    (void)g_log;
    int exitCode = 0;
    {
        CTidewellWindowsApp app(argc, argv);
        exitCode = app.InitInstance() ? app.Run() : app.StartUpExitCode();
        exitCode = app.ExitInstance(exitCode);
    }
    return exitCode;
}
