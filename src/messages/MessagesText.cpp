#include "messages/MessagesText.h"

#if defined(TW_HAVE_LANGUAGE)
#include "language/CLangTranslator.h"
#endif

namespace messages {

std::string TranslateText(const CLangTranslator* translator, const std::string& key,
                          const std::string& defaultText) {
#if defined(TW_HAVE_LANGUAGE)
    if (translator != nullptr) {
        return translator->Translate(key, defaultText);
    }
#else
    (void)translator;
    (void)key;
#endif
    return defaultText;
}

} // namespace messages
