// Translated texts used by the message model.
#pragma once

#include <string>

class CLangTranslator;

namespace messages {

// The text for `key` from the translator, or `defaultText` when there is no translator.
std::string TranslateText(const CLangTranslator* translator, const std::string& key,
                          const std::string& defaultText);

} // namespace messages
