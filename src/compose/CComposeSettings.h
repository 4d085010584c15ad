// The settings the compose dialog works with, read in one go: at start, before every send
// and when the options change. Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CQVRegClass;

struct CComposeSettings {
    int messageLength = 160;
    int truncationMode = 0; // the setting; 3 means "remember last used"
    int rememberTruncMode = 0;
    int splitUpType = 0;
    // The longest text the dialog ever keeps, in units of its alphabet: the ceiling of the
    // split-up limit (a stored 0 or a larger value reads as this).
    static constexpr int kMaxSplitUpCharLimit = 32767;
    int splitUpCharLimit = 640; // a stored 0 reads as kMaxSplitUpCharLimit
    int concatMessageLength = 153;
    std::uint32_t prepaidBalance = 0;
    bool invoiceAccount = false; // AccountType is exactly "invoice"
    // The service's account data have arrived (AccountType is set). Right after the signup
    // they are still on their way: the balance then reads 0 but says nothing yet.
    bool accountDataKnown = true;
    std::uint32_t alertPrepaidBalance = 5;
    std::uint32_t alertBalance = 1;
    std::array<int, 9> alerts{1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::string newMessageSize = "86-95-670-487";
    bool enableSignature = true;
    bool flashSMS = false;
    std::uint32_t totalSMSLimit = 0;
    bool rememberOriginator = false;
    int accDefOriginator = 0;
    bool allowOriginator = false;
    bool allowMsIsdnOriginator = false;
    std::string msisdnOriginator;
    std::string replyOriginator;
    std::string textOriginator;
    bool keepMsgWnd = false;
    bool clearRecipients = true;
    bool clearMsgBody = true;

    static CComposeSettings Load(const CQVRegClass& reg);
    // Whether the prepaid balance is to be checked: a prepaid account whose data are known.
    bool ChecksBalance() const { return !invoiceAccount && accountDataKnown; }
    // The truncation mode a new message starts with: the setting, or the remembered one
    // when the setting is 3.
    int StartTruncationMode() const;
};
