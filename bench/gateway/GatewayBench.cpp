// Messages per second through a real Kannel (bearerbox, smsbox, SMPP to the SMSC simulator):
// "core" hands messages to the client core and waits for their send results, as the program
// does; "direct" makes the same sendsms requests (same parameters, a dlr-url to a listener that
// only answers) from plain libcurl threads. Both run at 4, 8, 16 and 32 requests at once (the
// core's "GatewayRequests", the direct side's threads), the two sides of each level one after
// the other so that both meet the same machine. The end prints each level's paired ratio and
// the ratio of the best median rates: what a site gets through the core against what Kannel gives a
// plain client at its best (the target: at least 0.8). Each run also counts the processor time
// per message of this process and of the gateway's processes (bearerbox, smsbox, simulator).
// `--requests=N` runs one level only, `--rounds=N` sets the rounds (3). The benchmark starts and
// stops the gateway itself with the test fixture's script.
#include "clientcore/QVClientCore.h"
#include "clientcore/QVClientCoreTesting.h"
#include "platform/Registry.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <microhttpd.h>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBatch = 200;

// The rate of a benchmark's last call: the library calls each registration a few times to
// find its iteration count, and only the last call is the measured run.
double g_lastRate = 0;

double Median(std::vector<double> rates) {
    if (rates.empty()) {
        return 0;
    }
    std::sort(rates.begin(), rates.end());
    std::size_t mid = rates.size() / 2;
    return rates.size() % 2 == 1 ? rates[mid] : (rates[mid - 1] + rates[mid]) / 2;
}

std::map<std::string, std::string> g_env;
std::string g_dir;

std::mutex g_lock;
std::condition_variable g_changed;
int g_results = 0;
int g_failed = 0;
std::string g_firstFailure; // why the first refused message was refused, for the error line

// When the core's last event or the direct listener's last report came (steady clock, ms).
std::atomic<std::int64_t> g_lastTraffic{0};

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits (outside the measured time) until the gateway has stopped calling back: Kannel's
// smsbox keeps its report connections open, and closing the listener while it still writes
// delivery reports into them can make smsbox abort (a "conn_unregister" panic), which leaves
// every later run without sendsms. A report comes within milliseconds or after a retry delay
// of a second, so 1.5 s without any is quiet.
void WaitForQuiet() {
    const std::int64_t deadline = NowMs() + 30000;
    while (NowMs() - g_lastTraffic.load() < 1500 && NowMs() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Processor time of this process so far, in seconds.
double OwnCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Processor time of the gateway's processes so far, in seconds (from their pid files).
double GatewayCpu() {
    double total = 0;
    for (const char* name : {"bearerbox", "smsbox", "smsc_sim"}) {
        std::ifstream pidFile(g_dir + "/" + name + ".pid");
        std::string pid;
        std::getline(pidFile, pid);
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string line;
        std::getline(stat, line);
        auto close = line.rfind(')');
        if (pid.empty() || close == std::string::npos) {
            continue;
        }
        // Fields after the command: state is the 3rd field, utime the 14th, stime the 15th.
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i >= 14) {
                ticks += std::stod(field);
            }
        }
        total += ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    return total;
}

// Measures one benchmark's processor use and rate between construction and Finish.
class CpuMeter {
public:
    CpuMeter()
        : m_own(OwnCpu()), m_gateway(GatewayCpu()), m_start(std::chrono::steady_clock::now()) {}
    double Finish(benchmark::State& state) {
        double messages = static_cast<double>(state.iterations() * kBatch);
        if (messages == 0 || state.error_occurred()) {
            return 0;
        }
        std::chrono::duration<double> wall = std::chrono::steady_clock::now() - m_start;
        state.counters["own_us_per_msg"] = (OwnCpu() - m_own) * 1e6 / messages;
        state.counters["gateway_us_per_msg"] = (GatewayCpu() - m_gateway) * 1e6 / messages;
        return messages / wall.count();
    }

private:
    double m_own, m_gateway;
    std::chrono::steady_clock::time_point m_start;
};

void Sink(void*, QVHWND, std::uint32_t, std::uintptr_t code, std::intptr_t lParam) {
    g_lastTraffic = NowMs();
    if (code != QVStatusSendMessageInfoID || lParam == 0) {
        return;
    }
    std::string guid = reinterpret_cast<const char*>(lParam);
    char label[256] = {}, description[256] = {};
    QVSendResult r{sizeof r, 256, 0, 0, 0, 0, label, description, guid.c_str(), 37};
    bool ok = QVGetStatusSendMessageInfo(&r) == 1 && r.errorFlag == 0;
    QVConfirmEvent(QVStatusSendMessageInfoID, guid.c_str());
    std::lock_guard<std::mutex> guard(g_lock);
    ++g_results;
    g_failed += ok ? 0 : 1;
    if (!ok && g_firstFailure.empty()) {
        g_firstFailure = guid + ": " + label + ": " + description;
    }
    g_changed.notify_all();
}

void BM_ThroughTheCore(benchmark::State& state) {
    const int requests = static_cast<int>(state.range(0));
    platform::RegKey key;
    key.Create(platform::RegRoot::CurrentUser, "Software\\Quorvane\\Tidewell Windows\\2.0\\Core");
    key.SetString("RemoteHost", g_env["SENDSMS_URL"]);
    key.SetString("GatewayUser", g_env["USER"]);
    key.SetString("GatewayPassword", g_env["PASSWORD"]);
    key.SetString("ReportPort", g_env["REPORT_PORT"]);
    key.SetString("GatewaySender", "Tidewell");
    key.SetString("GatewayRequests", std::to_string(requests));
    QVTestSetEventSink(&Sink, nullptr);
    if (QVInitialize("Tidewell Windows", 1, 0) != 1) {
        state.SkipWithError(QVGetLastErrorText());
        return;
    }
    char id[QV_ACCOUNT_ID_BUFFER_SIZE] = {};
    QVRegisterRequest reg{sizeof reg, "TWD", "en", "", id, nullptr};
    QVRegisterEx(&reg);
    std::uint64_t commits = 0, units = 0;
    QVTestCommitCounts(&commits, &units);
    CpuMeter meter;
    for (auto _ : state) {
        {
            std::lock_guard<std::mutex> guard(g_lock);
            g_results = 0;
            g_failed = 0;
            g_firstFailure.clear();
        }
        for (int i = 0; i < kBatch; ++i) {
            char guid[QV_GUID_BUFFER_SIZE] = {};
            QVSendRequest s{sizeof s,        id, "TWD",    "en", "",   "Benchmark message text",
                            "+447700900111", "", "concat", "0",  guid, QV_GUID_BUFFER_SIZE};
            QVSendMessage(&s);
        }
        std::unique_lock<std::mutex> lock(g_lock);
        if (!g_changed.wait_for(lock, std::chrono::seconds(60),
                                [] { return g_results >= kBatch; }) ||
            g_failed != 0) {
            std::string why = "not every message was accepted (" + std::to_string(g_results) +
                              " results, " + std::to_string(g_failed) +
                              " failed; first: " + g_firstFailure + ")";
            state.SkipWithError(why.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    g_lastRate = meter.Finish(state);
    std::uint64_t commitsAfter = 0, unitsAfter = 0;
    QVTestCommitCounts(&commitsAfter, &unitsAfter);
    double messages = static_cast<double>(state.iterations() * kBatch);
    if (messages > 0) {
        // Transactions per message, and how many units of work each one carried.
        state.counters["commits_per_msg"] = static_cast<double>(commitsAfter - commits) / messages;
        state.counters["units_per_commit"] = commitsAfter > commits
                                                 ? static_cast<double>(unitsAfter - units) /
                                                       static_cast<double>(commitsAfter - commits)
                                                 : 0;
    }
    WaitForQuiet();
    QVShutdown();
    QVTestSetEventSink(nullptr, nullptr);
}

MHD_Result Answer(void*, MHD_Connection* connection, const char*, const char*, const char*,
                  const char*, std::size_t*, void** state) {
    static int seen;
    g_lastTraffic = NowMs();
    if (*state == nullptr) {
        *state = &seen;
        return MHD_YES;
    }
    static char ok[] = "ok";
    MHD_Response* r = MHD_create_response_from_buffer(2, ok, MHD_RESPMEM_PERSISTENT);
    MHD_Result rc = MHD_queue_response(connection, 200, r);
    MHD_destroy_response(r);
    return rc;
}

std::string Escape(CURL* curl, const std::string& text) {
    char* escaped = curl_easy_escape(curl, text.c_str(), static_cast<int>(text.size()));
    std::string out = escaped;
    curl_free(escaped);
    return out;
}

// Keeps the start of an answer's body (for the error line of a refusal).
std::size_t Keep(char* data, std::size_t size, std::size_t count, void* context) {
    auto* body = static_cast<std::string*>(context);
    body->append(
        data, std::min<std::size_t>(size * count, 200 - std::min<std::size_t>(200, body->size())));
    return size * count;
}

void BM_DirectSendsms(benchmark::State& state) {
    const int requests = static_cast<int>(state.range(0));
    // The delivery reports go to a listener that only says "ok", as the core's would.
    // The core's report port: the core is not running during this benchmark.
    std::uint16_t port = static_cast<std::uint16_t>(std::stoi(g_env["REPORT_PORT"]));
    MHD_Daemon* daemon = MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL, port,
                                          nullptr, nullptr, &Answer, nullptr, MHD_OPTION_END);
    if (daemon == nullptr) {
        state.SkipWithError("no report listener");
        return;
    }
    std::atomic<int> failed{0};
    std::mutex whyLock;
    std::string why; // the first refusal: transport error or HTTP status and body
    CpuMeter meter;
    for (auto _ : state) {
        std::atomic<int> next{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < requests; ++t) {
            threads.emplace_back([&] {
                CURL* curl = curl_easy_init();
                // As long as the core's: a message GUID and a 128-bit secret in hex (Kannel
                // copies, stores and logs the address with every report).
                std::string dlr = "http://127.0.0.1:" + std::to_string(port) +
                                  "/dlr?m=00000000-0000-4000-8000-000000000000"
                                  "&s=00000000000000000000000000000000&n=0&p=%p&t=%d&a=%A";
                std::string base =
                    g_env["SENDSMS_URL"] + "?username=" + Escape(curl, g_env["USER"]) +
                    "&password=" + Escape(curl, g_env["PASSWORD"]) +
                    "&from=Tidewell&to=%2B447700900111&text=" +
                    Escape(curl, "Benchmark message text") +
                    "&charset=UTF-8&coding=0&dlr-mask=31&dlr-url=" + Escape(curl, dlr);
                std::string body;
                curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Keep);
                curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
                while (next.fetch_add(1) < kBatch) {
                    curl_easy_setopt(curl, CURLOPT_URL, base.c_str());
                    long status = 0;
                    body.clear();
                    CURLcode rc = curl_easy_perform(curl);
                    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
                    if (rc != CURLE_OK || status != 202) {
                        ++failed;
                        std::lock_guard<std::mutex> guard(whyLock);
                        if (why.empty()) {
                            why = rc != CURLE_OK ? curl_easy_strerror(rc)
                                                 : "HTTP " + std::to_string(status) + " " + body;
                        }
                    }
                }
                curl_easy_cleanup(curl);
            });
        }
        for (std::thread& t : threads) {
            t.join();
        }
        if (failed != 0) {
            std::string line =
                "sendsms refused " + std::to_string(failed.load()) + " messages; first: " + why;
            state.SkipWithError(line.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    g_lastRate = meter.Finish(state);
    WaitForQuiet();
    MHD_stop_daemon(daemon);
}

bool Fixture(const char* command) {
    std::string line = std::string("perl ") + TW_GATEWAY_SCRIPT + " " + command + " " + g_dir;
    return std::system(line.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // Our own flag goes before the benchmark library sees the others.
    std::vector<int> levels = {4, 8, 16, 32};
    int rounds = 3;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--requests=", 11) == 0) {
            levels = {std::clamp(std::atoi(argv[i] + 11), 1, 32)};
        } else if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
            rounds = std::clamp(std::atoi(argv[i] + 9), 1, 20);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    // Never touch the user's own data folder or hives.
    char root[] = "/tmp/twbench-XXXXXX";
    if (::mkdtemp(root) == nullptr) {
        return 1;
    }
    std::string base = root;
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME", "TMPDIR"}) {
        std::string dir = base + "/" + name;
        std::filesystem::create_directories(dir);
        ::setenv(name, dir.c_str(), 1);
    }
    g_dir = base + "/gateway";
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (!Fixture("start")) {
        return 1;
    }
    std::ifstream in(g_dir + "/gateway.env");
    for (std::string line; std::getline(in, line);) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            g_env[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    // Registered in pairs, so each level's two sides run next to each other, and in rounds:
    // the gateway's own rate drifts by a factor of two over minutes, so each side's rate is the
    // median of its rounds. Each registration keeps the rate of its last call.
    struct Run {
        int level;
        bool core;
        double rate = 0;
    };
    std::vector<Run> runs;
    for (int round = 0; round < rounds; ++round) {
        for (int level : levels) {
            runs.push_back({level, true});
            runs.push_back({level, false});
        }
    }
    for (Run& run : runs) {
        benchmark::RegisterBenchmark(run.core ? "core" : "direct",
                                     [&run](benchmark::State& state) {
                                         (run.core ? BM_ThroughTheCore : BM_DirectSendsms)(state);
                                         run.rate = g_lastRate;
                                     })
            ->Arg(run.level)
            ->ArgName("requests")
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(3);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    double bestCore = 0, bestDirect = 0;
    for (int level : levels) {
        std::vector<double> coreRates, directRates;
        for (const Run& run : runs) {
            if (run.level == level && run.rate > 0) {
                (run.core ? coreRates : directRates).push_back(run.rate);
            }
        }
        double core = Median(coreRates), direct = Median(directRates);
        bestCore = std::max(bestCore, core);
        bestDirect = std::max(bestDirect, direct);
        if (core > 0 && direct > 0) {
            std::printf("requests at once %2d (median of %zu): core %4.0f/s, direct %4.0f/s, "
                        "core/direct %.2f\n",
                        level, coreRates.size(), core, direct, core / direct);
        }
    }
    if (bestCore > 0 && bestDirect > 0) {
        std::printf("best medians: core %.0f/s, direct %.0f/s, core/direct %.2f (target 0.80)\n",
                    bestCore, bestDirect, bestCore / bestDirect);
    }
    QVShutdown();
    Fixture("stop");
    std::filesystem::remove_all(base);
    return 0;
}
