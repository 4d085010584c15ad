// The program's main job driven from a test, shared by the end-to-end tests: let Qt run until
// something happens, find the compose dialog, and type a message into it and send it the way a
// user does (number, Tab, text, Ctrl+Enter).
#pragma once

#include "AppDialogs.h"
#include "app/CTidewellWindowsApp.h"
#include "compose/CAutoCompleteEdit.h"
#include "compose/CDlgNewSMS.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace composeflow {

using appdlg::SpinUntil;

inline CDlgNewSMS* OpenComposeDialog() {
    return appdlg::Visible<CDlgNewSMS>();
}

// Asks the running program for a new message, types `number` and `text` and sends them; the
// dialog must close within 3 seconds (a failure says what it held and which boxes came up).
inline void ComposeAndSend(CTidewellWindowsApp& app, const win::ScriptedMessageBox& boxes,
                           const std::string& number, const std::string& text) {
    win::PostMessage(app.Gui()->HiddenWindow(), CGuiMessages::Get().showNewSMS, 0, 0);
    ASSERT_TRUE(SpinUntil([] { return OpenComposeDialog() != nullptr; }));
    CDlgNewSMS* dialog = OpenComposeDialog();
    EXPECT_EQ(dialog->windowTitle(), "New SMS");

    dialog->activateWindow();
    dialog->Recipients()->setFocus();
    QTest::keyClicks(dialog->Recipients(), QString::fromStdString(number));
    QTest::keyClick(dialog->Recipients(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog->Body()) << "Tab leads from the recipients "
                                                              "to the text";
    QTest::keyClicks(dialog->Body(), QString::fromStdString(text));
    QTest::keyClick(dialog->Body(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(SpinUntil([] { return OpenComposeDialog() == nullptr; }, 3000)) << [&] {
        std::string why = "recipients \"" + dialog->Recipients()->Recipients() + "\", body \"" +
                          dialog->Body()->toPlainText().toStdString() + "\"";
        for (const auto& call : boxes.Calls()) {
            why += "\nbox: " + call.text;
        }
        return why;
    }();
}

} // namespace composeflow
