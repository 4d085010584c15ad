#include "options/CDlgOptions.h"

#include "gui/CDialogFactory.h"
#include "gui/CGuiMessages.h"
#include "gui/GuiDefs.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "options/COptionsTexts.h"
#include "options/CPageAccount.h"
#include "options/CPageAlert.h"
#include "options/CPageDisplay.h"
#include "options/CPageGeneral.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// Branding icon of the options, and the help address's text row.
constexpr int kOptionsIcon = 4;
constexpr int kHelpRow = 265;
} // namespace

CDlgOptions::CDlgOptions(OptionsServices services, QWidget* parent)
    : CDlgBase(parent, "TWD_OPTIONS"), m_services(std::move(services)) {
    SetTitle(COptionsTexts::T("SMSOptions.txtDialogName"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kOptionsIcon, 32, 32));

    m_sheet = new QTabWidget(this);
    m_sheet->setObjectName("sheet");
    m_general = new CPageGeneral(m_services, m_sheet);
    m_account = new CPageAccount(m_services, m_sheet);
    m_display = new CPageDisplay(m_services, m_sheet);
    m_alert = new CPageAlert(m_services, m_sheet);
    for (COptionsPage* page :
         std::initializer_list<COptionsPage*>{m_general, m_account, m_display, m_alert}) {
        m_sheet->addTab(page, page->Title());
        connect(page, &COptionsPage::modified, this, [this] { m_apply->setEnabled(true); });
    }

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(COptionsTexts::QT("SMSOptions.btnOk"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName("btnOk");
    m_ok->setDefault(true);
    m_cancel =
        buttons->addButton(COptionsTexts::QT("SMSOptions.btnCancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName("btnCancel");
    m_apply =
        buttons->addButton(COptionsTexts::QT("SMSOptions.btnApply"), QDialogButtonBox::ApplyRole);
    m_apply->setObjectName("btnApply");
    m_apply->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { close(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this,
            [] { COptionsTexts::OpenLink("Help.SMSOptions", kHelpRow); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sheet, 1);
    layout->addWidget(buttons);
    setMinimumSize(520, 440);
    resize(540, 480);
}

void CDlgOptions::Register(CDialogFactory& factory, std::function<OptionsServices()> services) {
    factory.Register(gui::DLG_OPTIONS, [services](const DialogRequest&) -> CDlgBase* {
        OptionsServices made = services();
        if (made.reg == nullptr) {
            return nullptr;
        }
        return new CDlgOptions(std::move(made));
    });
}

void CDlgOptions::OnApply() {
    Log("CDlgOptions::OnApply", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    for (COptionsPage* page :
         std::initializer_list<COptionsPage*>{m_display, m_general, m_account, m_alert}) {
        if (page->IsModified()) {
            page->Apply();
        }
    }
    win::PostMessage(win::HWND_BROADCAST, CGuiMessages::Get().notifyChangeSettings, 0, 0);
    m_apply->setEnabled(false);
}

void CDlgOptions::OnOK() {
    OnApply();
    close();
}

void CDlgOptions::reject() {
    close(); // Escape takes the same way as Cancel and the close box
}

void CDlgOptions::closeEvent(QCloseEvent* event) {
    // Closing ends the window without writing; QDialog would turn it into a reject.
    event->accept();
}
