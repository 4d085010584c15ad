// Creates the dialogs the manager shows. Each dialog kind registers one creator; the manager
// asks the factory whenever a session needs its window.
#pragma once

#include "platform/Win.h"

#include <functional>
#include <map>

class CDlgBase;

struct DialogRequest {
    int type = 0;
    // Compose kinds: 0 new, 4 forward, 5 modify, 7 reply (the same number as the type).
    int mode = 0;
    // Message reference handed over with the request (0 for none).
    win::WPARAM reference = 0;
};

class CDialogFactory {
public:
    // Returns a new dialog (owned by the caller) or null when it cannot be made.
    using Creator = std::function<CDlgBase*(const DialogRequest&)>;

    void Register(int type, Creator creator);
    bool Has(int type) const;
    // Null when no creator is registered or the creator fails.
    CDlgBase* Create(const DialogRequest& request) const;

private:
    std::map<int, Creator> m_creators;
};
