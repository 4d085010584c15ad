#include "compose/CDlgAddressBook.h"

#include "compose/AddressBookButtons.h"
#include "compose/CWABManager.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

// Icon rows of the branding table.
constexpr int kIconValidContact = 30;
constexpr int kIconInvalidContact = 31;
constexpr int kIconValidGroup = 32;
constexpr int kIconInvalidGroup = 33;
constexpr int kIconPicker = 8;

// Column widths of the contacts list and of the chosen list.
constexpr int kNameWidth = 120;
constexpr int kNumberWidth = 200;
constexpr int kChosenWidth = 320;

// What a row of the chosen list stands for.
constexpr int kRoleKind = Qt::UserRole;
constexpr int kRoleIndex = Qt::UserRole + 1;
enum ChosenKind { kChosenContact = 0, kChosenNumber = 1 };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QTreeWidget* MakeList(QWidget* parent, const QString& name) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setAllColumnsShowFocus(true);
    list->setIconSize(QSize(16, 16));
    list->header()->setStretchLastSection(true);
    list->header()->setSectionsMovable(false);
    return list;
}

} // namespace

int CDlgAddressBook::IconRow(const CWABRecord& record) {
    if (record.isDistributionList) {
        return record.valid ? kIconValidGroup : kIconInvalidGroup;
    }
    return record.valid ? kIconValidContact : kIconInvalidContact;
}

CDlgAddressBook::CDlgAddressBook(std::vector<CWABRecord> records, std::vector<CWABRecord> contacts,
                                 std::vector<std::string> numbers, QWidget* parent)
    : CDlgBase(parent, "TWD_ADDRESSBOOK_PICKER"), m_records(std::move(records)),
      m_contacts(std::move(contacts)), m_numbers(std::move(numbers)) {
    SetTitle(CGuiText::Tr("WAB.dialogTitle", "Select Recipients"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kIconPicker, 16, 16));
    setModal(true);

    m_list = MakeList(this, "Contacts");
    m_list->setHeaderLabels({CGuiText::QTr("WAB.labelAddrBookListContacts", "Contacts"),
                             CGuiText::QTr("WAB.labelAddrBookListMobile", "Mobile number")});
    m_list->setColumnWidth(0, kNameWidth);
    m_list->setColumnWidth(1, kNumberWidth);
    m_list->setMinimumWidth(kNameWidth + kNumberWidth + 4);
    m_list->setSortingEnabled(false);

    m_chosen = MakeList(this, "Chosen");
    m_chosen->setHeaderLabels({CGuiText::QTr("WAB.labelRecipientsList", "Recipients")});
    m_chosen->setColumnWidth(0, kChosenWidth);
    m_chosen->setMinimumWidth(kChosenWidth + 2 * m_chosen->frameWidth());
    m_chosen->installEventFilter(this);

    m_add = new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), QString(), this);
    m_add->setObjectName("Add");
    m_add->setAccessibleName("Add");
    m_add->setAutoDefault(false);
    m_add->setFixedWidth(40);
    m_remove = new QPushButton(style()->standardIcon(QStyle::SP_ArrowLeft), QString(), this);
    m_remove->setObjectName("Remove");
    m_remove->setAccessibleName("Remove");
    m_remove->setAutoDefault(false);
    m_remove->setFixedWidth(40);

    m_properties = new QPushButton(CGuiText::QTr("WAB.labelProperties", "Properties"), this);
    m_properties->setObjectName("Properties");
    m_properties->setAutoDefault(false);

    QDialogButtonBox* buttons = MakeAddressBookButtons(*this, m_ok);

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch(1);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_list, 1);
    lists->addLayout(middle);
    lists->addWidget(m_chosen, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_properties);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    resize(820, 420);

    connect(m_add, &QPushButton::clicked, this, &CDlgAddressBook::AddSelected);
    connect(m_remove, &QPushButton::clicked, this, &CDlgAddressBook::RemoveSelected);
    connect(m_properties, &QPushButton::clicked, this, &CDlgAddressBook::ShowProperties);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { AddSelected(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CDlgAddressBook::UpdateButtons);
    connect(m_chosen, &QTreeWidget::itemSelectionChanged, this, &CDlgAddressBook::UpdateButtons);

    FillContacts();
    FillChosen();
    UpdateButtons();
}

bool CDlgAddressBook::Run(CWABManager& wab, std::vector<CWABRecord>& contacts,
                          std::vector<std::string>& numbers, QWidget* parent) {
    wab.LoadContacts();
    int valid = 0;
    wab.ValidateWAB(valid);
    CDlgAddressBook picker(wab.Records(), contacts, numbers, parent);
    picker.SetDetailsHandler([&wab, &picker](const CWABRecord& record) {
        wab.Details(record, picker.PlatformWindow());
        wab.LoadContacts();
        int recipients = 0;
        wab.ValidateWAB(recipients);
        picker.SetRecords(wab.Records());
    });
    if (picker.exec() != QDialog::Accepted) {
        return false;
    }
    contacts = picker.Contacts();
    numbers = picker.Numbers();
    return true;
}

void CDlgAddressBook::SetRecords(std::vector<CWABRecord> records) {
    const QString current =
        m_list->currentItem() != nullptr ? m_list->currentItem()->text(0) : QString();
    m_records = std::move(records);
    FillContacts();
    // The row the user was on stays selected.
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i)->text(0) == current) {
            m_list->setCurrentItem(m_list->topLevelItem(i));
            break;
        }
    }
    UpdateButtons();
}

void CDlgAddressBook::FillContacts() {
    m_list->clear();
    const QString group = CGuiText::QTr("WAB.labelGroup", "(group)");
    CMgmtBranding& branding = CMgmtBranding::Instance();
    for (size_t i = 0; i < m_records.size(); ++i) {
        const CWABRecord& record = m_records[i];
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(0, Q(record.displayName));
        row->setIcon(0, branding.GetIcon(IconRow(record), 16, 16));
        row->setText(1, record.isDistributionList ? group : Q(record.msisdn));
        row->setData(0, kRoleIndex, static_cast<int>(i));
        row->setToolTip(0, Q(record.DisplayText()));
        if (!record.valid) {
            row->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
        }
    }
}

void CDlgAddressBook::FillChosen() {
    m_chosen->clear();
    CMgmtBranding& branding = CMgmtBranding::Instance();
    for (size_t i = 0; i < m_contacts.size(); ++i) {
        auto* row = new QTreeWidgetItem(m_chosen);
        row->setText(0, Q(m_contacts[i].DisplayText()));
        row->setIcon(0, branding.GetIcon(IconRow(m_contacts[i]), 16, 16));
        row->setData(0, kRoleKind, kChosenContact);
        row->setData(0, kRoleIndex, static_cast<int>(i));
    }
    for (size_t i = 0; i < m_numbers.size(); ++i) {
        auto* row = new QTreeWidgetItem(m_chosen);
        row->setText(0, Q(m_numbers[i]));
        row->setData(0, kRoleKind, kChosenNumber);
        row->setData(0, kRoleIndex, static_cast<int>(i));
    }
}

std::vector<int> CDlgAddressBook::SelectedRecords() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : m_list->selectedItems()) {
        rows.push_back(item->data(0, kRoleIndex).toInt());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CDlgAddressBook::UpdateButtons() {
    std::vector<int> selected = SelectedRecords();
    bool allValid = !selected.empty() &&
                    std::all_of(selected.begin(), selected.end(),
                                [this](int i) { return m_records[static_cast<size_t>(i)].valid; });
    m_add->setEnabled(allValid);
    m_properties->setEnabled(selected.size() == 1);
    m_remove->setEnabled(!m_chosen->selectedItems().isEmpty());
}

void CDlgAddressBook::AddSelected() {
    bool added = false;
    for (int index : SelectedRecords()) {
        const CWABRecord& record = m_records[static_cast<size_t>(index)];
        if (!record.valid) {
            continue;
        }
        // A recipient chosen twice would get the message twice.
        bool chosen = std::any_of(m_contacts.begin(), m_contacts.end(), [&](const CWABRecord& c) {
            return c.entryId == record.entryId && c.DisplayText() == record.DisplayText();
        });
        if (!chosen) {
            m_contacts.push_back(record);
            added = true;
        }
    }
    if (added) {
        FillChosen();
        UpdateButtons();
    }
}

void CDlgAddressBook::RemoveSelected() {
    std::set<int> contacts;
    std::set<int> numbers;
    for (QTreeWidgetItem* item : m_chosen->selectedItems()) {
        int index = item->data(0, kRoleIndex).toInt();
        (item->data(0, kRoleKind).toInt() == kChosenContact ? contacts : numbers).insert(index);
    }
    if (contacts.empty() && numbers.empty()) {
        return;
    }
    // From the back, so the indexes stay right.
    for (auto it = contacts.rbegin(); it != contacts.rend(); ++it) {
        m_contacts.erase(m_contacts.begin() + *it);
    }
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
        m_numbers.erase(m_numbers.begin() + *it);
    }
    FillChosen();
    UpdateButtons();
}

void CDlgAddressBook::ShowProperties() {
    std::vector<int> selected = SelectedRecords();
    if (selected.size() == 1 && m_details) {
        // A copy: the handler may replace the records.
        const CWABRecord record = m_records[static_cast<size_t>(selected.front())];
        m_details(record);
    }
}

bool CDlgAddressBook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_chosen && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RemoveSelected();
        return true;
    }
    return CDlgBase::eventFilter(watched, event);
}
