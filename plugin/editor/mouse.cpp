// The mouse: presses on lamps and buttons, fader drags with the cursor held
// on the track, the right-button reset, the wheel's steps and the window move.
#include "mouse.h"

#include "about.h"
#include "edit.h"
#include "entry.h"
#include "platform.h"
#include "render.h"
#include "skin.h"

namespace kelvane {

namespace {

bool ProcessingRuns() { return g_engine.processingMode == 1; }
bool ProcessingStopped() { return g_engine.processingMode == 0; }

int32_t LiveValue(int assignment, Control c) { return g_params.live[assignment].slot[kControls[c].slot]; }

// Holds a button until the button-up, which draws its released look.
void HoldPress(HWND window, Control c) {
    g_editor.pressedControl = c;
    g_editor.pressedWindow = window;
    SetCapture(window);
}

// The editor that started the drag or holds the press: its gesture's moves,
// release and reset act there, whichever editor's message brings them.
EditorRef OwnerOf(HWND window) { return EditorRef{window, AssignmentOf(window)}; }

// The released look of a held button; the logo has none of its own.
void DrawReleased(EditorRef editor, Control pressed) {
    switch (kControls[pressed].kind) {
    case ControlKind::kLamp: DrawLamp(editor.assignment, pressed, LiveValue(editor.assignment, pressed)); break;
    case ControlKind::kTypeButton:
    case ControlKind::kCloseButton: RestoreControl(editor.assignment, pressed); break;
    default: break;
    }
}

struct HeldPress {
    EditorRef editor;
    Control control;
};

// Ends the held press and returns the button and its editor.
HeldPress TakeHeldPress() {
    const HeldPress held = {OwnerOf(g_editor.pressedWindow), g_editor.pressedControl};
    g_editor.pressedControl = kNoControl;
    g_editor.pressedWindow = nullptr;
    ReleaseCapture();
    return held;
}

// Lamps switch on the press; the released look follows at the button-up.
void LampToggle(EditorRef editor, Control button) {
    const int32_t value = LiveValue(editor.assignment, button) != 0 ? 0 : 1;
    StampControl(editor.assignment, button, value != 0 ? kBtnDnOnBmp : kBtnDnOffBmp);
    HoldPress(editor.window, button);
    CommitEdit(editor.assignment, button, value, Gesture::kEnds);
}

void TypeToggle(EditorRef editor, Control button) {
    const int32_t value = LiveValue(editor.assignment, button) == 0 ? 1 : 0;
    StampControl(editor.assignment, button, kControls[button].bitmap);
    const Control readout = ReadoutOf(kControls[button].slot);
    DrawReadout(editor.assignment, readout, ShownValue(readout, value));
    HoldPress(editor.window, button);
    CommitEdit(editor.assignment, button, value, Gesture::kEnds);
}

// The borderless window moves as if its caption had been pressed. The move
// loop swallows the left button's release: a held press ends first, drawn
// released, without its action.
void WindowMove(HWND window, int x, int y) {
    if (g_editor.pressedControl != kNoControl) {
        const HeldPress held = TakeHeldPress();
        DrawReleased(held.editor, held.control);
    }
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    SetFocus(window);
}

// The knob jumps under the cursor and the cursor is held on the track, so
// positions stay within the track's range.
void DragStart(EditorRef editor, Control track) {
    auto& d = g_editor.drag;
    const ControlInfo& r = kControls[track];
    d.active = true;
    d.track = track;
    d.position = KnobPosition(track, LiveValue(editor.assignment, track));
    d.window = editor.window;
    d.lastX = r.left + d.position;
    d.lastY = r.top + (r.bottom - r.top) / 2;
    POINT centre = {d.lastX, d.lastY};
    ClientToScreen(editor.window, &centre);
    SetCursorPos(centre.x, centre.y);
    POINT topLeft = {r.left + 5, d.lastY - 1};
    POINT bottomRight = {r.right - 4, d.lastY + 1};
    ClientToScreen(editor.window, &topLeft);
    ClientToScreen(editor.window, &bottomRight);
    RECT confine = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ClipCursor(&confine);
    ShowValueTip(editor.window, editor.assignment, track, d.position, 0);
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

// The released look of a held button, and what its release does.
void ReleasePress(EditorRef editor, Control pressed) {
    switch (kControls[pressed].kind) {
    case ControlKind::kMenuArea: ShowContextMenu(editor); break;
    case ControlKind::kCloseButton: PlatformCloseEditor(editor.assignment); break;
    default: DrawReleased(editor, pressed); break;
    }
}

// How long a wheel notch's value tip stays.
constexpr unsigned kWheelTipMilliseconds = 1500;

// One notch: the knob one position on (a FREQUENCY table step), held in the
// fader's range, committed and ended as a lamp click is. A notch at an end
// changes and reports nothing, but the tip says where the knob stands.
void WheelNotch(EditorRef editor, Control fader, int step) {
    const ControlInfo& r = kControls[fader];
    const int from = KnobPosition(fader, LiveValue(editor.assignment, fader));
    int to = from + step;
    if (to < r.knobMin) to = r.knobMin;
    if (to > r.knobMax) to = r.knobMax;
    if (to != from) {
        MoveKnob(editor.assignment, fader, from, to);
        const Control readout = ReadoutOf(r.slot);
        if (readout != kNoControl) DrawReadout(editor.assignment, readout, ShownValueAtKnob(fader, to));
        CommitEdit(editor.assignment, fader, SlotValueAtKnob(fader, to), Gesture::kEnds);
    }
    ShowValueTip(editor.window, editor.assignment, fader, to, kWheelTipMilliseconds);
}

// Any gesture in progress, in any editor, or this editor's about view.
bool WheelIsIgnored(EditorRef editor) {
    return g_editor.drag.active || g_editor.pressedControl != kNoControl || g_editor.entry.control != nullptr ||
           g_editor.aboutShown[editor.assignment];
}

}  // namespace

void OnMouseMove(EditorRef editor, int x, int y) {
    if (!g_editor.drag.active) return;
    // A point of another editor, put in the client coordinates of the drag's own.
    POINT p = {x, y};
    MapWindowPoints(editor.window, g_editor.drag.window, &p, 1);
    DragStep(OwnerOf(g_editor.drag.window), p.x, p.y);
}

void OnLeftButtonDown(EditorRef editor, int x, int y) {
    if (g_editor.aboutShown[editor.assignment]) {
        OnAboutViewPress(editor, x, y);
        return;
    }
    const Control hit = PressedControlAt(x, y);
    const ControlKind kind = hit == kNoControl ? ControlKind::kArea : kControls[hit].kind;
    switch (kind) {
    case ControlKind::kLamp: LampToggle(editor, hit); break;
    case ControlKind::kLevelFader:
    case ControlKind::kFrequencyFader: DragStart(editor, hit); break;
    case ControlKind::kValueBox: PressValueBox(editor, hit); break;
    case ControlKind::kTypeButton: TypeToggle(editor, hit); break;
    case ControlKind::kCloseButton:
        StampControl(editor.assignment, hit, kControls[hit].bitmap);
        HoldPress(editor.window, hit);
        break;
    case ControlKind::kMenuArea:
        if (ProcessingStopped()) {
            HoldPress(editor.window, hit);
            break;
        }
        WindowMove(editor.window, x, y);
        break;
    default: WindowMove(editor.window, x, y); break;   // the type readout, the track label, the bare panel
    }
}

void OnLeftButtonUp(EditorRef, int, int) {
    if (g_editor.pressedControl != kNoControl) {
        const HeldPress held = TakeHeldPress();
        ReleasePress(held.editor, held.control);
    }
    ClipCursor(nullptr);
    if (g_editor.drag.active) DragEnd(OwnerOf(g_editor.drag.window));
}

// During a drag the right button puts the fader back to its reset value;
// otherwise it moves the window and tells the host about the click.
void OnRightButtonDown(EditorRef editor, int x, int y) {
    if (!g_editor.drag.active) {
        WindowMove(editor.window, x, y);
        PlatformSendHostCommand(ProcessingRuns() ? kCmdClickRunning : kCmdClickStopped);
        return;
    }
    const EditorRef owner = OwnerOf(g_editor.drag.window);
    const Control track = g_editor.drag.track;
    const ControlInfo& r = kControls[track];
    RedrawSlot(owner.assignment, r.slot, r.resetValue);
    IdleDrag();
    CommitEdit(owner.assignment, track, r.resetValue, Gesture::kEnds);
}

// Only a fader takes the wheel. A fine wheel's turns add up to whole notches.
void OnMouseWheel(EditorRef editor, int x, int y, int delta) {
    const Control hit = PressedControlAt(x, y);
    if (hit == kNoControl || !IsFader(hit) || WheelIsIgnored(editor)) return;
    g_editor.wheelRemainder += delta;
    const int notches = g_editor.wheelRemainder / WHEEL_DELTA;
    g_editor.wheelRemainder -= notches * WHEEL_DELTA;
    for (int n = 0; n < notches; ++n) WheelNotch(editor, hit, 1);
    for (int n = 0; n > notches; --n) WheelNotch(editor, hit, -1);
}

}  // namespace kelvane
