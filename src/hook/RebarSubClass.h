// The subclass of the mail client's rebar ("RebarWindow32" in "SizableRebar"), the parent of
// the toolbar. It keeps the toolbar subclassed: construction subclasses the first
// "ToolbarWindow32" child if its control id is 2101; when the mail client makes a new toolbar
// (WM_PARENTNOTIFY create of a 2101 child) the old subclass is dropped, and the next
// WM_CHILDACTIVATE (the rebar is laid out again) or child destruction subclasses the toolbar
// there is then. It answers the tooltip requests of the library's buttons (33988, 33994) from
// the text table, written into the request's own buffer (cut to fit its 80 units).
#pragma once

#include "hook/SubClassWindow.h"

#include <memory>

class ToolbarSubClass;

class RebarSubClass : public SubClassWindow {
public:
    explicit RebarSubClass(win::HWND rebar);
    ~RebarSubClass() override;

    void SubclassToolbar();
    ToolbarSubClass* Toolbar() const { return m_toolbar.get(); }

protected:
    win::LRESULT WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                         win::LPARAM lParam, bool& handled) override;

private:
    void OnParentNotify(win::WPARAM wParam, win::LPARAM lParam);
    void OnNotify(win::LPARAM lParam, bool& handled);

    std::unique_ptr<ToolbarSubClass> m_toolbar;
};
