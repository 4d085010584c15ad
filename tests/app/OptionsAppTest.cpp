// The options window in the running program: the tray's Options request opens it with the
// real country list, a new home country reaches the country-code library, a new reply address
// reaches the service and comes back in the account data, and the template manager opens
// from the General page and from the compose dialog.
#include "AppDialogs.h"
#include "WelcomeAnswer.h"
#include "app/CAutostart.h"
#include "app/CTidewellWindowsApp.h"
#include "clientcore/QVClientCoreTesting.h"
#include "common/TestEnv.h"
#include "compose/CDlgNewSMS.h"
#include "compose/CDllHandler.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "options/CDlgOptions.h"
#include "options/CPageAccount.h"
#include "options/CPageDisplay.h"
#include "options/CPageGeneral.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"
#include "templates/CDlgManageTemplate.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using appdlg::SpinUntil;
using appdlg::Visible;

// Closes the template manager as soon as it is up and notes that it was.
void CloseManagerWhenUp(QObject* owner, bool& seen) {
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
        if (auto* manage = qobject_cast<CDlgManageTemplate*>(QApplication::activeModalWidget())) {
            timer->stop();
            seen = true;
            manage->OkButton()->click();
        }
    });
    timer->start();
}

} // namespace

TEST(OptionsApp, OptionsReachTheLibraryTheServiceAndTheTemplates) {
    twtest::UsePrivateFolders(twtest::MakeTempDir("optionsapp"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LC_ALL", "en_GB.UTF-8", 1);
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    auto shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);
    QVTestSetDelays(20, 50, 100);

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
    }
    win::SetMessageBoxBackend(boxes);

    win::PostMessage(app.Gui()->HiddenWindow(), CGuiMessages::Get().showOptions, 0, 0);
    ASSERT_TRUE(SpinUntil([] { return Visible<CDlgOptions>() != nullptr; }));
    CDlgOptions* options = Visible<CDlgOptions>();
    QComboBox* countries = options->GeneralPage()->CountryBox();
    ASSERT_GT(countries->count(), 100);
    EXPECT_EQ(countries->currentData().toString(), "GB");

    // The template manager opens from the General page.
    bool managerSeen = false;
    CloseManagerWhenUp(options, managerSeen);
    options->GeneralPage()->TemplatesButton()->click();
    EXPECT_TRUE(managerSeen);

    // A new home country and a new reply address.
    const int germany = countries->findData("DE");
    ASSERT_GE(germany, 0);
    countries->setCurrentIndex(germany);
    emit countries->activated(germany);
    options->AccountPage()->SetNewEmail("ann.smith@example.org");
    // The signup wrote the desktop's autostart entry; the Display page's box removes it.
    const std::string entry = CTidewellWindowsApp::Autostart().EntryPath();
    ASSERT_TRUE(std::filesystem::exists(entry));
    ASSERT_TRUE(options->DisplayPage()->StartWithDesktopBox()->isChecked());
    options->DisplayPage()->StartWithDesktopBox()->click(); // as the user unticks it
    options->OkButton()->click();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(app.CountryCodes()->HomeCountry(), "DE");
    EXPECT_TRUE(SpinUntil([&] { return app.Reg().GetUserEmail() == "ann.smith@example.org"; }))
        << "the account data came back with the new address";

    // The compose dialog's template menu opens the same manager.
    win::PostMessage(app.Gui()->HiddenWindow(), CGuiMessages::Get().showNewSMS, 0, 0);
    ASSERT_TRUE(SpinUntil([] { return Visible<CDlgNewSMS>() != nullptr; }));
    CDlgNewSMS* compose = Visible<CDlgNewSMS>();
    QAction* manage = nullptr;
    for (QAction* action : compose->TemplateMenu()->actions()) {
        if (action->text().startsWith("Manage Templates")) {
            manage = action;
        }
    }
    ASSERT_NE(manage, nullptr);
    EXPECT_TRUE(manage->isEnabled());
    managerSeen = false;
    CloseManagerWhenUp(compose, managerSeen);
    manage->trigger();
    EXPECT_TRUE(managerSeen);

    app.ExitInstance();
    win::SetMessageBoxBackend(nullptr);
    platform::SetShellBackend(nullptr);
}
