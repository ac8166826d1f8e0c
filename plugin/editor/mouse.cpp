// The mouse: what each press starts, what a held press's release does, the
// right button, the wheel's steps and the window move.
#include "mouse.h"

#include "about.h"
#include "edit.h"
#include "entry.h"
#include "gesture.h"
#include "platform.h"
#include "render.h"
#include "skin.h"
#include "tip.h"

namespace kelvane {

namespace {

bool ProcessingRuns() { return g_engine.processingMode == 1; }
bool ProcessingStopped() { return g_engine.processingMode == 0; }

int32_t LiveValue(int assignment, Control c) { return g_params.live[assignment].slot[kControls[c].slot]; }

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
    DropHeldPress();
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    SetFocus(window);
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

void OnMouseMove(EditorRef editor, int x, int y, WPARAM keys) { DragMove(editor, x, y, keys); }

void OnLeftButtonDown(EditorRef editor, int x, int y) {
    // A gesture still going on lost its release somewhere else.
    EndGesturesAsReleased(nullptr);
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
    DragRelease();
}

// During a drag the right button puts the fader back to its reset value;
// otherwise it moves the window and tells the host about the click.
void OnRightButtonDown(EditorRef editor, int x, int y) {
    if (!g_editor.drag.active) {
        WindowMove(editor.window, x, y);
        PlatformSendHostCommand(ProcessingRuns() ? kCmdClickRunning : kCmdClickStopped);
        return;
    }
    DragReset();
}

// Only a fader takes the wheel, and not while the left button is down: a
// drag or a press whose gesture the system already ended is still a hand on
// the mouse. A fine wheel's turns add up to whole notches over one fader of
// one editor, turned one way: pointing elsewhere, another editor or a turn
// back starts afresh, so a whole notch is always one step.
void OnMouseWheel(EditorRef editor, int x, int y, int delta, WPARAM keys) {
    const Control hit = PressedControlAt(x, y);
    auto& wheel = g_editor.wheel;
    if (hit == kNoControl || !IsFader(hit)) wheel = {};
    if (hit == kNoControl || !IsFader(hit) || (keys & MK_LBUTTON) != 0 || WheelIsIgnored(editor)) return;
    if (wheel.window != editor.window || wheel.fader != hit || (wheel.remainder < 0) != (delta < 0)) {
        wheel = {editor.window, hit, 0};
    }
    wheel.remainder += delta;
    const int notches = wheel.remainder / WHEEL_DELTA;
    wheel.remainder -= notches * WHEEL_DELTA;
    for (int n = 0; n < notches; ++n) WheelNotch(editor, hit, 1);
    for (int n = 0; n > notches; --n) WheelNotch(editor, hit, -1);
}

}  // namespace kelvane
