#include "gui/CInfoPage.h"

#include "log/LogManager.h"
#include "gui/CGuiText.h"
#include "gui/CLayoutVisibility.h"
#include "platform/Shell.h"

#include <QLabel>
#include <algorithm>

#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

CInfoPage::CInfoPage(const QPixmap& background, int width, QWidget* parent)
    : QWidget(parent), m_background(background) {
    // A fixed width, so that the text wraps once and the decoration keeps its proportions.
    setFixedWidth(width);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(28, 22, 28, 22);
    m_column->setSpacing(6);
    if (!m_background.isNull()) {
        m_column->setContentsMargins(28, 22, 28, 22 + DecorationHeight());
    }
    setAutoFillBackground(false);
}

int CInfoPage::DecorationHeight() const {
    if (m_background.isNull() || m_background.width() <= 0) {
        return 0;
    }
    // The bitmap spans the page's width; its lower part is decoration the text keeps clear of.
    double scaledHeight =
        double(std::max(width(), minimumWidth())) * m_background.height() / m_background.width();
    return static_cast<int>(scaledHeight * 0.3);
}

void CInfoPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_background.isNull()) {
        painter.fillRect(rect(), palette().base());
        return;
    }
    // The bitmap at the page's width on the bottom edge; above it, its top colour.
    QImage top = m_background.toImage();
    painter.fillRect(rect(), QColor(top.pixel(top.width() / 2, 0)));
    int h = width() * m_background.height() / m_background.width();
    QRect target(0, height() - h, width(), h);
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
