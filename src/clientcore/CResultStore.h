// Results waiting to be fetched, keyed by the kind of result and the GUID its event carried,
// and the GUID texts the events point at.
//
// A result stays until it has been fetched successfully (a fetch that only reports the buffer
// size it needs leaves it in place). An event text stays valid until kRetireDelay after its
// result was fetched, or until Clear.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <variant>

struct SendResultData {
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::int32_t errorFlag = 0;
    std::string errorLabel;
    std::string errorDescription;
};

struct ErrorReportData {
    std::string errorLabel;
    std::string errorDescription;
};

struct MessageStatusData {
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::int32_t errorFlag = 0;
    std::string statusCode;
    std::string statusText;
    std::string recipients;
    std::string statusTime;
};

struct AccountStatusData {
    std::string accountId;
    std::string accountType;
    std::string msisdnOriginator;
    std::string msisdn;
    std::string groupId;
    std::string userName;
    std::string userEmail;
    std::int32_t messageLength = 0;
    std::string prepaidBalance;
    std::string msgsTotal;
    std::string msgsPeriod;
    std::string period;
    std::int32_t allowedToSend = 0;
    std::int32_t allowOriginator = 0;
    std::int32_t allowMsIsdnOriginator = 0;
    std::int32_t allowSignup = 0;
    std::string replyOriginator;
    std::string textOriginator;
    std::string replyEmailSenderDomain;
    std::string replyType;
    std::int32_t errorFlag = 0;
    std::string errorLabel;
    std::string errorMessage;
};

using CoreResult =
    std::variant<SendResultData, ErrorReportData, MessageStatusData, AccountStatusData>;

class CResultStore {
public:
    static constexpr std::chrono::seconds kRetireDelay{60};

    // Keeps the result under its GUID and returns the text for the event, valid as above. A
    // result of the same kind and GUID that was not fetched is replaced.
    const char* Put(const std::string& guid, CoreResult result);

    // Calls `fill` with the result of type T under the GUID, under the store's lock. When
    // `fill` returns 1 the result is released. 0 when there is no such result.
    template <class T>
    std::int32_t Fetch(const std::string& guid, const std::function<std::int32_t(const T&)>& fill) {
        return FetchAny(Key(guid, CoreResult(std::in_place_type<T>).index()),
                        [&](const CoreResult& any) { return fill(std::get<T>(any)); });
    }

    // Drops a result whose event could not be posted (its text is retired like a fetched one).
    void Discard(const std::string& guid, std::size_t kind);

    // Releases every result and every event text.
    void Clear();

    std::size_t PendingResults() const;
    std::size_t HeldTexts() const;

private:
    struct Entry {
        CoreResult result;
        std::unique_ptr<char[]> text;
    };
    using Clock = std::chrono::steady_clock;

    static std::string Key(const std::string& guid, std::size_t kind);
    std::int32_t FetchAny(const std::string& key,
                          const std::function<std::int32_t(const CoreResult&)>& fill);
    void Retire(std::unique_ptr<char[]> text);
    void PurgeRetired();

    mutable std::mutex m_lock;
    std::unordered_map<std::string, Entry> m_results;
    std::deque<std::pair<Clock::time_point, std::unique_ptr<char[]>>> m_retired;
};
