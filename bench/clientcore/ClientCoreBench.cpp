// Throughput of the embedded service: messages accepted per second, and the time to take
// 1,000 two-recipient messages from acceptance to their final delivery reports on the test
// clock, fetching every result as the program does.
#include "clientcore/QVClientCore.h"
#include "clientcore/QVClientCoreTesting.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<std::int64_t> g_now{1'800'000'000'000};
std::mutex g_lock;
std::vector<std::pair<std::uintptr_t, std::string>> g_events;

std::int64_t Clock(void*) {
    return g_now.load();
}

void Sink(void*, QVHWND, std::uint32_t, std::uintptr_t code, std::intptr_t lParam) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_events.emplace_back(code, lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
}

std::vector<std::pair<std::uintptr_t, std::string>> TakeEvents() {
    std::lock_guard<std::mutex> guard(g_lock);
    return std::exchange(g_events, {});
}

// Starts a fresh core with a fresh database and an account with room for `balance` SMS.
std::string StartCore(long balance) {
    QVShutdown();
    std::string folder = std::string(std::getenv("XDG_DATA_HOME")) + "/TWD";
    std::filesystem::remove_all(folder);
    QVTestSetClock(&Clock, nullptr);
    QVTestSetEventSink(&Sink, nullptr);
    if (QVInitialize("Tidewell Windows", 1, 0) != 1) {
        return {};
    }
    char id[QV_ACCOUNT_ID_BUFFER_SIZE] = {};
    QVRegisterRequest r{sizeof r, "TWD", "en", "", id, nullptr};
    QVRegisterEx(&r);
    sqlite3* db = nullptr;
    sqlite3_open((folder + "/service.db").c_str(), &db);
    std::string sql = "UPDATE accounts SET balance = " + std::to_string(balance);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return id;
}

bool Send(const std::string& account, const char* recipients) {
    char guid[QV_GUID_BUFFER_SIZE] = {}; // no send key: every call is a new message
    QVSendRequest s{sizeof s,   account.c_str(),
                    "TWD",      "en",
                    "",         "Benchmark message text",
                    recipients, "",
                    "concat",   "0",
                    guid,       QV_GUID_BUFFER_SIZE};
    return QVSendMessage(&s) == 1;
}

void BM_AcceptMessages(benchmark::State& state) {
    std::string account = StartCore(1'000'000'000);
    if (account.empty()) {
        state.SkipWithError("core did not start");
        return;
    }
    for (auto _ : state) {
        if (!Send(account, "+447700900111")) {
            state.SkipWithError("send refused");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    QVShutdown();
    TakeEvents();
}
BENCHMARK(BM_AcceptMessages)->UseRealTime();

void BM_ThousandTwoRecipientMessagesToFinal(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string account = StartCore(1'000'000);
        TakeEvents();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            Send(account, "+447700900111,+447700900222");
        }
        char label[1024], description[1024], code[1024], text[1024], recipients[1024], fifth[1024],
            sixth[1024];
        std::size_t finals = 0;
        bool subscribed = false;
        for (int step = 0; step < 3; ++step) {
            g_now += step == 0 ? 200 : step == 1 ? 800 : 4000;
            QVTestRunDue();
            // Each confirmation lets the core post what waits behind it: run until quiet.
            for (auto events = TakeEvents(); !events.empty();
                 QVTestRunDue(), events = TakeEvents()) {
                for (const auto& [eventCode, guid] : events) {
                    if (eventCode == QVStatusSendMessageInfoID) {
                        QVSendResult r{sizeof r,    1024,         0, 0, 0, 0, label,
                                       description, guid.c_str(), 37};
                        QVGetStatusSendMessageInfo(&r);
                        QVConfirmEvent(static_cast<std::int32_t>(eventCode), guid.c_str());
                    } else if (eventCode == QVStatusMessageInfoID) {
                        QVMessageStatus m{sizeof m,   1024, 0,     0,     code,         text,
                                          recipients, 0,    fifth, sixth, guid.c_str(), 37};
                        QVGetMessageStatus(&m);
                        QVConfirmEvent(static_cast<std::int32_t>(eventCode), guid.c_str());
                        if (code[0] == 'F') {
                            ++finals;
                        } else if (!subscribed) {
                            QVUpdateMsgId(m.lowId, m.highId, "en", "", "TWD", account.c_str());
                            subscribed = true;
                        }
                    }
                }
            }
        }
        if (finals != 1000) {
            static std::string why;
            why = "only " + std::to_string(finals) + " of 1000 messages became final";
            state.SkipWithError(why.c_str());
            break;
        }
    }
    QVShutdown();
}
BENCHMARK(BM_ThousandTwoRecipientMessagesToFinal)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // Never touch the user's own data folder or hives.
    char root[] = "/tmp/twbench-XXXXXX";
    if (::mkdtemp(root) == nullptr) {
        return 1;
    }
    std::string base = root;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
        std::string dir = base + "/" + name;
        std::filesystem::create_directories(dir);
        ::setenv(name, dir.c_str(), 1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QVShutdown();
    std::filesystem::remove_all(base);
    return 0;
}
