// Opening links and files with the user's preferred program ("xdg-open").
//
// Only two kinds of text are ever handed on: an http, https or mailto URL without control
// characters or blanks, and the path of an existing file or folder (made absolute, so that
// it can never be taken for an option). Anything else is refused and reported through
// platform::ReportDiagnostic. The program is started directly, never through a shell.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// True when the text was accepted and handed to the back-end, and the back-end succeeded.
bool ShellOpen(const std::string& target);

// What ShellOpen would hand to the back-end: the URL as it stands, or the absolute path of
// the file. Empty when the text is refused.
std::string ShellOpenTarget(const std::string& target);

// Receives every accepted target.
class ShellBackend {
public:
    virtual ~ShellBackend() = default;
    virtual bool Open(const std::string& checkedTarget) = 0;
};

// Installs the back-end; null restores the one that starts "xdg-open".
void SetShellBackend(std::shared_ptr<ShellBackend> backend);

// Starts "xdg-open <target>" with posix_spawnp and reaps it in the background.
class XdgOpenShell : public ShellBackend {
public:
    bool Open(const std::string& checkedTarget) override;
};

// For tests: records the accepted targets and answers `result`.
class RecordingShell : public ShellBackend {
public:
    explicit RecordingShell(bool result = true) : m_result(result) {}
    bool Open(const std::string& checkedTarget) override;
    std::vector<std::string> Opened() const;

private:
    bool m_result;
    mutable std::mutex m_lock;
    std::vector<std::string> m_opened;
};

} // namespace platform
