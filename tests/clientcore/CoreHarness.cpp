#include "CoreHarness.h"

#include "platform/Registry.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace cctest {

namespace {

const char* const kCoreKey = "Software\\Quorvane\\Tidewell Windows\\2.0\\Core";

// The program's retry loop: grow every buffer to n + 1 until the fetch gives 0 or 1.
template <class Fetch> std::int32_t Negotiate(std::int32_t firstSize, Fetch fetch) {
    std::int32_t size = firstSize;
    for (int round = 0; round < 8; ++round) {
        std::int32_t rc = fetch(size);
        if (rc == 0 || rc == 1) {
            return rc;
        }
        EXPECT_GE(rc, 2);
        size = rc + 1;
    }
    ADD_FAILURE() << "buffer negotiation did not end";
    return 0;
}

struct Buffers {
    explicit Buffers(std::size_t count, std::int32_t size) {
        for (std::size_t i = 0; i < count; ++i) {
            auto b = std::make_unique<char[]>(static_cast<std::size_t>(size));
            b[0] = '\0';
            data.push_back(std::move(b));
        }
    }
    char* operator[](std::size_t i) { return data[i].get(); }
    std::vector<std::unique_ptr<char[]>> data;
};

} // namespace

Harness::Harness() {
    QVTestSetClock(&Harness::Clock, this);
    QVTestSetDelays(200, 1000, 5000);
    QVTestSetEventSink(&Harness::Sink, this);
}

Harness::~Harness() {
    Stop();
    QVTestSetEventSink(nullptr, nullptr);
    QVTestSetClock(nullptr, nullptr);
}

bool Harness::Start() {
    m_started = QVInitialize(kProduct, kWindow, 0) == 1;
    return m_started;
}

void Harness::Stop() {
    if (m_started) {
        QVShutdown();
        m_started = false;
    }
}

std::int64_t Harness::Clock(void* context) {
    return static_cast<Harness*>(context)->now.load();
}

void Harness::Sink(void* context, QVHWND window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) {
    auto* self = static_cast<Harness*>(context);
    if (window != kWindow || message != WM_CORE_EVENT) {
        ++self->wrongWindow;
    }
    Event e;
    e.code = wParam;
    e.pointer = reinterpret_cast<const char*>(lParam);
    if (e.pointer != nullptr) {
        e.guid = e.pointer;
    }
    std::lock_guard<std::mutex> guard(self->m_lock);
    self->m_events.push_back(std::move(e));
}

void Harness::Advance(std::int64_t ms) {
    now += ms;
    RunDue();
}

void Harness::RunDue() {
    ASSERT_EQ(QVTestRunDue(), 1);
}

std::vector<Event> Harness::TakeEvents() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_events, {});
}

std::vector<Event> Harness::TakeEvents(std::uintptr_t code) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<Event> taken;
    std::vector<Event> kept;
    for (Event& e : m_events) {
        (e.code == code ? taken : kept).push_back(std::move(e));
    }
    m_events = std::move(kept);
    return taken;
}

std::string Harness::Register() {
    char id[QV_ACCOUNT_ID_BUFFER_SIZE] = {};
    char second[QV_REGISTER_SECOND_BUFFER_SIZE] = {};
    QVRegisterRequest r{sizeof(QVRegisterRequest), "TWD", "en", "127.0.0.1", id, second};
    EXPECT_EQ(QVRegisterEx(&r), 1) << QVGetLastErrorText();
    return id;
}

AccountData Harness::Account(const std::string& accountId) {
    char guid[QV_GUID_BUFFER_SIZE] = {};
    QVAccountQuery q{
        sizeof(QVAccountQuery), accountId.c_str(), "TWD", "en", "127.0.0.1", 0, 0, guid,
        QV_GUID_BUFFER_SIZE};
    AccountData none;
    if (QVQueryAccountStatus(&q) != 1) {
        return none;
    }
    RunDue();
    auto events = TakeEvents(QVStatusAccountInfoID);
    EXPECT_EQ(events.size(), 1u);
    if (events.empty()) {
        return none;
    }
    EXPECT_EQ(events[0].guid, guid);
    return FetchAccount(events[0].guid);
}

std::int32_t Harness::Send(const std::string& accountId, const std::string& text,
                           const std::string& recipients, const std::string& mode,
                           std::string* guid, const std::string& originator) {
    char buffer[QV_GUID_BUFFER_SIZE] = {};
    if (guid != nullptr) {
        guid->copy(buffer, QV_GUID_BUFFER_SIZE - 1); // the send key, when one is given
    }
    QVSendRequest r{sizeof(QVSendRequest),
                    accountId.c_str(),
                    "TWD",
                    "en",
                    "127.0.0.1",
                    text.c_str(),
                    recipients.c_str(),
                    originator.c_str(),
                    mode.c_str(),
                    "0",
                    buffer,
                    QV_GUID_BUFFER_SIZE};
    std::int32_t rc = QVSendMessage(&r);
    if (rc == 1 && guid != nullptr) {
        *guid = buffer;
    }
    return rc;
}

SendOutcome Harness::SendAndResult(const std::string& accountId, const std::string& text,
                                   const std::string& recipients, const std::string& mode) {
    std::string guid;
    SendOutcome none;
    if (Send(accountId, text, recipients, mode, &guid) != 1) {
        ADD_FAILURE() << "not accepted: " << QVGetLastErrorText();
        return none;
    }
    Advance(200);
    auto events = TakeEvents(QVStatusSendMessageInfoID);
    auto it =
        std::find_if(events.begin(), events.end(), [&](const Event& e) { return e.guid == guid; });
    if (it == events.end()) {
        ADD_FAILURE() << "no send result";
        return none;
    }
    return FetchSendResult(guid);
}

SendOutcome Harness::FetchSendResult(const std::string& guid, std::int32_t firstSize) {
    SendOutcome out;
    out.rc = Negotiate(firstSize, [&](std::int32_t size) {
        Buffers b(2, size);
        QVSendResult r{sizeof(QVSendResult),
                       size,
                       0,
                       0,
                       0,
                       0,
                       b[0],
                       b[1],
                       guid.c_str(),
                       static_cast<std::int32_t>(guid.size() + 1)};
        std::int32_t rc = QVGetStatusSendMessageInfo(&r);
        if (rc == 1) {
            if (confirmFetched) {
                QVConfirmEvent(QVStatusSendMessageInfoID, guid.c_str());
            }
            out.highId = r.highId;
            out.lowId = r.lowId;
            out.errorFlag = r.errorFlag;
            out.label = b[0];
            out.description = b[1];
        }
        return rc;
    });
    return out;
}

StatusReport Harness::FetchStatus(const std::string& guid, std::int32_t firstSize) {
    StatusReport out;
    out.rc = Negotiate(firstSize, [&](std::int32_t size) {
        Buffers b(5, size);
        QVMessageStatus s{sizeof(QVMessageStatus),
                          size,
                          0,
                          0,
                          b[0],
                          b[1],
                          b[2],
                          0,
                          b[3],
                          b[4],
                          guid.c_str(),
                          static_cast<std::int32_t>(guid.size() + 1)};
        std::int32_t rc = QVGetMessageStatus(&s);
        if (rc == 1) {
            if (confirmFetched) {
                QVConfirmEvent(QVStatusMessageInfoID, guid.c_str());
            }
            out.highId = s.highId;
            out.lowId = s.lowId;
            out.errorFlag = s.errorFlag;
            out.code = b[0];
            out.text = b[1];
            out.recipients = b[2];
            out.time = b[3];
        }
        return rc;
    });
    return out;
}

AccountData Harness::FetchAccount(const std::string& guid, std::int32_t firstSize) {
    AccountData a;
    a.rc = Negotiate(firstSize, [&](std::int32_t size) {
        Buffers b(17, size);
        QVAccountStatus s{};
        s.size = sizeof(QVAccountStatus);
        s.bufferSize = size;
        char** texts[] = {&s.accountId,        &s.accountType,
                          &s.msisdnOriginator, &s.msisdn,
                          &s.groupId,          &s.userName,
                          &s.userEmail,        &s.prepaidBalance,
                          &s.msgsTotal,        &s.msgsPeriod,
                          &s.period,           &s.replyOriginator,
                          &s.textOriginator,   &s.replyEmailSenderDomain,
                          &s.replyType,        &s.errorLabel,
                          &s.errorMessage};
        for (std::size_t i = 0; i < 17; ++i) {
            *texts[i] = b[i];
        }
        s.guid = guid.c_str();
        s.guidLength = static_cast<std::int32_t>(guid.size() + 1);
        std::int32_t rc = QVGetAccountStatus(&s);
        if (rc == 1) {
            a.accountId = s.accountId;
            a.accountType = s.accountType;
            a.msisdnOriginator = s.msisdnOriginator;
            a.msisdn = s.msisdn;
            a.groupId = s.groupId;
            a.userName = s.userName;
            a.userEmail = s.userEmail;
            a.messageLength = s.messageLength;
            a.prepaidBalance = s.prepaidBalance;
            a.msgsTotal = s.msgsTotal;
            a.msgsPeriod = s.msgsPeriod;
            a.period = s.period;
            a.allowedToSend = s.allowedToSend;
            a.allowOriginator = s.allowOriginator;
            a.allowMsIsdnOriginator = s.allowMsIsdnOriginator;
            a.allowSignup = s.allowSignup;
            a.replyOriginator = s.replyOriginator;
            a.textOriginator = s.textOriginator;
            a.replyEmailSenderDomain = s.replyEmailSenderDomain;
            a.replyType = s.replyType;
            a.errorFlag = s.errorFlag;
            a.errorLabel = s.errorLabel;
            a.errorMessage = s.errorMessage;
        }
        return rc;
    });
    return a;
}

std::vector<StatusReport> Harness::Reports() {
    std::vector<StatusReport> reports;
    for (const Event& e : TakeEvents(QVStatusMessageInfoID)) {
        StatusReport r = FetchStatus(e.guid);
        EXPECT_EQ(r.rc, 1);
        // The event's text is still readable after the fetch.
        EXPECT_STREQ(e.pointer, e.guid.c_str());
        reports.push_back(std::move(r));
    }
    return reports;
}

long Harness::Balance(const std::string& accountId) {
    return std::stol(Account(accountId).prepaidBalance);
}

void Harness::Subscribe(std::uint64_t id) {
    ASSERT_EQ(QVUpdateMsgId(static_cast<std::int32_t>(static_cast<std::uint32_t>(id)),
                            static_cast<std::int32_t>(static_cast<std::uint32_t>(id >> 32)),
                            id ? "en" : nullptr, id ? "127.0.0.1" : nullptr, id ? "TWD" : nullptr,
                            nullptr),
              1);
}

void SetCoreDword(const std::string& name, std::uint32_t value) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, kCoreKey));
    ASSERT_TRUE(key.SetDWORD(name, value));
}

void SetCoreString(const std::string& name, const std::string& value) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, kCoreKey));
    ASSERT_TRUE(key.SetString(name, value));
}

namespace {

// Binds a loopback TCP socket to a port the system picks; -1 on failure.
int BindLoopback(std::uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    port = ntohs(where.sin_port);
    return fd;
}

} // namespace

std::uint16_t FreePort() {
    std::uint16_t port = 0;
    platform::UniqueFd fd(BindLoopback(port));
    return port;
}

std::uint16_t TakenPort() {
    static std::uint16_t port = 0;
    static platform::UniqueFd fd(BindLoopback(port));
    return port;
}

} // namespace cctest
