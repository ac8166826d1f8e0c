// The mouse gestures: held presses and fader drags, from the press to the end.
#include "gesture.h"

#include "edit.h"
#include "platform.h"
#include "render.h"
#include "skin.h"
#include "tip.h"

namespace kelvane {

namespace {

bool ProcessingRuns() { return g_engine.processingMode == 1; }

int32_t LiveValue(int assignment, Control c) { return g_params.live[assignment].slot[kControls[c].slot]; }

// The editor that started the drag or holds the press: its gesture's moves,
// release and reset act there, whichever editor's message brings them.
EditorRef OwnerOf(HWND window) { return EditorRef{window, AssignmentOf(window)}; }

void FreeCursor() {
    ClipCursor(nullptr);
    g_editor.drag.confined = false;
}

// Every end of a drag comes here, and the drag's value tip goes with it.
void IdleDrag() {
    g_editor.drag.active = false;
    g_editor.drag.track = kNoControl;
    HideValueTip();
}

// The readout of the dragged fader, if it has one, shows the knob's value.
void DrawDragReadout(int assignment) {
    const auto& d = g_editor.drag;
    const Control readout = ReadoutOf(kControls[d.track].slot);
    if (readout != kNoControl) DrawReadout(assignment, readout, ShownValueAtKnob(d.track, d.position));
}

// Every move of an active drag runs the readout and, while processing runs,
// the commit; only the knob drawing depends on x having changed.
void DragStep(EditorRef editor, int x, int y) {
    auto& d = g_editor.drag;
    // The confinement keeps the cursor on the track; where the system does
    // not confine it, the position is held in range here so that it always
    // names a level or a FrequencyTable entry.
    const ControlInfo& r = kControls[d.track];
    int p = d.position + (x - d.lastX);
    if (p < r.knobMin) p = r.knobMin;
    if (p > r.knobMax) p = r.knobMax;
    d.lastX = x;
    d.lastY = y;
    if (p != d.position) {
        MoveKnob(editor.assignment, d.track, d.position, p);
        d.position = p;
        ShowValueTip(editor.window, editor.assignment, d.track, p, 0);
    }
    DrawDragReadout(editor.assignment);
    if (ProcessingRuns()) {
        CommitEdit(editor.assignment, d.track, SlotValueAtKnob(d.track, d.position), Gesture::kGoesOn);
        d.reported = true;
    }
}

// The release commits the knob's value and ends the edit.
void DragEnd(EditorRef editor) {
    const Control track = g_editor.drag.track;
    const int32_t value = SlotValueAtKnob(track, g_editor.drag.position);
    DrawDragReadout(editor.assignment);
    IdleDrag();
    CommitEdit(editor.assignment, track, value, Gesture::kEnds);
}

}  // namespace

void HoldPress(HWND window, Control c) {
    g_editor.pressedControl = c;
    g_editor.pressedWindow = window;
    SetCapture(window);
}

HeldPress TakeHeldPress() {
    const HeldPress held = {OwnerOf(g_editor.pressedWindow), g_editor.pressedControl};
    g_editor.pressedControl = kNoControl;
    g_editor.pressedWindow = nullptr;
    ReleaseCapture();
    return held;
}

void DrawReleased(EditorRef editor, Control pressed) {
    switch (kControls[pressed].kind) {
    case ControlKind::kLamp: DrawLamp(editor.assignment, pressed, LiveValue(editor.assignment, pressed)); break;
    case ControlKind::kTypeButton:
    case ControlKind::kCloseButton: RestoreControl(editor.assignment, pressed); break;
    default: break;
    }
}

void DropHeldPress() {
    if (g_editor.pressedControl == kNoControl) return;
    const HeldPress held = TakeHeldPress();
    DrawReleased(held.editor, held.control);
}

void DragStart(EditorRef editor, Control track) {
    auto& d = g_editor.drag;
    const ControlInfo& r = kControls[track];
    d.active = true;
    d.reported = false;
    d.track = track;
    d.position = KnobPosition(track, LiveValue(editor.assignment, track));
    d.window = editor.window;
    d.lastX = r.left + d.position;
    d.lastY = r.top + (r.bottom - r.top) / 2;
    POINT centre = {d.lastX, d.lastY};
    ClientToScreen(editor.window, &centre);
    SetCursorPos(centre.x, centre.y);
    // A knob off the screen's edge leaves the cursor at the edge: the drag
    // goes on from where the cursor is, so the press alone moves nothing.
    if (GetCursorPos(&centre) && ScreenToClient(editor.window, &centre)) d.lastX = centre.x;
    // The knob's own range on the track; the right and bottom edges are exclusive.
    POINT topLeft = {r.left + r.knobMin, d.lastY - 1};
    POINT bottomRight = {r.left + r.knobMax + 1, d.lastY + 1};
    ClientToScreen(editor.window, &topLeft);
    ClientToScreen(editor.window, &bottomRight);
    RECT confine = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ClipCursor(&confine);
    d.confined = true;
    ShowValueTip(editor.window, editor.assignment, track, d.position, 0);
}

void DragMove(EditorRef editor, int x, int y, WPARAM keys) {
    // A move without the left button held: its release went to another
    // window (no capture is taken during a drag). It ends there as a release
    // would have, and such a move edits nothing.
    if ((keys & MK_LBUTTON) == 0) {
        EndGesturesAsReleased(nullptr);
        return;
    }
    if (!g_editor.drag.active) return;
    // A point of another editor, put in the client coordinates of the drag's own.
    POINT p = {x, y};
    MapWindowPoints(editor.window, g_editor.drag.window, &p, 1);
    DragStep(OwnerOf(g_editor.drag.window), p.x, p.y);
}

void DragRelease() {
    FreeCursor();
    if (g_editor.drag.active) DragEnd(OwnerOf(g_editor.drag.window));
}

void DragReset() {
    const EditorRef owner = OwnerOf(g_editor.drag.window);
    const Control track = g_editor.drag.track;
    const ControlInfo& r = kControls[track];
    RedrawSlot(owner.assignment, r.slot, r.resetValue);
    IdleDrag();
    CommitEdit(owner.assignment, track, r.resetValue, Gesture::kEnds);
}

// Closing an editor ends any gesture that belongs to it: its drag and its
// held press are dropped without a commit, the cursor is set free and the
// capture released, so that nothing of it reaches another editor or the host
// afterwards. A drag whose steps the host heard (processing ran) ends for the
// host with CmdEditDone, so that no edit is left open there.
void EndGesturesOf(HWND window) {
    auto& d = g_editor.drag;
    if (window == nullptr) return;
    HideValueTipOf(window);
    if (d.window == window) {
        // The host was told of the drag's steps: it hears the edit end too.
        if (d.active && d.reported) PlatformSendHostCommand(kCmdEditDone);
        IdleDrag();
        d.window = nullptr;
        FreeCursor();
    }
    if (g_editor.pressedWindow == window) {
        g_editor.pressedControl = kNoControl;
        g_editor.pressedWindow = nullptr;
    }
    if (GetCapture() == window) ReleaseCapture();
}

void EndGesturesAsReleased(HWND window) {
    auto& d = g_editor.drag;
    if (window == nullptr || g_editor.pressedWindow == window) DropHeldPress();
    if (window == nullptr || d.window == window) {
        if (d.active) {
            DragRelease();
        } else if (d.confined) {
            FreeCursor();   // the confinement a reset left until the button-up
        }
    }
}

void FollowHostRefresh(int assignment, int slot, int32_t value) {
    auto& d = g_editor.drag;
    if (!d.active || d.window != g_editor.editors[assignment].window) return;
    // The knob just drawn is the only one that shows, and the release commits
    // what it shows: the tip says so (a new noise type changes its RMS figure).
    if (kControls[d.track].slot == slot) d.position = KnobPosition(d.track, value);
    if (kControls[d.track].slot == slot || slot == kSlotNoiseType) {
        ShowValueTip(d.window, assignment, d.track, d.position, 0);
    }
}

}  // namespace kelvane
