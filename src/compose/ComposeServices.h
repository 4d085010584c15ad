// Everything a compose dialog uses outside itself, handed over at creation: the settings,
// the message store, the template store, the recipients, the reference map, and the few
// things it asks of the core. The application fills it; tests fill it with their own parts.
// Empty functions mean "not available" (the matching button or menu item is disabled, or
// the step is skipped).
#pragma once

#include "compose/IRecipientSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CQVRegClass;
class CMgmtMessages;
class CTemplateHandler;
class CSMSRecord;
class QWidget;

struct ComposeServices {
    const CQVRegClass* reg = nullptr;
    CMgmtMessages* store = nullptr;
    CTemplateHandler* templates = nullptr;
    std::shared_ptr<IRecipientSource> recipients;

    // Copies the record stored under a reference; false when there is none.
    std::function<bool(std::uint32_t, CSMSRecord&)> lookupReference;
    // The core's current account id.
    std::function<std::string()> accountId;
    // Whether an internet connection is there; `modem` tells whether a dial-up one exists.
    std::function<bool(bool* modem)> internetAvailable;
    // Asks the platform to connect to the internet.
    std::function<void()> attemptConnect;
    // Wakes the outbox monitor so that the new message goes out at once.
    std::function<void()> wakeOutbox;
    // Asks the service for fresh account data (balance).
    std::function<void()> requestAccountUpdate;
    // Milliseconds since start of the system (the new message's GUID).
    std::function<std::uint32_t()> tickCount;
    // The template manager, run modally; true when closed with OK.
    std::function<bool(QWidget* owner)> manageTemplates;
    // The address-book picker, run modally with the recipients text; true on OK, with the
    // chosen entries (display texts, then numbers) in `entries`.
    std::function<bool(QWidget* owner, const std::string& recipients,
                       std::vector<std::string>& entries)>
        pickRecipients;
    // Shows the address book's details of an entry.
    std::function<void(QWidget* owner, const std::string& entry)> showDetails;
};
