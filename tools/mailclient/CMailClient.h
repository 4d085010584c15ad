// The mail client's windows and what it does with them, on the thread that creates it (its
// user-interface thread, which must run a platform message loop).
//
// The window tree, by class name:
//   "Outlook Express Browser Class" (main window, top level, with the menu bar of MailMenus.h)
//     "SizableRebar" > "RebarWindow32" > "ToolbarWindow32" (control id 2101, images of
//         ToolbarImages.h: 61 by default)
//     "Outlook Express Message View" > "Outlook Express Message List" > "ATL:SysListView32"
//         (the list control: one row per mail, columns sender, subject and date)
// The message view makes its children while it is being created, so that the view is whole
// when its parent hears of it. The rebar windows pass commands and notifications of their
// children on to the main window, which carries out the commands of MailCommands.h on the
// selected row and answers the toolbar's tooltip requests.
//
// Everything the client does on its own account is reported as one event line through the
// event sink (formats in ScriptProtocol.h). The user actions below are the ones the script
// and the Qt mirror share: each acts on the controls as a user would (through any subclass a
// hooked-in library installed) and returns an error text, empty on success.
#pragma once

#include "MboxReader.h"

#include "platform/WinMenu.h"
#include "platform/WinToolbar.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mailclient {

class CMailClient {
public:
    struct Options {
        std::string title = "Inbox - Mail";
        int toolbarImages = 61;
        // The side of the toolbar's pictures (16: the small set; larger: the large one).
        int toolbarImageSize = 16;
        // The date column shows the Date header as written instead of "dd/mm/yyyy hh:mm".
        bool headerDates = false;
    };
    using EventSink = std::function<void(const std::string& line)>;

    CMailClient(MboxContents folder, Options options, EventSink events);
    ~CMailClient();
    CMailClient(const CMailClient&) = delete;
    CMailClient& operator=(const CMailClient&) = delete;

    // Builds the window tree; false (and a line on standard error) when a window cannot be
    // made.
    bool Create();

    win::HWND MainWindow() const { return m_main; }
    win::HWND Toolbar() const { return m_toolbar; }
    win::HWND MessageView() const { return m_view; }
    win::HWND ListControl() const { return m_list; }
    win::HMENU MenuBar() const;
    const std::vector<MailItem>& Mails() const { return m_mails; }

    // --- What a user does --------------------------------------------------------------
    // `target`: a position on the toolbar (below 1000) or a command id.
    std::string ClickToolbar(int target);
    // Opens popup `index` of the menu bar (the owner hears WM_INITMENU, WM_MENUSELECT and
    // WM_INITMENUPOPUP) and gives its handle.
    std::string OpenMenuPopup(int index, win::HMENU& popup);
    // Opens popup `index` and chooses the command, which must be an enabled item of it.
    std::string ChooseMenuItem(int index, win::UINT command);
    std::string SelectRow(int row);
    std::string DoubleClickRow(int row);
    std::string PressEnter();
    // Right-clicks the row; the context menu shown meanwhile (the client's own or one a
    // hooked-in library shows instead) is reported as an "event popup" line and answered
    // by `chooser` (0: the user closes it).
    std::string ContextMenuOnRow(int row, const win::PopupMenuChooser& chooser);
    // Destroys the toolbar and makes a new one, as the client does after the user changed
    // its buttons; the rebar is laid out again afterwards.
    std::string RecreateToolbar();
    // Takes the button at `index` off the toolbar and counts the buttons afterwards, as the
    // client does when the user customizes its toolbar.
    std::string DeleteToolbarButton(int index);
    // Destroys the message view and makes a new one with the same rows.
    std::string RecreateView();

    // --- What the windows show ---------------------------------------------------------
    struct MenuItem {
        win::UINT id = 0;
        std::string text;
        bool separator = false;
        bool popup = false;
        bool enabled = true;
        bool checked = false;
        bool isDefault = false;
    };
    static std::vector<MenuItem> MenuItems(win::HMENU menu);
    // "<id> <text> <state>" records of the protocol.
    static std::string MenuRecords(const std::vector<MenuItem>& items);

    struct Button {
        int index = 0;
        int command = 0;
        int image = 0;
        bool separator = false;
        bool enabled = true;
        bool hidden = false;
        std::string text;
        std::string tooltip;
    };
    // With `tooltips`, each button's tooltip is asked for as the tooltip control would.
    std::vector<Button> ToolbarButtons(bool tooltips) const;
    win::HIMAGELIST ToolbarImageList() const;
    win::HIMAGELIST ToolbarHotImageList() const;
    int ToolbarImageCount() const;
    int ToolbarHotImageCount() const;

    struct Row {
        std::vector<std::string> columns;
        bool read = false;
        bool selected = false;
    };
    std::vector<Row> Rows() const;
    static constexpr int kColumnCount = 3;
    static const char* ColumnTitle(int column);
    // The mail behind a row, null for none.
    const MailItem* MailOfRow(int row) const;

    // Told when the client opens a read window for a row (the Qt mirror shows the mail).
    void SetReadWindowObserver(std::function<void(int row)> observer);

private:
    win::LRESULT OnMainMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                               win::LPARAM lParam);
    win::LRESULT OnForwardingMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                     win::LPARAM lParam);
    win::LRESULT OnViewMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                               win::LPARAM lParam);
    win::LRESULT OnMessageListMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                      win::LPARAM lParam);
    void OnCommand(win::UINT id);
    void OnListAction(const char* how);
    void OnContextMenu(win::LPARAM screenPoint);

    bool CreateToolbar();
    void DestroyToolbar();
    bool CreateView();
    bool FillList(win::HWND messageList);
    int SelectedRow() const;
    int MailIndexOfRow(int row) const;
    void MarkRow(int row, bool read);
    void OpenReadWindow(int row);
    void Event(const std::string& line) const;
    std::string RowWord(int row) const;

    std::vector<MailItem> m_mails;
    std::vector<bool> m_read;
    Options m_options;
    EventSink m_events;
    win::HWND m_main = 0;
    win::HWND m_sizableRebar = 0;
    win::HWND m_rebar = 0;
    win::HWND m_toolbar = 0;
    win::HIMAGELIST m_images = 0;
    win::HIMAGELIST m_hotImages = 0;
    win::HWND m_view = 0;
    win::HWND m_messageList = 0;
    win::HWND m_list = 0;
    std::vector<win::HWND> m_readWindows;
    std::function<void(int)> m_readObserver;
};

} // namespace mailclient
