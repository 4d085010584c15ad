// The compose dialog's template menu after the template manager: changes are saved at once,
// so the menu follows them even when the manager closes with Cancel.
#include "ComposeFixture.h"

#include "templates/CTemplateRules.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using namespace composetest;

namespace {

std::vector<std::string> MenuTexts(QMenu* menu) {
    std::vector<std::string> texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts.push_back(action->text().toStdString());
        }
    }
    return texts;
}

TEST_F(ComposeTest, TemplateMenuFollowsTheManagerEvenAfterCancel) {
    ComposeServices services = Services();
    services.manageTemplates = [this](QWidget*) {
        CTemplateRules::Add(*templates, "Late", "Running late", false);
        return false; // closed with Cancel
    };
    CDlgNewSMS dialog(CDlgNewSMS::MODE_NEW, 0, services);
    dialog.show();
    for (QAction* action : dialog.TemplateMenu()->actions()) {
        if (action->text() == "Manage Templates...") {
            action->trigger();
        }
    }
    EXPECT_EQ(MenuTexts(dialog.TemplateMenu()),
              (std::vector<std::string>{"0 Late\tCtrl+0", "Manage Templates..."}));
}

} // namespace
