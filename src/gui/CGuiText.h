// Texts for the widgets: translated keys, rows of the branding text table, and the UTF-8 to
// QString conversion at the widget boundary.
#pragma once

#include <QString>

#include <string>

class CLangTranslator;

class CGuiText {
public:
    // The translator the dialogs use; set once at start-up, before the first dialog.
    static void SetTranslator(const CLangTranslator* translator);
    static const CLangTranslator* Translator();

    // The translation of `key`, or `defaultText` (tokens replaced) without a translator.
    static std::string Tr(const std::string& key, const std::string& defaultText);
    static QString QTr(const std::string& key, const std::string& defaultText);
    // A row of the branding text table.
    static std::string Row(int row);
    static QString QRow(int row);

    static QString Q(const std::string& text) { return QString::fromStdString(text); }
    static std::string S(const QString& text) { return text.toStdString(); }
    // At most `maxChars` characters (code points) of the text.
    static std::string CutChars(const std::string& text, size_t maxChars);
};
