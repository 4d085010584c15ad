#include "language/CLangEdition.h"

#include "language/LangStrings.h"

#include <utility>

CLangEdition::CLangEdition() : CLangEdition(ForEdition(false)) {}

CLangEdition::CLangEdition(std::string productName, std::string programVersion, bool outlookExpress)
    : m_productName(std::move(productName)), m_programVersion(std::move(programVersion)),
      m_outlookExpress(outlookExpress) {}

CLangEdition CLangEdition::ForEdition(bool outlookExpress) {
    return CLangEdition(ProductNameFor(outlookExpress), lang::ProgramVersionText(), outlookExpress);
}

std::string CLangEdition::ProductNameFor(bool outlookExpress) {
    return outlookExpress ? "Tidewell Outlook Express" : "Tidewell Windows";
}

const std::string& CLangEdition::VersionToken() const {
    if (m_outlookExpress && !m_hookVersion.empty())
        return m_hookVersion;
    return m_programVersion;
}
