// The plug-in's side of white_state.h: the per-thread white-noise state lives
// in a TLS slot that the library takes at load and gives back at unload.
#pragma once

namespace kelvane {

// [loader] From DllMain.
void TakeWhiteStateSlot();
void FreeWhiteStateSlot();

}  // namespace kelvane
