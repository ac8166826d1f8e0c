// Floor 4 of the editor: the mouse. Which gesture a press starts (a lamp, a
// button, a fader drag, typed entry, the window move), what a held press's
// release does (the menu, the closing), the right button and the wheel's
// steps; a press on the about view goes to the about view. Calls only the
// floors below.
#pragma once

#include "editor_state.h"

namespace kelvane {

// [UI thread] Each is given the editor the message is for and its client point, signed:
// a captured or confined cursor may lie left of or above the window.
// A move comes with its key state (MK_LBUTTON while the left button is held).
void OnMouseMove(EditorRef editor, int x, int y, WPARAM keys);
void OnLeftButtonDown(EditorRef editor, int x, int y);
void OnLeftButtonUp(EditorRef editor, int x, int y);
void OnRightButtonDown(EditorRef editor, int x, int y);
// A wheel turn of `delta` (WHEEL_DELTA a notch, up positive) at a client point.
void OnMouseWheel(EditorRef editor, int x, int y, int delta, WPARAM keys);

}  // namespace kelvane
