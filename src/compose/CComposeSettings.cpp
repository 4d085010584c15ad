#include "compose/CComposeSettings.h"

#include "config/CQVRegClass.h"

#include <cstdio>

CComposeSettings CComposeSettings::Load(const CQVRegClass& reg) {
    CComposeSettings s;
    s.messageLength = static_cast<int>(reg.GetMessageLength());
    s.truncationMode = static_cast<int>(reg.GetTruncationMode());
    s.rememberTruncMode = static_cast<int>(reg.GetRememberTruncMode());
    s.splitUpType = static_cast<int>(reg.GetSplitUpType());
    const auto limit = reg.GetSplitUpCharLimit();
    s.splitUpCharLimit =
        limit == 0 || limit > kMaxSplitUpCharLimit ? kMaxSplitUpCharLimit : static_cast<int>(limit);
    s.concatMessageLength = static_cast<int>(reg.GetConcatMessageLength());
    s.prepaidBalance = reg.GetPrepaidBalance();
    const std::string accountType = reg.GetAccountType();
    s.invoiceAccount = accountType == "invoice";
    s.accountDataKnown = !accountType.empty();
    s.alertPrepaidBalance = reg.GetAlertPrepaidBalance();
    s.alertBalance = reg.GetAlertBalance();
    const std::string alerts = reg.GetAlertListbox();
    std::sscanf(alerts.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d,%d", &s.alerts[0], &s.alerts[1],
                &s.alerts[2], &s.alerts[3], &s.alerts[4], &s.alerts[5], &s.alerts[6], &s.alerts[7],
                &s.alerts[8]);
    s.newMessageSize = reg.GetNewMessageSize();
    s.enableSignature = reg.GetEnableSignature() != 0;
    s.flashSMS = reg.GetFlashSMS() == 1;
    s.totalSMSLimit = reg.GetTotalSMSLimit();
    s.rememberOriginator = reg.GetRememberOriginator() == 1;
    s.accDefOriginator = static_cast<int>(reg.GetAccDefOriginator());
    s.allowOriginator = reg.GetAllowOriginator() != 0;
    s.allowMsIsdnOriginator = reg.GetAllowMsIsdnOriginator() != 0;
    s.msisdnOriginator = reg.GetMsisdnOriginator();
    s.replyOriginator = reg.GetReplyOriginator();
    s.textOriginator = reg.GetTextOriginator();
    s.keepMsgWnd = reg.GetDispKeepMsgWnd() != 0;
    s.clearRecipients = reg.GetDispClearRecipients() != 0;
    s.clearMsgBody = reg.GetDispClearMsgBody() != 0;
    // Nonsense values would make every count divide by zero or cut every text.
    if (s.messageLength <= 0) {
        s.messageLength = 160;
    }
    if (s.concatMessageLength <= 0) {
        s.concatMessageLength = 153;
    }
    return s;
}

int CComposeSettings::StartTruncationMode() const {
    return truncationMode == 3 ? rememberTruncMode : truncationMode;
}
