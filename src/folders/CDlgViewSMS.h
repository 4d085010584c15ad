// The incoming-message viewer: a message somebody sent to the user, opened from the mail
// client with a message reference. Besides the shared viewer commands it replies to the
// sender (every number of the sender field) and forwards the message.
#pragma once

#include "folders/CDlgViewerBase.h"

class CDlgViewSMS : public CDlgViewerBase {
    Q_OBJECT

public:
    CDlgViewSMS(IFolderHost& host, std::uint32_t key, QWidget* parent = nullptr);

    // Opens a compose dialog addressed to the sender.
    void OnReply();

protected:
    void AddOwnButtons(QHBoxLayout* row) override;
    void AddOwnFileItems(QMenu* file) override;
};
