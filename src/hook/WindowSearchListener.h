// Told by the window search when the watched window appears and when it goes. Both calls
// come on the search thread.
#pragma once

#include "platform/Win.h"

class WindowSearchListener {
public:
    virtual ~WindowSearchListener() = default;
    virtual void WindowAdd(win::HWND window) = 0;
    virtual void WindowRemove(win::HWND window) = 0;
};
