#include "app/CEditionValues.h"

#include <cstdio>
#include <mutex>

namespace {
EditionValues& Current() {
    static EditionValues values = CEditionValues::Make(false);
    return values;
}
} // namespace

std::string CEditionValues::ProgramVersion() {
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d", TW_VERSION_MAJOR, TW_VERSION_MINOR,
                  TW_VERSION_BUILD);
    return text;
}

EditionValues CEditionValues::Make(bool outlookExpress) {
    EditionValues v;
    v.outlookExpress = outlookExpress;
    v.version = ProgramVersion();
    v.applicationId =
        std::string(outlookExpress ? "TidewellOutlookExpress" : "TidewellWindows") + v.version;
    v.productName = outlookExpress ? "Tidewell Outlook Express" : "Tidewell Windows";
    v.rootKey = "Software\\Quorvane\\" + v.productName + "\\2.0";
    v.rootKeyWithSeparator = v.rootKey + "\\";
    v.coreKey = v.rootKey + "\\Core";
    v.debugKey = v.rootKey + "\\Debug";
    v.accountsKey = v.rootKey + "\\Accounts\\";
    v.countryCodeKey = v.rootKey;
    return v;
}

void CEditionValues::Select(bool outlookExpress) {
    Current() = Make(outlookExpress);
}

const EditionValues& CEditionValues::Get() {
    return Current();
}
