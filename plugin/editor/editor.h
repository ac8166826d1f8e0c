// The editor windows: one per assignment, drawn from bitmaps. What the DLL's
// glue calls; the editor's own files are floors below editor.cpp (see the
// README's map of the code).
#pragma once

#include <windows.h>

#include <cstdint>

namespace kelvane {

// [UI thread] Library start-up (FxInit): screen size, the window classes,
// the nine bitmaps and the readout font.
void EditorStartUp(HINSTANCE module);

// [UI thread] Host message 1: closes every open editor, then deletes the bitmaps and the
// font and unregisters the window classes.
void EditorReleaseResources();

// [UI thread] The open editor window of an assignment, null when there is none:
// the owner of the dialogs it asks for (window.cpp, which owns the windows).
HWND EditorWindowOf(int assignment);

// [loader] DLL_PROCESS_DETACH: unregisters the window classes, in case
// message 1 never came, so that none is left pointing into the unloaded image.
void EditorUnload(HINSTANCE module);

}  // namespace kelvane
