// One stored message template: a plain value, copied freely. A template with every field
// empty stands for "no template" in the lookups of CTemplateHandler.
#pragma once

#include <string>

class CTemplateRecord {
public:
    std::string TemplateName;      // equal to the key it is stored under
    std::string TemplateText;      // the message text
    std::string TemplateReserved;  // always empty in templates the program creates; kept
    std::string TemplateSignature; // "YES" for the signature, "NO" otherwise
    std::string TemplateIndex;     // position in the user's list, decimal from "0"

    bool IsEmpty() const {
        return TemplateName.empty() && TemplateText.empty() && TemplateReserved.empty() &&
               TemplateSignature.empty() && TemplateIndex.empty();
    }
    bool IsSignature() const { return TemplateSignature == "YES"; }
    bool operator==(const CTemplateRecord&) const = default;
};
