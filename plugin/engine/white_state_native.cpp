// The native build's white-noise state: one word per thread.
#include "white_state.h"

namespace kelvane {

static thread_local uint32_t s_whiteState = 1;

uint32_t LoadWhiteState() { return s_whiteState; }
void StoreWhiteState(uint32_t state) { s_whiteState = state; }

}  // namespace kelvane
