#include "core/CCoreAccount.h"

#include "core/CCoreContext.h"
#include "core/CFetchBuffers.h"
#include "log/LogManager.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Index of each text buffer of QVAccountStatus.
enum AccountText : std::size_t {
    kAccountId,
    kAccountType,
    kMsisdnOriginator,
    kMsisdn,
    kGroupId,
    kUserName,
    kUserEmail,
    kPrepaidBalance,
    kMsgsTotal,
    kMsgsPeriod,
    kPeriod,
    kReplyOriginator,
    kTextOriginator,
    kReplyEmailSenderDomain,
    kReplyType,
    kErrorLabel,
    kErrorMessage,
    kAccountTextCount
};

} // namespace

std::uint32_t CCoreAccount::BalanceToNumber(const std::string& text) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFull) {
            return 0xFFFFFFFFu;
        }
    }
    return static_cast<std::uint32_t>(value);
}

bool CCoreAccount::QueryAccountStatus(const std::string& accountId) {
    CoreIdentity identity = m_context.Identity();
    char requestGuid[QV_GUID_BUFFER_SIZE] = {};
    QVAccountQuery query{};
    query.size = static_cast<std::int32_t>(sizeof(QVAccountQuery));
    query.accountId = accountId.c_str();
    query.applicationId = m_context.ApplicationId().c_str();
    query.language = identity.language.c_str();
    query.ipAddress = identity.ipAddress.c_str();
    query.requestGuidBuffer = requestGuid;
    query.requestGuidBufferSize = QV_GUID_BUFFER_SIZE;
    return m_context.Core().QueryAccountStatus(&query) == 1;
}

bool CCoreAccount::CORE_RegisterEx() {
    const char* const where = "CMgmtCore::CORE_RegisterEx";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        CoreIdentity identity = m_context.Identity();
        char accountId[QV_ACCOUNT_ID_BUFFER_SIZE] = {};
        char second[QV_REGISTER_SECOND_BUFFER_SIZE] = {};
        QVRegisterRequest request{};
        request.size = static_cast<std::int32_t>(sizeof(QVRegisterRequest));
        request.applicationId = m_context.ApplicationId().c_str();
        request.language = identity.language.c_str();
        request.ipAddress = identity.ipAddress.c_str();
        request.accountIdBuffer = accountId;
        request.secondBuffer = second;

        char text[512];
        std::snprintf(text, sizeof(text),
                      "Calling QVRegisterEx with the following data:\nApplicationID: "
                      "[%s]\nLanguage: [%s]\nIP address: [%s]\n",
                      m_context.ApplicationId().c_str(), identity.language.c_str(),
                      identity.ipAddress.c_str());
        Log(where, text, LOG_CAT_CORE, LOG_SEV_TRACE);

        std::int32_t rc = m_context.Core().RegisterEx(&request);
        accountId[QV_ACCOUNT_ID_BUFFER_SIZE - 1] = '\0';
        if (rc == 0) {
            Log(where, "Call to QVRegisterEx failed: ", LOG_CAT_GUI, LOG_SEV_TRACE, true);
            return false;
        }
        if (rc == 2) {
            return false; // the user did not complete the registration
        }
        if (rc != 1) {
            char message[128];
            std::snprintf(message, sizeof(message),
                          "Unrecognized return value. QVRegisterEx returned %d", rc);
            return LogFailure(where, message, LOG_CAT_CORE);
        }
        std::string id = accountId;
        if (id.empty()) {
            // An empty id would make every per-account setting land in the accounts key itself.
            return LogFailure(where, "Error: QVRegisterEx returned an empty account id",
                              LOG_CAT_CORE);
        }
        std::string path = m_context.AccountsKey() + id;
        if (path.size() >= 260) {
            path.resize(259);
        }
        if (!m_context.Settings().CreateUserKey(path)) {
            std::string message = "Error: Could not create account registry key \"" + path + "\"";
            if (message.size() > 511) {
                message.resize(511);
            }
            return LogFailure(where, message, LOG_CAT_CORE);
        }
        m_context.Settings().SetDefaultAccount(id);
        Log(where, "Registration success. Calling QVQueryAccountStatus", LOG_CAT_CORE,
            LOG_SEV_TRACE);
        if (!QueryAccountStatus(id)) {
            return LogFailure(where, "Call to QVQueryAccountStatus failed", LOG_CAT_CORE);
        }
        return true;
    } catch (...) {
        Log(where, "Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return false;
}

bool CCoreAccount::CORE_RequestAccountUpdate() {
    const char* const where = "CMgmtCore::CORE_RequestAccountUpdate";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        Log(where, "Calling QVQueryAccountStatus", LOG_CAT_CORE, LOG_SEV_TRACE);
        return QueryAccountStatus(m_context.Identity().accountId);
    } catch (...) {
        Log(where, "Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
        return false;
    }
}

bool CCoreAccount::CORE_ChangeAccountDetails(const std::string& userEmail) {
    const char* const where = "CMgmtCore::CORE_ChangeAccountDetails";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        CoreIdentity identity = m_context.Identity();
        QVChangeRequest request{};
        request.size = static_cast<std::int32_t>(sizeof(QVChangeRequest));
        request.accountId = identity.accountId.c_str();
        request.applicationId = m_context.ApplicationId().c_str();
        request.language = identity.language.c_str();
        request.ipAddress = identity.ipAddress.c_str();
        request.userEmail = userEmail.c_str();

        std::vector<char> first(QV_CHANGE_FIRST_BUFFER_SIZE, '\0');
        std::vector<char> label(QV_CHANGE_LABEL_BUFFER_SIZE, '\0');
        std::vector<char> last(QV_CHANGE_LABEL_BUFFER_SIZE, '\0');
        QVChangeResult result{};
        result.size = static_cast<std::int32_t>(sizeof(QVChangeResult));
        result.firstBuffer = first.data();
        result.errorFlag = 0;
        result.errorLabel = label.data();
        result.lastBuffer = last.data();

        char text[512];
        std::snprintf(text, sizeof(text),
                      "Calling QVChangeAccountDetails with the following data:\nAccountID = "
                      "%s\nLanguage = %s\nIP address = %s\nApplication ID = %s\nUser email = %s\n",
                      identity.accountId.c_str(), identity.language.c_str(),
                      identity.ipAddress.c_str(), m_context.ApplicationId().c_str(),
                      userEmail.c_str());
        Log(where, text, LOG_CAT_CORE, LOG_SEV_TRACE);

        if (m_context.Core().ChangeAccountDetails(&request, &result) != 1) {
            Log(where, "Call to QVChangeAccountDetails failed", LOG_CAT_CORE, LOG_SEV_ERROR);
            return false;
        }
        label.back() = '\0';
        if (result.errorFlag != 0) {
            std::string errorLabel = label.data();
            static const char* const kKnown[] = {"Parse Error", "Server not found",
                                                 "Bad server responce", "Server Error",
                                                 "Server not avail"};
            std::string message = "A communication error has occurred between the core and VTP. ";
            bool known = false;
            for (const char* k : kKnown) {
                known = known || errorLabel == k;
            }
            message += known ? errorLabel : std::string("No error description avalible");
            Log("CFTQVClientCoreW::FTQVChangeAccountDetails", message, LOG_CAT_CORE, LOG_SEV_ERROR);
            return false;
        }
        Log(where, "Calling QVQueryAccountStatus", LOG_CAT_CORE, LOG_SEV_TRACE);
        if (!QueryAccountStatus(identity.accountId)) {
            Log(where, "Call to QVQueryAccountStatus failed", LOG_CAT_CORE, LOG_SEV_ERROR);
            return false;
        }
        return true;
    } catch (...) {
        Log(where, "Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
        return false;
    }
}

int CCoreAccount::OnQVStatusAccountInfoID(const std::string& guid) {
    const char* const where = "CMgmtCore::OnQVStatusAccountInfoID";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        CFetchBuffers buffers(kAccountTextCount);
        QVAccountStatus status{};
        Log(where, "Calling QVGetAccountStatus()", LOG_CAT_CORE, LOG_SEV_TRACE);
        std::int32_t rc = buffers.Negotiate([&] {
            status = QVAccountStatus{};
            status.size = static_cast<std::int32_t>(sizeof(QVAccountStatus));
            status.bufferSize = buffers.Size();
            status.accountId = buffers[kAccountId];
            status.accountType = buffers[kAccountType];
            status.msisdnOriginator = buffers[kMsisdnOriginator];
            status.msisdn = buffers[kMsisdn];
            status.groupId = buffers[kGroupId];
            status.userName = buffers[kUserName];
            status.userEmail = buffers[kUserEmail];
            status.prepaidBalance = buffers[kPrepaidBalance];
            status.msgsTotal = buffers[kMsgsTotal];
            status.msgsPeriod = buffers[kMsgsPeriod];
            status.period = buffers[kPeriod];
            status.replyOriginator = buffers[kReplyOriginator];
            status.textOriginator = buffers[kTextOriginator];
            status.replyEmailSenderDomain = buffers[kReplyEmailSenderDomain];
            status.replyType = buffers[kReplyType];
            status.errorLabel = buffers[kErrorLabel];
            status.errorMessage = buffers[kErrorMessage];
            status.guid = guid.c_str();
            status.guidLength = static_cast<std::int32_t>(guid.size() + 1);
            return m_context.Core().GetAccountStatus(&status);
        });
        if (rc != 1) {
            Log(where, "QVGetAccountStatus() call returned error", LOG_CAT_CORE, LOG_SEV_ERROR);
            return 0;
        }
        if (status.errorFlag != 0 && std::string(buffers[kErrorLabel]) == "Unknown account") {
            m_context.ForgetUnknownAccount(m_context.Identity().accountId);
            return 0;
        }
        if (status.errorFlag != 0) {
            Log(where,
                "A communication error has occurred between the DLL and the VTP\nCalling "
                "QVUpdateMsgId( 0, 0, NULL, NULL, NULL, NULL ) due to previous error",
                LOG_CAT_CORE, LOG_SEV_ERROR);
            if (m_context.Core().UpdateMsgId(0, 0, nullptr, nullptr, nullptr, nullptr) != 1) {
                Log(where, "The call to QVUpdateMsgId failed", LOG_CAT_CORE, LOG_SEV_ERROR);
            }
            return 0;
        }

        auto text = [&](AccountText index) { return std::string(buffers[index]); };
        std::string accountId = text(kAccountId);
        if (accountId.empty()) {
            // Writing it would detach the program from its account.
            Log(where, "Error: Account data without an account id ignored", LOG_CAT_CORE,
                LOG_SEV_ERROR);
            return 0;
        }
        m_context.SetAccountIdentity(accountId, text(kMsisdnOriginator));

        ICoreSettings& settings = m_context.Settings();
        // DefaultAccount first: the per-account values that follow go to that account's key.
        settings.SetDefaultAccount(accountId);
        settings.SetAccountString("AccountID", accountId);
        settings.SetAccountString("MsisdnOriginator", text(kMsisdnOriginator));
        settings.SetAccountString("GroupID", text(kGroupId));
        settings.SetAccountString("UserName", text(kUserName));
        settings.SetAccountString("UserEmail", text(kUserEmail));
        settings.SetAccountString("MsgsTotal", text(kMsgsTotal));
        settings.SetAccountString("MsgsPeriod", text(kMsgsPeriod));
        settings.SetAccountString("Period", text(kPeriod));
        settings.SetAccountString("ReplyOriginator", text(kReplyOriginator));
        settings.SetAccountString("TextOriginator", text(kTextOriginator));
        settings.SetAccountString("ReplyEmailSenderDomain", text(kReplyEmailSenderDomain));
        settings.SetAccountString("ReplyType", text(kReplyType));
        settings.SetAccountString("ErrorLabel", text(kErrorLabel));
        settings.SetAccountString("ErrorMessage", text(kErrorMessage));
        settings.SetAccountDWORD("MessageLength", static_cast<std::uint32_t>(status.messageLength));
        settings.SetAccountDWORD("PrepaidBalance", BalanceToNumber(text(kPrepaidBalance)));
        settings.SetAccountDWORD("AllowOriginator",
                                 static_cast<std::uint32_t>(status.allowOriginator));
        settings.SetAccountDWORD("AllowMsIsdnOriginator",
                                 static_cast<std::uint32_t>(status.allowMsIsdnOriginator));
        settings.SetAccountString("AllowedToSend", std::to_string(status.allowedToSend));
        settings.SetAccountString("AllowSignup", std::to_string(status.allowSignup));
        // Written last: readers (the compose dialog's balance check) take a set account type
        // to mean that the balance and the other values of this account are in place.
        settings.SetAccountString("AccountType", text(kAccountType));

        char data[1024];
        int n = std::snprintf(
            data, sizeof(data),
            "Wrote the following account data to registry:\nAccountID: [%s]\nAccountType: "
            "[%s]\nMsisdnOriginator: [%s]\nMSISDN: [%s]\nGroupID: [%s]\nUserName: "
            "[%s]\nUserEmail: [%s]\nPrepaidBalance: [%s]\nMsgsTotal: [%s]\nMsgsPeriod: "
            "[%s]\nPeriod: [%s]\nReplyOriginator: [%s]\nTextOriginator: "
            "[%s]\nReplyEmailSenderDomain: [%s]\nReplyType: [%s]\nErrorLabel: "
            "[%s]\nErrorMessage: [%s]\nAllowedToSend: [%d]\nAllowOriginator: "
            "[%d]\nAllowMsIsdnOriginator: [%d]\nAllowSignup: [%d]\nMessageLength: [%d]\n",
            buffers[kAccountId], buffers[kAccountType], buffers[kMsisdnOriginator],
            buffers[kMsisdn], buffers[kGroupId], buffers[kUserName], buffers[kUserEmail],
            buffers[kPrepaidBalance], buffers[kMsgsTotal], buffers[kMsgsPeriod], buffers[kPeriod],
            buffers[kReplyOriginator], buffers[kTextOriginator], buffers[kReplyEmailSenderDomain],
            buffers[kReplyType], buffers[kErrorLabel], buffers[kErrorMessage], status.allowedToSend,
            status.allowOriginator, status.allowMsIsdnOriginator, status.allowSignup,
            status.messageLength);
        Log(where, n >= 0 ? std::string(data) : std::string("_snprintf argument error."),
            LOG_CAT_CORE, LOG_SEV_TRACE);
    } catch (...) {
        Log(where, "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return 0;
}
