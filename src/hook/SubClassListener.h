// Told of every event that the subclassed mail-client windows catch (a click, the shutdown
// message); called on the mail client's user-interface thread.
#pragma once

#include "platform/Win.h"

class SubClassListener {
public:
    virtual ~SubClassListener() = default;
    virtual void SubClassEvent(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) = 0;
};
