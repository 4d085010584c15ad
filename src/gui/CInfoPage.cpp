#include "gui/CInfoPage.h"

#include "app/log/LogManager.h"
#include "gui/CGuiText.h"
#include "gui/CLayoutVisibility.h"
#include "platform/Shell.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

CInfoPage::CInfoPage(const QPixmap& background, QWidget* parent)
    : QWidget(parent), m_background(background) {
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(28, 22, 28, 22);
    m_column->setSpacing(6);
    // The bitmap's lower part is decoration: keep the text clear of it.
    if (!m_background.isNull()) {
        m_column->setContentsMargins(28, 22, 28, 70);
    }
    setAutoFillBackground(false);
    setMinimumWidth(480);
}

void CInfoPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_background.isNull()) {
        painter.fillRect(rect(), palette().base());
        return;
    }
    // Cover the page, the bitmap's bottom edge on the page's bottom edge.
    QSize scaled = m_background.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    QRect target(QPoint((width() - scaled.width()) / 2, height() - scaled.height()), scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, m_background);
}

QLabel* CInfoPage::AddLabel(const QString& html, bool rich) {
    auto* label = new QLabel(this);
    label->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
    label->setText(html);
    label->setWordWrap(true);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0x1d, 0x2b, 0x36));
    label->setPalette(pal);
    m_column->addWidget(label);
    return label;
}

QLabel* CInfoPage::AddTitle(const std::string& text) {
    QLabel* label = AddLabel(QString::fromStdString(text), false);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0x0b, 0x5d, 0x7a));
    label->setPalette(pal);
    m_column->addSpacing(4);
    return label;
}

QLabel* CInfoPage::AddSubtitle(const std::string& text) {
    QLabel* label = AddLabel(QString::fromStdString(text), false);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* CInfoPage::AddText(const std::string& text) {
    return AddLabel(QString::fromStdString(text), false);
}

QLabel* CInfoPage::AddBullet(const std::string& text) {
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=0><tr><td width=22 "
                                  "align=center>&#8226;</td><td>%1</td></tr></table>")
                       .arg(QString::fromStdString(text).toHtmlEscaped());
    QLabel* label = AddLabel(html, true);
    label->setContentsMargins(10, 0, 0, 0);
    return label;
}

QLabel* CInfoPage::AddLink(const std::string& text, const std::string& target,
                           const std::string& before, const std::string& after) {
    QString html;
    if (!before.empty()) {
        html += QString::fromStdString(before).toHtmlEscaped() + " ";
    }
    html += QStringLiteral("<a href=\"%1\" style=\"color:#0a6fa0;\">%2</a>")
                .arg(QString::fromStdString(target).toHtmlEscaped(),
                     QString::fromStdString(text).toHtmlEscaped());
    if (!after.empty()) {
        html += " " + QString::fromStdString(after).toHtmlEscaped();
    }
    QLabel* label = AddLabel(html, true);
    label->setOpenExternalLinks(false);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setToolTip(QString::fromStdString(target));
    std::string link = target;
    connect(label, &QLabel::linkActivated, this, [this, link] {
        ++m_opened;
        if (!platform::ShellOpen(link)) {
            Log("CInfoPage::OpenLink", "Failed to open " + link, LOG_CAT_GUI, LOG_SEV_ERROR);
        }
    });
    return label;
}

void CInfoPage::AddSpacing(int pixels) {
    m_column->addSpacing(pixels);
}

void CInfoPage::AddWidget(QWidget* widget) {
    m_column->addWidget(widget);
}

void CInfoPage::AddStretch() {
    m_column->addStretch(1);
}

int CInfoPage::AddLines(const std::vector<InfoLine>& lines, const CLayoutVisibility& layout) {
    int added = 0;
    InfoLine::Kind previous = InfoLine::Title;
    for (const InfoLine& line : lines) {
        if (!layout.Shows(line.name)) {
            continue;
        }
        std::string text = CGuiText::Row(line.row);
        if (text.empty()) {
            continue;
        }
        // A little air between groups of lines.
        if (added > 0 && line.kind != previous &&
            (line.kind == InfoLine::Link || previous == InfoLine::Bullet ||
             previous == InfoLine::Title || previous == InfoLine::Link)) {
            AddSpacing(6);
        }
        QLabel* label = nullptr;
        switch (line.kind) {
        case InfoLine::Title:
            label = AddTitle(text);
            break;
        case InfoLine::Subtitle:
            label = AddSubtitle(text);
            break;
        case InfoLine::Text:
            label = AddText(text);
            break;
        case InfoLine::Bullet:
            label = AddBullet(text);
            break;
        case InfoLine::Link: {
            std::string target = CGuiText::Row(line.linkRow);
            label = target.empty() ? AddText(text) : AddLink(text, target);
            break;
        }
        }
        label->setObjectName(QString::fromUtf8(line.name));
        previous = line.kind;
        ++added;
    }
    return added;
}
