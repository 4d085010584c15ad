/* The messaging client core: every request the program makes to the messaging service.
 *
 * Requests return at once. Results arrive later: the core posts window message 1547
 * (WM_CORE_EVENT) to the callback window given to QVInitialize, with the event code as wParam
 * and, for codes 2, 3, 4 and 6, a pointer to a NUL-terminated GUID text as lParam. The handler
 * then fetches the result record with that GUID.
 *
 * Lifetime of the event texts: the text an event points at is owned by the library. It stays
 * valid at least until 60 seconds after the result it names has been fetched successfully, and
 * in any case until QVShutdown, which releases every text still held. Copy it when the event
 * is handled; never free it.
 *
 * Fetch protocol (QVGetStatusSendMessageInfo, QVGetStatusError, QVGetMessageStatus,
 * QVGetAccountStatus): every text buffer of the record holds `bufferSize` bytes. Result 1: the
 * record is filled and the library releases the result. Result 0: no such result, or the record
 * is malformed. Result n >= 2: a text does not fit; n is the length of the longest text (without
 * its NUL), nothing was filled, and the result stays available: reallocate every buffer with
 * n + 1 bytes, set bufferSize to n + 1 and call again.
 *
 * Records: the first field holds sizeof the record; a record with any other size is refused
 * (result 0). Field order follows the service's records; integers are 32-bit.
 *
 * Every function returns 1 on success. All functions may be called from several threads at
 * once. After a failure, QVGetLastErrorText tells the calling thread why.
 */
#ifndef QVCLIENTCORE_H
#define QVCLIENTCORE_H

#include <stdint.h>

#ifdef __cplusplus
#include "platform/Win.h"
typedef win::HWND QVHWND;
extern "C" {
#else
typedef uint32_t QVHWND;
#endif

#if defined(__GNUC__)
#define QVCORE_API __attribute__((visibility("default")))
#else
#define QVCORE_API
#endif

/* Window message of every core event. */
#define WM_CORE_EVENT 1547

/* Event codes (wParam of WM_CORE_EVENT). */
#define QVStatusAccountInfoID 2
#define QVStatusMessageInfoID 3
#define QVStatusErrorID 4
#define QVStatusSendMessageInfoID 6
#define QVShutdownID 99

/* Size of the GUID texts the core hands out: 36 characters and the NUL. */
#define QV_GUID_BUFFER_SIZE 37
/* Size of the account id buffer of QVRegisterRequest. */
#define QV_ACCOUNT_ID_BUFFER_SIZE 32
/* Size of the second buffer of QVRegisterRequest. */
#define QV_REGISTER_SECOND_BUFFER_SIZE 40
/* Sizes of the buffers of QVChangeResult. */
#define QV_CHANGE_FIRST_BUFFER_SIZE 128
#define QV_CHANGE_LABEL_BUFFER_SIZE 1024

/* Argument of QVSendMessage. */
typedef struct QVSendRequest {
    int32_t size;
    const char* accountId;
    const char* applicationId;
    const char* language;
    const char* ipAddress;
    const char* messageText;
    const char* recipients;   /* numbers joined by "," */
    const char* originator;   /* empty: the account's own number */
    const char* truncateMode; /* "reject", "split" or "concat" */
    const char* flashMode;    /* "16" flash, "0" normal */
    char* guidBuffer;         /* receives the message GUID */
    int32_t guidBufferSize;   /* at least QV_GUID_BUFFER_SIZE */
} QVSendRequest;

/* Send result, fetched after event 6. */
typedef struct QVSendResult {
    int32_t size;
    int32_t bufferSize;
    int32_t highId;
    int32_t lowId;
    int32_t reserved;
    int32_t errorFlag;
    char* errorLabel;
    char* errorDescription;
    const char* guid;
    int32_t guidLength;
} QVSendResult;

/* Error report, fetched after event 4. */
typedef struct QVErrorReport {
    int32_t size;
    int32_t bufferSize;
    char* errorLabel;
    char* errorDescription;
    const char* guid;
    int32_t guidLength;
} QVErrorReport;

/* Delivery status report, fetched after event 3. A status code beginning with "F" is final. */
typedef struct QVMessageStatus {
    int32_t size;
    int32_t bufferSize;
    int32_t highId;
    int32_t lowId;
    char* statusCode;
    char* statusText;
    char* recipients; /* the numbers the report is about, joined by "," */
    int32_t errorFlag;
    char* fifthBuffer; /* receives the time of the status, "YYYY-MM-DDTHH:MM:SSZ" */
    char* sixthBuffer; /* receives an empty text */
    const char* guid;
    int32_t guidLength;
} QVMessageStatus;

/* Argument of QVRegisterEx. */
typedef struct QVRegisterRequest {
    int32_t size;
    const char* applicationId;
    const char* language;
    const char* ipAddress;
    char* accountIdBuffer; /* QV_ACCOUNT_ID_BUFFER_SIZE bytes, receives the new account id */
    char* secondBuffer;    /* QV_REGISTER_SECOND_BUFFER_SIZE bytes, receives the own number */
} QVRegisterRequest;

/* Argument of QVQueryAccountStatus. */
typedef struct QVAccountQuery {
    int32_t size;
    const char* accountId;
    const char* applicationId;
    const char* language;
    const char* ipAddress;
    int32_t reserved1;
    int32_t reserved2;
    char* requestGuidBuffer; /* receives the request GUID that event 2 carries */
    int32_t requestGuidBufferSize;
} QVAccountQuery;

/* First argument of QVChangeAccountDetails. */
typedef struct QVChangeRequest {
    int32_t size;
    const char* accountId;
    const char* applicationId;
    const char* language;
    const char* ipAddress;
    const char* userEmail;
    int32_t reserved1;
    int32_t reserved2;
    int32_t reserved3;
} QVChangeRequest;

/* Second argument of QVChangeAccountDetails. */
typedef struct QVChangeResult {
    int32_t size;
    char* firstBuffer; /* QV_CHANGE_FIRST_BUFFER_SIZE bytes, receives the account id */
    int32_t errorFlag;
    char* errorLabel; /* QV_CHANGE_LABEL_BUFFER_SIZE bytes */
    char* lastBuffer; /* QV_CHANGE_LABEL_BUFFER_SIZE bytes, receives the error description */
} QVChangeResult;

/* Account data, fetched after event 2. */
typedef struct QVAccountStatus {
    int32_t size;
    int32_t bufferSize;
    char* accountId;
    char* accountType;
    char* msisdnOriginator;
    char* msisdn;
    char* groupId;
    char* userName;
    char* userEmail;
    int32_t messageLength;
    char* prepaidBalance;
    char* msgsTotal;
    char* msgsPeriod;
    char* period;
    int32_t allowedToSend;
    int32_t allowOriginator;
    int32_t allowMsIsdnOriginator;
    int32_t allowSignup;
    char* replyOriginator;
    char* textOriginator;
    char* replyEmailSenderDomain;
    char* replyType;
    int32_t errorFlag;
    char* errorLabel;
    char* errorMessage;
    const char* guid;
    int32_t guidLength;
} QVAccountStatus;

/* Starts the core for the product (its name selects the core settings key
 * "Software\Quorvane\<product>\2.0\Core"). Events go to `callbackWindow`; an event that
 * cannot be posted there (the window is gone) is dropped with its result. `reserved` is
 * ignored; pass 0. 1 = ready. Fails when the core already runs; call QVShutdown first. */
QVCORE_API int32_t QVInitialize(const char* productName, QVHWND callbackWindow, int32_t reserved);
/* Stops taking requests and finishes the work in hand; event 99 follows. */
QVCORE_API int32_t QVStartShutdown(void);
/* Stops the core: ends its thread, closes its files, releases every result and event text.
 * QVInitialize may be called again afterwards. */
QVCORE_API int32_t QVShutdown(void);

/* Accepts a message: 1 with the message GUID in the request's buffer, then event 6 (send
 * result) and events 3 (delivery reports) follow. 0 for a malformed request.
 *
 * Send key: when the GUID buffer holds a GUID text (36 characters, NUL-terminated) on the
 * call, that text is the message's send key and becomes its GUID. A key the service accepted
 * before is answered with the same GUID and charged nothing (its send result is posted again
 * if it was confirmed already); a key whose message was refused is a new attempt. So a caller
 * that saves the key before the call can hand the message over again after any crash without
 * sending it twice. An empty buffer gets a new GUID. */
QVCORE_API int32_t QVSendMessage(QVSendRequest* request);
QVCORE_API int32_t QVGetStatusSendMessageInfo(QVSendResult* result);
QVCORE_API int32_t QVGetStatusError(QVErrorReport* report);
QVCORE_API int32_t QVGetMessageStatus(QVMessageStatus* status);
/* Subscribes to delivery reports on the message (high, low) and every later one still waiting;
 * ids (0, 0) stop the subscription. Every message gets its first report without one. */
QVCORE_API int32_t QVUpdateMsgId(int32_t lowId, int32_t highId, const char* language,
                                 const char* ipAddress, const char* applicationId,
                                 const char* accountId);

/* 0 failed, 1 registered (account id in the buffer), 2 not registered. */
QVCORE_API int32_t QVRegisterEx(QVRegisterRequest* request);
/* 1 = accepted (request GUID in the buffer); event 2 follows. */
QVCORE_API int32_t QVQueryAccountStatus(QVAccountQuery* query);
/* 1 = call made; the result's error flag tells whether the change was made. */
QVCORE_API int32_t QVChangeAccountDetails(QVChangeRequest* request, QVChangeResult* result);
QVCORE_API int32_t QVGetAccountStatus(QVAccountStatus* status);

/* Confirms that the caller has stored what it fetched for event `code` (3, 4 or 6) under
 * `guid`. A send result, error report or delivery report counts as delivered only once it is
 * confirmed: whatever was posted but not confirmed is posted again after the next
 * QVInitialize. 1 = noted. */
QVCORE_API int32_t QVConfirmEvent(int32_t code, const char* guid);

/* Why the calling thread's last call failed; an empty text after a success. The text stays
 * valid until the calling thread's next call into the core. */
QVCORE_API const char* QVGetLastErrorText(void);

#ifdef __cplusplus
}
#endif

#endif /* QVCLIENTCORE_H */
