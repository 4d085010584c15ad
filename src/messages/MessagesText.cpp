#include "messages/MessagesText.h"

#include "language/CLangTranslator.h"

namespace messages {

std::string TranslateText(const CLangTranslator* translator, const std::string& key,
                          const std::string& defaultText) {
    if (translator != nullptr) {
        return translator->Translate(key, defaultText);
    }
    return defaultText;
}

} // namespace messages
