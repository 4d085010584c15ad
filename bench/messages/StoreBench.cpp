// Cost of the message store with large folders: loading, saving one folder, one modification
// (which saves the folder) and listing. Beside them the time to write the same number of bytes
// with one write call and fsync, the floor that a save can come close to.
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string BenchFolder(std::int64_t records) {
    const char* base = std::getenv("TW_BENCH_DIR");
    std::string root = base != nullptr ? base : std::filesystem::temp_directory_path().string();
    char name[96];
    std::snprintf(name, sizeof name, "/tw-messages-bench-%d-%lld/TWD", static_cast<int>(::getpid()),
                  static_cast<long long>(records));
    return root + name;
}

CSMSRecord RealisticSms(std::int64_t i) {
    CSMSRecord sms;
    char guid[64];
    std::snprintf(guid, sizeof guid, "{6F9619FF-8B86-D011-B42D-%012lld}",
                  static_cast<long long>(i));
    sms.GUID = guid;
    sms.Sender = "Alex";
    sms.AccountID = "account-0042";
    sms.Originator = "+491701234567";
    sms.DateTime = "2005-06-01 14:05";
    sms.StatusLabel = "Delivered";
    sms.Status = MSGSTATUS_AWAITING_STATUS;
    sms.iLowID = static_cast<std::int32_t>(i + 1);
    sms.SetRecipients("+491709876543,+441632960961");
    sms.Recipients[0].StatusText = "Delivered";
    sms.Recipients[0].Final = true;
    sms.MessageText = std::string(120, 'x');
    sms.FlashMode.assign(1, '0');
    return sms;
}

// Writes both folder files with `count` records each.
void Fill(const std::string& folder, std::int64_t count) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    MessageRecordList sent;
    MessageRecordList pending;
    for (std::int64_t i = 0; i < count; ++i) {
        auto sms = std::make_unique<CSMSRecord>(RealisticSms(i));
        auto out = std::make_unique<CSMSRecord>(*sms);
        out->GUID.append("-out");
        out->Status = MSGSTATUS_NOT_SENT;
        sent.push_back(std::move(sms));
        pending.push_back(std::move(out));
    }
    std::string bytes;
    CMgmtMessages::WriteFolderData(sent, bytes);
    platform::WriteFileAtomic(folder + "/sentbox.dat", bytes);
    bytes.clear();
    CMgmtMessages::WriteFolderData(pending, bytes);
    platform::WriteFileAtomic(folder + "/outbox.dat", bytes);
}

class StoreFixture : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State& state) override {
        m_count = state.range(0);
        m_folder = BenchFolder(m_count);
        Fill(m_folder, m_count);
    }
    void TearDown(const benchmark::State&) override {
        std::filesystem::remove_all(std::filesystem::path(m_folder).parent_path());
    }

protected:
    std::int64_t m_count = 0;
    std::string m_folder;
};

BENCHMARK_DEFINE_F(StoreFixture, LoadBothFolders)(benchmark::State& state) {
    for (auto _ : state) {
        CMgmtSMS store(m_folder);
        benchmark::DoNotOptimize(store.IsLoaded());
    }
    state.counters["file_bytes"] =
        static_cast<double>(std::filesystem::file_size(m_folder + "/sentbox.dat"));
}

BENCHMARK_DEFINE_F(StoreFixture, SaveOneFolder)(benchmark::State& state) {
    CMgmtSMS store(m_folder);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.SerializeSentbox(CMgmtMessages::ArchiveMode::Store));
    }
    state.counters["file_bytes"] =
        static_cast<double>(std::filesystem::file_size(m_folder + "/sentbox.dat"));
}

BENCHMARK_DEFINE_F(StoreFixture, SentboxModifyRecord)(benchmark::State& state) {
    CMgmtSMS store(m_folder);
    CSMSRecord sms = RealisticSms(m_count / 2);
    for (auto _ : state) {
        sms.StatusQueryCount++;
        benchmark::DoNotOptimize(store.SentboxModifyRecord(sms));
    }
}

// The same with every change saved at once (no grouping), what each change cost before.
BENCHMARK_DEFINE_F(StoreFixture, SentboxModifyRecordSavedAtOnce)(benchmark::State& state) {
    CMgmtSMS store(m_folder, StoreOptions{std::chrono::milliseconds(0)});
    CSMSRecord sms = RealisticSms(m_count / 2);
    for (auto _ : state) {
        sms.StatusQueryCount++;
        benchmark::DoNotOptimize(store.SentboxModifyRecord(sms));
    }
}

// 1,000 status changes spread evenly over one second, as delivery reports of a batch arrive:
// how many times the sentbox file is written (grouped saves, at most one per 100 ms).
BENCHMARK_DEFINE_F(StoreFixture, BurstOfStatusChanges)(benchmark::State& state) {
    CMgmtSMS store(m_folder);
    std::uint64_t saves = 0;
    for (auto _ : state) {
        const std::uint64_t before = store.SentboxSaveCount();
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) {
            CSMSRecord sms = RealisticSms(i * (m_count / 1000));
            sms.StatusQueryCount = i + 1;
            store.SentboxModifyRecord(sms);
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
        // The saver writes the last changes within its delay; a forced flush would add a save
        // the running program does not make.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        saves = store.SentboxSaveCount() - before;
        store.Flush();
    }
    state.counters["sentbox_saves"] = static_cast<double>(saves);
}

BENCHMARK_DEFINE_F(StoreFixture, OutboxGetRecords)(benchmark::State& state) {
    CMgmtSMS store(m_folder);
    MessageRecordList list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.OutboxGetRecords(list, 0));
    }
}

// Only the serialisation into memory, without the file.
BENCHMARK_DEFINE_F(StoreFixture, SerializeOnly)(benchmark::State& state) {
    MessageRecordList records;
    for (std::int64_t i = 0; i < m_count; ++i) {
        records.push_back(std::make_unique<CSMSRecord>(RealisticSms(i)));
    }
    const bool reuse = state.range(1) != 0;
    std::string bytes;
    for (auto _ : state) {
        if (reuse) {
            bytes.clear();
        } else {
            std::string().swap(bytes);
        }
        CMgmtMessages::WriteFolderData(records, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

// One write call and fsync of as many bytes as the sentbox file holds.
BENCHMARK_DEFINE_F(StoreFixture, RawWriteAndFsync)(benchmark::State& state) {
    const std::string bytes(std::filesystem::file_size(m_folder + "/sentbox.dat"), 'r');
    const std::string path = m_folder + "/raw.dat";
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            state.SkipWithError("open failed");
            break;
        }
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        ::fsync(fd);
        ::close(fd);
        if (written != static_cast<ssize_t>(bytes.size())) {
            state.SkipWithError("short write");
            break;
        }
    }
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

#define TW_STORE_SIZES ->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK_REGISTER_F(StoreFixture, LoadBothFolders) TW_STORE_SIZES;
BENCHMARK_REGISTER_F(StoreFixture, SaveOneFolder) TW_STORE_SIZES;
BENCHMARK_REGISTER_F(StoreFixture, RawWriteAndFsync) TW_STORE_SIZES;
BENCHMARK_REGISTER_F(StoreFixture, SerializeOnly)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->ArgNames({"records", "reuse"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_REGISTER_F(StoreFixture, SentboxModifyRecord) TW_STORE_SIZES;
BENCHMARK_REGISTER_F(StoreFixture, SentboxModifyRecordSavedAtOnce) TW_STORE_SIZES;
BENCHMARK_REGISTER_F(StoreFixture, BurstOfStatusChanges)
    ->Arg(10000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_REGISTER_F(StoreFixture, OutboxGetRecords) TW_STORE_SIZES;

} // namespace

BENCHMARK_MAIN();
