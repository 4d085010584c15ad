// What the sent-message viewer and the incoming-message viewer share: the four read-only
// fields (From, To, Date, Message), the File/Edit/View/Help menus, the buttons for a new
// message, the address book, the folders and the options, the logo, and the message
// reference. The viewer is opened with a key into the application's message reference map;
// it copies the record once and releases the key when its window is destroyed.
#pragma once

#include "folders/IFolderHost.h"
#include "gui/CDlgBase.h"
#include "messages/CSMSRecord.h"

#include <cstdint>
#include <string>

class QAction;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QTextEdit;
class QToolButton;

class CDlgViewerBase : public CDlgBase {
    Q_OBJECT

public:
    ~CDlgViewerBase() override;

    // Hands a copy of the shown record to a new compose dialog in forward mode.
    void OnForward();
    // Reads the record of the key and fills the fields.
    void SetMessageData();

    std::uint32_t Key() const { return m_key; }
    const CSMSRecord& Record() const { return m_record; }
    QLineEdit* FromField() const { return m_from; }
    QLineEdit* ToField() const { return m_to; }
    QLineEdit* DateField() const { return m_date; }
    QTextEdit* MessageField() const { return m_message; }

protected:
    struct Texts {
        const char* className;
        std::string title;
        std::string dateLabel;
        const char* helpKey;
        int helpRow;
        int iconRow;
    };

    CDlgViewerBase(IFolderHost& host, std::uint32_t key, const Texts& texts, QWidget* parent);

    // Builds the window; the subclass adds its own buttons to `buttonRow` and its own menu
    // items through the hooks below before the common ones.
    void Build();
    virtual void AddOwnButtons(QHBoxLayout* row) = 0;
    virtual void AddOwnFileItems(QMenu* /*file*/) {}
    virtual void AddOwnViewItems(QMenu* /*view*/) {}

    void keyPressEvent(QKeyEvent* event) override;
    // Keys the viewer handles itself besides Ctrl+N, Ctrl+F and F1.
    virtual bool HandleOwnKey(QKeyEvent* /*event*/) { return false; }
    void resizeEvent(QResizeEvent* event) override;
    // Escape closes the window (and so ends the viewer); closing is never turned into a
    // reject that would only hide it.
    void reject() override { close(); }
    void closeEvent(QCloseEvent* event) override;

    void OpenHelp();
    // Puts a copy of `record` into the reference map and broadcasts `message` with its key.
    void PostReference(const CMessageRecord& record, win::UINT message, const char* location);

    IFolderHost& m_host;
    std::uint32_t m_key;
    CSMSRecord m_record;
    std::string m_help;
    Texts m_texts;

private:
    QMenu* BuildEditMenu(QMenu* edit);

    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_date = nullptr;
    QTextEdit* m_message = nullptr;
    bool m_initialised = false;
};
