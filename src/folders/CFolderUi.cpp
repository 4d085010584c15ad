#include "folders/CFolderUi.h"

#include "folders/CFolderRows.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "platform/Shell.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace {
// Branding rows of the list icons, in FolderIcon order.
constexpr int kListIconRows[ICONS_PER_KIND] = {24, 23, 26, 25};
// Text-table row of the logo link.
constexpr int kLogoLinkRow = 5;
} // namespace

void CFolderUi::Broadcast(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message == 0 || !win::PostMessage(win::HWND_BROADCAST, message, wParam, lParam)) {
        Log("CFolderUi::Broadcast", "Failed to broadcast request " + std::to_string(message),
            LOG_CAT_GUI, LOG_SEV_ERROR);
    }
}

std::string CFolderUi::LinkText(const std::string& key, int row) {
    return CGuiText::Tr(key, CGuiText::Row(row));
}

bool CFolderUi::OpenTranslatedLink(const std::string& key, int row) {
    const std::string link = LinkText(key, row);
    if (link.empty()) {
        return false;
    }
    return platform::ShellOpen(link);
}

QAction* CFolderUi::AddMenuItem(QMenu* menu, const std::string& key, const std::string& text,
                                const char* shortcutText, const QKeySequence& shortcut,
                                QObject* receiver) {
    std::string label = CGuiText::Tr(key, text);
    if (shortcutText != nullptr && *shortcutText != '\0') {
        label += "\t";
        label += shortcutText;
    }
    auto* action = new QAction(CGuiText::Q(label), receiver);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    menu->addAction(action);
    return action;
}

QToolButton* CFolderUi::MakeButton(QWidget* parent, int iconRow, const QString& text,
                                   const QString& tooltip) {
    auto* button = new QToolButton(parent);
    if (iconRow >= 0) {
        button->setIcon(CMgmtBranding::Instance().GetIcon(iconRow, 16, 16));
    }
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    if (!text.isEmpty()) {
        button->setText(text);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    button->setToolTip(tooltip.isEmpty() ? text : tooltip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QIcon CFolderUi::Icon(int row, int size, int fallbackRow) {
    QIcon icon = CMgmtBranding::Instance().GetIcon(row, size, size);
    if (icon.isNull()) {
        icon = CMgmtBranding::Instance().GetIcon(fallbackRow, size, size);
    }
    return icon;
}

QToolButton* CFolderUi::MakeLogoButton(QWidget* parent) {
    auto* button = new QToolButton(parent);
    QPixmap logo = CMgmtBranding::Instance().GetBitmap(0);
    if (!logo.isNull()) {
        if (logo.height() > 28) {
            logo = logo.scaledToHeight(28, Qt::SmoothTransformation);
        }
        button->setIcon(QIcon(logo));
        button->setIconSize(logo.size());
    }
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(CGuiText::QTr("MessageFolder.btntoolTipLogo", "Visit our web site"));
    const bool hasLink = !LinkText("MessageFolder.ClickLogo", kLogoLinkRow).empty();
    button->setEnabled(hasLink);
    QObject::connect(button, &QToolButton::clicked, button,
                     [] { OpenTranslatedLink("MessageFolder.ClickLogo", kLogoLinkRow); });
    return button;
}

std::vector<QIcon> CFolderUi::ListIcons() {
    std::vector<QIcon> set;
    const CMgmtBranding& branding = CMgmtBranding::Instance();
    for (int row : kListIconRows) {
        set.push_back(branding.GetIcon(row, 16, 16));
    }
    const QImage plain = branding.GetIconImage(kListIconRows[ICON_MESSAGE], 16, 16);
    const QImage error = branding.GetIconImage(kListIconRows[ICON_ERROR], 16, 16);
    if (!error.isNull() && error == plain) {
        QPixmap marked = QPixmap::fromImage(error);
        QPainter painter(&marked);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF badge(8.5, 8.5, 7, 7);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(QColor(0xD0, 0x21, 0x21));
        painter.drawEllipse(badge);
        painter.setPen(QPen(Qt::white, 1.4));
        painter.drawLine(QPointF(12, 10.2), QPointF(12, 12.8));
        painter.drawPoint(QPointF(12, 14.2));
        painter.end();
        set[ICON_ERROR] = QIcon(marked);
    }
    std::vector<QIcon> icons = set;
    icons.insert(icons.end(), set.begin(), set.end());
    return icons;
}

int CFolderUi::MmsIconOffset() {
    return ICONS_PER_KIND;
}

QDateTime CFolderUi::ToQDateTime(MessageDateTime when) {
    const auto days = std::chrono::floor<std::chrono::days>(when);
    const std::chrono::year_month_day date{days};
    const std::chrono::hh_mm_ss time{when - days};
    return QDateTime(QDate(static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                           static_cast<int>(unsigned(date.day()))),
                     QTime(static_cast<int>(time.hours().count()),
                           static_cast<int>(time.minutes().count()),
                           static_cast<int>(time.seconds().count())));
}

MessageDateTime CFolderUi::FromQDateTime(const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    const std::chrono::local_days days{std::chrono::year{date.year()} /
                                       static_cast<unsigned>(date.month()) /
                                       static_cast<unsigned>(date.day())};
    return days + std::chrono::hours{time.hour()} + std::chrono::minutes{time.minute()} +
           std::chrono::seconds{time.second()};
}
