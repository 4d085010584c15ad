#include "gui/CTrayIcon.h"

#include "gui/CGuiText.h"
#include "gui/GuiDefs.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace gui;

std::string CTrayIcon::CutToolTip(const std::string& text) {
    return CGuiText::CutChars(text, 64);
}

CTrayIcon::CTrayIcon(const QIcon& icon, const std::string& toolTip, Callbacks callbacks)
    : m_menu(std::make_unique<QMenu>()), m_toolTip(CutToolTip(toolTip)),
      m_callbacks(std::move(callbacks)) {
    struct Item {
        int command;
        const char* key;
        const char* defaultText;
    };
    const Item items[] = {
        {TRAY_CMD_NEWSMS, "MenuString.NewSMS", "New SMS"},
        {0, nullptr, nullptr},
        {TRAY_CMD_FOLDERS, "MenuString.Folders", "Message Folders"},
        {TRAY_CMD_OPTIONS, "MenuString.Options", "Options..."},
        {TRAY_CMD_ADDRESSBOOK, "MenuString.AddressBook", "Address Book"},
        {0, nullptr, nullptr},
        {TRAY_CMD_QUIT, "MenuString.Quit", "Quit"},
    };
    for (const Item& item : items) {
        if (item.key == nullptr) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(CGuiText::QTr(item.key, item.defaultText));
        action->setData(item.command);
        int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (!m_tracking && m_callbacks.command) {
                m_callbacks.command(command);
            }
        });
    }
    if (QAction* first = m_menu->actions().value(0)) {
        m_menu->setDefaultAction(first);
    }

    m_tray = std::make_unique<QSystemTrayIcon>(icon);
    m_tray->setToolTip(CGuiText::Q(m_toolTip));
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick && m_callbacks.doubleClick) {
                    m_callbacks.doubleClick();
                }
            });
    connect(m_tray.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_callbacks.balloonClick) {
            m_callbacks.balloonClick();
        }
    });
}

CTrayIcon::~CTrayIcon() {
    if (m_tray) {
        m_tray->hide();
        m_tray->setContextMenu(nullptr);
    }
}

bool CTrayIcon::Show() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    m_tray->show();
    return m_tray->isVisible();
}

void CTrayIcon::Hide() {
    m_tray->hide();
}

bool CTrayIcon::IsVisible() const {
    return m_tray->isVisible();
}

bool CTrayIcon::SupportsMessages() const {
    return QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages();
}

void CTrayIcon::ShowBalloon(const std::string& title, const std::string& text, int timeoutMs) {
    m_tray->showMessage(CGuiText::Q(title), CGuiText::Q(text), QSystemTrayIcon::Information,
                        timeoutMs);
}

int CTrayIcon::TrackMenu() {
    // The caller acts on the answer; the items' own handlers stay quiet meanwhile.
    m_tracking = true;
    QAction* chosen = m_menu->exec(QCursor::pos());
    m_tracking = false;
    return chosen != nullptr ? chosen->data().toInt() : 0;
}
