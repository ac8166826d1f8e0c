// The white-noise state of each rendering thread lives in the value of one
// TLS slot, taken at load and freed at unload, so that nothing outlives the
// library (a C++ thread_local would leave a thread-library key behind). A new
// thread reads 0 there, which stands for the starting state 1: the slot holds
// state - 1. Without a slot (the process has none left) all threads share one
// word.
#include <windows.h>

#include <cstdint>

#include "white_state.h"
#include "white_state_win32.h"

namespace kelvane {

namespace {

DWORD s_whiteSlot = TLS_OUT_OF_INDEXES;
uint32_t s_sharedWhiteState = 1;

}  // namespace

void TakeWhiteStateSlot() { s_whiteSlot = TlsAlloc(); }

void FreeWhiteStateSlot() {
    if (s_whiteSlot != TLS_OUT_OF_INDEXES) TlsFree(s_whiteSlot);
    s_whiteSlot = TLS_OUT_OF_INDEXES;
}

// [audio thread] TlsGetValue and TlsSetValue read and write the thread's own
// block: no lock, no allocation, no call into the kernel.
uint32_t LoadWhiteState() {
    if (s_whiteSlot == TLS_OUT_OF_INDEXES) return s_sharedWhiteState;
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(TlsGetValue(s_whiteSlot))) + 1u;
}

void StoreWhiteState(uint32_t state) {
    if (s_whiteSlot == TLS_OUT_OF_INDEXES) {
        s_sharedWhiteState = state;
    } else {
        TlsSetValue(s_whiteSlot, reinterpret_cast<void*>(static_cast<uintptr_t>(state - 1u)));
    }
}

}  // namespace kelvane
