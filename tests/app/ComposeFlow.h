// The program's main job driven from a test, shared by the end-to-end tests: let Qt run until
// something happens, find the compose dialog, and type a message into it and send it the way a
// user does (number, Tab, text, Ctrl+Enter).
#pragma once

#include "app/CTidewellWindowsApp.h"
#include "compose/CAutoCompleteEdit.h"
#include "compose/CDlgNewSMS.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace composeflow {

inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

inline CDlgNewSMS* OpenComposeDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CDlgNewSMS*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
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
