// The block of data that every process mapping the hook library shares, "QV_OE_HO": 24
// bytes, little-endian, all zero at first.
//
//   offset 0   1 byte   active flag      cleared by the teardown of a process with a hook
//                                         handler; never set
//   offset 1   3 bytes  reserved         zero
//   offset 4   4 bytes  shutdown message id of "MSG_WINDOWHOOK_SHUTDOWN" (hook handler)
//   offset 8   4 bytes  hook handle      the message hook on the mail client's thread
//   offset 12  4 bytes  callback window  the hook window in the program's process
//   offset 16  4 bytes  target window    the mail client's main window
//   offset 20  4 bytes  MMS mode         nonzero: MMS menu item and toolbar button
//
// The hook window writes the three hook/window fields together. No locks: each field has
// one writer at a time (the program's process); the mail client's process only reads.
// While the block could not be mapped every field reads 0 and writes are dropped.
#pragma once

#include "platform/SharedBlock.h"
#include "platform/Win.h"

#include <cstddef>

class SharedHookData {
public:
    static constexpr const char* kName = "QV_OE_HO";
    static constexpr std::size_t kSize = 24;
    static constexpr std::size_t kActiveOffset = 0;
    static constexpr std::size_t kShutdownMessageOffset = 4;
    static constexpr std::size_t kHookHandleOffset = 8;
    static constexpr std::size_t kCallbackWindowOffset = 12;
    static constexpr std::size_t kTargetWindowOffset = 16;
    static constexpr std::size_t kMmsModeOffset = 20;

    // Maps the block (once per process); false when the platform refuses it.
    bool Map();
    bool IsMapped() const { return m_block.IsOpen(); }

    bool Active() const { return m_block.ReadU8(kActiveOffset) != 0; }
    void ClearActive() { m_block.WriteU8(kActiveOffset, 0); }
    win::UINT ShutdownMessage() const { return m_block.ReadU32(kShutdownMessageOffset); }
    void SetShutdownMessage(win::UINT message) {
        m_block.WriteU32(kShutdownMessageOffset, message);
    }
    win::DWORD HookHandle() const { return m_block.ReadU32(kHookHandleOffset); }
    win::HWND CallbackWindow() const { return m_block.ReadU32(kCallbackWindowOffset); }
    win::HWND TargetWindow() const { return m_block.ReadU32(kTargetWindowOffset); }
    void SetHook(win::DWORD hook, win::HWND callback, win::HWND target);
    std::uint32_t MmsMode() const { return m_block.ReadU32(kMmsModeOffset); }
    void SetMmsMode(std::uint32_t mode) { m_block.WriteU32(kMmsModeOffset, mode); }

    // "Shared data -- Callback hwnd:<12>, Hook handle:<8>, Shutdown Msg:<4>, MMS Mode:<20>".
    std::string Describe() const;

private:
    platform::SharedBlock m_block;
};
