// Floor 3 of the editor: the windows. The window classes, opening, placement
// and closing (the host's side of the editor seam, declared in editor_seam.h,
// and the editor window the DLL's dialogs are owned by, declared in
// editor.h); a closing window takes its gesture, its value tip and its entry
// field with it, and a host refresh of a dragged fader tells the drag.
// Calls only the floors below (skin.h, tip.h, gesture.h, entry.h).
#pragma once

#include "editor_state.h"

namespace kelvane {

// Start-up: the module, the screen size, the window classes (the editor's
// with the given window procedure, and the value tip's) and no editor open.
void StartWindows(HINSTANCE module, WNDPROC editorProc);
// The window classes, once no window of theirs is left.
void UnregisterClasses(HINSTANCE module);

}  // namespace kelvane
