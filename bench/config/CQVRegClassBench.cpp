// One settings read and one settings write through the configuration store, on a user hive
// holding every default once plus twenty accounts with their full set of values.
#include "config/CQVRegClass.h"
#include "platform/Registry.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Private folders, so that the benchmark never touches the user's own hives.
void UsePrivateFolders() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    std::string root = std::filesystem::temp_directory_path().string() + "/twbench-config-" +
                       std::to_string(::getpid());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root + "/config");
    std::filesystem::create_directories(root + "/etc-xdg");
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root + "/etc-xdg").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(
            std::filesystem::path(std::getenv("XDG_CONFIG_HOME")).parent_path(), ec);
    });
}

void FillAccount(CQVRegClass& reg) {
    reg.SetAccountID(reg.GetDefaultAccount());
    reg.SetAccountType("prepaid");
    reg.SetAllowedToSend("1");
    reg.SetAllowMsIsdnOriginator(1);
    reg.SetAllowOriginator(1);
    reg.SetAllowSignup("0");
    reg.SetErrorLabel("");
    reg.SetErrorMessage("");
    reg.SetGroupID("group-17");
    reg.SetMessageLength(160);
    reg.SetMsgsPeriod("100");
    reg.SetMsgsTotal("1000");
    reg.SetMsisdnOriginator("+4917012345678");
    reg.SetPeriod("month");
    reg.SetPrepaidBalance(42);
    reg.SetReplyEmailSenderDomain("reply.example.org");
    reg.SetReplyOriginator("+4917012345678");
    reg.SetReplyType("sms");
    reg.SetTextOriginator("Tidewell");
    reg.SetUserEmail("user@example.org");
    reg.SetUserName("A. User");
    reg.SetMMSShowCC(0);
    reg.SetMMSShowBCC(0);
    reg.SetMMSShowOriginator(1);
    reg.SetMMSImageQuality(50);
    reg.SetMMSPageDuration(10);
    reg.SetMMSEnableAdvanced(false);
}

// Every root, core and debug setting at its default, and 20 accounts.
CQVRegClass& PreparedStore() {
    static CQVRegClass* reg = [] {
        UsePrivateFolders();
        auto* r = new CQVRegClass();
        auto p = r->GetRootPaths();
        const std::string root = p.rootWithSeparator;
        const char* rootDwords[][2] = {
            {"AccDefOriginator", "0"},
            {"AlertBalance", "1"},
            {"AlertPrepaidBalance", "5"},
            {"ConcatMessageLength", "153"},
            {"DispAllowOneInstance", "0"},
            {"DispClearMsgBody", "0"},
            {"DispClearRecipients", "0"},
            {"DispKeepMsgWnd", "0"},
            {"DispStartupAction", "0"},
            {"DispSystemTray", "1"},
            {"EnableSignature", "1"},
            {"FlashSMS", "0"},
            {"RememberOriginator", "0"},
            {"RememberTruncMode", "0"},
            {"SortListColumn", "2"},
            {"SortListOrder", "0"},
            {"SplitUpCharLimit", "640"},
            {"SplitUpType", "0"},
            {"SysTrayDefaultAction", "0"},
            {"TimeSpan", "5"},
            {"TotalSMSLimit", "0"},
            {"TruncationMode", "0"},
            {"AllowText", "0"},
            {"TotalSMSCounter", "0"},
            {"MMSMaxMessageSizeKb", "10000"},
            {"MMSDefaultMessageSize", "10000"},
            {"MMSImageCX", "300"},
            {"MMSImageCY", "200"},
            {"MMSDlgCX", "470"},
            {"MMSDlgCY", "670"},
            {"MMSDlgSimpleCX", "470"},
            {"MMSDlgSimpleCY", "535"},
            {"MMSEnableVideo", "0"},
            {"MMSImageDimentionSelection", "1"},
            {"MMSImageSmallCX", "128"},
            {"MMSImageSmallCY", "160"},
            {"MMSImageMediumCX", "300"},
            {"MMSImageMediumCY", "200"},
            {"MMSImageLargeCX", "640"},
            {"MMSImageLargeCY", "480"},
        };
        for (auto& d : rootDwords) {
            r->WriteDWORD(static_cast<CQVRegClass::DWORD>(std::atoi(d[1])), root, d[0]);
        }
        const char* rootStrings[][2] = {
            {"AlertListbox", "1,1,1,1,1,1,1,1,1"},   {"ConfirmEmail", "1"},
            {"InstallRoot", "/opt/tidewell"},        {"Language", "en"},
            {"LastUsed", "8-12-2026 1:14"},          {"NewMessageSize", "86-95-670-487"},
            {"UsageReminderDisable", "0"},           {"Country", "DE"},
            {"MMSSupportedAudioExt", "mid;amr;wav"}, {"MMSSupportedVideoExt", "3gp"},
        };
        for (auto& s : rootStrings) {
            r->WriteString(s[1], root, s[0]);
        }
        r->WriteDWORD(5, p.debug, "LogLevel");
        r->WriteDWORD(0, p.core, "SPSize");
        r->WriteDWORD(0, p.core, "DPSize");
        for (const char* name : {"DocName", "DocPing", "RemoteHost", "DocRoot"}) {
            r->WriteString("", p.core, name);
        }
        r->WriteString("sp-1", p.accounts, "SPID");
        for (int a = 0; a < 20; ++a) {
            std::string id = "10000" + std::to_string(a);
            r->CreateUserKey(p.accounts + id);
            r->SetDefaultAccount(id);
            FillAccount(*r);
        }
        return r;
    }();
    return *reg;
}

void BM_SettingsRead(benchmark::State& state) {
    CQVRegClass& reg = PreparedStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(reg.GetSortListColumn());
    }
}
BENCHMARK(BM_SettingsRead)->Repetitions(5)->ReportAggregatesOnly(true);

// A per-account read also looks up the current account first.
void BM_AccountSettingRead(benchmark::State& state) {
    CQVRegClass& reg = PreparedStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(reg.GetPrepaidBalance());
    }
}
BENCHMARK(BM_AccountSettingRead)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SettingsWrite(benchmark::State& state) {
    CQVRegClass& reg = PreparedStore();
    CQVRegClass::DWORD v = 0;
    for (auto _ : state) {
        // Alternate, so that every write changes the hive.
        benchmark::DoNotOptimize(reg.SetSortListColumn(v++ & 1));
    }
}
BENCHMARK(BM_SettingsWrite)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
