#include "gui/CGuiText.h"

#include "language/CLangTranslator.h"
#include "language/CMgmtBranding.h"

#include <atomic>

namespace {
std::atomic<const CLangTranslator*> g_translator{nullptr};
}

void CGuiText::SetTranslator(const CLangTranslator* translator) {
    g_translator = translator;
}

const CLangTranslator* CGuiText::Translator() {
    return g_translator;
}

std::string CGuiText::Tr(const std::string& key, const std::string& defaultText) {
    const CLangTranslator* tr = g_translator;
    if (tr != nullptr) {
        return tr->Translate(key, defaultText);
    }
    // No language files loaded: the default, with the tokens the translator would replace.
    std::string text = defaultText;
    const std::pair<std::string, std::string> tokens[] = {
        {"<newline>", "\n"}, {"<appname>", Row(0)}, {"<version>", Row(1)}};
    for (const auto& [token, value] : tokens) {
        for (size_t pos = 0; (pos = text.find(token, pos)) != std::string::npos;) {
            text.replace(pos, token.size(), value);
            pos += value.size();
        }
    }
    return text;
}

QString CGuiText::QTr(const std::string& key, const std::string& defaultText) {
    return Q(Tr(key, defaultText));
}

std::string CGuiText::Row(int row) {
    return CMgmtBranding::Instance().GetText(row);
}

QString CGuiText::QRow(int row) {
    return Q(Row(row));
}

std::string CGuiText::CutChars(const std::string& text, size_t maxChars) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) {
                return text.substr(0, i);
            }
            ++chars;
        }
    }
    return text;
}
