// The Qt window that shows the mail client's platform windows to a person: a menu bar
// mirrored from the platform menu bar (each popup is filled from the platform popup when it
// opens, after the owner prepared it), a toolbar mirrored from the platform toolbar's buttons
// (text, tooltip and picture from its image list), and a list mirrored from the list
// control, unread mails in bold, with a preview of the selected mail below it. What the person does
// goes through the same functions the script uses, so the platform controls (and any subclass on
// them) see it as from a user. The mirror looks at the platform side a few times a second and
// rebuilds a part only when it changed; the last event line shows in the status bar.
#pragma once

#include "CMailClient.h"

#include <QMainWindow>
#include <QTimer>

#include <string>

class QLabel;
class QPlainTextEdit;
class QToolBar;
class QTreeWidget;

namespace mailclient {

class CMirrorWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit CMirrorWindow(CMailClient& client);

    // Looks at the platform windows now and rebuilds what changed.
    void Refresh();
    // Shows the line in the status bar.
    void ShowEvent(const std::string& line);
    // Shows the mail of the row in a read window of its own.
    void ShowMail(int row);
    // Saves a picture of the window once the platform messages waiting have been dispatched,
    // the mirror refreshed and its layouts done; an error text, empty on success.
    std::string SaveScreenshot(const std::string& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RebuildMenuBar();
    void FillMenu(QMenu* menu, int index);
    void RebuildToolbar();
    void RebuildRows();
    void OnContextMenu(const QPoint& pos);
    void OnSelectionChanged();

    CMailClient& m_client;
    QTimer m_refresh;
    QToolBar* m_toolbar = nullptr;
    QTreeWidget* m_tree = nullptr;
    QPlainTextEdit* m_preview = nullptr;
    QLabel* m_counts = nullptr;
    std::string m_menuSignature;
    std::string m_toolbarSignature;
    std::string m_rowsSignature;
    bool m_updatingRows = false;
};

} // namespace mailclient
