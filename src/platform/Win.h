// Window messages, windows, timers and hooks.
//
// Every thread has its own message queue, created on first use. Windows are identified by
// 32-bit handles that are unique in the user's session; a window belongs to the thread that
// created it, and its window procedure runs on that thread only. Posting and sending work
// between threads of one process and, for top-level windows, between processes of the same
// user (through the per-user runtime folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win {

using HWND = std::uint32_t;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

constexpr HWND HWND_DESKTOP = 0;
constexpr HWND HWND_BROADCAST = 0xFFFF;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

struct MSG {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    // Posted by another process: wParam and lParam are plain numbers from there.
    bool fromOtherProcess = false;
};

// Payload of WM_COPYDATA (sent with lParam pointing at it). The bytes are copied across
// processes; the receiver sees them only during the call.
struct COPYDATASTRUCT {
    std::uintptr_t dwData = 0;
    DWORD cbData = 0;
    const void* lpData = nullptr;
};

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// The procedure every window falls back to: answers 0 to everything.
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Returns the same number (0xC000 and up) for the same name in every process of the user's
// session; names compare without regard to case. 0 on failure.
UINT RegisterWindowMessage(const std::string& name);

struct WindowDesc {
    std::string className;
    std::string title;
    HWND parent = 0; // 0: a top-level window (visible to FindWindow and broadcasts)
    int controlId = 0;
    // Position and size relative to the parent's client area (the screen for a top-level
    // window); see platform/WinChildren.h.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Creates a window owned by the calling thread. Sends WM_CREATE before returning, then
// WM_PARENTNOTIFY to a child's ancestors. Without a procedure, a control class name
// (platform/WinControlClass.h) gives the control's procedure. 0 on failure.
HWND CreateWindow(const WindowDesc& desc, WNDPROC proc);
// Destroys the children first, sends WM_PARENTNOTIFY to a child's ancestors and WM_DESTROY
// to the window, then removes it (with its menu bar). Only the owning thread may destroy it.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
bool SetWindowText(HWND hwnd, const std::string& title);
std::string GetWindowText(HWND hwnd);
std::string GetClassName(HWND hwnd);
HWND GetParent(HWND hwnd);
// Replaces the window procedure (subclassing) and returns the previous one; works on the
// window's chain of procedures, see platform/WinSubclass.h.
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);
// Thread and process that own the window; 0 when it does not exist.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
bool SetForegroundWindow(HWND hwnd);

// Searches the top-level windows of every process of the session. An empty class name or
// title matches any. 0 when none matches.
HWND FindWindow(const std::string& className, const std::string& title);
// Every top-level window of the session with that class name.
std::vector<HWND> EnumWindowsByClass(const std::string& className);

// Queues the message for the window's thread and returns at once. HWND_BROADCAST posts to
// every top-level window of the session. WM_COPYDATA cannot be posted.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window procedure on the window's thread and waits for its result. Sent messages
// are handled before posted ones when the receiving thread next waits, gets or peeks. Only
// WM_COPYDATA carries memory to another process: any other lParam reaches another process as
// a plain number, never as a pointer it could use. While it waits,
// the calling thread handles messages sent to its own windows. Sending to a window of the
// calling thread calls the procedure directly. 0 when the window does not exist.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As SendMessage, but gives up after `timeoutMs`; returns false on time-out or failure.
bool SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                        LRESULT* result);
void PostQuitMessage(int exitCode);

// Waits for a message of the calling thread (filter 0/0/0: any). Handles sent messages while
// waiting. Returns false when it retrieves WM_QUIT (msg->wParam holds the exit code).
// A window filter also takes the messages of that window's children; the filter
// static_cast<HWND>(-1) takes thread messages only; WM_QUIT is retrieved whatever the window
// filter. Posted messages come first, then WM_QUIT, then due timers (WM_TIMER, wParam = id).
// Messages for windows destroyed after they were queued are dropped.
bool GetMessage(MSG* msg, HWND hwnd = 0, UINT filterMin = 0, UINT filterMax = 0);
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
bool PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Calls the window procedure of msg.hwnd (on this thread); timers with a callback call it.
LRESULT DispatchMessage(const MSG& msg);
// True when the calling thread's queue holds a message (posted, sent or a due timer).
bool HasPendingMessages();

// True while the calling thread's window procedure handles a message that another process
// posted or sent. Its parameters are then plain numbers (WM_COPYDATA's lParam excepted, which
// points at the copied bytes): a handler never reads them as pointers.
bool InMessageFromOtherProcess();

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

using TIMERPROC = std::function<void(HWND, UINT, UINT_PTR, DWORD)>;
// Starts or restarts timer `id` of the window: WM_TIMER (wParam = id) is queued every
// `elapseMs`. Returns the id, 0 on failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr);
bool KillTimer(HWND hwnd, UINT_PTR id);

// Get-message hook: called on the hooked thread for each message GetMessage/PeekMessage
// (with PM_REMOVE) is about to return; the hook may change the message.
using HHOOK = std::uint32_t;
using GetMessageHookProc = std::function<void(MSG& msg)>;
HHOOK SetGetMessageHook(DWORD threadId, GetMessageHookProc proc);
bool UnhookGetMessageHook(HHOOK hook);

// Lets an outside event loop (Qt) learn that the thread's queue got a message. The callback
// runs on the thread that queued the message and must only wake the loop. Pass nullptr to
// remove it.
void SetQueueWakeHook(DWORD threadId, std::function<void()> wake);

// For an outside event loop that pumps the calling thread's queue: milliseconds until the
// next timer of the thread falls due (0 when one is due now), 0xFFFFFFFF without timers.
// Timers are not queued by any thread, so the wake hook does not announce them.
DWORD NextTimerDelay();

} // namespace win
