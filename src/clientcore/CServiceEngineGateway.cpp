// The service engine's gateway mode: messages wait in the database for the transport, which
// submits them to the gateway; the gateway's answers become send results and its delivery
// reports the recipients' statuses, posted by the engine thread like the embedded service's.
#include "clientcore/CServiceEngine.h"
#include "clientcore/CStoreSavepoint.h"
#include "platform/StringUtil.h"

#include <algorithm>
#include <limits>

namespace {

// The send result of a gateway message waits for the gateway's answer.
constexpr std::int64_t kAwaitingAnswer = std::numeric_limits<std::int64_t>::max();
// A later part that could not be handed over is tried again after this long.
constexpr std::int64_t kPartRetryMs = 10000;
// Report type of a part the gateway refused after the message's first part was taken.
constexpr int kRefusedType = 16;
// A request that could not be taken (the file is busy or failing) is tried again after this.
constexpr std::int64_t kTakeRetryMs = 1000;

std::string Digits(const std::string& number) {
    std::string digits;
    std::copy_if(number.begin(), number.end(), std::back_inserter(digits),
                 [](char c) { return c >= '0' && c <= '9'; });
    return digits;
}

// The text cut into pieces of one SMS each, never inside a character.
std::vector<std::string> SplitPieces(const std::string& text) {
    std::vector<std::string> pieces;
    std::string rest = text;
    while (!rest.empty()) {
        CSmsText measure = CSmsText::MeasureLenient(rest);
        std::size_t bytes = measure.PrefixBytes(measure.SingleLimit());
        if (bytes == 0) {
            bytes = rest.size(); // cannot happen for valid text; never loop
        }
        pieces.push_back(rest.substr(0, bytes));
        rest.erase(0, bytes);
    }
    if (pieces.empty()) {
        pieces.emplace_back();
    }
    return pieces;
}

} // namespace

void CServiceEngine::UseGateway(GatewayAccount account, std::function<void()> wake) {
    m_gateway = std::move(account);
    m_wakeSender = std::move(wake);
}

std::string CServiceEngine::OriginatorFor(const std::string& originator) const {
    std::string trimmed = platform::Trim(originator);
    // The account's own senders are named by keyword; all of them are the gateway's sender.
    if (trimmed.empty() || trimmed == "MSISDNORIGINATOR" || trimmed == "REPLYORIGINATOR" ||
        trimmed == "TEXTORIGINATOR") {
        return m_gateway->sender;
    }
    return trimmed;
}

bool CServiceEngine::StoreGatewayMessage(const SendInput& input, const CSmsText& text,
                                         const std::vector<std::string>& numbers, MessageRow& m) {
    // Kannel joins a long text itself ("concat"); "split" goes as separate requests of one SMS
    // each; "reject" was refused above when it does not fit one SMS.
    std::vector<std::string> pieces = input.mode == CSmsText::Mode::Split
                                          ? SplitPieces(input.text)
                                          : std::vector<std::string>{input.text};
    m.serviceId = m_store.AllocateServiceId(
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, Now())) * 1000u);
    m.parts = static_cast<std::int32_t>(text.Parts(input.mode));
    m.resultDueMs = kAwaitingAnswer;
    bool ok = m.serviceId != 0;
    for (std::size_t i = 0; ok && i < numbers.size(); ++i) {
        RecipientRow r;
        r.messageGuid = m.guid;
        r.index = static_cast<std::int32_t>(i);
        r.serviceId = m.serviceId;
        r.number = platform::Trim(numbers[i]);
        r.statusMs = m.acceptedMs;
        r.reported = true; // nothing to say until the gateway reports
        ok = m_store.InsertRecipient(r);
    }
    GatewayRow g;
    g.guid = m.guid;
    g.secret = CKannelProtocol::NewSecret();
    g.originator = OriginatorFor(input.originator);
    g.flash = input.flash;
    g.ucs2 = text.IsUcs2();
    return ok && m_store.InsertGateway(g, pieces);
}

bool CServiceEngine::RecoverInFlight(std::int64_t now) {
    for (const CServiceStore::InFlight& f : m_store.InFlightSubmissions()) {
        // The request may or may not have reached the gateway; sending it again could deliver
        // it twice, so it counts as sent and its reports say the rest.
        if (f.part == 0 && !m_store.SetResult(f.guid, now, "", "")) {
            return false;
        }
        std::int32_t next = f.part + 1;
        if (!m_store.SetGatewayState(f.guid, next >= f.requests ? 2 : 0, next, 0)) {
            return false;
        }
    }
    return true;
}

std::optional<GatewayRow> CServiceEngine::TakeSubmission(std::optional<std::int64_t>& retryAt) {
    retryAt.reset();
    if (!Accepting()) { // what waits is submitted after the next start
        return std::nullopt;
    }
    std::optional<GatewayRow> row;
    const std::int64_t now = Now();
    bool taken = m_commit.Run([&] { return TakeNext(now, row, retryAt); });
    if (!taken) {
        row.reset();
        retryAt = Now() + kTakeRetryMs;
    }
    return row;
}

bool CServiceEngine::Accepting() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_accepting;
}

bool CServiceEngine::TakeNext(std::int64_t now, std::optional<GatewayRow>& row,
                              std::optional<std::int64_t>& retryAt) {
    row = m_store.NextSubmission(now);
    if (!row) {
        retryAt = m_store.NextRetry();
        return true;
    }
    if (!m_store.SetGatewayState(row->guid, 1, row->part, 0)) {
        row.reset();
        retryAt = now + kTakeRetryMs;
        return false;
    }
    return true;
}

std::optional<GatewayRow> CServiceEngine::FinishSubmission(const GatewayRow& request,
                                                           const CKannelProtocol::Answer& answer,
                                                           bool takeNext,
                                                           std::optional<std::int64_t>& retryAt) {
    retryAt.reset();
    const bool accepted = answer.outcome == CKannelProtocol::Outcome::Accepted;
    const std::int64_t now = Now();
    takeNext = takeNext && Accepting();
    std::optional<GatewayRow> next;
    // The next request is marked in flight in the same unit: one write per request instead of
    // two. If the take fails, the finish alone is written.
    bool written = m_commit.Run([&] {
        if (!FinishOne(request, answer, now)) {
            return false;
        }
        if (takeNext && !TakeNext(now, next, retryAt)) {
            next.reset(); // nothing of the take was written
        }
        return true;
    });
    if (!written) {
        return std::nullopt; // still in flight: counts as sent at the next start
    }
    Kick(!accepted && request.part > 0);
    if (request.part + 1 < request.requests) {
        m_wakeSender();
    }
    return next;
}

bool CServiceEngine::FinishOne(const GatewayRow& request, const CKannelProtocol::Answer& answer,
                               std::int64_t now) {
    const bool accepted = answer.outcome == CKannelProtocol::Outcome::Accepted;
    std::int32_t next = request.part + 1;
    if (request.part == 0 && !accepted) {
        // Nothing of the message went out: the program gets the error and may hand the
        // message over again under the same key.
        return m_store.SetResult(request.guid, now, answer.label, answer.description) &&
               m_store.DeleteRecipients(request.guid) &&
               m_store.SetGatewayState(request.guid, 3, request.part, 0);
    }
    if (!accepted && (answer.label == "Server not found" || answer.label == "Server not avail")) {
        // A later part: the message is out already, so this part is tried again.
        return m_store.SetGatewayState(request.guid, 0, request.part, now + kPartRetryMs);
    }
    bool ok = true;
    if (request.part == 0) {
        ok = m_store.SetResult(request.guid, now, "", "");
    }
    if (!accepted) {
        // A later part the gateway refused: every recipient misses that part.
        for (const auto& [index, number] : m_store.RecipientNumbers(request.guid)) {
            bool raised = false;
            ok = ok &&
                 m_store.RaisePartRank(request.guid, index, request.part,
                                       CKannelProtocol::kFinalRank, kRefusedType, raised) &&
                 UpdateFromParts(request.guid, index, request.requests, answer.description, now);
        }
    }
    return ok && m_store.SetGatewayState(request.guid, next >= request.requests ? 2 : 0, next, 0);
}

bool CServiceEngine::UpdateFromParts(const std::string& guid, std::int32_t index,
                                     std::int32_t requests, const std::string& answer,
                                     std::int64_t now) {
    // A failed part decides at once; the recipient is delivered once every part is; until
    // then the most advanced waiting status shows.
    const CKannelProtocol::Status* shown = nullptr;
    std::int32_t delivered = 0;
    for (const CServiceStore::PartRank& p : m_store.PartRanks(guid, index)) {
        const CKannelProtocol::Status* status = CKannelProtocol::StatusOf(p.type);
        if (status == nullptr) {
            continue;
        }
        if (status->rank == CKannelProtocol::kFinalRank && p.type != 1) {
            shown = status;
            break;
        }
        if (p.type == 1) {
            ++delivered;
        } else if (shown == nullptr || status->rank > shown->rank) {
            shown = status;
        }
    }
    if (delivered >= requests && (shown == nullptr || shown->rank < CKannelProtocol::kFinalRank)) {
        shown = CKannelProtocol::StatusOf(1);
    } else if (shown == nullptr) {
        shown = CKannelProtocol::StatusOf(8); // some parts delivered, the rest under way
    }
    std::string text = shown->text;
    if (!answer.empty()) {
        text += " (gateway: " + answer + ")";
    }
    return m_store.SetRecipientStatus(guid, index, shown->code, text, now);
}

std::vector<int> CServiceEngine::ApplyReports(const std::vector<CKannelProtocol::Report>& reports) {
    std::vector<int> statuses(reports.size(), 503);
    bool changed = false;
    bool written = m_commit.Run([&] {
        const std::int64_t now = Now();
        changed = false;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            // Each report is written whole or not at all: one that fails half-way must leave
            // nothing behind, or the gateway's next call would find it "nothing new".
            CStoreSavepoint one(m_store);
            statuses[i] = one.IsOpen() ? ApplyOne(reports[i], now) : 503;
            if ((statuses[i] == 200 || statuses[i] == 204) && !one.Release()) {
                statuses[i] = 503;
            }
            changed = changed || statuses[i] == 200;
        }
        return true;
    });
    // Written or not, a 204 was taken only once the batch is on disk: a report that came before
    // it in the same batch may be what made it nothing new.
    if (!written) {
        for (int& status : statuses) {
            if (status == 200 || status == 204) {
                status = 503; // the gateway calls again
            }
        }
        return statuses;
    }
    if (changed) {
        Kick(true);
    }
    return statuses;
}

int CServiceEngine::ApplyOne(const CKannelProtocol::Report& report, std::int64_t now) {
    auto known = m_store.LoadGatewaySecret(report.guid);
    if (!known) {
        return 404;
    }
    if (!CKannelProtocol::SameSecret(known->first, report.secret)) {
        return 403;
    }
    if (report.part >= known->second) {
        return 400;
    }
    const CKannelProtocol::Status* status = CKannelProtocol::StatusOf(report.type);
    if (status == nullptr) {
        return 204; // a type the core does not ask for: nothing to apply
    }
    std::string digits = Digits(report.number);
    std::optional<std::int32_t> index;
    for (const auto& [i, number] : m_store.RecipientNumbers(report.guid)) {
        if (Digits(number) == digits) {
            index = i;
            break;
        }
    }
    if (!index) {
        return 404;
    }
    bool raised = false;
    if (!m_store.RaisePartRank(report.guid, *index, report.part, status->rank, report.type,
                               raised)) {
        return 503;
    }
    if (!raised) {
        return 204; // an older or repeated report: nothing new
    }
    if (!UpdateFromParts(report.guid, *index, known->second, report.answer, now)) {
        return 503;
    }
    return 200;
}

void CServiceEngine::Kick(bool sweep) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_kick = true;
    if (sweep) {
        m_sweep = true;
    }
    if (!m_gathering) { // a gathering engine passes soon anyway
        m_wake.notify_all();
    }
}
