#include "gui/CQtMessageBox.h"

#include "log/LogManager.h"
#include "gui/CDlgBase.h"
#include "platform/Sync.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

QMessageBox::StandardButton ButtonFor(int answer) {
    switch (answer) {
    case win::IDOK:
        return QMessageBox::Ok;
    case win::IDCANCEL:
        return QMessageBox::Cancel;
    case win::IDABORT:
        return QMessageBox::Abort;
    case win::IDRETRY:
        return QMessageBox::Retry;
    case win::IDIGNORE:
        return QMessageBox::Ignore;
    case win::IDYES:
        return QMessageBox::Yes;
    case win::IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

int AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return win::IDOK;
    case QMessageBox::Cancel:
        return win::IDCANCEL;
    case QMessageBox::Abort:
        return win::IDABORT;
    case QMessageBox::Retry:
        return win::IDRETRY;
    case QMessageBox::Ignore:
        return win::IDIGNORE;
    case QMessageBox::Yes:
        return win::IDYES;
    case QMessageBox::No:
        return win::IDNO;
    default:
        return 0;
    }
}

QMessageBox::Icon IconFor(unsigned type) {
    switch (type & win::MB_ICONMASK) {
    case win::MB_ICONHAND:
        return QMessageBox::Critical;
    case win::MB_ICONQUESTION:
        return QMessageBox::Question;
    case win::MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case win::MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QMessageBox* CQtMessageBox::Build(QWidget* parent, const std::string& text,
                                  const std::string& caption, unsigned type) {
    auto* box = new QMessageBox(parent);
    box->setIcon(IconFor(type));
    box->setWindowTitle(QString::fromStdString(caption));
    box->setText(QString::fromStdString(text));
    box->setTextFormat(Qt::PlainText);
    std::vector<int> answers = win::MessageBoxButtons(type);
    for (int answer : answers) {
        box->addButton(ButtonFor(answer));
    }
    if (QAbstractButton* def = box->button(ButtonFor(win::MessageBoxDefaultAnswer(type)))) {
        box->setDefaultButton(qobject_cast<QPushButton*>(def));
    }
    // Escape and the close button answer Cancel where the box has one, else the only button.
    if (QAbstractButton* cancel = box->button(QMessageBox::Cancel)) {
        box->setEscapeButton(cancel);
    } else if (answers.size() == 1) {
        box->setEscapeButton(box->button(ButtonFor(answers.front())));
    }
    box->setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    if ((type & (win::MB_SYSTEMMODAL | win::MB_TOPMOST)) != 0) {
        box->setWindowFlags(box->windowFlags() | Qt::WindowStaysOnTopHint);
    }
    return box;
}

int CQtMessageBox::Answer(const QMessageBox& box, unsigned type) {
    if (QAbstractButton* clicked = box.clickedButton()) {
        int answer = AnswerFor(box.standardButton(clicked));
        if (answer != 0) {
            return answer;
        }
    }
    return win::MessageBoxDefaultAnswer(type);
}

int CQtMessageBox::ShowOnGuiThread(win::HWND owner, const std::string& text,
                                   const std::string& caption, unsigned type) {
    QWidget* parent = CDlgBase::WidgetForWindow(owner);
    std::unique_ptr<QMessageBox> box(Build(parent, text, caption, type));
    QPointer<QMessageBox> guard(box.get());
    box->exec();
    if (guard.isNull()) {
        return win::MessageBoxDefaultAnswer(type);
    }
    return Answer(*box, type);
}

int CQtMessageBox::Show(win::HWND owner, const std::string& text, const std::string& caption,
                        unsigned type) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || qobject_cast<QApplication*>(app) == nullptr) {
        return win::ConsoleMessageBox().Show(owner, text, caption, type);
    }
    if (QThread::currentThread() == app->thread()) {
        return ShowOnGuiThread(owner, text, caption, type);
    }

    // Another thread: the GUI thread shows the box, this thread waits for the answer.
    struct Pending {
        win::Event done{true, false};
        std::atomic<int> answer{0};
    };
    auto pending = std::make_shared<Pending>();
    bool queued = QMetaObject::invokeMethod(
        app,
        [pending, owner, text, caption, type] {
            pending->answer = ShowOnGuiThread(owner, text, caption, type);
            pending->done.Set();
        },
        Qt::QueuedConnection);
    if (!queued) {
        return win::MessageBoxDefaultAnswer(type);
    }
    bool quit = false;
    int quitCode = 0;
    win::Waitable* handles[] = {&pending->done};
    for (;;) {
        win::DWORD r = win::MsgWaitForMultipleObjects(handles, false, 250);
        if (r == win::WAIT_OBJECT_0) {
            break;
        }
        if (r == win::WAIT_OBJECT_0 + 1) {
            win::MSG msg;
            while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
                if (msg.message == win::WM_QUIT) {
                    quit = true;
                    quitCode = static_cast<int>(msg.wParam);
                    continue;
                }
                win::DispatchMessage(msg);
            }
        } else if (r == win::WAIT_FAILED || QCoreApplication::instance() != app) {
            // The GUI is gone and will never answer.
            pending->answer = win::MessageBoxDefaultAnswer(type);
            break;
        }
    }
    if (quit) {
        win::PostQuitMessage(quitCode); // the thread's own loop still has to see it
    }
    return pending->answer;
}
