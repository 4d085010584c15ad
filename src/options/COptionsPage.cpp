#include "options/COptionsPage.h"

#include "language/CMgmtBranding.h"
#include "options/COptionsTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

COptionsPage::COptionsPage(const OptionsServices& services, const std::string& titleKey,
                           QWidget* parent)
    : QWidget(parent), m_services(services), m_reg(*services.reg),
      m_title(COptionsTexts::QT(titleKey)) {}

void COptionsPage::Apply() {
    OnApply();
    m_modified = false;
}

void COptionsPage::SetModified() {
    m_modified = true;
    emit modified();
}

void COptionsPage::Watch(QAbstractButton* button) {
    connect(button, &QAbstractButton::clicked, this, [this] { SetModified(); });
}

void COptionsPage::Watch(QComboBox* box) {
    connect(box, &QComboBox::activated, this, [this] { SetModified(); });
}

void COptionsPage::Watch(QSpinBox* box) {
    connect(box, &QSpinBox::valueChanged, this, [this] { SetModified(); });
}

COptionsPage::PageSection COptionsPage::Section(const std::string& titleKey, int iconRow) {
    PageSection section;
    section.frame = new QWidget(this);
    auto* icon = new QLabel(section.frame);
    icon->setPixmap(CMgmtBranding::Instance().GetIcon(iconRow, 32, 32).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icon->setFixedWidth(40);
    auto* heading = new QLabel(COptionsTexts::QT(titleKey), section.frame);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* rule = new QFrame(section.frame);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(heading);
    headingRow->addWidget(rule, 1);
    section.content = new QVBoxLayout;
    section.content->setSpacing(6);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addLayout(headingRow);
    body->addLayout(section.content);
    auto* row = new QHBoxLayout(section.frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon);
    row->addLayout(body, 1);
    return section;
}
