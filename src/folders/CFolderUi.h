// Small pieces the folder dialog and the viewers share: broadcasting a registered request to
// every top-level window (the dialog manager's hidden window acts on it), opening a translated
// link with the shell, menu texts with their shortcut, the logo button and the list icons.
#pragma once

#include "messages/CMessageClock.h"
#include "platform/Win.h"

#include <QDateTime>

#include <QIcon>
#include <QKeySequence>
#include <QString>

#include <string>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QToolButton;
class QWidget;

class CFolderUi {
public:
    // Posts the registered message (0, 0 unless given) to all top-level windows.
    static void Broadcast(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0);
    // Opens the translated text of `key` (default: row `row` of the branding text table)
    // with the shell when it is not empty. True when something was opened.
    static bool OpenTranslatedLink(const std::string& key, int row);
    // The translated text of a link key ("" when the translation is empty).
    static std::string LinkText(const std::string& key, int row);

    // A menu item: translated text, then a tab and `shortcutText` when given (the shortcut
    // column of the menu); `shortcut` is the key that triggers it.
    static QAction* AddMenuItem(QMenu* menu, const std::string& key, const std::string& text,
                                const char* shortcutText, const QKeySequence& shortcut,
                                QObject* receiver);
    // A toolbar-style button with an icon of the branding table (row; -1 for none), an
    // optional translated text and tooltip.
    static QToolButton* MakeButton(QWidget* parent, int iconRow, const QString& text,
                                   const QString& tooltip);
    // The icon of a branding row, or of `fallbackRow` when the edition has no such row.
    static QIcon Icon(int row, int size, int fallbackRow);
    // The logo button: the branding logo; opens "MessageFolder.ClickLogo", disabled when that
    // text is empty.
    static QToolButton* MakeLogoButton(QWidget* parent);

    // The image list of the message lists: the SMS icons (message, scheduled, sending,
    // error), then the same set for MMS. The error icon carries a red mark when the branding
    // gives it the same image as the plain message icon.
    static std::vector<QIcon> ListIcons();
    // First MMS icon in ListIcons().
    static int MmsIconOffset();

    // A record's date and time as a Qt value and back (local time, to the second).
    static QDateTime ToQDateTime(MessageDateTime when);
    static MessageDateTime FromQDateTime(const QDateTime& when);
};
