#include "clientcore/CServiceEngine.h"
#include "clientcore/CStoreTransaction.h"
#include "platform/StringUtil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <utility>

namespace {

std::atomic<CServiceEngine::ClockFn> g_clock{nullptr};
std::atomic<void*> g_clockContext{nullptr};
std::atomic<std::int32_t> g_resultDelay{200};
std::atomic<std::int32_t> g_pendingDelay{1000};
std::atomic<std::int32_t> g_finalDelay{5000};

constexpr int kBatch = 500;
// Gateway mode: how long a pass waits for more answers and reports to post with it.
constexpr int kGatherMs = 5;
constexpr std::size_t kMaxRecipients = 1000;
constexpr std::size_t kMaxParts = 255;
constexpr std::int64_t kStartingBalance = 50;
constexpr std::int64_t kKeepFinishedMs = 30LL * 24 * 3600 * 1000;

// What the service does with one recipient.
struct Plan {
    std::string firstCode, firstText;
    std::string secondCode, secondText; // empty: the first status stays
    bool charged = true;
    bool errorReport = false;
};

const char* const kPendingCode = "Pdelivering";
const char* const kPendingText = "Delivering...";

std::string Ending(const std::string& number) {
    return number.size() >= 4 ? number.substr(number.size() - 4) : std::string();
}

Plan PlanFor(const std::string& number) {
    std::string ending = Ending(number);
    if (ending == "0003") {
        return {"Funknownsender",
                "Not delivered: the sender is not recognised by the service",
                "",
                "",
                false,
                false};
    }
    if (ending == "0004") {
        return {"Finsufficientbalance",
                "Not delivered: the prepaid balance is too low",
                "",
                "",
                false,
                false};
    }
    if (ending == "0001") {
        return {kPendingCode,
                kPendingText,
                "Fundeliverable",
                "Not delivered: the number is not reachable",
                true,
                false};
    }
    if (ending == "0002") {
        return {kPendingCode, kPendingText,
                "Pwaiting",   "Waiting: the phone is switched off or out of coverage",
                true,         false};
    }
    Plan plan{kPendingCode, kPendingText, "Fdelivered", "Delivered", true, false};
    plan.errorReport = ending == "0005";
    return plan;
}

using platform::Trim;

// A phone number: an optional "+" and 3 to 20 digits.
bool IsPhoneNumber(const std::string& number) {
    std::size_t start = !number.empty() && number[0] == '+' ? 1 : 0;
    std::size_t digits = number.size() - start;
    if (digits < 3 || digits > 20) {
        return false;
    }
    return std::all_of(number.begin() + static_cast<std::ptrdiff_t>(start), number.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// A sender the network passes on: a phone number or up to 11 letters, digits and spaces, or
// one of the account's own senders named by its keyword (its mobile number, its reply inbox,
// its sender text), which the client stores when the user picks one of them.
bool IsValidOriginator(const std::string& originator) {
    if (originator.empty() || IsPhoneNumber(originator) || originator == "MSISDNORIGINATOR" ||
        originator == "REPLYORIGINATOR" || originator == "TEXTORIGINATOR") {
        return true;
    }
    if (originator.size() > 11) {
        return false;
    }
    return std::all_of(originator.begin(), originator.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == ' ' || c == '.' || c == '-';
    });
}

bool IsValidEmail(const std::string& email) {
    if (email.size() > 254) {
        return false;
    }
    auto at = email.find('@');
    if (at == std::string::npos || at == 0 || email.find('@', at + 1) != std::string::npos) {
        return false;
    }
    std::string domain = email.substr(at + 1);
    if (domain.empty() || domain.find('.') == std::string::npos || domain.front() == '.' ||
        domain.back() == '.') {
        return false;
    }
    return std::none_of(email.begin(), email.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == ',' || c == ';';
    });
}

std::string TimeText(std::int64_t ms) {
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    ::gmtime_r(&seconds, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string RandomDigits(std::size_t count) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    std::uniform_int_distribution<int> digit(0, 9);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(static_cast<char>('0' + digit(rng)));
    }
    return text;
}

std::int32_t High(std::uint64_t id) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id >> 32));
}

std::int32_t Low(std::uint64_t id) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id & 0xFFFFFFFFu));
}

} // namespace

void CServiceEngine::SetClock(ClockFn clock, void* context) {
    g_clockContext = context;
    g_clock = clock;
}

void CServiceEngine::SetDelays(std::int32_t sendResultMs, std::int32_t pendingMs,
                               std::int32_t finalMs) {
    if (sendResultMs >= 0) {
        g_resultDelay = sendResultMs;
    }
    if (pendingMs >= 0) {
        g_pendingDelay = pendingMs;
    }
    if (finalMs >= 0) {
        g_finalDelay = finalMs;
    }
}

std::int64_t CServiceEngine::Now() {
    ClockFn clock = g_clock;
    if (clock != nullptr) {
        return clock(g_clockContext);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool CServiceEngine::HasOwnClock() {
    return g_clock.load() != nullptr;
}

std::string CServiceEngine::NewGuid() {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    std::uint64_t hi = rng();
    std::uint64_t lo = rng();
    hi = (hi & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull; // version 4
    lo = (lo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull; // RFC 4122 variant
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(hi >> 32),
                  static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                  static_cast<unsigned>(lo >> 48),
                  static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFull));
    return buf;
}

CServiceEngine::CServiceEngine(CResultStore& results, PostFn post)
    : m_results(results), m_post(std::move(post)) {}

CServiceEngine::~CServiceEngine() {
    Stop();
}

bool CServiceEngine::Start(const std::string& databasePath, std::string& error) {
    {
        std::lock_guard<std::mutex> db(m_dbLock);
        if (!m_store.Open(databasePath, error)) {
            return false;
        }
        // Finished messages are kept for a while, then forgotten, so the file stays small.
        // Whatever was posted to an earlier run but never confirmed is posted again.
        CStoreTransaction start(m_store);
        if (start.IsOpen()) {
            m_store.PruneFinished(Now() - kKeepFinishedMs);
            if (m_store.UnpostUnconfirmed() && (!m_gateway || RecoverInFlight(Now()))) {
                start.Commit();
            }
        }
        m_reports.clear();
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_running = true;
    m_accepting = true;
    m_stop = false;
    m_announceShutdown = false;
    m_sweep = true; // statuses that changed while the engine was not running
    m_subscription.reset();
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CServiceEngine::RequestShutdown() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_accepting = false;
    m_stop = true;
    m_announceShutdown = true;
    m_wake.notify_all();
}

void CServiceEngine::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_accepting = false;
        m_stop = true;
        m_wake.notify_all();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::vector<std::pair<std::uint32_t, std::string>> confirms;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        confirms = std::move(m_confirms);
        m_confirms.clear();
    }
    std::lock_guard<std::mutex> db(m_dbLock);
    if (!confirms.empty()) {
        CStoreTransaction write(m_store);
        if (write.IsOpen() && ApplyConfirms(confirms)) {
            write.Commit();
        }
    }
    m_reports.clear();
    m_store.Close();
}

void CServiceEngine::Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (true) {
        if (m_stop && !m_announceShutdown) {
            break; // stopped outright: no more events for a program that is going away
        }
        if (m_gateway && !HasOwnClock()) {
            // A gateway's answers and reports arrive hundreds a second: a pass every few
            // milliseconds posts what came meanwhile together, in one write, instead of one
            // pass and commit each. Queries, test passes and the shutdown do not wait.
            auto urgent = [&] {
                return m_stop || !m_queued.empty() || m_passRequested > m_passCompleted;
            };
            if (!urgent()) {
                m_gathering = true;
                m_wake.wait_for(lock, std::chrono::milliseconds(kGatherMs), urgent);
                m_gathering = false;
            }
        }
        bool stop = m_stop;
        bool sweep = std::exchange(m_sweep, false);
        m_kick = false;
        std::uint64_t ticket = m_passRequested;
        auto subscription = m_subscription;
        std::vector<PendingPost> posts = std::move(m_queued);
        m_queued.clear();
        std::vector<std::pair<std::uint32_t, std::string>> confirms = std::move(m_confirms);
        m_confirms.clear();
        m_newDue.reset();
        lock.unlock();

        std::int64_t now = Now();
        std::optional<std::int64_t> next = Pass(now, sweep, subscription, confirms, posts);
        Deliver(posts);

        lock.lock();
        if (m_newDue && (!next || *m_newDue < *next)) {
            next = m_newDue; // a result stored while the pass ran
        }
        m_plannedWake = next;
        m_passCompleted = std::max(m_passCompleted, ticket);
        m_passDone.notify_all();
        if (stop) {
            break;
        }
        if (m_stop || m_kick || m_sweep || !m_queued.empty() || m_passRequested != ticket) {
            continue;
        }
        // Confirmations are written with the next pass, or within a short while.
        auto woken = [&] {
            return m_stop || m_kick || m_sweep || !m_queued.empty() || m_passRequested != ticket;
        };
        std::int64_t longest = m_confirms.empty() ? 60000 : 50;
        if ((HasOwnClock() || !next) && m_confirms.empty()) {
            m_wake.wait(lock, woken);
            continue;
        }
        // Wall-clock time can jump: never sleep longer than a minute at a time.
        std::int64_t wait =
            next && !HasOwnClock() ? std::clamp<std::int64_t>(*next - Now(), 0, longest) : longest;
        if (wait > 0) {
            m_wake.wait_for(lock, std::chrono::milliseconds(wait), woken);
        }
    }
    bool announce = m_announceShutdown;
    m_running = false;
    m_passCompleted = m_passRequested;
    m_passDone.notify_all();
    lock.unlock();
    if (announce) {
        m_post(99, nullptr);
    }
}

void CServiceEngine::Deliver(std::vector<PendingPost>& posts) {
    for (PendingPost& post : posts) {
        std::size_t kind = post.result.index();
        const char* text = m_results.Put(post.guid, std::move(post.result));
        if (!m_post(post.code, text)) {
            m_results.Discard(post.guid, kind); // nobody will ever fetch it
        }
    }
    posts.clear();
}

std::optional<std::int64_t>
CServiceEngine::Pass(std::int64_t now, bool sweep, std::optional<std::uint64_t> subscription,
                     const std::vector<std::pair<std::uint32_t, std::string>>& confirms,
                     std::vector<PendingPost>& posts) {
    std::size_t queued = posts.size();
    std::optional<std::int64_t> next;
    bool written =
        m_commit.Run([&] { return PassUnit(now, sweep, subscription, confirms, posts, next); });
    if (!written) {
        // The file is busy or failing: nothing of the pass is written, nothing is posted, and
        // it is tried again in a while.
        std::lock_guard<std::mutex> db(m_dbLock);
        for (std::size_t k = queued; k < posts.size(); ++k) {
            if (posts[k].code == 3) {
                m_reports.erase(posts[k].guid);
            }
        }
        posts.resize(queued);
        return now + 1000;
    }
    return next;
}

bool CServiceEngine::PassUnit(std::int64_t now, bool sweep,
                              std::optional<std::uint64_t> subscription,
                              const std::vector<std::pair<std::uint32_t, std::string>>& confirms,
                              std::vector<PendingPost>& posts, std::optional<std::int64_t>& next) {
    // Confirmations ride along with the pass's transaction. Each one stands alone, so one that
    // is not written is harmless: that event is posted again at the next start.
    ApplyConfirms(confirms);
    bool ok = true;
    // Send results first: a message's result always goes out before its delivery reports.
    for (bool more = true; ok && more;) {
        auto rows = m_store.DueResults(now, kBatch);
        more = rows.size() == static_cast<std::size_t>(kBatch);
        for (const MessageRow& m : rows) {
            SendResultData r;
            r.highId = High(m.serviceId);
            r.lowId = Low(m.serviceId);
            r.errorFlag = m.errorLabel.empty() ? 0 : 1;
            r.errorLabel = m.errorLabel;
            r.errorDescription = m.errorDescription;
            posts.push_back({6, m.guid, std::move(r)});
            ok = ok && m_store.MarkResultPosted(m.guid);
        }
    }
    for (bool more = true; ok && more;) {
        auto rows = m_store.DueErrorReports(now, kBatch);
        more = rows.size() == static_cast<std::size_t>(kBatch);
        for (const MessageRow& m : rows) {
            posts.push_back(
                {4, m.guid, ErrorReportData{m.errorReportLabel, m.errorReportDescription}});
            ok = ok && m_store.ClearErrorReport(m.guid);
        }
    }
    bool changed = false;
    for (bool more = true; ok && more;) {
        auto rows = m_store.DueRecipients(now, kBatch);
        more = rows.size() == static_cast<std::size_t>(kBatch);
        for (RecipientRow& r : rows) {
            while (r.dueMs && *r.dueMs <= now) {
                r.statusMs = *r.dueMs;
                if (r.stage == 0) {
                    r.stage = 1;
                    r.code = r.firstCode;
                    r.text = r.firstText;
                    r.dueMs = r.secondCode.empty() ? std::nullopt : r.secondDueMs;
                } else {
                    r.stage = 2;
                    r.code = r.secondCode;
                    r.text = r.secondText;
                    r.dueMs.reset();
                }
            }
            r.reported = false;
            ok = ok && m_store.UpdateRecipient(r);
            changed = true;
        }
    }
    if (ok && (changed || sweep)) {
        auto rows = m_store.Reportable(subscription);
        std::vector<ReportedStatus> carried;
        std::size_t i = 0;
        while (i < rows.size()) {
            // One report for the recipients of a message that share a status.
            const RecipientRow& first = rows[i];
            MessageStatusData status;
            status.highId = High(first.serviceId);
            status.lowId = Low(first.serviceId);
            status.statusCode = first.code;
            status.statusText = first.text;
            std::int64_t when = first.statusMs;
            std::size_t j = i;
            for (; j < rows.size() && rows[j].serviceId == first.serviceId &&
                   rows[j].code == first.code && rows[j].text == first.text;
                 ++j) {
                if (j > i) {
                    status.recipients += ",";
                }
                status.recipients += rows[j].number;
                when = std::max(when, rows[j].statusMs);
                ok = ok && m_store.MarkReported(rows[j].messageGuid, rows[j].index);
                carried.push_back({rows[j].messageGuid, rows[j].index, rows[j].stage});
            }
            status.statusTime = TimeText(when);
            std::string reportGuid = NewGuid();
            m_reports[reportGuid] = std::move(carried);
            carried.clear();
            posts.push_back({3, std::move(reportGuid), std::move(status)});
            i = j;
        }
    }
    if (!ok) {
        return false;
    }
    next = m_store.NextDue();
    return true;
}

bool CServiceEngine::Register(AccountRow& account, std::string& error) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_accepting) {
            error = "the core is shutting down";
            return false;
        }
    }
    std::lock_guard<std::mutex> db(m_dbLock);
    for (int attempt = 0; attempt < 8; ++attempt) {
        AccountRow a;
        if (m_gateway) {
            // A local account bound to the gateway's credentials: invoiced by whoever runs the
            // gateway, so no balance is kept.
            a.id = "GW" + RandomDigits(10);
            a.accountType = "invoice";
            a.groupId = "gateway";
            a.userName = m_gateway->user;
            a.msisdn = m_gateway->sender;
            a.messageLength = 160;
            a.allowOriginator = m_gateway->allowOriginator ? 1 : 0;
            a.replyOriginator = m_gateway->sender;
            a.textOriginator = m_gateway->sender;
            a.replyType = "none";
            a.createdMs = Now();
            if (m_store.InsertAccount(a)) {
                account = std::move(a);
                return true;
            }
            continue;
        }
        a.id = "TW" + RandomDigits(10);
        a.accountType = "prepaid";
        a.msisdn = "+447700900" + RandomDigits(3);
        a.groupId = "prepaid";
        a.messageLength = 160;
        a.balance = kStartingBalance;
        a.replyOriginator = "+447700900000";
        a.textOriginator = "Tidewell";
        a.replyDomain = "sms.tidewell.invalid";
        a.replyType = "email";
        a.createdMs = Now();
        if (m_store.InsertAccount(a)) {
            account = std::move(a);
            return true;
        }
        if (m_store.LoadAccount(a.id)) {
            continue; // the id is taken: draw another
        }
        break;
    }
    error = "the account could not be stored";
    return false;
}

AccountStatusData CServiceEngine::Snapshot(const AccountRow& a) const {
    AccountStatusData s;
    s.accountId = a.id;
    s.accountType = a.accountType;
    s.msisdnOriginator = a.msisdn;
    s.msisdn = a.msisdn;
    s.groupId = a.groupId;
    s.userName = a.userName;
    s.userEmail = a.userEmail;
    s.messageLength = a.messageLength;
    s.prepaidBalance = std::to_string(a.balance);
    s.msgsTotal = "unlimited";
    s.msgsPeriod = "unlimited";
    s.period = "month";
    s.allowedToSend = a.allowedToSend;
    s.allowOriginator = a.allowOriginator;
    s.allowMsIsdnOriginator = a.allowMsIsdnOriginator;
    s.allowSignup = a.allowSignup;
    s.replyOriginator = a.replyOriginator;
    s.textOriginator = a.textOriginator;
    s.replyEmailSenderDomain = a.replyDomain;
    s.replyType = a.replyType;
    if (m_gateway) {
        // An invoice account: no prepaid balance; the originator right is the settings'.
        s.prepaidBalance.clear();
        s.allowOriginator = m_gateway->allowOriginator ? 1 : 0;
        s.allowMsIsdnOriginator = 1;
    }
    return s;
}

bool CServiceEngine::QueryAccount(const std::string& accountId, std::string& guid,
                                  std::string& error) {
    std::optional<AccountRow> account;
    {
        std::lock_guard<std::mutex> db(m_dbLock);
        if (!m_store.IsOpen()) {
            error = "the core is not running";
            return false;
        }
        account = m_store.LoadAccount(accountId);
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_accepting) {
        error = "the core is shutting down";
        return false;
    }
    guid = NewGuid();
    if (account && m_gateway && account->userName != m_gateway->user) {
        account.reset(); // bound to other gateway credentials than the ones configured now
    }
    if (!account) {
        // Answered like any query, so that the program learns the account is gone.
        AccountStatusData unknown;
        unknown.accountId = accountId;
        unknown.errorFlag = 1;
        unknown.errorLabel = "Unknown account";
        unknown.errorMessage = "The account \"" + accountId + "\" is not known to the service.";
        m_queued.push_back({2, guid, std::move(unknown)});
        m_wake.notify_all();
        return true;
    }
    m_queued.push_back({2, guid, Snapshot(*account)});
    m_wake.notify_all();
    return true;
}

bool CServiceEngine::ChangeEmail(const std::string& accountId, const std::string& email,
                                 std::string& label, std::string& description) {
    if (!email.empty() && !IsValidEmail(email)) {
        label = "Invalid e-mail address";
        description = "\"" + email + "\" is not an e-mail address.";
        return false;
    }
    std::lock_guard<std::mutex> db(m_dbLock);
    if (!m_store.IsOpen() || !m_store.LoadAccount(accountId)) {
        label = "Unknown account";
        description = "The account \"" + accountId + "\" is not known to the service.";
        return false;
    }
    if (!m_store.UpdateAccountEmail(accountId, email)) {
        label = "Server Error";
        description = "The service could not store the change.";
        return false;
    }
    return true;
}

void CServiceEngine::Subscribe(std::optional<std::uint64_t> fromId) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_subscription = fromId;
    m_sweep = fromId.has_value();
    m_wake.notify_all();
}

bool CServiceEngine::IsGuid(const std::string& text) {
    if (text.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) {
            return false;
        }
    }
    return true;
}

bool CServiceEngine::Confirm(std::uint32_t code, const std::string& guid) {
    if (code != 3 && code != 4 && code != 6) {
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_confirms.emplace_back(code, guid);
    m_wake.notify_all();
    return true;
}

bool CServiceEngine::ApplyConfirms(
    const std::vector<std::pair<std::uint32_t, std::string>>& confirms) {
    bool ok = true;
    for (const auto& [code, guid] : confirms) {
        if (code == 6) {
            ok = ok && m_store.ConfirmResult(guid);
        } else if (code == 4) {
            ok = ok && m_store.ConfirmErrorReport(guid);
        } else if (code == 3) {
            auto it = m_reports.find(guid);
            if (it == m_reports.end()) {
                continue; // posted before the last start: it is posted again anyway
            }
            for (const ReportedStatus& r : it->second) {
                ok = ok && m_store.ConfirmReported(r.messageGuid, r.index, r.stage);
            }
            if (ok) {
                m_reports.erase(it);
            }
        }
    }
    return ok;
}

bool CServiceEngine::RunDue() {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_running || m_stop) {
        return false;
    }
    std::uint64_t ticket = ++m_passRequested;
    m_wake.notify_all();
    m_passDone.wait(lock, [&] { return m_passCompleted >= ticket || !m_running; });
    return m_passCompleted >= ticket;
}

bool CServiceEngine::Send(const SendInput& input, std::string& guid, std::string& error) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_accepting) {
            error = "the core is shutting down";
            return false;
        }
    }
    auto scaled = [&](std::int64_t ms) {
        return ms * static_cast<std::int64_t>(input.delayPercent) / 100;
    };
    std::int64_t resultDelay = scaled(std::max(0, g_resultDelay.load()));
    std::int64_t pendingDelay = std::max<std::int64_t>(resultDelay, scaled(g_pendingDelay.load()));
    std::int64_t finalDelay = std::max<std::int64_t>(pendingDelay, scaled(g_finalDelay.load()));

    MessageRow m;
    m.guid = input.key.empty() ? NewGuid() : input.key;
    m.accountId = input.accountId;
    m.acceptedMs = Now();
    m.resultDueMs = m.acceptedMs + resultDelay;

    auto refuse = [&](std::string label, std::string description) {
        m.errorLabel = std::move(label);
        m.errorDescription = std::move(description);
    };

    // Everything from the key's look-up to the stored message is one unit of a shared
    // transaction: the message counts as taken only once it is committed.
    bool known = false;
    bool reposted = false;
    bool written = m_commit.Run([&] {
        known = false;
        reposted = false;
        m.serviceId = 0;
        bool retry = false;
        if (!input.key.empty()) {
            if (auto state = m_store.LoadMessageState(input.key)) {
                if (state->serviceId != 0) {
                    // Accepted before: the same message, charged once. The caller asks again
                    // because it lacks the send result; one it confirmed is posted again.
                    if (state->resultPosted == 1) {
                        if (!m_store.RepostResult(input.key)) {
                            return false;
                        }
                        reposted = true;
                    }
                    known = true;
                    return true;
                }
                retry = true; // refused before, nothing charged: a new attempt under the same key
            }
        }
        std::optional<AccountRow> account;
        std::optional<CSmsText> text;
        std::vector<std::string> numbers;
        std::size_t parts = 0;
        if (input.outage == 1) {
            refuse("Server not found", "The messaging server could not be reached.");
        } else if (input.outage >= 2) {
            refuse("Server not avail", "The messaging server is not available at the moment.");
        } else if (!(account = m_store.LoadAccount(input.accountId)) ||
                   (m_gateway && account->userName != m_gateway->user)) {
            refuse("Unknown account", "The account \"" + input.accountId +
                                          "\" is not known to the service. Register again.");
        } else if (!account->allowedToSend) {
            refuse("Not allowed to send", "The account may not send messages.");
        } else if (!(text = CSmsText::Measure(input.text))) {
            refuse("Invalid text", "The message text is not valid UTF-8 text.");
        } else {
            std::size_t start = 0;
            while (start <= input.recipients.size()) {
                std::size_t comma = input.recipients.find(',', start);
                if (comma == std::string::npos) {
                    comma = input.recipients.size();
                }
                numbers.push_back(input.recipients.substr(start, comma - start));
                start = comma + 1;
            }
            auto bad = std::find_if(numbers.begin(), numbers.end(),
                                    [](const std::string& n) { return !IsPhoneNumber(Trim(n)); });
            parts = text->Parts(input.mode);
            if (input.recipients.empty() || Trim(input.recipients).empty()) {
                refuse("Invalid recipient", "The message has no recipient.");
            } else if (bad != numbers.end()) {
                refuse("Invalid recipient",
                       "\"" + Trim(*bad) +
                           "\" is not a phone number. Write it in international form, for "
                           "example +447700900123.");
            } else if (numbers.size() > kMaxRecipients) {
                refuse("Too many recipients", "A message can go to at most " +
                                                  std::to_string(kMaxRecipients) + " recipients.");
            } else if (!IsValidOriginator(Trim(input.originator))) {
                refuse("Invalid originator",
                       "The sender \"" + input.originator +
                           "\" cannot be used: give a phone number or at most 11 letters and "
                           "digits.");
            } else if (parts == 0) {
                refuse("Message too long", "The message has " + std::to_string(text->Length()) +
                                               " characters but one SMS holds " +
                                               std::to_string(text->SingleLimit()) +
                                               ". Shorten the text or allow it to be split.");
            } else if (parts > kMaxParts) {
                refuse("Message too long", "The message would take " + std::to_string(parts) +
                                               " SMS; at most " + std::to_string(kMaxParts) +
                                               " can be joined.");
            }
        }

        bool ok = !retry || (m_store.DeleteMessage(m.guid) && m_store.DeleteRecipients(m.guid) &&
                             m_store.DeleteGateway(m.guid));
        if (ok && m.errorLabel.empty() && m_gateway) {
            ok = StoreGatewayMessage(input, *text, numbers, m);
        } else if (ok && m.errorLabel.empty()) {
            // Ids are seeded from the time (a thousand per millisecond), so that a database started
            // afresh never hands out an id an earlier one gave to a message.
            m.serviceId = m_store.AllocateServiceId(
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, Now())) * 1000u);
            m.parts = static_cast<std::int32_t>(parts);
            ok = m.serviceId != 0;
            std::int64_t balance = account->balance;
            std::int64_t total = account->smsTotal;
            auto cost = static_cast<std::int64_t>(parts);
            for (std::size_t i = 0; ok && i < numbers.size(); ++i) {
                std::string number = Trim(numbers[i]);
                Plan plan = PlanFor(number);
                if (plan.charged) {
                    if (balance < cost) {
                        plan = {"Finsufficientbalance",
                                "Not delivered: the prepaid balance is too low",
                                "",
                                "",
                                false,
                                false};
                    } else {
                        balance -= cost;
                        total += cost;
                    }
                }
                if (plan.errorReport && !m.errorReportDueMs) {
                    m.errorReportDueMs = m.acceptedMs + pendingDelay;
                    m.errorReportLabel = "Server Error";
                    m.errorReportDescription =
                        "The service lost track of the message; it may still be delivered.";
                }
                RecipientRow r;
                r.messageGuid = m.guid;
                r.index = static_cast<std::int32_t>(i);
                r.serviceId = m.serviceId;
                r.number = numbers[i];
                r.statusMs = m.acceptedMs;
                r.dueMs = m.acceptedMs + pendingDelay;
                r.firstCode = plan.firstCode;
                r.firstText = plan.firstText;
                r.secondCode = plan.secondCode;
                r.secondText = plan.secondText;
                if (!plan.secondCode.empty()) {
                    r.secondDueMs = m.acceptedMs + finalDelay;
                }
                ok = m_store.InsertRecipient(r);
            }
            ok = ok && m_store.UpdateAccountUsage(account->id, balance, total);
        }
        return ok && m_store.InsertMessage(m);
    });
    if (!written) {
        error = "the service database could not store the message";
        return false;
    }
    if (known) {
        // Accepted before: the same message, charged once. The caller asks again because it
        // lacks the send result; one it confirmed is posted again.
        if (reposted) {
            Kick(false);
        }
        guid = input.key;
        return true;
    }
    guid = m.guid;
    if (m_gateway && m.errorLabel.empty()) {
        m_wakeSender();
        return true;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    // A pass under way may have looked for the next due time before this message was
    // committed: it learns of the new result from here.
    m_newDue = m_newDue ? std::min(*m_newDue, m.resultDueMs) : m.resultDueMs;
    // Wake the engine only when it would otherwise sleep past the new send result.
    bool early =
        HasOwnClock() ? m.resultDueMs <= Now() : (!m_plannedWake || m.resultDueMs < *m_plannedWake);
    if (early) {
        m_kick = true;
        m_plannedWake = m.resultDueMs;
        m_wake.notify_all();
    }
    return true;
}
