#include "templates/CDlgManageTemplate.h"

#include "config/CQVRegClass.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"
#include "templates/CDlgAddTemplate.h"
#include "templates/CDlgEditTemplate.h"
#include "templates/CTemplateRules.h"
#include "templates/CTemplateTexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Branding icons of a template and of the signature, and the help address's text row.
constexpr int kTemplateIcon = 28;
constexpr int kSignatureIcon = 29;
constexpr int kHelpRow = 263;
// AlertListbox position of the question before a template is deleted.
constexpr std::size_t kTemplateDeleteAlert = 7;

void Trace(const char* location) {
    Log(location, "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
}

} // namespace

CDlgManageTemplate::CDlgManageTemplate(CTemplateHandler& store, const CQVRegClass& reg,
                                       QWidget* owner)
    : CDlgBase(owner, "TWD_MANAGETEMPLATE"), m_store(store), m_reg(reg) {
    SetTitle(CTemplateTexts::T("ManageTemplate.txtDialogName"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kTemplateIcon, 16, 16));
    setModal(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName("listTemplates");
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({CTemplateTexts::QT("ManageTemplate.listHeaderNumber"),
                             CTemplateTexts::QT("ManageTemplate.listHeaderName"),
                             CTemplateTexts::QT("ManageTemplate.listHeaderMessage")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setSectionsMovable(false);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, 52);
    m_list->setColumnWidth(1, 130);

    auto button = [this](const char* key, const char* name) {
        auto* b = new QPushButton(CTemplateTexts::QT(key), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_add = button("ManageTemplate.btnAdd", "btnAdd");
    m_edit = button("ManageTemplate.btnEdit", "btnEdit");
    m_remove = button("ManageTemplate.btnRemove", "btnRemove");
    m_moveUp = button("ManageTemplate.btnMoveUp", "btnMoveUp");
    m_moveDown = button("ManageTemplate.btnMoveDown", "btnMoveDown");
    m_ok = button("ManageTemplate.btnOK", "btnOk");
    m_ok->setDefault(true);
    m_cancel = button("ManageTemplate.btnCancel", "btnCancel");

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {m_add, m_edit, m_remove}) {
        side->addWidget(b);
    }
    side->addSpacing(12);
    side->addWidget(m_moveUp);
    side->addWidget(m_moveDown);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(600, 330);

    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { OnBtnedit(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { OnTempRemove(); });
    connect(m_moveUp, &QPushButton::clicked, this, [this] { OnMoveup(); });
    connect(m_moveDown, &QPushButton::clicked, this, [this] { OnMovedown(); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnBtnedit(); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [] {
        const std::string link = CGuiText::Tr("Help.ManageTemplate", CGuiText::Row(kHelpRow));
        if (!link.empty()) {
            platform::ShellOpen(link);
        }
    });

    FillList();
}

bool CDlgManageTemplate::Run(CTemplateHandler& store, const CQVRegClass& reg, QWidget* owner) {
    CDlgManageTemplate dialog(store, reg, owner);
    return dialog.RunModal();
}

bool CDlgManageTemplate::RunModal() {
    Trace("CDlgManageTemplate::RunModal");
    return exec() == QDialog::Accepted;
}

void CDlgManageTemplate::FillList() {
    m_list->clear();
    const QIcon templateIcon = CMgmtBranding::Instance().GetIcon(kTemplateIcon, 16, 16);
    const QIcon signatureIcon = CMgmtBranding::Instance().GetIcon(kSignatureIcon, 16, 16);
    for (const CTemplateRecord& record : CTemplateRules::InListOrder(m_store)) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(record.TemplateIndex));
        item->setText(1, QString::fromStdString(record.TemplateName));
        item->setText(2, QString::fromStdString(CTemplateRules::ListText(record.TemplateText)));
        item->setIcon(0, record.IsSignature() ? signatureIcon : templateIcon);
        item->setData(0, Qt::UserRole, QString::fromStdString(record.TemplateName));
    }
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
    UpdateButtons();
}

void CDlgManageTemplate::UpdateButtons() {
    const bool selected = !m_list->selectedItems().isEmpty();
    for (QPushButton* b : {m_edit, m_remove, m_moveUp, m_moveDown}) {
        b->setEnabled(selected);
    }
}

void CDlgManageTemplate::SelectRow(int row) {
    QTreeWidgetItem* item = row >= 0 ? m_list->topLevelItem(row) : nullptr;
    m_list->clearSelection();
    if (item != nullptr) {
        m_list->setCurrentItem(item);
        item->setSelected(true);
        m_list->scrollToItem(item);
    }
    UpdateButtons();
}

std::string CDlgManageTemplate::SelectedName() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        CTemplateTexts::Alert(PlatformWindow(), "ManageTemplate.alertSelectTemplate",
                              win::MB_OK | win::MB_ICONINFORMATION);
        return {};
    }
    return CGuiText::S(selected.front()->data(0, Qt::UserRole).toString());
}

void CDlgManageTemplate::OnAdd() {
    Trace("CDlgManageTemplate::OnAdd");
    int count = 0;
    {
        auto lock = m_store.Lock();
        m_store.LoadTemplates();
        count = m_store.GetTemplateCount();
    }
    if (count > CTemplateRules::kMaxTemplates - 1) {
        CTemplateTexts::Alert(PlatformWindow(), "AddTemplate.alertTemplateFull",
                              win::MB_OK | win::MB_ICONEXCLAMATION);
        return;
    }
    CDlgAddTemplate add(m_store, m_reg, this);
    add.RunModal();
    FillList();
}

void CDlgManageTemplate::OnBtnedit() {
    Trace("CDlgManageTemplate::OnBtnedit");
    const std::string name = SelectedName();
    if (name.empty()) {
        return;
    }
    CTemplateRecord record;
    {
        auto lock = m_store.Lock();
        m_store.LoadTemplates();
        record = m_store.GetTemplate(name);
    }
    if (record.IsEmpty()) {
        FillList(); // removed by another window meanwhile
        return;
    }
    CDlgEditTemplate edit(m_store, m_reg, record, this);
    edit.RunModal();
    FillList();
}

void CDlgManageTemplate::OnTempRemove() {
    Trace("CDlgManageTemplate::OnTempRemove");
    const std::string name = SelectedName();
    if (name.empty()) {
        return;
    }
    if (m_reg.GetAlertListboxFlags()[kTemplateDeleteAlert] != 0 &&
        CTemplateTexts::Alert(PlatformWindow(), "Alert.TemplateDelete",
                              win::MB_OKCANCEL | win::MB_ICONINFORMATION) != win::IDOK) {
        return;
    }
    CTemplateRules::Remove(m_store, name);
    FillList();
}

void CDlgManageTemplate::Move(int delta) {
    Trace(delta < 0 ? "CDlgManageTemplate::OnMoveup" : "CDlgManageTemplate::OnMovedown");
    const std::string name = SelectedName();
    if (name.empty()) {
        return;
    }
    if (std::optional<int> row = CTemplateRules::Move(m_store, name, delta)) {
        FillList();
        SelectRow(*row);
        m_list->setFocus();
    }
}
