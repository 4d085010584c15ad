#include "gui/CGuiStartup.h"

#include "gui/CQtEventPump.h"
#include "gui/CQtMessageBox.h"
#include "log/LogManager.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace {

std::unique_ptr<CQtEventPump> g_pump;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Asks the X server whether it takes a connection, through libxcb loaded at run time (the Qt
// xcb plugin uses the same library, so it is there whenever that plugin can start).
bool XDisplayAnswers(const std::string& display) {
    void* lib = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        return false;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(::dlsym(lib, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(::dlsym(lib, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(::dlsym(lib, "xcb_disconnect"));
    bool ok = false;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        void* conn = connect(display.c_str(), nullptr);
        if (conn != nullptr) {
            ok = hasError(conn) == 0;
            disconnect(conn);
        }
    }
    ::dlclose(lib);
    return ok;
}

bool WaylandAnswers(const std::string& display) {
    std::string socket = display;
    if (socket.empty()) {
        return false;
    }
    if (socket.front() != '/') {
        std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            return false;
        }
        socket = runtime + "/" + socket;
    }
    std::error_code ec;
    return std::filesystem::is_socket(socket, ec);
}

} // namespace

bool CGuiStartup::DisplayAvailable(std::string& why) {
    std::string platform = Env("QT_QPA_PLATFORM");
    // "xcb:wayland" style lists: the first entry that can start wins.
    std::string first = platform.substr(0, platform.find_first_of(":;"));
    if (!first.empty() && first != "xcb" && first.rfind("wayland", 0) != 0) {
        return true; // offscreen, minimal, vnc, eglfs, linuxfb: no display server needed
    }
    std::string wayland = Env("WAYLAND_DISPLAY");
    std::string x = Env("DISPLAY");
    if ((first.empty() || first.rfind("wayland", 0) == 0) && WaylandAnswers(wayland)) {
        return true;
    }
    if ((first.empty() || first == "xcb" || platform.find("xcb") != std::string::npos) &&
        !x.empty() && XDisplayAnswers(x)) {
        return true;
    }
    if (x.empty() && wayland.empty()) {
        why = "No display available: neither DISPLAY nor WAYLAND_DISPLAY is set";
    } else {
        why = "No display available: cannot connect to the display \"" +
              (wayland.empty() ? x : wayland) + "\"";
    }
    return false;
}

bool CGuiStartup::SomeoneCanSeeWindows() {
    const std::string platform = Env("QT_QPA_PLATFORM");
    const std::string first = platform.substr(0, platform.find_first_of(":;"));
    std::string why;
    return first != "offscreen" && first != "minimal" && DisplayAvailable(why);
}

std::unique_ptr<QApplication> CGuiStartup::TryCreateApplication(int& argc, char** argv,
                                                                std::string* why) {
    std::string reason;
    if (!DisplayAvailable(reason)) {
        Log("CGuiStartup::TryCreateApplication", reason, LOG_CAT_GUI, LOG_SEV_ERROR);
        std::fprintf(stderr, "tidewell: %s\n", reason.c_str());
        if (why != nullptr) {
            *why = reason;
        }
        return nullptr;
    }
    std::unique_ptr<QApplication> app;
    try {
        app = std::make_unique<QApplication>(argc, argv);
    } catch (...) {
        reason = "The user interface could not be started";
        Log("CGuiStartup::TryCreateApplication", reason, LOG_CAT_GUI, LOG_SEV_ERROR);
        std::fprintf(stderr, "tidewell: %s\n", reason.c_str());
        if (why != nullptr) {
            *why = reason;
        }
        return nullptr;
    }
    // The program lives in the tray: closing its last window does not end it.
    app->setQuitOnLastWindowClosed(false);
    g_pump = std::make_unique<CQtEventPump>();
    win::SetMessageBoxBackend(std::make_shared<CQtMessageBox>());
    return app;
}

void CGuiStartup::Shutdown() {
    win::SetMessageBoxBackend(nullptr);
    g_pump.reset();
}
