// Floor 4 of the editor: the mouse. Presses on lamps and buttons, fader drags,
// the right-button reset, the wheel's steps and the window move; a press on a value box goes to
// typed entry, the logo's release to the menu, a press on the about view to
// the about view. Calls only the floors below.
#pragma once

#include "window.h"

namespace kelvane {

// [UI thread] Each is given the editor the message is for and its client point, signed:
// a captured or confined cursor may lie left of or above the window.
void OnMouseMove(EditorRef editor, int x, int y);
void OnLeftButtonDown(EditorRef editor, int x, int y);
void OnLeftButtonUp(EditorRef editor, int x, int y);
void OnRightButtonDown(EditorRef editor, int x, int y);
// A wheel turn of `delta` (WHEEL_DELTA a notch, up positive) at a client point.
void OnMouseWheel(EditorRef editor, int x, int y, int delta);

}  // namespace kelvane
