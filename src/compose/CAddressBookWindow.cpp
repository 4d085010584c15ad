#include "compose/CAddressBookWindow.h"

#include "log/LogManager.h"
#include "compose/CDlgAddressBook.h"
#include "compose/CDlgGroupEdit.h"
#include "compose/CWABManager.h"
#include "gui/CGuiText.h"
#include "gui/CMgmtGUI.h"
#include "language/CMgmtBranding.h"
#include "platform/MsgBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>
#include <unordered_map>

QPointer<CAddressBookWindow> CAddressBookWindow::s_window;

namespace {

constexpr int kRoleEntryId = Qt::UserRole;
constexpr int kIconAddressBook = 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Caption() {
    return CGuiText::Tr("TWD.AppName", CGuiText::Row(0));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const QIcon& icon = {}) {
    auto* button = new QPushButton(icon, text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CAddressBookWindow::CAddressBookWindow(CWABManager& wab, QWidget* parent)
    : CDlgBase(parent, "TWD_ADDRESSBOOK"), m_wab(wab) {
    SetTitle(CGuiText::Tr("MenuString.AddressBook", "Address Book") + " - " + Caption());
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kIconAddressBook, 32, 32));
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setAttribute(Qt::WA_DeleteOnClose);

    CMgmtBranding& branding = CMgmtBranding::Instance();
    m_newContact =
        MakeButton(this, "NewContact", CGuiText::QTr("AddressBook.btnNewContact", "New Contact"),
                   branding.GetIcon(30, 16, 16));
    m_newGroup = MakeButton(this, "NewGroup", CGuiText::QTr("AddressBook.btnNewGroup", "New Group"),
                            branding.GetIcon(32, 16, 16));
    m_properties =
        MakeButton(this, "Properties", CGuiText::QTr("WAB.labelProperties", "Properties"));
    m_delete = MakeButton(this, "Delete", CGuiText::QTr("MenuString.Delete", "Delete"),
                          style()->standardIcon(QStyle::SP_TrashIcon));
    m_search = new QLineEdit(this);
    m_search->setObjectName("Search");
    m_search->setPlaceholderText(CGuiText::QTr("AddressBook.hintSearch", "Search"));
    m_search->setClearButtonEnabled(true);
    m_search->setMinimumWidth(180);

    m_list = new QTreeWidget(this);
    m_list->setObjectName("Entries");
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(QSize(16, 16));
    m_list->setHeaderLabels({CGuiText::QTr("AddressBook.labelName", "Name"),
                             CGuiText::QTr("WAB.labelAddrBookListMobile", "Mobile number")});
    m_list->setColumnWidth(0, 240);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    m_list->installEventFilter(this);

    m_status = new QLabel(this);
    m_status->setObjectName("Status");
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(CGuiText::QTr("About.btnClose", "Close"), QDialogButtonBox::RejectRole);
    close->setObjectName("Close");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(6);
    tools->addWidget(m_newContact);
    tools->addWidget(m_newGroup);
    tools->addWidget(m_properties);
    tools->addWidget(m_delete);
    tools->addStretch(1);
    tools->addWidget(m_search);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(tools);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    resize(640, 440);

    connect(m_newContact, &QPushButton::clicked, this, &CAddressBookWindow::OnNewContact);
    connect(m_newGroup, &QPushButton::clicked, this, &CAddressBookWindow::OnNewGroup);
    connect(m_properties, &QPushButton::clicked, this, &CAddressBookWindow::OnProperties);
    connect(m_delete, &QPushButton::clicked, this, &CAddressBookWindow::OnDelete);
    connect(m_search, &QLineEdit::textChanged, this, &CAddressBookWindow::Filter);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CAddressBookWindow::UpdateButtons);
    connect(m_list, &QTreeWidget::itemActivated, this, [this] { OnProperties(); });

    Reload();
}

CAddressBookWindow::~CAddressBookWindow() = default;

CAddressBookWindow* CAddressBookWindow::Current() {
    return s_window.data();
}

CAddressBookWindow* CAddressBookWindow::Open(CWABManager& wab, const std::string& entryId) {
    if (s_window == nullptr) {
        s_window = new CAddressBookWindow(wab);
    } else {
        s_window->Reload();
    }
    CAddressBookWindow* window = s_window.data();
    window->show();
    window->raise();
    window->activateWindow();
    if (!entryId.empty() && window->SelectEntry(entryId)) {
        window->EditEntry(entryId);
    }
    return window;
}

void CAddressBookWindow::Install(CMgmtGUI& gui, CWABManager& wab) {
    gui.SetAddressBookOpener([&wab] { return Open(wab) != nullptr; });
    wab.SetDetailsHandler(
        [&wab](const CWABRecord& record, win::HWND) { Open(wab, record.entryId); });
}

void CAddressBookWindow::Shutdown() {
    delete s_window.data();
}

// ---- list -----------------------------------------------------------------------------------

void CAddressBookWindow::Reload() {
    m_readOnly = false;
    m_readOnlyReason.clear();
    const std::string& path = m_wab.BookPath();
    if (path.empty()) {
        m_readOnly = true;
        m_readOnlyReason = CGuiText::Tr("AddressBook.txtNoBook", "No address book is configured.");
        m_book = CVCardBook();
    } else {
        switch (m_book.Load(path)) {
        case CVCardBook::LoadResult::Ok:
            break;
        case CVCardBook::LoadResult::Missing:
            // No book yet: the first change creates it.
            m_book.CreateEmpty(path);
            break;
        case CVCardBook::LoadResult::Unreadable:
        case CVCardBook::LoadResult::NotAddressBook:
            // Something is there that the program cannot read: never write over it.
            m_readOnly = true;
            m_readOnlyReason =
                CGuiText::Tr("AddressBook.txtUnreadable", "The address book cannot be read:") +
                " " + path;
            break;
        }
    }
    // The manager follows the book, and its validation gives the icons.
    m_wab.LoadContacts();
    int recipients = 0;
    m_wab.ValidateWAB(recipients);
    Fill();
}

void CAddressBookWindow::Fill() {
    const std::string selected = SelectedEntry();
    m_list->setSortingEnabled(false);
    m_list->clear();

    std::unordered_map<std::string, const CWABRecord*> records;
    for (const CWABRecord& record : m_wab.Records()) {
        records.emplace(record.entryId, &record);
    }
    const CVCardBook& book = m_book;
    CMgmtBranding& branding = CMgmtBranding::Instance();
    const QString group = CGuiText::QTr("WAB.labelGroup", "(group)");
    int contacts = 0;
    int groups = 0;
    {
        for (size_t i = 0; i < book.Cards().size(); ++i) {
            const CVCard& card = book.Cards()[i];
            const std::string& id = book.IdAt(i);
            CWABRecord shown;
            auto found = records.find(id);
            if (found != records.end()) {
                shown = *found->second;
            } else {
                shown.isDistributionList = card.IsGroup();
                shown.valid = true;
            }
            auto* row = new QTreeWidgetItem(m_list);
            row->setText(0, Q(card.DisplayName()));
            row->setIcon(0, branding.GetIcon(CDlgAddressBook::IconRow(shown), 16, 16));
            row->setData(0, kRoleEntryId, Q(id));
            if (card.IsGroup()) {
                ++groups;
                std::vector<int> members;
                book.Members(i, members);
                QStringList names;
                for (int member : members) {
                    names << Q(book.Cards()[static_cast<size_t>(member)].DisplayName());
                }
                row->setText(1, group);
                row->setToolTip(0, names.join(", "));
                row->setToolTip(1, names.join(", "));
            } else {
                ++contacts;
                row->setText(1, Q(card.Mobile()));
            }
        }
    }
    m_list->setSortingEnabled(true);

    QString status;
    if (m_readOnly) {
        status = Q(m_readOnlyReason);
    } else {
        status = CGuiText::QTr("AddressBook.txtCount", "Contacts: %1    Groups: %2")
                     .arg(contacts)
                     .arg(groups);
        if (!m_wab.BookPath().empty()) {
            status += QStringLiteral("  \u2013  ") + Q(m_wab.BookPath());
        }
    }
    m_status->setText(status);
    m_status->setToolTip(Q(m_wab.BookPath()));

    SelectEntry(selected);
    Filter(m_search->text());
    UpdateButtons();
}

void CAddressBookWindow::Filter(const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        bool match = wanted.isEmpty() || row->text(0).contains(wanted, Qt::CaseInsensitive) ||
                     row->text(1).contains(wanted, Qt::CaseInsensitive);
        row->setHidden(!match);
        if (!match) {
            row->setSelected(false);
        }
    }
}

void CAddressBookWindow::UpdateButtons() {
    const int selected = static_cast<int>(m_list->selectedItems().size());
    m_newContact->setEnabled(!m_readOnly);
    m_newGroup->setEnabled(!m_readOnly);
    m_properties->setEnabled(!m_readOnly && selected == 1);
    m_delete->setEnabled(!m_readOnly && selected >= 1);
}

std::string CAddressBookWindow::SelectedEntry() const {
    QList<QTreeWidgetItem*> rows = m_list->selectedItems();
    if (rows.size() != 1) {
        return {};
    }
    return rows.front()->data(0, kRoleEntryId).toString().toStdString();
}

bool CAddressBookWindow::SelectEntry(const std::string& entryId) {
    if (entryId.empty()) {
        return false;
    }
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (CVCardBook::CompareEntryIds(row->data(0, kRoleEntryId).toString().toStdString(),
                                        entryId)) {
            row->setHidden(false);
            m_list->clearSelection();
            m_list->setCurrentItem(row);
            row->setSelected(true);
            m_list->scrollToItem(row);
            return true;
        }
    }
    return false;
}

// ---- changes --------------------------------------------------------------------------------

bool CAddressBookWindow::PrepareChange() {
    if (m_readOnly) {
        return false;
    }
    // A new book's folder is made with the program's own folder rights.
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(m_book.Path()).parent_path();
    if (!parent.empty() && !std::filesystem::exists(parent, ec)) {
        std::filesystem::create_directories(parent, ec);
        std::filesystem::permissions(parent, std::filesystem::perms::owner_all, ec);
    }
    return true;
}

bool CAddressBookWindow::Commit() {
    std::string error;
    bool saved = m_book.Save(error);
    if (!saved) {
        Log("CAddressBookWindow::Commit", "Saving the address book failed: " + error, LOG_CAT_WAB,
            LOG_SEV_ERROR);
        ShowError(CGuiText::Tr("AddressBook.txtSaveFailed",
                               "The address book could not be saved. It is shown as it is "
                               "stored now; please make the change again.") +
                  "\n\n" + error);
    }
    Reload();
    return saved;
}

std::string CAddressBookWindow::AddContact(const CDlgContactEdit::Fields& fields) {
    if (fields.displayName.empty() || !PrepareChange()) {
        return {};
    }
    std::string id =
        m_book.AddContact(fields.displayName, fields.familyName, fields.givenName, fields.mobile);
    if (!Commit()) {
        return {};
    }
    SelectEntry(id);
    return id;
}

bool CAddressBookWindow::EditContact(const std::string& entryId,
                                     const CDlgContactEdit::Fields& fields) {
    if (fields.displayName.empty() || !PrepareChange()) {
        return false;
    }
    if (!m_book.SetContact(entryId, fields.displayName, fields.familyName, fields.givenName,
                           fields.mobile)) {
        return false;
    }
    bool saved = Commit();
    SelectEntry(entryId);
    return saved;
}

std::string CAddressBookWindow::AddGroup(const std::string& name,
                                         const std::vector<std::string>& memberIds) {
    if (name.empty() || !PrepareChange()) {
        return {};
    }
    std::string id = m_book.AddGroup(name);
    m_book.SetGroupMembers(id, memberIds);
    if (!Commit()) {
        return {};
    }
    SelectEntry(id);
    return id;
}

bool CAddressBookWindow::EditGroup(const std::string& entryId, const std::string& name,
                                   const std::vector<std::string>& memberIds) {
    if (name.empty() || !PrepareChange()) {
        return false;
    }
    CVCardBook& book = m_book;
    if (!book.SetGroupName(entryId, name) || !book.SetGroupMembers(entryId, memberIds)) {
        return false;
    }
    bool saved = Commit();
    SelectEntry(entryId);
    return saved;
}

bool CAddressBookWindow::Remove(const std::string& entryId) {
    if (!PrepareChange() || !m_book.Remove(entryId)) {
        return false;
    }
    return Commit();
}

// ---- buttons and forms ----------------------------------------------------------------------

void CAddressBookWindow::OnNewContact() {
    if (m_readOnly) {
        return;
    }
    CDlgContactEdit form({}, true, this);
    if (form.exec() == QDialog::Accepted) {
        AddContact(form.Result());
    }
}

void CAddressBookWindow::OnNewGroup() {
    if (m_readOnly) {
        return;
    }
    std::vector<CDlgGroupEdit::Candidate> candidates;
    const CVCardBook& book = m_book;
    for (size_t i = 0; i < book.Cards().size(); ++i) {
        candidates.push_back(
            {book.IdAt(i), book.Cards()[i].DisplayName(), book.Cards()[i].IsGroup(), false});
    }
    CDlgGroupEdit form({}, std::move(candidates), true, this);
    if (form.exec() == QDialog::Accepted) {
        AddGroup(form.Name(), form.Members());
    }
}

void CAddressBookWindow::OnProperties() {
    std::string id = SelectedEntry();
    if (!id.empty()) {
        EditEntry(id);
    }
}

void CAddressBookWindow::EditEntry(const std::string& entryId) {
    if (m_readOnly) {
        return;
    }
    const CVCardBook& book = m_book;
    int index = book.IndexOf(entryId);
    if (index < 0) {
        return;
    }
    const CVCard& card = book.Cards()[static_cast<size_t>(index)];
    if (!card.IsGroup()) {
        CDlgContactEdit form(
            {card.DisplayName(), card.GivenName(), card.FamilyName(), card.Mobile()}, false, this);
        if (form.exec() == QDialog::Accepted) {
            EditContact(entryId, form.Result());
        }
        return;
    }
    std::vector<int> members;
    book.Members(static_cast<size_t>(index), members);
    std::vector<CDlgGroupEdit::Candidate> candidates;
    for (size_t i = 0; i < book.Cards().size(); ++i) {
        if (static_cast<int>(i) == index) {
            continue; // a group is never its own member
        }
        bool member =
            std::find(members.begin(), members.end(), static_cast<int>(i)) != members.end();
        candidates.push_back(
            {book.IdAt(i), book.Cards()[i].DisplayName(), book.Cards()[i].IsGroup(), member});
    }
    CDlgGroupEdit form(card.DisplayName(), std::move(candidates), false, this);
    if (form.exec() == QDialog::Accepted) {
        EditGroup(entryId, form.Name(), form.Members());
    }
}

void CAddressBookWindow::OnDelete() {
    if (m_readOnly) {
        return;
    }
    std::vector<std::string> ids;
    QStringList names;
    for (QTreeWidgetItem* row : m_list->selectedItems()) {
        ids.push_back(row->data(0, kRoleEntryId).toString().toStdString());
        names << row->text(0);
    }
    if (ids.empty()) {
        return;
    }
    std::string question =
        ids.size() == 1
            ? CGuiText::Tr("AddressBook.txtDeleteOne", "Delete \"%1\" from the address book?")
            : CGuiText::Tr("AddressBook.txtDeleteMany",
                           "Delete the %1 selected entries from the address book?");
    QString text = Q(question).arg(ids.size() == 1 ? names.front() : QString::number(ids.size()));
    if (win::MessageBox(PlatformWindow(), text.toStdString(), Caption(),
                        win::MB_YESNO | win::MB_ICONQUESTION | win::MB_DEFBUTTON2) != win::IDYES) {
        return;
    }
    if (!PrepareChange()) {
        return;
    }
    bool removed = false;
    for (const std::string& id : ids) {
        removed = m_book.Remove(id) || removed;
    }
    if (removed) {
        Commit();
    }
}

void CAddressBookWindow::ShowError(const std::string& text) {
    win::MessageBox(PlatformWindow(), text, Caption(), win::MB_OK | win::MB_ICONWARNING);
}

bool CAddressBookWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return CDlgBase::eventFilter(watched, event);
}
