// Floor 2 of the editor: the windows. The window classes, opening, placement
// and closing (the host's side of the editor seam, declared in editor_seam.h),
// and what a closing window takes with it: its gesture, its value tip and its
// entry field.
// Calls only the floor below (skin.h, tip.h).
#pragma once

#include "editor_state.h"
#include "tip.h"

namespace kelvane {

// The editor a message is for, as the window procedure found it: handlers
// are given it, and the point, rather than reading them from a global.
struct EditorRef {
    HWND window;
    int assignment;
};

// The assignment an editor window was opened for (its window word); any
// value for other windows, which IsAssignmentIndex and the table then refuse.
int AssignmentOf(HWND window);

// Start-up: the module, the screen size, the window classes (the editor's
// with the given window procedure, and the value tip's) and no editor open.
void StartWindows(HINSTANCE module, WNDPROC editorProc);
// The window classes, once no window of theirs is left.
void UnregisterClasses(HINSTANCE module);

// Drops the drag and the held press of a window without a commit or a
// report, frees the cursor, releases the capture and takes its value tip away.
void EndGesturesOf(HWND window);
// Destroys the typed-entry field, if one is open.
void CloseEntryField();

// Every end of a drag comes here, and the drag's value tip goes with it.
inline void IdleDrag() {
    g_editor.drag.active = false;
    g_editor.drag.track = kNoControl;
    HideValueTip();
}

}  // namespace kelvane
