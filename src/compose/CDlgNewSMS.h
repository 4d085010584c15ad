// The window in which the user writes an SMS and sends it, in four modes: a new message, a
// forward of a stored message, a change of a message still waiting in the outbox, and a
// reply. It counts characters and SMS as the user types, keeps the text within the limit of
// the truncation mode, checks the originator, the recipients, the SMS limit and the prepaid
// balance, builds the outbox record (one per contact when the text has name placeholders),
// adds it to the outbox and wakes the outbox monitor. It never talks to the service itself.
// After a send it closes, or clears itself when the display settings keep it open.
//
// Every user-visible text is a translated key; every question and alert goes through the
// platform MessageBox with the caption "Alert.txtMessageBoxTitle".
#pragma once

#include "compose/CComposeRules.h"
#include "compose/CComposeSettings.h"
#include "compose/ComposeServices.h"
#include "gui/CDlgBase.h"
#include "messages/CSMSRecord.h"

#include <QDateTime>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CAutoCompleteEdit;
class CDialogFactory;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QToolButton;
class QAction;
class QWidget;

class CDlgNewSMS : public CDlgBase {
    Q_OBJECT

public:
    enum Mode { MODE_NEW = 0, MODE_FORWARD = 4, MODE_MODIFY = 5, MODE_REPLY = 7 };

    CDlgNewSMS(int mode, std::uint32_t reference, ComposeServices services,
               QWidget* parent = nullptr);
    ~CDlgNewSMS() override;

    // Registers the dialog for the four compose kinds. `services` is asked once per dialog.
    static void Register(CDialogFactory& factory, std::function<ComposeServices()> services);

    // The send command (Send button, menu Send, Ctrl+Enter). True when the message went to
    // the outbox.
    bool OnSendMessage();
    // Inserts template n (menu item or Ctrl+n).
    void InsertTemplate(int slot);
    // Appends the signature template to the body.
    void InsertSignature();
    // Runs the message options; true when they were closed with OK.
    bool OnMessageOptions();
    // The options changed ("QVNotifyChangeSettings").
    void UpdateSMSOptions();

    // State and controls, for the tests.
    int Mode() const { return m_mode; }
    int TruncationMode() const { return m_truncationMode; }
    bool IsScheduled() const { return m_scheduled; }
    QDateTime ScheduleTime() const { return m_schedule; }
    void SetSchedule(bool scheduled, const QDateTime& when);
    bool IsModified() const { return m_modified; }
    int RecipientCount() const { return m_recipientCount; }
    CAutoCompleteEdit* Recipients() const { return m_recipients; }
    QPlainTextEdit* Body() const { return m_body; }
    QComboBox* Originator() const { return m_originator; }
    QToolButton* FlashButton() const { return m_flash; }
    QPushButton* SendButton() const { return m_send; }
    QPushButton* ToButton() const { return m_to; }
    QLabel* CharacterCounter() const { return m_charCounter; }
    QLabel* TotalCounter() const { return m_totalCounter; }
    QLabel* BalanceDisplay() const { return m_balance; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    QMenu* TemplateMenu() const { return m_templateMenu; }
    QAction* SignatureAction() const { return m_signatureAction; }
    // The context menu as it pops up.
    QMenu* BuildContextMenu();

protected:
    void OnNotifyChangeSettings() override { UpdateSMSOptions(); }
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void LoadSettings();
    void BuildControls();
    void BuildMenus();
    void BuildTemplateMenu();
    void SetControlTexts();
    void FillFromMode();
    void FillOriginators();
    void SelectOriginator(int index);
    void OnBodyChanged();
    void EnforceLengthLimit();
    void UpdateCounters();
    void RecountRecipients(bool force);
    void OnFlashToggled(bool on);
    void OnToButton();
    bool CloseCheck();
    void SaveWindowRect();
    void ApplyWindowRect();
    void PostToMain(unsigned (*id)());
    void OpenLink(const std::string& key, int row);
    void EditCommand(int command);
    QWidget* FocusedField() const;
    std::string BodyText() const;
    std::string NewGuid(const std::string& suffix = {}) const;
    void OnHeightRequested(int height);
    int Ask(const std::string& key, unsigned type, const std::string& count = {});

    int m_mode;
    std::uint32_t m_reference;
    ComposeServices m_services;
    CComposeSettings m_settings;
    std::optional<CSMSRecord> m_source;
    int m_truncationMode = 0;
    bool m_modified = false;
    bool m_filling = false;
    bool m_inLimit = false;
    TextCount m_bodyCount; // of the body as it stands, kept by EnforceLengthLimit
    int m_recipientCount = 0;
    std::string m_countedRecipients;
    bool m_countValid = false;
    bool m_scheduled = false;
    QDateTime m_schedule;
    bool m_rectApplied = false;
    bool m_destroying = false;
    OriginatorSuffixes m_suffixes;
    std::vector<OriginatorEntry> m_originatorEntries;

    QMenuBar* m_menuBar = nullptr;
    QMenu* m_templateMenu = nullptr;
    QAction* m_signatureAction = nullptr;
    QAction* m_manageAction = nullptr;
    QAction* m_templateSeparator = nullptr;
    std::vector<QAction*> m_templateActions;
    std::vector<QShortcut*> m_templateShortcuts;
    CAutoCompleteEdit* m_recipients = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QComboBox* m_originator = nullptr;
    QToolButton* m_flash = nullptr;
    QLabel* m_charCounter = nullptr;
    QLabel* m_totalCounter = nullptr;
    QLabel* m_balance = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_to = nullptr;
    std::vector<std::pair<QWidget*, std::pair<const char*, const char*>>> m_toolTips;
};
