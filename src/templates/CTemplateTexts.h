// The texts of the template dialogs: each key with its built-in default, looked up through the
// translator, and the alerts they show (caption "Alert.txtMessageBoxTitle").
#pragma once

#include "platform/Win.h"

#include <QString>

#include <string>

class CTemplateTexts {
public:
    // The translation of `key` (or its built-in default).
    static std::string T(const std::string& key);
    static QString QT(const std::string& key);
    // Shows the alert `key` over `owner` and returns the answer.
    static int Alert(win::HWND owner, const std::string& key, unsigned type);
};
