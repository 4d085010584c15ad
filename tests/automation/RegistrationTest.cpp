// The class registration in the user hive and the D-Bus activation file.
#include "automation/AutomationIds.h"
#include "automation/CAutomationRegistration.h"
#include "common/TestEnv.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using platform::RegRoot;

namespace {

std::optional<std::string> Value(const std::string& key, const std::string& name = "") {
    platform::RegKey k;
    if (!k.Open(RegRoot::CurrentUser, CAutomationRegistration::ClassesKey(key))) {
        return std::nullopt;
    }
    return k.QueryString(name);
}

bool Exists(const std::string& key) {
    return platform::RegKeyExists(RegRoot::CurrentUser, CAutomationRegistration::ClassesKey(key));
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { twtest::UsePrivateFolders(twtest::MakeTempDir("registration")); }
};

const std::string kClsid = "CLSID\\{A4B15104-AA44-4F56-9A80-A46528F026F3}";
const std::string kTypeLib = "TypeLib\\{AA312B6B-13F4-4BB6-B6EA-D0351C880E36}";
const std::string kAppIdKey = "AppID\\{ADF50F17-5CA5-4DA9-928D-65FC74AD1104}";

} // namespace

TEST_F(Registration, WritesTheWholeClassRegistrationAndTheActivationFile) {
    const std::string program = "/opt/tidewell/bin/tidewell";
    ASSERT_TRUE(CAutomationRegistration::Register(program));

    EXPECT_EQ(Value(kAppIdKey), "QVMessenger");
    EXPECT_EQ(Value("AppID\\QVMessenger.EXE", "AppID"), "{ADF50F17-5CA5-4DA9-928D-65FC74AD1104}");
    for (const char* progId : {"QVMessenger.QVApplication.1", "QVMessenger.QVApplication"}) {
        EXPECT_EQ(Value(progId), "CQVApplication Object") << progId;
        EXPECT_EQ(Value(std::string(progId) + "\\CLSID"), "{A4B15104-AA44-4F56-9A80-A46528F026F3}");
    }
    EXPECT_EQ(Value("QVMessenger.QVApplication\\CurVer"), "QVMessenger.QVApplication.1");
    EXPECT_FALSE(Exists("QVMessenger.QVApplication.1\\CurVer"));

    EXPECT_EQ(Value(kClsid), "CQVApplication Object");
    EXPECT_EQ(Value(kClsid, "AppID"), "{ADF50F17-5CA5-4DA9-928D-65FC74AD1104}");
    EXPECT_EQ(Value(kClsid + "\\ProgID"), "QVMessenger.QVApplication.1");
    EXPECT_EQ(Value(kClsid + "\\VersionIndependentProgID"), "QVMessenger.QVApplication");
    EXPECT_EQ(Value(kClsid + "\\LocalServer32"), program);
    EXPECT_TRUE(Exists(kClsid + "\\Programmable"));
    EXPECT_EQ(Value(kClsid + "\\TypeLib"), "{AA312B6B-13F4-4BB6-B6EA-D0351C880E36}");
    EXPECT_EQ(Value(kTypeLib + "\\1.0"), "QVMessenger 1.0 Type Library");
    EXPECT_EQ(Value(kTypeLib + "\\1.0\\409\\win32"), program);
    EXPECT_EQ(Value(kTypeLib + "\\1.0\\HELPDIR"), "/opt/tidewell/bin");

    const std::string service = std::string(std::getenv("XDG_DATA_HOME")) +
                                "/dbus-1/services/QVMessenger.QVApplication.service";
    EXPECT_EQ(CAutomationRegistration::ServiceFilePath(), service);
    EXPECT_EQ(twtest::ReadFile(service),
              "[D-BUS Service]\nName=QVMessenger.QVApplication\nExec=/opt/tidewell/bin/tidewell\n");

    // Registering again (another program file) replaces what points at the program.
    ASSERT_TRUE(CAutomationRegistration::Register("/usr/bin/tidewell"));
    EXPECT_EQ(Value(kClsid + "\\LocalServer32"), "/usr/bin/tidewell");
}

TEST_F(Registration, UnregisteringKeepsTheAppIdAndEverythingElse) {
    {
        platform::RegKey other;
        ASSERT_TRUE(other.Create(RegRoot::CurrentUser, "Software\\Classes\\CLSID\\{OTHER}"));
        ASSERT_TRUE(other.SetString("", "someone else's class"));
        ASSERT_TRUE(other.Create(RegRoot::CurrentUser, "Software\\Classes\\TypeLib\\{OTHER}"));
    }
    ASSERT_TRUE(CAutomationRegistration::Register("/opt/tidewell/tidewell"));
    ASSERT_TRUE(CAutomationRegistration::Unregister());

    EXPECT_FALSE(Exists("QVMessenger.QVApplication.1"));
    EXPECT_FALSE(Exists("QVMessenger.QVApplication"));
    EXPECT_FALSE(Exists(kClsid));
    EXPECT_FALSE(Exists(kTypeLib));
    EXPECT_FALSE(std::filesystem::exists(CAutomationRegistration::ServiceFilePath()));
    // Kept: both AppID keys, the other classes and type libraries, and the folders above.
    EXPECT_EQ(Value(kAppIdKey), "QVMessenger");
    EXPECT_EQ(Value("AppID\\QVMessenger.EXE", "AppID"), "{ADF50F17-5CA5-4DA9-928D-65FC74AD1104}");
    EXPECT_EQ(Value("CLSID\\{OTHER}"), "someone else's class");
    EXPECT_TRUE(Exists("TypeLib\\{OTHER}"));

    // Nothing left to remove is no failure.
    EXPECT_TRUE(CAutomationRegistration::Unregister());
}

TEST(RegistrationExec, ProgramFilesWithBlanksOrQuotesAreQuotedForTheBus) {
    EXPECT_EQ(CAutomationRegistration::QuoteExec("/usr/bin/tidewell"), "/usr/bin/tidewell");
    EXPECT_EQ(CAutomationRegistration::QuoteExec("/home/a b/tidewell"), "'/home/a b/tidewell'");
    EXPECT_EQ(CAutomationRegistration::QuoteExec("/x/it's/tidewell"), "'/x/it'\\''s/tidewell'");
    EXPECT_EQ(CAutomationRegistration::QuoteExec("/x/$HOME/t"), "'/x/$HOME/t'");
}
