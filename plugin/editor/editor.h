// The editor windows: one per assignment, drawn from bitmaps.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kelvane {

// Library start-up (FxInit): screen size, both window classes, the nine
// bitmaps, the readout font and the entry state.
void EditorStartUp(HINSTANCE module);

// Host message 1: closes every open editor, then deletes the bitmaps and the
// font and unregisters both window classes.
void EditorReleaseResources();

// [loader] DLL_PROCESS_DETACH: unregisters both window classes, in case
// message 1 never came, so that none is left pointing into the unloaded image.
void EditorUnload(HINSTANCE module);

}  // namespace kelvane
