// Floor 2 of the editor: the mouse gestures' whole life. A held press (a
// lamp, TYPE, CLOSE or the logo, held until the button-up) and a fader drag
// (the knob under the cursor, the cursor held on the track, the value tip
// over the knob): their start, step, release, reset, their end when the
// system takes the button-up elsewhere or closes their window, and a host
// refresh of the dragged fader. What a held press's release then does (the
// menu, the closing) belongs to the mouse above. Calls only the floors below
// (skin.h, edit.h, tip.h).
#pragma once

#include "editor_state.h"

namespace kelvane {

struct HeldPress {
    EditorRef editor;
    Control control;
};

// [UI thread] Holds a button until the button-up, which draws its released look.
void HoldPress(HWND window, Control c);
// Ends the held press and returns the button and its editor.
HeldPress TakeHeldPress();
// The released look of a held button; the logo has none of its own.
void DrawReleased(EditorRef editor, Control pressed);
// Ends a held press, if there is one, drawn released, without its action.
void DropHeldPress();

// A press on a fader track: the knob jumps under the cursor and the cursor is
// held on the track, so positions stay within the track's range.
void DragStart(EditorRef editor, Control track);
// A mouse move received by an editor, at its client point, with its key
// state: with the left button held, an active drag steps in its own window;
// without it, every gesture ends as its release would have ended it.
void DragMove(EditorRef editor, int x, int y, WPARAM keys);
// The left button's release: the cursor set free and an active drag
// committed and ended.
void DragRelease();
// The right button during a drag: the fader back to its reset value.
void DragReset();

// The left button is known to be up though no release came (a move without
// it, the window moved, minimised or hidden under the gesture, a new press):
// the drag of the window (of any window when null) commits and ends as at a
// release, its held press is drawn released and does nothing.
void EndGesturesAsReleased(HWND window);
// Drops the drag and the held press of a window without a commit or a
// report, frees the cursor, releases the capture and takes its value tip away.
void EndGesturesOf(HWND window);
// A host refresh drew a control of an open editor from `value`: a fader
// dragged meanwhile goes on from the knob just drawn.
void FollowHostRefresh(int assignment, int slot, int32_t value);

}  // namespace kelvane
