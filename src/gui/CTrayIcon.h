// The notification-area icon: the program icon, its tooltip, the context menu and the
// balloon. What the user does with it comes back through the callbacks, which the manager
// turns into its tray notifications.
#pragma once

#include <QIcon>
#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;

class CTrayIcon : public QObject {
    Q_OBJECT

public:
    struct Callbacks {
        std::function<void(int command)> command; // a menu item was chosen
        std::function<void()> doubleClick;
        std::function<void()> balloonClick;
    };

    CTrayIcon(const QIcon& icon, const std::string& toolTip, Callbacks callbacks);
    ~CTrayIcon() override;

    // Puts the icon into the notification area. False when there is none to put it into.
    bool Show();
    void Hide();
    bool IsVisible() const;
    // Whether a balloon can be shown.
    bool SupportsMessages() const;
    void ShowBalloon(const std::string& title, const std::string& text, int timeoutMs);

    // The context menu: New SMS (1), Folders (3), Options (4), Address Book (5), Quit (6).
    QMenu* Menu() const { return m_menu.get(); }
    // Opens the menu at the cursor and returns the chosen command, 0 for none.
    int TrackMenu();
    const std::string& ToolTip() const { return m_toolTip; }

    // The tooltip: at most 64 characters.
    static std::string CutToolTip(const std::string& text);

private:
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::string m_toolTip;
    Callbacks m_callbacks;
    bool m_tracking = false;
};
