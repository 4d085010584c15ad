// Answers the first-start window of an application started in the test process: the window
// is found by its title and sent the command (IDOK: Next, which registers an account on the
// embedded service; IDCANCEL: close).
#pragma once

#include "platform/Win.h"

#include <atomic>
#include <chrono>
#include <thread>

// Waits on another thread for the first-start window and answers it through its platform
// window the way another process could: IDOK presses Next, IDCANCEL closes it.
class WelcomeAnswer {
public:
    explicit WelcomeAnswer(win::WPARAM command)
        : m_thread([this, command] {
              auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              while (!m_stop && std::chrono::steady_clock::now() < end) {
                  if (win::HWND w = win::FindWindow("", "Welcome"); w != 0) {
                      win::PostMessage(w, win::WM_COMMAND, command, 0);
                      m_answered = true;
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~WelcomeAnswer() {
        m_stop = true;
        m_thread.join();
    }
    bool Answered() const { return m_answered; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_answered{false};
    std::thread m_thread;
};
