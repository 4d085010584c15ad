// The message status dialog: every recipient of one message with its delivery status. It is
// shown modally (the parent is disabled meanwhile) and follows the store: every 4000 ms it
// looks the message up by GUID in the sentbox, then in the outbox, and shows what it finds;
// when the message has left both folders the list stays as it was.
#pragma once

#include "folders/IFolderHost.h"
#include "gui/CDlgBase.h"

#include <memory>

class CMessageRecord;
class QTreeWidget;

class CDlgMessageStatus : public CDlgBase {
    Q_OBJECT

public:
    static constexpr win::UINT_PTR TIMER_STATUS = 1147;
    static constexpr win::UINT STATUS_PERIOD_MS = 4000;

    // Copies the record, reads the core's online flag, fills the list and starts the timer.
    CDlgMessageStatus(IFolderHost& host, const CMessageRecord& record, QWidget* parent);
    ~CDlgMessageStatus() override;

    // Shows the dialog modally for the record; returns when it is closed.
    static int DoModal(IFolderHost& host, const CMessageRecord& record, QWidget* parent);

    // Re-reads the record from the store and refills the list.
    void UpdateList();

    QTreeWidget* List() const { return m_list; }
    const CMessageRecord& Record() const { return *m_record; }
    bool Online() const { return m_online; }

protected:
    void OnPlatformTimer(win::UINT_PTR id) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    IFolderHost& m_host;
    std::unique_ptr<CMessageRecord> m_record;
    bool m_online = false;
    QTreeWidget* m_list = nullptr;
};
