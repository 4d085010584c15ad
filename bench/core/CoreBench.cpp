// The whole sending pipeline on the embedded service with a clock of our own: 1,000 outbox
// records with two recipients each are handed over by the outbox monitor, accepted, moved to
// the sentbox and driven to final by their delivery reports, once with an empty sentbox and
// once with 10,000 final records in it (saves are grouped, so the big sentbox costs a few
// saves, not one per report). Beside it, the time of one save of the final sentbox.
#include "FakeClientCore.h"

#include "clientcore/QVClientCoreTesting.h"
#include "common/TestEnv.h"
#include "core/CMgmtCore.h"
#include "core/CQVClientCoreLib.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

// TW_CORE_BENCH_MESSAGES overrides the count (a multiple of 25) for quick runs.
const int kMessages = [] {
    const char* text = std::getenv("TW_CORE_BENCH_MESSAGES");
    int n = text != nullptr ? std::atoi(text) : 0;
    return n >= 25 ? n - n % 25 : 1000;
}();
std::atomic<std::int64_t> g_now{1'800'000'000'000};
std::int64_t Clock(void*) {
    return g_now.load();
}

std::int32_t Count(CMgmtSMS& store, bool outbox, std::int32_t status) {
    return outbox ? store.OutboxCount(status) : store.SentboxCount(status);
}

void Advance(std::int64_t ms) {
    g_now += ms;
    QVTestRunDue();
}

// Waits until `count` records have `status`. With `nudgeMs` the service clock moves on by
// that much on every look, so reports scheduled after a late subscription come due too.
bool WaitFor(CMgmtSMS& store, bool outbox, std::int32_t status, std::int32_t count,
             std::int64_t nudgeMs = 0) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(300);
    std::int32_t now = 0;
    while ((now = Count(store, outbox, status)) < count && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (nudgeMs > 0) {
            Advance(nudgeMs);
        }
    }
    if (now < count) {
        std::fprintf(stderr, "%s status %d: %d of %d\n", outbox ? "outbox" : "sentbox", status, now,
                     count);
    }
    return now >= count;
}

CSMSRecord Record(int i, const std::string& account) {
    CSMSRecord r;
    r.GUID = "LOCAL-" + std::to_string(i);
    // Numbers ending in 7: the service's test endings (0001 to 0005) would keep reports open.
    r.SetRecipients("+447700" + std::to_string(100000 + i) + "7,+447701" +
                    std::to_string(100000 + i) + "7");
    r.MessageText = "Benchmark message number " + std::to_string(i);
    r.FlashMode = "0";
    r.TruncateMode = 1;
    r.AccountID = account;
    r.SetDateTime();
    return r;
}

std::string FreshFolder() {
    static int counter = 0;
    return twtest::MakeTempDir("bench" + std::to_string(++counter));
}

// A sentbox file of `count` final records, as a long-time user has.
void WriteFullSentbox(const std::string& folder, int count) {
    MessageRecordList records;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<CSMSRecord>(Record(1000000 + i, "4711"));
        r->GUID = "OLD-" + std::to_string(i);
        r->Status = MSGSTATUS_FINAL;
        r->iLowID = i + 1;
        r->UpdateRecipientStatus("+0", "Delivered", "Fdelivered");
        records.push_back(std::move(r));
    }
    std::string bytes;
    CMgmtMessages::WriteFolderData(records, bytes);
    std::filesystem::create_directories(folder);
    FILE* f = std::fopen((folder + "/sentbox.dat").c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void BM_PipelineToFinal(benchmark::State& state) {
    double perMessage = 0;
    const int sentboxBefore = static_cast<int>(state.range(0));
    std::uint64_t saves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string folder = FreshFolder();
        WriteFullSentbox(folder, sentboxBefore);
        auto store = std::make_shared<CMgmtSMS>(folder);
        auto settings = std::make_shared<coretest::RecordingSettings>();
        // A fixed local address: the bench measures the pipeline, not the machine's network.
        CoreOptions options;
        options.localAddress = std::make_shared<std::string>("127.0.0.1");
        auto manager = std::make_unique<CMgmtCore>(
            settings, store, nullptr, "Tidewell Windows", "TidewellWindows2.0.353",
            "Software\\Quorvane\\Tidewell Windows\\2.0\\Accounts\\",
            std::make_shared<CQVClientCoreLib>(), options);
        if (!manager->IsInitialised() || !manager->CORE_RegisterEx()) {
            state.SkipWithError("the core did not start");
            return;
        }
        QVTestRunDue();
        // A new account's balance covers 50 SMS: 25 two-recipient messages per account.
        std::vector<std::string> accounts;
        for (int a = 0; a < kMessages / 25; ++a) {
            char id[QV_ACCOUNT_ID_BUFFER_SIZE] = {};
            char second[QV_REGISTER_SECOND_BUFFER_SIZE] = {};
            QVRegisterRequest request{
                sizeof(QVRegisterRequest), "TidewellWindows2.0.353", "en", "127.0.0.1", id, second};
            QVRegisterEx(&request);
            accounts.push_back(id);
        }
        store->SetPersistence(false);
        for (int i = 0; i < kMessages; ++i) {
            store->OutboxAddRecord(Record(i, accounts[static_cast<std::size_t>(i / 25)]));
        }
        store->SetPersistence(true);
        store->SaveAll();
        state.ResumeTiming();

        const std::uint64_t savesBefore = store->SentboxSaveCount();
        auto start = std::chrono::steady_clock::now();
        manager->SignalOutboxUpdate();
        // Send keys are saved before the hand-over: wait for the core to have them all.
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(300);
        while (manager->HandedOver() < static_cast<std::uint64_t>(kMessages) &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Advance(200);
        WaitFor(*store, false, MSGSTATUS_AWAITING_STATUS, kMessages);
        Advance(1000);
        Advance(5000);
        WaitFor(*store, false, MSGSTATUS_FINAL, kMessages + sentboxBefore, 1000);
        store->Flush();
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        perMessage = seconds / kMessages;
        saves = store->SentboxSaveCount() - savesBefore;

        state.PauseTiming();
        bool complete = Count(*store, false, MSGSTATUS_FINAL) == kMessages + sentboxBefore;
        manager.reset();
        if (!complete) {
            state.SkipWithError("not every message became final");
            return;
        }
        state.ResumeTiming();
    }
    state.counters["ms_per_message"] = perMessage * 1000.0;
    state.counters["sentbox_saves"] = static_cast<double>(saves);
}
BENCHMARK(BM_PipelineToFinal)
    ->Arg(0)
    ->Arg(10000)
    ->ArgName("sentbox_before")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_SaveFinalSentbox(benchmark::State& state) {
    std::string folder = FreshFolder();
    CMgmtSMS store(folder);
    store.SetPersistence(false);
    for (int i = 0; i < kMessages; ++i) {
        CSMSRecord r = Record(i, "4711");
        store.OutboxAddRecord(r);
        store.OutboxMoveToSentbox(r.GUID);
        r.Status = MSGSTATUS_FINAL;
        r.iLowID = i + 1;
        r.UpdateRecipientStatus("+0", "Delivered", "Fdelivered");
        store.SentboxModifyRecord(r);
    }
    store.SetPersistence(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.SerializeSentbox(CMgmtMessages::ArchiveMode::Store));
    }
}
BENCHMARK(BM_SaveFinalSentbox)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    char root[] = "/tmp/twcorebench.XXXXXX";
    if (::mkdtemp(root) == nullptr) {
        return 1;
    }
    twtest::UsePrivateFolders(root);
    win::SetMessageBoxBackend(std::make_shared<win::ScriptedMessageBox>());
    QVTestSetClock(&Clock, nullptr);
    QVTestSetDelays(200, 1000, 5000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QVTestSetClock(nullptr, nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
