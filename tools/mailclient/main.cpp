// twmailclient: the stand-in mail client that the hook library joins.
//
//   twmailclient [--script FIFO | --stdin-script] [--show [--screenshot FILE]]
//                [--toolbar-images N] [--toolbar-image-size PIXELS] [--header-dates]
//                [--title TEXT] FOLDER.mbox
//
// Reads the mbox folder, builds its windows on the main thread and runs a platform message
// loop there (with --show, the Qt loop pumps the platform queue and a Qt window mirrors the
// platform windows). With a script, commands are read line by line and answered on standard
// output; events always go there. Exit code 0, 1 when the folder or the windows cannot be
// made, 2 for a wrong command line.
#include "CMailClient.h"
#include "CMirrorWindow.h"
#include "CScriptRunner.h"
#include "MboxReader.h"
#include "ToolbarImages.h"

#include "gui/CQtEventPump.h"
#include "platform/Win.h"

#include <QApplication>
#include <QTimer>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace mailclient;

namespace {

struct CommandLine {
    std::string folder;
    std::string fifo;
    bool script = false;
    bool show = false;
    std::string screenshot;
    CMailClient::Options options;
};

void Usage() {
    std::fprintf(stderr, "usage: twmailclient [--script FIFO | --stdin-script] [--show "
                         "[--screenshot FILE]] [--toolbar-images N] [--header-dates] "
                         "[--title TEXT] FOLDER.mbox\n");
}

bool Parse(int argc, char** argv, CommandLine& line) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--script" && hasValue) {
            line.script = true;
            line.fifo = argv[++i];
        } else if (arg == "--stdin-script") {
            line.script = true;
            line.fifo.clear();
        } else if (arg == "--show") {
            line.show = true;
        } else if (arg == "--screenshot" && hasValue) {
            line.screenshot = argv[++i];
        } else if (arg == "--toolbar-images" && hasValue) {
            const std::string value = argv[++i];
            int n = 0;
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec != std::errc() || ptr != value.data() + value.size() || n < 1 || n > 1000) {
                std::fprintf(stderr, "twmailclient: --toolbar-images takes 1 to 1000\n");
                return false;
            }
            line.options.toolbarImages = n;
        } else if (arg == "--toolbar-image-size" && hasValue) {
            const std::string value = argv[++i];
            int n = 0;
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec != std::errc() || ptr != value.data() + value.size() ||
                n < mailclient::kToolbarImageSize || n > mailclient::kMaxToolbarImageSize) {
                std::fprintf(stderr, "twmailclient: --toolbar-image-size takes %d to %d\n",
                             mailclient::kToolbarImageSize, mailclient::kMaxToolbarImageSize);
                return false;
            }
            line.options.toolbarImageSize = n;
        } else if (arg == "--header-dates") {
            line.options.headerDates = true;
        } else if (arg == "--title" && hasValue) {
            line.options.title = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && line.folder.empty()) {
            line.folder = arg;
        } else {
            std::fprintf(stderr, "twmailclient: unexpected argument %s\n", arg.c_str());
            return false;
        }
    }
    if (line.folder.empty()) {
        std::fprintf(stderr, "twmailclient: no mail folder given\n");
        return false;
    }
    if (!line.screenshot.empty() && !line.show) {
        std::fprintf(stderr, "twmailclient: --screenshot needs --show\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    CommandLine line;
    if (!Parse(argc, argv, line)) {
        Usage();
        return 2;
    }
    // A driver that goes away must not kill the client in the middle of a write.
    std::signal(SIGPIPE, SIG_IGN);

    MboxContents folder;
    std::string error;
    if (!ReadMboxFile(line.folder, folder, error)) {
        std::fprintf(stderr, "twmailclient: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& problem : folder.problems) {
        std::fprintf(stderr, "twmailclient: %s: %s\n", line.folder.c_str(), problem.c_str());
    }

    // Qt only when a window is shown: without it the client needs no display.
    std::unique_ptr<QApplication> app;
    if (line.show) {
        app = std::make_unique<QApplication>(argc, argv);
    }
    CMirrorWindow* mirror = nullptr;
    bool ready = false;
    CMailClient client(std::move(folder), line.options, [&](const std::string& event) {
        if (!ready) {
            return; // the windows being built: "ready" stands for all of it
        }
        CScriptRunner::Write(event);
        if (mirror != nullptr) {
            mirror->ShowEvent(event);
        }
    });
    if (!client.Create()) {
        return 1;
    }
    CScriptRunner runner(client);
    if (line.script && !runner.Start(line.fifo, error)) {
        std::fprintf(stderr, "twmailclient: %s\n", error.c_str());
        return 1;
    }

    int code = 0;
    if (line.show) {
        CQtEventPump pump;
        CMirrorWindow window(client);
        mirror = &window;
        client.SetReadWindowObserver([&window](int row) { window.ShowMail(row); });
        runner.SetScreenshotFunction(
            [&window](const std::string& path) { return window.SaveScreenshot(path); });
        window.show();
        ready = true;
        CScriptRunner::Write("ready " + std::to_string(client.MainWindow()));
        if (!line.screenshot.empty()) {
            QTimer::singleShot(0, &window, [&window, &client, &line] {
                const std::string failed = window.SaveScreenshot(line.screenshot);
                CScriptRunner::Write(failed.empty() ? "screenshot " + line.screenshot
                                                    : "error " + failed);
                win::PostMessage(client.MainWindow(), win::WM_CLOSE, 0, 0);
            });
        }
        code = app->exec();
        client.SetReadWindowObserver(nullptr);
        mirror = nullptr;
    } else {
        ready = true;
        CScriptRunner::Write("ready " + std::to_string(client.MainWindow()));
        win::MSG msg;
        while (win::GetMessage(&msg)) {
            win::DispatchMessage(msg);
        }
        code = static_cast<int>(msg.wParam);
    }
    return code;
}
