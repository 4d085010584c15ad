// The welcome window a new user sees on first start: the first-start texts and links of the
// text table over the welcome bitmap (which lines appear comes from "firststart.cfg") and one
// button, Next, which goes on to create the user's service account.
#pragma once

#include "gui/CDlgBase.h"

#include <functional>
#include <string>

class CInfoPage;
class QPushButton;

class CDlgRegWiz : public CDlgBase {
    Q_OBJECT

public:
    explicit CDlgRegWiz(const std::string& installRoot, QWidget* parent = nullptr);

    QPushButton* NextButton() const { return m_next; }
    CInfoPage* Page() const { return m_page; }

    // The first-start signup. With an account present (`defaultAccount` not empty) returns 1
    // and shows nothing. Otherwise shows the welcome window modally; on Next it stamps the
    // last-used date, registers a new account and returns 2 when that succeeded, 0 when not;
    // when the window is closed it logs "Registration cancelled" and returns 0.
    static int ShowRegistration(const std::string& defaultAccount, const std::string& installRoot,
                                const std::function<void()>& setLastUsedDate,
                                const std::function<bool()>& registerAccount);

protected:
    // Through the platform window: IDOK presses Next, IDCANCEL closes the window.
    void OnCommand(win::WPARAM command) override;

private:
    CInfoPage* m_page = nullptr;
    QPushButton* m_next = nullptr;
};
