#include "CMailClient.h"

#include "MailCommands.h"
#include "MailDate.h"
#include "MailMenus.h"
#include "ScriptProtocol.h"
#include "ToolbarImages.h"

#include "platform/WinControlClass.h"
#include "platform/WinListView.h"

#include <array>
#include <cstdio>

namespace mailclient {

namespace {

constexpr const char* kMainClass = "Outlook Express Browser Class";
constexpr const char* kSizableRebarClass = "SizableRebar";
constexpr const char* kRebarClass = "RebarWindow32";
constexpr const char* kViewClass = "Outlook Express Message View";
constexpr const char* kMessageListClass = "Outlook Express Message List";
constexpr const char* kListClass = "ATL:SysListView32";
constexpr const char* kReadWindowClass = "ATH_Note";

constexpr int kWidth = 900;
constexpr int kHeight = 600;
constexpr int kRebarHeight = 30;
// Room for every row below the header, so that each row can be clicked.
constexpr int kMinListHeight = kHeight - kRebarHeight;

constexpr std::array<const char*, CMailClient::kColumnCount> kColumnTitles = {"From", "Subject",
                                                                              "Received"};
constexpr std::array<int, CMailClient::kColumnCount> kColumnWidths = {220, 480, 140};

struct ToolbarEntry {
    int command; // 0: a separator
    int image;
    const char* text;
    const char* tooltip;
};

constexpr ToolbarEntry kToolbar[] = {
    {kCmdNewMail, kImageNewMail, "Create Mail", "Create a new mail message"},
    {0, 0, "", ""},
    {kCmdReply, kImageReply, "Reply", "Reply to the sender"},
    {kCmdReplyAll, kImageReplyAll, "Reply All", "Reply to everyone who got the mail"},
    {kCmdForward, kImageForward, "Forward", "Forward the mail"},
    {0, 0, "", ""},
    {kCmdPrint, kImagePrint, "Print", "Print the mail"},
    {kCmdDelete, kImageDelete, "Delete", "Delete the mail"},
    {0, 0, "", ""},
    {kCmdSendReceive, kImageSendReceive, "Send/Recv", "Send and receive mail"},
    {0, 0, "", ""},
    {kCmdAddressBook, kImageAddressBook, "Addresses", "Open the address book"},
    {kCmdFind, kImageFind, "Find", "Find a mail"},
};

// The hot list of a toolbar with 91 normal images holds the 61 of the smaller set, as the
// client's larger picture set keeps only its normal images apart.
int HotImageCount(int normal) {
    return normal == 91 ? 61 : normal;
}

std::string SubjectColumn(const MailItem& mail) {
    if (!mail.subject.empty()) {
        return mail.subject;
    }
    // No subject: the start of the text, on one line.
    std::string text;
    for (char c : mail.body) {
        if (text.size() >= 200) {
            break;
        }
        text.push_back(c == '\n' || c == '\r' || c == '\t' ? ' ' : c);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::string ItemText(win::HWND list, int row, int column) {
    // The same buffer size a hooked-in library reads with.
    char buffer[1024] = {};
    win::LVITEM item;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(sizeof buffer);
    win::SendMessage(list, win::LVM_GETITEMTEXT, static_cast<win::WPARAM>(row),
                     reinterpret_cast<win::LPARAM>(&item));
    return buffer;
}

} // namespace

CMailClient::CMailClient(MboxContents folder, Options options, EventSink events)
    : m_mails(std::move(folder.mails)), m_options(std::move(options)), m_events(std::move(events)) {
    m_read.reserve(m_mails.size());
    for (const MailItem& mail : m_mails) {
        m_read.push_back(mail.read);
    }
}

CMailClient::~CMailClient() {
    for (win::HWND w : m_readWindows) {
        win::DestroyWindow(w);
    }
    if (m_main != 0) {
        win::DestroyWindow(m_main);
    }
    if (m_images != 0) {
        win::ImageList_Destroy(m_images);
    }
    if (m_hotImages != 0) {
        win::ImageList_Destroy(m_hotImages);
    }
}

bool CMailClient::Create() {
    win::RegisterControlClassAlias(kListClass, win::WC_LISTVIEW);
    win::WindowDesc desc;
    desc.className = kMainClass;
    desc.title = m_options.title;
    desc.x = 80;
    desc.y = 60;
    desc.width = kWidth;
    desc.height = kHeight;
    m_main = win::CreateWindow(desc, [this](win::HWND h, win::UINT m, win::WPARAM w,
                                            win::LPARAM l) { return OnMainMessage(h, m, w, l); });
    if (m_main == 0) {
        std::fprintf(stderr, "twmailclient: cannot create the main window\n");
        return false;
    }
    const win::HMENU bar = BuildMenuBar();
    if (bar == 0 || !win::SetMenu(m_main, bar)) {
        std::fprintf(stderr, "twmailclient: cannot create the menu bar\n");
        return false;
    }
    auto forward = [this](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
        return OnForwardingMessage(h, m, w, l);
    };
    win::WindowDesc rebar;
    rebar.className = kSizableRebarClass;
    rebar.parent = m_main;
    rebar.controlId = 0xA000;
    rebar.width = kWidth;
    rebar.height = kRebarHeight;
    m_sizableRebar = win::CreateWindow(rebar, forward);
    rebar.className = kRebarClass;
    rebar.parent = m_sizableRebar;
    rebar.controlId = 0xA001;
    m_rebar = m_sizableRebar == 0 ? 0 : win::CreateWindow(rebar, forward);
    if (m_rebar == 0 || !CreateToolbar() || !CreateView()) {
        std::fprintf(stderr, "twmailclient: cannot create the windows of the main window\n");
        return false;
    }
    return true;
}

win::HMENU CMailClient::MenuBar() const {
    return m_main == 0 ? 0 : win::GetMenu(m_main);
}

bool CMailClient::CreateToolbar() {
    m_images = CreateToolbarImageList(m_options.toolbarImages, false, m_options.toolbarImageSize);
    m_hotImages = CreateToolbarImageList(HotImageCount(m_options.toolbarImages), true,
                                         m_options.toolbarImageSize);
    win::WindowDesc desc;
    desc.className = win::TOOLBARCLASSNAME;
    desc.parent = m_rebar;
    desc.controlId = kToolbarControlId;
    desc.y = 2;
    desc.width = kWidth;
    desc.height = win::TOOLBAR_BUTTON_HEIGHT;
    m_toolbar = win::CreateWindow(desc, nullptr);
    if (m_toolbar == 0 || m_images == 0 || m_hotImages == 0) {
        return false;
    }
    win::SendMessage(m_toolbar, win::TB_BUTTONSTRUCTSIZE, sizeof(win::TBBUTTON), 0);
    win::SendMessage(m_toolbar, win::TB_SETIMAGELIST, 0, static_cast<win::LPARAM>(m_images));
    win::SendMessage(m_toolbar, win::TB_SETHOTIMAGELIST, 0, static_cast<win::LPARAM>(m_hotImages));
    std::vector<win::TBBUTTON> buttons;
    for (const ToolbarEntry& entry : kToolbar) {
        win::TBBUTTON button;
        if (entry.command == 0) {
            button.fsStyle = win::BTNS_SEP;
            buttons.push_back(button);
            continue;
        }
        std::string text = entry.text;
        text.push_back('\0'); // the list of texts ends with an empty one
        button.iString = win::SendMessage(m_toolbar, win::TB_ADDSTRING, 0,
                                          reinterpret_cast<win::LPARAM>(text.c_str()));
        button.iBitmap = entry.image;
        button.idCommand = entry.command;
        button.fsState = win::TBSTATE_ENABLED;
        button.fsStyle = win::BTNS_BUTTON;
        buttons.push_back(button);
    }
    win::SendMessage(m_toolbar, win::TB_ADDBUTTONS, buttons.size(),
                     reinterpret_cast<win::LPARAM>(buttons.data()));
    Event(std::string(kEventPrefix) + " toolbar-created " + std::to_string(m_toolbar) + " " +
          std::to_string(m_options.toolbarImages));
    return true;
}

void CMailClient::DestroyToolbar() {
    if (m_toolbar != 0) {
        win::DestroyWindow(m_toolbar);
        m_toolbar = 0;
    }
    // The toolbar does not own its image lists.
    if (m_images != 0) {
        win::ImageList_Destroy(m_images);
        m_images = 0;
    }
    if (m_hotImages != 0) {
        win::ImageList_Destroy(m_hotImages);
        m_hotImages = 0;
    }
}

bool CMailClient::CreateView() {
    win::WindowDesc desc;
    desc.className = kViewClass;
    desc.parent = m_main;
    desc.controlId = 0xA100;
    desc.y = kRebarHeight;
    desc.width = kWidth;
    desc.height = kHeight - kRebarHeight;
    m_view = win::CreateWindow(desc, [this](win::HWND h, win::UINT m, win::WPARAM w,
                                            win::LPARAM l) { return OnViewMessage(h, m, w, l); });
    if (m_view == 0 || m_list == 0) {
        return false;
    }
    Event(std::string(kEventPrefix) + " view-created " + std::to_string(m_view));
    return true;
}

win::LRESULT CMailClient::OnViewMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                        win::LPARAM lParam) {
    if (msg == win::WM_CREATE) {
        // The list and its control exist before the view's parent hears of the view.
        win::WindowDesc desc;
        desc.className = kMessageListClass;
        desc.parent = hwnd;
        desc.controlId = 0xA101;
        desc.width = kWidth;
        desc.height = kHeight - kRebarHeight;
        m_messageList =
            win::CreateWindow(desc, [this](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
                return OnMessageListMessage(h, m, w, l);
            });
        if (m_messageList == 0 || !FillList(m_messageList)) {
            m_list = 0;
        }
        return 0;
    }
    if (msg == win::WM_NOTIFY || msg == win::WM_COMMAND) {
        return win::SendMessage(win::GetParent(hwnd), msg, wParam, lParam);
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

bool CMailClient::FillList(win::HWND messageList) {
    win::WindowDesc desc;
    desc.className = kListClass;
    desc.parent = messageList;
    desc.controlId = 0xA102;
    desc.width = kWidth;
    const int rowsHeight = win::LISTVIEW_HEADER_HEIGHT +
                           static_cast<int>(m_mails.size() + 1) * win::LISTVIEW_ROW_HEIGHT;
    desc.height = rowsHeight > kMinListHeight ? rowsHeight : kMinListHeight;
    m_list = win::CreateWindow(desc, nullptr);
    if (m_list == 0) {
        return false;
    }
    for (int c = 0; c < kColumnCount; ++c) {
        std::string title = kColumnTitles[static_cast<std::size_t>(c)];
        win::LVCOLUMN column;
        column.mask = win::LVCF_TEXT | win::LVCF_WIDTH | win::LVCF_SUBITEM;
        column.cx = kColumnWidths[static_cast<std::size_t>(c)];
        column.pszText = title.data();
        column.iSubItem = c;
        win::SendMessage(m_list, win::LVM_INSERTCOLUMN, static_cast<win::WPARAM>(c),
                         reinterpret_cast<win::LPARAM>(&column));
    }
    for (std::size_t i = 0; i < m_mails.size(); ++i) {
        const MailItem& mail = m_mails[i];
        std::array<std::string, kColumnCount> texts = {
            SenderDisplay(mail.from), SubjectColumn(mail),
            m_options.headerDates ? mail.date : ListDateText(mail.date)};
        win::LVITEM item;
        item.mask = win::LVIF_TEXT | win::LVIF_PARAM | win::LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = texts[0].data();
        item.iImage = m_read[i] ? 1 : 0;
        item.lParam = static_cast<win::LPARAM>(i);
        const win::LRESULT row =
            win::SendMessage(m_list, win::LVM_INSERTITEM, 0, reinterpret_cast<win::LPARAM>(&item));
        for (int c = 1; c < kColumnCount; ++c) {
            win::LVITEM sub;
            sub.iSubItem = c;
            sub.pszText = texts[static_cast<std::size_t>(c)].data();
            win::SendMessage(m_list, win::LVM_SETITEMTEXT, static_cast<win::WPARAM>(row),
                             reinterpret_cast<win::LPARAM>(&sub));
        }
    }
    return true;
}

win::LRESULT CMailClient::OnMainMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                        win::LPARAM lParam) {
    switch (msg) {
    case win::WM_COMMAND:
        OnCommand(win::LOWORD(wParam));
        return 0;
    case win::WM_INITMENUPOPUP: {
        const int row = SelectedRow();
        const int mail = MailIndexOfRow(row);
        PrepareMenuPopup(static_cast<win::HMENU>(wParam), row >= 0,
                         mail >= 0 && m_read[static_cast<std::size_t>(mail)]);
        return 0;
    }
    case win::WM_NOTIFY: {
        // Another process's notification is a number, never a pointer to read.
        if (win::InMessageFromOtherProcess() || lParam == 0) {
            return 0;
        }
        const auto* header = reinterpret_cast<const win::NMHDR*>(lParam);
        if (header->code == win::TTN_GETDISPINFOW && header->hwndFrom == m_toolbar) {
            for (const ToolbarEntry& entry : kToolbar) {
                if (entry.command != 0 &&
                    static_cast<win::UINT_PTR>(entry.command) == header->idFrom) {
                    win::SetTooltipText(reinterpret_cast<win::NMTTDISPINFOW*>(lParam),
                                        entry.tooltip);
                }
            }
        }
        return 0;
    }
    case win::WM_CLOSE:
        win::PostQuitMessage(0);
        return 0;
    default:
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

win::LRESULT CMailClient::OnForwardingMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                              win::LPARAM lParam) {
    if (msg == win::WM_COMMAND || msg == win::WM_NOTIFY) {
        return win::SendMessage(win::GetParent(hwnd), msg, wParam, lParam);
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

win::LRESULT CMailClient::OnMessageListMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                               win::LPARAM lParam) {
    if (msg == win::WM_NOTIFY && !win::InMessageFromOtherProcess() && lParam != 0) {
        const auto* header = reinterpret_cast<const win::NMHDR*>(lParam);
        if (header->hwndFrom == m_list && header->code == win::NM_DBLCLK) {
            OnListAction("dblclick");
        } else if (header->hwndFrom == m_list && header->code == win::NM_RETURN) {
            OnListAction("enter");
        }
        return 0;
    }
    if (msg == win::WM_CONTEXTMENU && static_cast<win::HWND>(wParam) == m_list) {
        OnContextMenu(lParam);
        return 0;
    }
    if (msg == win::WM_COMMAND) {
        return win::SendMessage(m_main, msg, wParam, lParam);
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

void CMailClient::OnCommand(win::UINT id) {
    const MailCommandInfo* info = FindMailCommand(id);
    const std::string head = std::string(kEventPrefix) + " command " + std::to_string(id) + " " +
                             std::string(kHandledByClient) + " ";
    if (info == nullptr) {
        Event(head + "unknown");
        return;
    }
    const int row = SelectedRow();
    Event(head + std::string(info->action) + (info->needsSelection ? " " + RowWord(row) : ""));
    switch (info->kind) {
    case MailAction::Open:
        if (row >= 0) {
            MarkRow(row, true);
            OpenReadWindow(row);
        }
        break;
    case MailAction::MarkRead:
    case MailAction::MarkUnread:
        if (row >= 0) {
            MarkRow(row, info->kind == MailAction::MarkRead);
        }
        break;
    case MailAction::Exit:
        win::PostQuitMessage(0);
        break;
    case MailAction::Reply:
    case MailAction::Forward:
    case MailAction::Record:
        break;
    }
}

void CMailClient::OnListAction(const char* how) {
    const int row = SelectedRow();
    Event(std::string(kEventPrefix) + " list " + how + " " + std::string(kHandledByClient) +
          " open " + RowWord(row));
    if (row >= 0) {
        MarkRow(row, true);
        OpenReadWindow(row);
    }
}

void CMailClient::OnContextMenu(win::LPARAM screenPoint) {
    const int row = SelectedRow();
    Event(std::string(kEventPrefix) + " list context " + std::string(kHandledByClient) + " menu " +
          RowWord(row));
    const win::HMENU menu = win::CreatePopupMenu();
    struct Item {
        win::UINT id;
        const char* text;
    };
    static constexpr Item kItems[] = {
        {kCmdOpen, "&Open"},
        {kCmdPrint, "&Print"},
        {0, ""},
        {kCmdReply, "Reply to Sender"},
        {kCmdReplyAll, "Reply to All"},
        {kCmdForward, "For&ward"},
        {0, ""},
        {kCmdMarkRead, "Mark as &Read"},
        {kCmdMarkUnread, "Mark as &Unread"},
        {0, ""},
        {kCmdDelete, "&Delete"},
    };
    for (const Item& item : kItems) {
        win::AppendMenu(menu, item.id == 0 ? win::MF_SEPARATOR : win::MF_STRING, item.id,
                        item.text);
    }
    win::SetMenuDefaultItem(menu, kCmdOpen, false);
    int x = win::GET_X_LPARAM(screenPoint);
    int y = win::GET_Y_LPARAM(screenPoint);
    if (screenPoint == win::CONTEXTMENU_FROM_KEYBOARD) {
        win::POINT p;
        win::GetCursorPos(&p);
        x = p.x;
        y = p.y;
    }
    const int chosen =
        win::TrackPopupMenu(menu, win::TPM_RETURNCMD | win::TPM_RIGHTBUTTON, x, y, 0, m_main);
    win::DestroyMenu(menu);
    if (chosen != 0) {
        win::SendMessage(m_main, win::WM_COMMAND,
                         win::MAKEWPARAM(static_cast<win::WORD>(chosen), 0), 0);
    }
}

int CMailClient::SelectedRow() const {
    if (m_list == 0) {
        return -1;
    }
    return static_cast<int>(win::SendMessage(m_list, win::LVM_GETNEXTITEM,
                                             static_cast<win::WPARAM>(-1), win::LVNI_SELECTED));
}

int CMailClient::MailIndexOfRow(int row) const {
    if (row < 0 || m_list == 0) {
        return -1;
    }
    win::LVITEM item;
    item.mask = win::LVIF_PARAM;
    item.iItem = row;
    if (win::SendMessage(m_list, win::LVM_GETITEM, 0, reinterpret_cast<win::LPARAM>(&item)) == 0) {
        return -1;
    }
    const auto index = static_cast<std::size_t>(item.lParam);
    return index < m_mails.size() ? static_cast<int>(index) : -1;
}

const MailItem* CMailClient::MailOfRow(int row) const {
    const int index = MailIndexOfRow(row);
    return index < 0 ? nullptr : &m_mails[static_cast<std::size_t>(index)];
}

void CMailClient::MarkRow(int row, bool read) {
    const int mail = MailIndexOfRow(row);
    if (mail < 0 || m_read[static_cast<std::size_t>(mail)] == read) {
        return;
    }
    m_read[static_cast<std::size_t>(mail)] = read;
    win::LVITEM item;
    item.mask = win::LVIF_IMAGE;
    item.iItem = row;
    item.iImage = read ? 1 : 0;
    win::SendMessage(m_list, win::LVM_SETITEM, 0, reinterpret_cast<win::LPARAM>(&item));
    Event(std::string(kEventPrefix) + " row " + std::to_string(row) + (read ? " read" : " unread"));
}

void CMailClient::OpenReadWindow(int row) {
    const MailItem* mail = MailOfRow(row);
    if (mail == nullptr) {
        return;
    }
    win::WindowDesc desc;
    desc.className = kReadWindowClass;
    desc.title = (mail->subject.empty() ? std::string("(no subject)") : mail->subject);
    desc.width = 640;
    desc.height = 480;
    const win::HWND window = win::CreateWindow(desc, win::DefWindowProc);
    if (window != 0) {
        m_readWindows.push_back(window);
    }
    Event(std::string(kEventPrefix) + " read-window " + std::to_string(row) + " " +
          QuoteField(desc.title));
    if (m_readObserver) {
        m_readObserver(row);
    }
}

void CMailClient::Event(const std::string& line) const {
    if (m_events) {
        m_events(line);
    }
}

std::string CMailClient::RowWord(int row) const {
    return row < 0 ? std::string("none") : std::to_string(row);
}

// --- What a user does ------------------------------------------------------------------

std::string CMailClient::ClickToolbar(int target) {
    if (m_toolbar == 0) {
        return "no toolbar";
    }
    int index = target;
    if (target >= 1000) {
        index = static_cast<int>(win::SendMessage(m_toolbar, win::TB_COMMANDTOINDEX,
                                                  static_cast<win::WPARAM>(target), 0));
        if (index < 0) {
            return "no button with command " + std::to_string(target);
        }
    }
    if (!win::ToolbarClickButton(m_toolbar, index)) {
        return "no button at " + std::to_string(index);
    }
    return {};
}

std::string CMailClient::OpenMenuPopup(int index, win::HMENU& popup) {
    popup = win::OpenMenuBarPopup(m_main, index);
    if (popup == 0) {
        return "no popup at " + std::to_string(index);
    }
    return {};
}

std::string CMailClient::ChooseMenuItem(int index, win::UINT command) {
    win::HMENU popup = 0;
    std::string error = OpenMenuPopup(index, popup);
    if (!error.empty()) {
        return error;
    }
    const win::UINT state = win::GetMenuState(popup, command, win::MF_BYCOMMAND);
    if (state == win::MENU_ITEM_ABSENT || (state & (win::MF_POPUP | win::MF_SEPARATOR)) != 0) {
        return "no item " + std::to_string(command) + " in popup " + std::to_string(index);
    }
    if ((state & (win::MF_GRAYED | win::MF_DISABLED)) != 0) {
        return "item " + std::to_string(command) + " is disabled";
    }
    if (!win::ChooseMenuCommand(m_main, command)) {
        return "the menu did not take " + std::to_string(command);
    }
    return {};
}

std::string CMailClient::SelectRow(int row) {
    if (m_list == 0 || !win::ListViewSelectItem(m_list, row)) {
        return "no row " + std::to_string(row);
    }
    return {};
}

std::string CMailClient::DoubleClickRow(int row) {
    if (m_list == 0 || !win::ListViewDoubleClickItem(m_list, row)) {
        return "no row " + std::to_string(row);
    }
    return {};
}

std::string CMailClient::PressEnter() {
    if (m_list == 0 || !win::ListViewPressKey(m_list, win::VK_RETURN)) {
        return "no list";
    }
    return {};
}

std::string CMailClient::ContextMenuOnRow(int row, const win::PopupMenuChooser& chooser) {
    if (m_list == 0) {
        return "no list";
    }
    win::PopupMenuChooser previous =
        win::SetPopupMenuChooser([this, &chooser](const win::PopupMenuRequest& request) {
            Event(std::string(kEventPrefix) + " popup " +
                  std::to_string(win::GetMenuItemCount(request.menu)) +
                  MenuRecords(MenuItems(request.menu)));
            return chooser ? chooser(request) : 0u;
        });
    const bool clicked = win::ListViewRightClickItem(m_list, row);
    win::SetPopupMenuChooser(previous);
    return clicked ? std::string() : "no row " + std::to_string(row);
}

std::string CMailClient::RecreateToolbar() {
    DestroyToolbar();
    if (!CreateToolbar()) {
        return "cannot create the toolbar";
    }
    // The client lays its rebar out again for the new toolbar; the rebar hears of it.
    win::MoveWindow(m_sizableRebar, 0, 0, kWidth, kRebarHeight);
    win::MoveWindow(m_rebar, 0, 0, kWidth, kRebarHeight);
    return {};
}

std::string CMailClient::DeleteToolbarButton(int index) {
    if (m_toolbar == 0) {
        return "no toolbar";
    }
    if (win::SendMessage(m_toolbar, win::TB_DELETEBUTTON, static_cast<win::WPARAM>(index), 0) ==
        0) {
        return "no button at " + std::to_string(index);
    }
    win::SendMessage(m_toolbar, win::TB_BUTTONCOUNT, 0, 0);
    return {};
}

std::string CMailClient::RecreateView() {
    if (m_view != 0) {
        win::DestroyWindow(m_view);
        m_view = m_messageList = m_list = 0;
    }
    if (!CreateView()) {
        return "cannot create the message view";
    }
    return {};
}

// --- What the windows show -------------------------------------------------------------

std::vector<CMailClient::MenuItem> CMailClient::MenuItems(win::HMENU menu) {
    std::vector<MenuItem> items;
    const int count = win::GetMenuItemCount(menu);
    const win::UINT defaultId = win::GetMenuDefaultItem(menu);
    for (int i = 0; i < count; ++i) {
        const auto position = static_cast<win::UINT>(i);
        win::UINT state = win::GetMenuState(menu, position, win::MF_BYPOSITION);
        MenuItem item;
        item.popup = (state & win::MF_POPUP) != 0;
        if (item.popup) {
            state &= 0xFF; // a popup's high byte is its item count, not flags
        }
        item.separator = (state & win::MF_SEPARATOR) != 0;
        item.enabled = (state & (win::MF_GRAYED | win::MF_DISABLED)) == 0;
        item.checked = (state & win::MF_CHECKED) != 0;
        item.id = item.popup ? 0 : win::GetMenuItemID(menu, i);
        item.isDefault = !item.separator && !item.popup && item.id == defaultId;
        if (!item.separator) {
            item.text = win::GetMenuString(menu, position, win::MF_BYPOSITION);
        }
        items.push_back(item);
    }
    return items;
}

std::string CMailClient::MenuRecords(const std::vector<MenuItem>& items) {
    std::string out;
    for (const MenuItem& item : items) {
        out += " | " + std::to_string(item.id) + " " + QuoteField(item.text) + " ";
        if (item.separator) {
            out += "separator";
            continue;
        }
        out += item.enabled ? "enabled" : "disabled";
        if (item.popup) {
            out += " popup";
        }
        if (item.checked) {
            out += " checked";
        }
        if (item.isDefault) {
            out += " default";
        }
    }
    return out;
}

std::vector<CMailClient::Button> CMailClient::ToolbarButtons(bool tooltips) const {
    std::vector<Button> buttons;
    if (m_toolbar == 0) {
        return buttons;
    }
    const int count = static_cast<int>(win::SendMessage(m_toolbar, win::TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        win::TBBUTTON raw;
        if (win::SendMessage(m_toolbar, win::TB_GETBUTTON, static_cast<win::WPARAM>(i),
                             reinterpret_cast<win::LPARAM>(&raw)) == 0) {
            continue;
        }
        Button button;
        button.index = i;
        button.command = raw.idCommand;
        button.image = raw.iBitmap;
        button.separator = (raw.fsStyle & win::BTNS_SEP) != 0;
        button.enabled = (raw.fsState & win::TBSTATE_ENABLED) != 0;
        button.hidden = (raw.fsState & win::TBSTATE_HIDDEN) != 0;
        if (!button.separator) {
            button.text = win::ToolbarGetButtonText(m_toolbar, i);
            if (tooltips) {
                button.tooltip = win::ToolbarGetTooltip(m_toolbar, i);
            }
        }
        buttons.push_back(button);
    }
    return buttons;
}

win::HIMAGELIST CMailClient::ToolbarImageList() const {
    if (m_toolbar == 0) {
        return 0;
    }
    return static_cast<win::HIMAGELIST>(win::SendMessage(m_toolbar, win::TB_GETIMAGELIST, 0, 0));
}

int CMailClient::ToolbarImageCount() const {
    return win::ImageList_GetImageCount(ToolbarImageList());
}

win::HIMAGELIST CMailClient::ToolbarHotImageList() const {
    if (m_toolbar == 0) {
        return 0;
    }
    return static_cast<win::HIMAGELIST>(win::SendMessage(m_toolbar, win::TB_GETHOTIMAGELIST, 0, 0));
}

int CMailClient::ToolbarHotImageCount() const {
    if (m_toolbar == 0) {
        return 0;
    }
    return win::ImageList_GetImageCount(
        static_cast<win::HIMAGELIST>(win::SendMessage(m_toolbar, win::TB_GETHOTIMAGELIST, 0, 0)));
}

std::vector<CMailClient::Row> CMailClient::Rows() const {
    std::vector<Row> rows;
    if (m_list == 0) {
        return rows;
    }
    const int count = static_cast<int>(win::SendMessage(m_list, win::LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        Row row;
        for (int c = 0; c < kColumnCount; ++c) {
            row.columns.push_back(ItemText(m_list, r, c));
        }
        const int mail = MailIndexOfRow(r);
        row.read = mail >= 0 && m_read[static_cast<std::size_t>(mail)];
        row.selected = (win::SendMessage(m_list, win::LVM_GETITEMSTATE, static_cast<win::WPARAM>(r),
                                         win::LVIS_SELECTED) &
                        win::LVIS_SELECTED) != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

const char* CMailClient::ColumnTitle(int column) {
    return column >= 0 && column < kColumnCount ? kColumnTitles[static_cast<std::size_t>(column)]
                                                : "";
}

void CMailClient::SetReadWindowObserver(std::function<void(int row)> observer) {
    m_readObserver = std::move(observer);
}

} // namespace mailclient
