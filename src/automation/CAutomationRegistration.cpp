#include "automation/CAutomationRegistration.h"

#include "automation/AutomationIds.h"
#include "log/LogManager.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace automation;

namespace {

const char* const kRegister = "CAutomationRegistration::Register";
const char* const kUnregister = "CAutomationRegistration::Unregister";

// One value of the registration: key below the classes root, value name ("" for the key's
// default value) and text. "$PROGRAM" and "$FOLDER" stand for the program file and its
// folder. A row with a null value creates the key only.
struct RegRow {
    std::string key;
    const char* name;
    const char* value;
};

std::string TypeLibKey() {
    return std::string("TypeLib\\") + kTypeLibId + "\\" + kTypeLibVersion;
}

std::vector<RegRow> Rows() {
    const std::string appId = std::string("AppID\\") + kAppId;
    const std::string exe = std::string("AppID\\") + kExecutableName;
    const std::string progId = kProgId;
    const std::string indep = kVersionIndependentProgId;
    const std::string clsid = std::string("CLSID\\") + kClassId;
    const std::string typeLib = TypeLibKey();
    return {
        {appId, "", kAppName},
        {exe, "AppID", kAppId},
        {progId, "", kClassDescription},
        {progId + "\\CLSID", "", kClassId},
        {indep, "", kClassDescription},
        {indep + "\\CLSID", "", kClassId},
        {indep + "\\CurVer", "", kProgId},
        {clsid, "", kClassDescription},
        {clsid, "AppID", kAppId},
        {clsid + "\\ProgID", "", kProgId},
        {clsid + "\\VersionIndependentProgID", "", kVersionIndependentProgId},
        {clsid + "\\LocalServer32", "", "$PROGRAM"},
        {clsid + "\\Programmable", "", nullptr},
        {clsid + "\\TypeLib", "", kTypeLibId},
        {typeLib, "", kTypeLibHelp},
        {typeLib + "\\" + kTypeLibLocale + "\\win32", "", "$PROGRAM"},
        {typeLib + "\\FLAGS", "", "0"},
        {typeLib + "\\HELPDIR", "", "$FOLDER"},
    };
}

// The keys unregistering removes, each with everything below it. The AppID keys are not
// among them.
std::vector<std::string> RemovedKeys() {
    return {kProgId, kVersionIndependentProgId, std::string("CLSID\\") + kClassId,
            std::string("TypeLib\\") + kTypeLibId};
}

std::string Expand(const char* value, const std::string& programFile) {
    const std::string text = value;
    if (text == "$PROGRAM") {
        return programFile;
    }
    if (text == "$FOLDER") {
        return std::filesystem::path(programFile).parent_path().string();
    }
    return text;
}

} // namespace

std::string CAutomationRegistration::ClassesKey(const std::string& key) {
    return std::string(kClassesRoot) + "\\" + key;
}

std::string CAutomationRegistration::ServiceFilePath() {
    return platform::AppDataFolder() + "/dbus-1/services/" + kBusName + ".service";
}

std::string CAutomationRegistration::QuoteExec(const std::string& path) {
    bool plain = !path.empty();
    for (char c : path) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || std::strchr("/._-+", c) != nullptr;
        plain = plain && safe && c != '\0';
    }
    if (plain) {
        return path;
    }
    // The bus reads Exec with the shell's quoting rules: inside single quotes everything
    // stands as it is, and a single quote is closed, escaped and opened again.
    std::string quoted = "'";
    for (char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string CAutomationRegistration::ServiceFileText(const std::string& programFile) {
    return std::string("[D-BUS Service]\nName=") + kBusName + "\nExec=" + QuoteExec(programFile) +
           "\n";
}

bool CAutomationRegistration::Register(const std::string& programFile) {
    Log(kRegister, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    bool ok = true;
    for (const RegRow& row : Rows()) {
        platform::RegKey key;
        const std::string path = ClassesKey(row.key);
        bool written = key.Create(platform::RegRoot::CurrentUser, path);
        if (written && row.value != nullptr) {
            written = key.SetString(row.name, Expand(row.value, programFile));
        }
        if (!written) {
            Log(kRegister, "Failed to write the registry key " + path, LOG_CAT_REGISTRY,
                LOG_SEV_ERROR);
            ok = false;
        }
    }
    const std::string service = ServiceFilePath();
    const std::string folder = std::filesystem::path(service).parent_path().string();
    if (!platform::CreateFolder(folder) ||
        !platform::WriteFileAtomic(service, ServiceFileText(programFile))) {
        Log(kRegister,
            "Failed to write the activation file " + service + ": " + std::strerror(errno),
            LOG_CAT_FILEIO, LOG_SEV_ERROR);
        ok = false;
    }
    Log(kRegister,
        ok ? "Automation registered for " + programFile
           : std::string("Automation registration incomplete"),
        LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return ok;
}

bool CAutomationRegistration::Unregister() {
    Log(kUnregister, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    bool ok = true;
    for (const std::string& key : RemovedKeys()) {
        const std::string path = ClassesKey(key);
        if (!platform::RegDeleteKey(platform::RegRoot::CurrentUser, path)) {
            Log(kUnregister, "Failed to remove the registry key " + path, LOG_CAT_REGISTRY,
                LOG_SEV_ERROR);
            ok = false;
        }
    }
    const std::string service = ServiceFilePath();
    std::error_code ec;
    std::filesystem::remove(service, ec);
    if (ec) {
        Log(kUnregister, "Failed to remove the activation file " + service + ": " + ec.message(),
            LOG_CAT_FILEIO, LOG_SEV_ERROR);
        ok = false;
    }
    Log(kUnregister, ok ? "Automation unregistered" : "Automation unregistration incomplete",
        LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return ok;
}
