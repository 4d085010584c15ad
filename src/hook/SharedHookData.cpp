#include "hook/SharedHookData.h"

bool SharedHookData::Map() {
    return m_block.IsOpen() || m_block.Open(kName, kSize);
}

void SharedHookData::SetHook(win::DWORD hook, win::HWND callback, win::HWND target) {
    m_block.WriteU32(kHookHandleOffset, hook);
    m_block.WriteU32(kCallbackWindowOffset, callback);
    m_block.WriteU32(kTargetWindowOffset, target);
}

std::string SharedHookData::Describe() const {
    return "Shared data -- Callback hwnd:" + std::to_string(CallbackWindow()) +
           ", Hook handle:" + std::to_string(HookHandle()) +
           ", Shutdown Msg:" + std::to_string(ShutdownMessage()) +
           ", MMS Mode:" + std::to_string(MmsMode());
}
