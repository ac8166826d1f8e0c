// Where the white-noise generator keeps its state between buffers. Like the C
// library's rand() that it imitates, every rendering thread has a sequence of
// its own that starts at 1 and is never seeded. The engine only loads and
// stores the word; the build decides where it lives: the native build in a
// thread_local (white_state_native.cpp), the plug-in in a TLS slot that it
// takes at load and frees at unload (white_state_win32.cpp), so nothing
// outlives the library.
// [audio thread] Neither call allocates, locks or enters the kernel, not even
// the first one on a new thread.
#pragma once

#include <cstdint>

namespace kelvane {

uint32_t LoadWhiteState();
void StoreWhiteState(uint32_t state);

}  // namespace kelvane
