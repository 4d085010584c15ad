#include "gui/CDlgUsageReminder.h"

#include "gui/CGuiText.h"
#include "gui/CInfoPage.h"
#include "gui/IGuiApplication.h"
#include "language/CMgmtBranding.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
std::string RowOr(int row, const char* fallback) {
    std::string text = CGuiText::Row(row);
    return text.empty() ? fallback : text;
}
} // namespace

CDlgUsageReminder::CDlgUsageReminder(IGuiApplication& app, QWidget* parent)
    : CDlgBase(parent, "TWD_USAGEREMINDER"), m_app(app) {
    SetTitle(RowOr(247, "Usage Reminder"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(0, 32, 32));
    setModal(true);

    auto* page = new CInfoPage(QPixmap(), 480, this);
    auto* header = new QWidget(page);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(14);
    auto* icon = new QLabel(header);
    icon->setPixmap(CMgmtBranding::Instance().GetIcon(16, 32, 32).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    headerRow->addWidget(icon);
    auto* title = new QLabel(CGuiText::Q(RowOr(248, "")), header);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    title->setFont(font);
    title->setWordWrap(true);
    headerRow->addWidget(title, 1);
    page->AddWidget(header);
    page->AddSpacing(6);
    page->AddText(RowOr(249, ""));
    page->AddBullet(RowOr(250, ""));
    page->AddBullet(RowOr(251, ""));
    page->AddSpacing(6);
    std::string link = CGuiText::Row(254);
    if (!link.empty()) {
        page->AddLink(RowOr(253, "our web site"), link, CGuiText::Row(252), CGuiText::Row(255));
    }
    page->AddSpacing(6);
    page->AddSubtitle(RowOr(256, ""));
    m_dontShow = new QCheckBox(CGuiText::Q(RowOr(257, "Do not show this reminder again")), page);
    page->AddSpacing(4);
    page->AddWidget(m_dontShow);

    m_yes = new QPushButton(CGuiText::Q(RowOr(258, "Yes")), this);
    m_no = new QPushButton(CGuiText::Q(RowOr(259, "No")), this);
    m_yes->setDefault(true);
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(page, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 16, 0);
    row->addStretch(1);
    row->addWidget(m_yes);
    row->addWidget(m_no);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgUsageReminder::done(int result) {
    if (m_dontShow->isChecked()) {
        m_app.SetUsageReminderDisable("1");
    }
    CDlgBase::done(result);
}
