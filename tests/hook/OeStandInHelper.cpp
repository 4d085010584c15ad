// A second process that plays the mail client for the hook library's tests. It reads one
// command a line from standard input and answers one line on standard output:
//   open                      -> creates a main window of the mail client's class; "window <h>"
//   close <h>                 -> destroys that window; "closed <h>"
//   send <h> <msg>            -> SendMessage(h, msg, 0, 0); "sent <result>"
//   copy <h> <id> <a>|<b>|<c>|<d>
//                             -> WM_COPYDATA of the packed four texts; "copied <result>"
//   post <h>                  -> posts WM_NULL to one of its windows (its thread retrieves a
//                                message, so a get-message hook runs); "posted"
//   block                     -> the shared block's MMS mode and shutdown message;
//                                "block <mms> <shutdown>"
//   quit                      -> "bye" and ends
// A main window that receives the shutdown message itself (not subclassed) prints
// "shutdown <h>".
#include "hook/SharedHookData.h"
#include "oebridge/SmsMessage.h"
#include "platform/Win.h"

#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

using namespace win;

namespace {
std::mutex g_lock;
std::deque<std::string> g_commands;
} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const DWORD mainThread = GetCurrentThreadId();
    const UINT shutdown = RegisterWindowMessage("MSG_WINDOWHOOK_SHUTDOWN");
    // The thread's queue is made by its first look at it: it must exist before the reader
    // posts the first command to it.
    MSG peek;
    PeekMessage(&peek, 0, 0, 0, PM_NOREMOVE);
    std::thread reader([mainThread] {
        std::string line;
        while (std::getline(std::cin, line)) {
            {
                std::lock_guard<std::mutex> guard(g_lock);
                g_commands.push_back(line);
            }
            PostThreadMessage(mainThread, WM_APP, 0, 0);
        }
        {
            std::lock_guard<std::mutex> guard(g_lock);
            g_commands.push_back("quit");
        }
        PostThreadMessage(mainThread, WM_APP, 0, 0);
    });
    reader.detach();
    std::printf("ready\n");
    MSG msg;
    bool running = true;
    while (running && GetMessage(&msg)) {
        if (msg.hwnd != 0 || msg.message != WM_APP) {
            DispatchMessage(msg);
            continue;
        }
        std::string command;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            if (g_commands.empty()) {
                continue;
            }
            command = g_commands.front();
            g_commands.pop_front();
        }
        std::istringstream in(command);
        std::string verb;
        in >> verb;
        if (verb == "open") {
            WindowDesc desc;
            desc.className = "Outlook Express Browser Class";
            desc.title = "Outlook Express";
            HWND hwnd = CreateWindow(desc, [shutdown](HWND h, UINT m, WPARAM w, LPARAM l) {
                if (m == shutdown) {
                    std::printf("shutdown %u\n", h);
                    return LRESULT{0};
                }
                return DefWindowProc(h, m, w, l);
            });
            std::printf("window %u\n", hwnd);
        } else if (verb == "close") {
            HWND hwnd = 0;
            in >> hwnd;
            DestroyWindow(hwnd);
            std::printf("closed %u\n", hwnd);
        } else if (verb == "send") {
            HWND hwnd = 0;
            UINT message = 0;
            in >> hwnd >> message;
            std::printf("sent %ld\n", static_cast<long>(SendMessage(hwnd, message, 0, 0)));
        } else if (verb == "copy") {
            HWND hwnd = 0;
            std::uint32_t id = 0;
            std::string rest;
            in >> hwnd >> id;
            std::getline(in >> std::ws, rest);
            std::string parts[4];
            std::istringstream fields(rest);
            for (std::string& part : parts) {
                std::getline(fields, part, '|');
            }
            SmsMessage sms;
            sms.SetSender(parts[0]);
            sms.SetRecipients(parts[1]);
            sms.SetText(parts[2]);
            sms.SetDate(parts[3]);
            COPYDATASTRUCT copy = sms.Pack(id);
            std::printf("copied %ld\n",
                        static_cast<long>(
                            SendMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy))));
        } else if (verb == "post") {
            HWND hwnd = 0;
            in >> hwnd;
            PostMessage(hwnd, WM_NULL, 0, 0);
            std::printf("posted\n");
        } else if (verb == "block") {
            SharedHookData data;
            data.Map();
            std::printf("block %u %u\n", data.MmsMode(), data.ShutdownMessage());
        } else if (verb == "quit") {
            running = false;
        }
    }
    std::printf("bye\n");
    std::fflush(stdout);
    // The reader thread may still wait for input: end without waiting for it.
    std::_Exit(0);
}
