#include "gui/CDlgAbout.h"

#include "gui/CGuiText.h"
#include "gui/CInfoPage.h"
#include "gui/CLayoutVisibility.h"
#include "language/CMgmtBranding.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

CDlgAbout::CDlgAbout(const std::string& installRoot, QWidget* parent)
    : CDlgBase(parent, "TWD_ABOUT") {
    SetTitle(CGuiText::Row(224));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(0, 32, 32));
    setModal(false);

    m_page = new CInfoPage(CMgmtBranding::Instance().GetBitmap(2), 520, this);
    const std::vector<InfoLine> lines = {
        {InfoLine::Title, "lblTitle", 225},      {InfoLine::Subtitle, "lblVersion", 226},
        {InfoLine::Text, "lblInfo3", 227},       {InfoLine::Text, "lblInfo4", 228},
        {InfoLine::Text, "lblInfo5", 229},       {InfoLine::Text, "lblInfo6", 230},
        {InfoLine::Bullet, "lblBullet13", 241},  {InfoLine::Bullet, "lblBullet14", 242},
        {InfoLine::Bullet, "lblBullet15", 243},  {InfoLine::Text, "lblInfo7", 231},
        {InfoLine::Text, "lblInfo8", 232},       {InfoLine::Link, "lblLink9", 233, 234},
        {InfoLine::Link, "lblLink10", 235, 236}, {InfoLine::Link, "lblLink11", 237, 238},
        {InfoLine::Link, "lblLink12", 239, 240},
    };
    m_page->AddLines(lines, CLayoutVisibility::Load(installRoot, "about.cfg"));
    m_page->AddStretch();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(CGuiText::QTr("About.btnClose", "Close"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(12);
    layout->addWidget(m_page, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 12, 0);
    row->addWidget(buttons);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
