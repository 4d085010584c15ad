// The folder dialog with years of messages: rebuilding the list of 10,000 and 100,000
// sentbox records sorted by date (targets: 100 ms and 1 s), sorting by a text column, and a
// storm of 1,000 store notifications within a second, which must cost one refresh.
#include "config/CQVRegClass.h"
#include "folders/CDlgMessageFolder.h"
#include "folders/CSortListCtrl.h"
#include "gui/CGuiStartup.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

std::string g_root;

class BenchHost : public IFolderHost {
public:
    explicit BenchHost(const std::string& folder) : store(folder) {}
    CMgmtMessages& Store() override { return store; }
    CQVRegClass& Reg() override { return reg; }
    std::uint32_t MSGRefAdd(const CMessageRecord&) override { return 1; }
    bool SMSRefGetGuid(std::uint32_t, CSMSRecord&) override { return false; }
    bool MSGRefRemove(std::uint32_t) override { return true; }
    bool RequestAccountUpdate() override { return true; }
    bool IsInternetAvailable() override { return true; }
    std::string GetInstallRoot() override { return {}; }
    bool RunMessageOptions(QWidget*, MessageOptionsValues&) override { return false; }

    CMgmtSMS store;
    CQVRegClass reg;
};

// A data folder whose sentbox holds `count` delivered messages, spread over the years.
std::string SentboxFolder(int count) {
    const std::string folder = g_root + "/data" + std::to_string(count);
    if (std::filesystem::exists(folder + "/sentbox.dat")) {
        return folder;
    }
    std::filesystem::create_directories(folder);
    MessageRecordList records;
    records.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<CSMSRecord>();
        r->GUID = "{" + std::to_string(1000000 + i) + "-5A3C-4E1F-9D2B}";
        r->SetRecipients("+49151" + std::to_string(2000000 + (i * 7919) % 1000000));
        r->MessageText = "Message number " + std::to_string(i) + "\nwith a second line";
        char when[32];
        // Minutes apart, not in date order, as status changes move records to the end.
        const int minute = (i * 104729) % 5000000;
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", 2010 + minute / 525600,
                      1 + (minute / 43800) % 12, 1 + (minute / 1440) % 28, (minute / 60) % 24,
                      minute % 60);
        r->DateTime = when;
        r->Status = i % 10 == 0 ? 5 : 1;
        records.push_back(std::move(r));
    }
    std::string bytes;
    CMgmtMessages::WriteFolderData(records, bytes);
    std::ofstream(folder + "/sentbox.dat", std::ios::binary) << bytes;
    return folder;
}

struct Fixture {
    explicit Fixture(int count) : host(SentboxFolder(count)) {
        host.reg.SetSortListColumn(2);
        host.reg.SetSortListOrder(0);
        dialog = std::make_unique<CDlgMessageFolder>(host);
        win::KillTimer(dialog->PlatformWindow(), CDlgMessageFolder::TIMER_REFRESH);
    }
    BenchHost host;
    std::unique_ptr<CDlgMessageFolder> dialog;
};

std::map<int, std::unique_ptr<Fixture>>& Fixtures() {
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    return fixtures;
}

Fixture& FixtureFor(int count) {
    auto& slot = Fixtures()[count];
    if (!slot) {
        slot = std::make_unique<Fixture>(count);
    }
    return *slot;
}

void BM_UpdateListSortedByDate(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    f.host.reg.SetSortListColumn(2);
    // Something selected, as a user would have it.
    f.dialog->List()->SelectKeys({"{1000005-5A3C-4E1F-9D2B}"});
    for (auto _ : state) {
        f.dialog->UpdateList();
    }
    if (f.dialog->List()->RowCount() != state.range(0) || f.dialog->List()->SelectedCount() != 1) {
        state.SkipWithError("list or selection lost");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateListSortedByDate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortByMessageText(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    bool ascending = true;
    for (auto _ : state) {
        f.dialog->List()->Model()->Sort(COL_MESSAGE, ascending);
        ascending = !ascending;
    }
}
BENCHMARK(BM_SortByMessageText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// 1,000 store notifications arrive and are handled, then the refresh timer fires once.
void BM_NotificationStorm(benchmark::State& state) {
    Fixture& f = FixtureFor(10000);
    CDlgMessageFolder& dialog = *f.dialog;
    int refreshes = 0;
    for (auto _ : state) {
        const int before = dialog.RefreshCount();
        for (int i = 0; i < 1000; ++i) {
            f.host.store.NotifyDataChange();
        }
        while (win::HasPendingMessages()) {
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        win::SendMessage(dialog.PlatformWindow(), win::WM_TIMER, CDlgMessageFolder::TIMER_REFRESH,
                         0);
        refreshes += dialog.RefreshCount() - before;
    }
    state.counters["refreshes_per_storm"] = benchmark::Counter(
        static_cast<double>(refreshes) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_NotificationStorm)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    char folder[] = "/tmp/folders_bench_XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return 1;
    }
    g_root = folder;
    // Settings and data in a private folder, never the user's own.
    ::setenv("HOME", folder, 1);
    ::setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (g_root + "/share").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", g_root.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char name[] = "folders_bench";
    char* qtArgv[] = {name, nullptr};
    auto app = CGuiStartup::TryCreateApplication(qtArgc, qtArgv);
    if (!app) {
        return 1;
    }
    {
        CQVRegClass reg;
        reg.SetDefaultAccount("4711");
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Fixtures().clear();
    CGuiStartup::Shutdown();
    app.reset();
    std::filesystem::remove_all(g_root);
    return 0;
}
