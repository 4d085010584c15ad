// The handlers of the core's reports on sent messages, run on the core thread: send results
// (event 6), error reports (event 4) and delivery status reports (event 3). They move records
// from the outbox to the sentbox, set status and error texts, put messages that met an
// unreachable server back for another try, tell the user about other errors, and keep the
// core's status subscription on the oldest message still waiting for reports.
#pragma once

#include <string>

class CCoreContext;

class CCoreSendResults {
public:
    // What an error label means for the record and the user.
    struct Classification {
        std::string errorText; // the record's new ErrorText
        std::string message;   // the text the user sees (and the log)
        bool resend = false;   // back to MSGSTATUS_NOT_SENT for another try
    };

    explicit CCoreSendResults(CCoreContext& context) : m_context(context) {}

    int OnQVStatusSendMessageInfoID(const std::string& guid);
    int OnQVStatusErrorID(const std::string& guid);
    int OnQVStatusMessageInfoID(const std::string& guid);

    // Labels compare exactly.
    Classification Classify(const std::string& label, const std::string& description) const;

    // Points the subscription at the lowest sentbox id still waiting, or turns it off.
    void MoveSubscription();
    // At start: subscribes to the lowest waiting id, if any (nothing is logged otherwise).
    void ResumeSubscription();

private:
    CCoreContext& m_context;
};
