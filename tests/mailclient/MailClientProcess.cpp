#include "MailClientProcess.h"

#include "common/TestEnv.h"
#include "common/Wait.h"

namespace mailtest {

namespace {

std::string Client() {
    return twtest::BinDir() + "/twmailclient";
}

std::vector<std::string> WithScript(const std::vector<std::string>& arguments, bool stdinScript) {
    std::vector<std::string> args;
    if (stdinScript) {
        args.push_back("--stdin-script");
    }
    args.insert(args.end(), arguments.begin(), arguments.end());
    return args;
}

bool IsAnswer(const std::string& line) {
    return line == "ok" || line.rfind("ok ", 0) == 0 || line.rfind("error", 0) == 0;
}

} // namespace

std::string MailClientProcess::SampleFolder() {
    return std::string(TW_MAILCLIENT_TEST_DATA) + "/sample.mbox";
}

MailClientProcess::MailClientProcess(const std::vector<std::string>& arguments, bool stdinScript)
    : m_child(Client(), WithScript(arguments, stdinScript)) {
    if (!m_child.Started()) {
        return;
    }
    const std::string ready = ReadLine();
    if (ready.rfind("ready ", 0) == 0) {
        m_main = static_cast<unsigned>(std::stoul(ready.substr(6)));
    }
}

MailClientProcess::~MailClientProcess() = default;

std::string MailClientProcess::ReadLine() {
    return m_child.ReadLine();
}

std::string MailClientProcess::Command(const std::string& line, std::vector<std::string>* events) {
    if (!m_child.WriteLine(line)) {
        return std::string();
    }
    return m_child.ReadUntil(IsAnswer, events);
}

void MailClientProcess::CloseInput() {
    m_child.CloseInput();
}

int MailClientProcess::Wait() {
    return m_child.Wait();
}

int RunMailClient(const std::vector<std::string>& arguments) {
    const pid_t pid = twtest::Spawn(Client(), arguments);
    if (pid < 0) {
        return -1;
    }
    const int code = twtest::WaitForExit(pid);
    return code >= 128 ? -1 : code;
}

} // namespace mailtest
