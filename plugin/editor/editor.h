// The editor windows: one per assignment, drawn from bitmaps.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kelvane {

// Library start-up (FxInit): screen size, both window classes, the nine
// bitmaps, the readout font and the entry state.
void EditorStartUp(HINSTANCE module);

// Host message 1: closes every open editor, then deletes the bitmaps and the font.
void EditorReleaseResources();

}  // namespace kelvane
