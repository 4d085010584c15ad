#include "compose/CWABRecord.h"

std::string CWABRecord::DisplayText() const {
    if (isDistributionList) {
        return displayName;
    }
    std::string text;
    text.reserve(displayName.size() + msisdn.size() + 3);
    text += displayName;
    text += " (";
    text += msisdn;
    text += ')';
    return text;
}
