// The About window: product name, version, the About texts and links of the text table over
// the About bitmap; which lines appear comes from "about.cfg". Created once, modeless, and
// only shown or hidden afterwards.
#pragma once

#include "gui/CDlgBase.h"

#include <string>

class CInfoPage;

class CDlgAbout : public CDlgBase {
    Q_OBJECT

public:
    explicit CDlgAbout(const std::string& installRoot, QWidget* parent = nullptr);

    CInfoPage* Page() const { return m_page; }

private:
    CInfoPage* m_page = nullptr;
};
