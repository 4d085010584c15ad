#include "gui/CDlgRegWiz.h"

#include "log/LogManager.h"
#include "gui/CGuiText.h"
#include "gui/CInfoPage.h"
#include "gui/CLayoutVisibility.h"
#include "language/CMgmtBranding.h"
#include "platform/MsgBox.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CDlgRegWiz::CDlgRegWiz(const std::string& installRoot, QWidget* parent)
    : CDlgBase(parent, "TWD_FIRSTSTART") {
    SetTitle(CGuiText::Row(203));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(0, 32, 32));

    m_page = new CInfoPage(CMgmtBranding::Instance().GetBitmap(1), 560, this);
    const std::vector<InfoLine> lines = {
        {InfoLine::Title, "lblTitle", 205},      {InfoLine::Text, "lblInfo2", 206},
        {InfoLine::Text, "lblInfo3", 207},       {InfoLine::Text, "lblInfo4", 208},
        {InfoLine::Subtitle, "lblInfo5", 209},   {InfoLine::Text, "lblInfo6", 210},
        {InfoLine::Bullet, "lblBullet13", 221},  {InfoLine::Bullet, "lblBullet14", 222},
        {InfoLine::Bullet, "lblBullet15", 223},  {InfoLine::Text, "lblInfo7", 211},
        {InfoLine::Text, "lblInfo8", 212},       {InfoLine::Link, "lblLink9", 213, 214},
        {InfoLine::Link, "lblLink10", 215, 216}, {InfoLine::Link, "lblLink11", 217, 218},
        {InfoLine::Link, "lblLink12", 219, 220},
    };
    m_page->AddLines(lines, CLayoutVisibility::Load(installRoot, "firststart.cfg"));
    m_page->AddStretch();

    std::string next = CGuiText::Row(204);
    m_next = new QPushButton(CGuiText::Q(next.empty() ? "Next->" : next), this);
    m_next->setDefault(true);
    m_next->setAutoDefault(true);
    m_next->setMinimumWidth(110);
    connect(m_next, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(12);
    layout->addWidget(m_page, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 16, 0);
    row->addStretch(1);
    row->addWidget(m_next);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CDlgRegWiz::ShowRegistration(const std::string& defaultAccount, const std::string& installRoot,
                                 const std::function<void()>& setLastUsedDate,
                                 const std::function<bool()>& registerAccount) {
    const char* fn = "CTidewellWindowsApp::ShowRegistration";
    Log(fn, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    if (!defaultAccount.empty()) {
        return 1;
    }
    CDlgRegWiz dialog(installRoot);
    if (dialog.exec() != QDialog::Accepted) {
        Log(fn, "Registration cancelled", LOG_CAT_APPLICATION, LOG_SEV_INFO);
        return 0;
    }
    if (setLastUsedDate) {
        setLastUsedDate();
    }
    bool registered = false;
    try {
        registered = registerAccount && registerAccount();
    } catch (...) {
        Log(fn, "Unknown exception caught.", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    return registered ? 2 : 0;
}

void CDlgRegWiz::OnCommand(win::WPARAM command) {
    if (command == static_cast<win::WPARAM>(win::IDOK)) {
        m_next->click();
    } else if (command == static_cast<win::WPARAM>(win::IDCANCEL)) {
        reject();
    }
}
