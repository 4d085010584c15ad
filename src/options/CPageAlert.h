// The Alerts page: a check list of the eight confirmations and alerts the user may switch off,
// ticked from AlertListbox (positions 0, 1 and 3 to 8; position 2 has no box and is always
// written as 1).
#pragma once

#include "options/COptionsPage.h"

class QListWidget;

class CPageAlert : public COptionsPage {
    Q_OBJECT

public:
    CPageAlert(const OptionsServices& services, QWidget* parent = nullptr);

    QListWidget* AlertList() const { return m_list; }

protected:
    void OnApply() override;

private:
    QListWidget* m_list = nullptr;
};
