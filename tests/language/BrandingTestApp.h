// One offscreen Qt application for the branding tests (QIcon and QPixmap need it).
#pragma once

#include <QGuiApplication>

#include <cstdlib>

inline void EnsureGuiApplication() {
    static int argc = 1;
    static char name[] = "branding_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
