// The sent-message viewer: one sentbox message, opened from the folder dialog with a message
// reference. Besides the shared viewer commands it forwards the message and shows its
// delivery status.
#pragma once

#include "folders/CDlgViewerBase.h"

class CDlgSentSMS : public CDlgViewerBase {
    Q_OBJECT

public:
    CDlgSentSMS(IFolderHost& host, std::uint32_t key, QWidget* parent = nullptr);

    // Shows the message status dialog modally for the shown record.
    void OnStatus();

protected:
    void AddOwnButtons(QHBoxLayout* row) override;
    void AddOwnViewItems(QMenu* view) override;
    bool HandleOwnKey(QKeyEvent* event) override;
};
