#include "compose/CDlgGroupEdit.h"

#include "compose/AddressBookButtons.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kRoleEntryId = Qt::UserRole;
constexpr int kIconContact = 30;
constexpr int kIconGroup = 32;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CDlgGroupEdit::CDlgGroupEdit(const std::string& name, std::vector<Candidate> candidates, bool isNew,
                             QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(isNew ? CGuiText::QTr("AddressBook.titleNewGroup", "New Group")
                         : CGuiText::QTr("AddressBook.titleEditGroup", "Group Properties"));
    m_name = new QLineEdit(Q(name), this);
    m_name->setObjectName("GroupName");
    m_search = new QLineEdit(this);
    m_search->setObjectName("Search");
    m_search->setPlaceholderText(CGuiText::QTr("AddressBook.hintSearch", "Search"));
    m_search->setClearButtonEnabled(true);
    m_members = new QListWidget(this);
    m_members->setObjectName("Members");
    m_members->setIconSize(QSize(16, 16));
    m_members->setMinimumSize(320, 240);

    CMgmtBranding& branding = CMgmtBranding::Instance();
    for (const Candidate& candidate : candidates) {
        auto* row = new QListWidgetItem(
            branding.GetIcon(candidate.isGroup ? kIconGroup : kIconContact, 16, 16),
            Q(candidate.name), m_members);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        row->setCheckState(candidate.member ? Qt::Checked : Qt::Unchecked);
        row->setData(kRoleEntryId, Q(candidate.entryId));
    }

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(10);
    form->addRow(CGuiText::QTr("AddressBook.labelGroupName", "Group name:"), m_name);

    QDialogButtonBox* buttons = MakeAddressBookButtons(*this, m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(form);
    layout->addWidget(new QLabel(CGuiText::QTr("AddressBook.labelMembers", "Members:"), this));
    layout->addWidget(m_search);
    layout->addWidget(m_members, 1);
    layout->addWidget(buttons);

    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_search, &QLineEdit::textChanged, this, &CDlgGroupEdit::Filter);
    m_ok->setEnabled(!m_name->text().trimmed().isEmpty());
    m_name->setFocus();
}

std::string CDlgGroupEdit::Name() const {
    return m_name->text().trimmed().toStdString();
}

std::vector<std::string> CDlgGroupEdit::Members() const {
    std::vector<std::string> members;
    for (int i = 0; i < m_members->count(); ++i) {
        QListWidgetItem* row = m_members->item(i);
        if (row->checkState() == Qt::Checked) {
            members.push_back(row->data(kRoleEntryId).toString().toStdString());
        }
    }
    return members;
}

void CDlgGroupEdit::Filter(const QString& text) {
    for (int i = 0; i < m_members->count(); ++i) {
        QListWidgetItem* row = m_members->item(i);
        row->setHidden(!text.isEmpty() && !row->text().contains(text, Qt::CaseInsensitive));
    }
}
