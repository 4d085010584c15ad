// The message store the application owns.
#pragma once

#include "messages/CMgmtMessages.h"

class CMgmtSMS : public CMgmtMessages {
public:
    using CMgmtMessages::CMgmtMessages;

    // True when an outbox record is not yet sent.
    bool OutboxIsMessagesPending();
};
