// The texts of the options window and its pages: each key with its built-in default, looked
// up through the translator, and its alerts (caption "Alert.txtMessageBoxTitle").
#pragma once

#include "platform/Win.h"

#include <QString>

#include <string>

class COptionsTexts {
public:
    static std::string T(const std::string& key);
    static QString QT(const std::string& key);
    // The text with `token` replaced by `value` everywhere.
    static QString QT(const std::string& key, const std::string& token, const std::string& value);
    static int Alert(win::HWND owner, const std::string& key, unsigned type);
    // Opens the translated link `key` (its default is text row `row`) when it is not empty.
    static void OpenLink(const std::string& key, int row);
};
