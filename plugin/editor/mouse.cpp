// The mouse: presses on lamps and buttons, fader drags with the cursor held
// on the track, the right-button reset and the window move.
#include "assignments.h"
#include "editor_tables.h"
#include "host_state.h"
#include "render.h"

namespace kelvane {

namespace {

bool ProcessingRuns() { return g_engine.processingMode == 1; }
bool ProcessingStopped() { return g_engine.processingMode == 0; }

// Holds a button until the button-up, which draws its released look.
void HoldPress(HWND window, Control c) {
    g_editor.pressedControl = c;
    SetCapture(window);
}

// Lamps switch on the press; the released look follows at the button-up.
void LampToggle(HWND window, Control button) {
    const ControlInfo& r = kControls[button];
    int32_t* live = LiveSlots();
    live[r.slot] = live[r.slot] != 0 ? 0 : 1;
    Stamp(EditorDc(), live[r.slot] != 0 ? kBtnDnOnBmp : kBtnDnOffBmp, r.left, r.top);
    HoldPress(window, button);
    ApplyParams(g_editor.editorAssignment, r.slot);
    ReportParamChange(g_editor.editorAssignment, r.slot, live[r.slot], r.reportMin, r.reportMax);
    SendEditDone();
}

void TypeToggle(HWND window, Control button) {
    const ControlInfo& r = kControls[button];
    int32_t* live = LiveSlots();
    Stamp(EditorDc(), r.bitmap, r.left, r.top);
    live[r.slot] = live[r.slot] == 0 ? 1 : 0;
    const Control readout = ReadoutOf(r.slot);
    DrawReadout(g_editor.editorAssignment, readout, ShownValue(readout, live[r.slot]), true);
    HoldPress(window, button);
    ApplyParams(g_editor.editorAssignment, r.slot);
    ReportParamChange(g_editor.editorAssignment, r.slot, live[r.slot], r.reportMin, r.reportMax);
    SendEditDone();
}

// The borderless window moves as if its caption had been pressed.
void WindowMove(HWND window) {
    POINT p = {g_editor.mouseX, g_editor.mouseY};
    ClientToScreen(window, &p);
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    SetFocus(window);
}

// The knob jumps under the cursor and the cursor is held on the track, so
// positions stay within the track's range.
void DragStart(HWND window, Control track) {
    auto& d = g_editor.drag;
    const ControlInfo& r = kControls[track];
    d.active = true;
    d.track = track;
    d.position = KnobPosition(track, LiveSlots()[r.slot]);
    d.window = window;
    d.lastX = r.left + d.position;
    d.lastY = r.top + (r.bottom - r.top) / 2;
    POINT centre = {d.lastX, d.lastY};
    ClientToScreen(window, &centre);
    SetCursorPos(centre.x, centre.y);
    POINT topLeft = {r.left + 5, d.lastY - 1};
    POINT bottomRight = {r.right - 4, d.lastY + 1};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    RECT confine = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ClipCursor(&confine);
}

// Writes the knob's value into the slot and reports it; a fader with a
// readout shows the new value there too.
void DragCommit() {
    const auto& d = g_editor.drag;
    const ControlInfo& r = kControls[d.track];
    const int a = g_editor.editorAssignment;
    const int32_t value = SlotValueAtKnob(d.track, d.position);
    LiveSlots()[r.slot] = value;
    ApplyParams(a, r.slot);
    const Control readout = ReadoutOf(r.slot);
    if (readout != kNoControl) DrawReadout(a, readout, ShownValueAtKnob(d.track, d.position), true);
    ReportParamChange(a, r.slot, value, r.reportMin, r.reportMax);
}

void DragIdle() {
    g_editor.drag.active = false;
    g_editor.drag.track = kNoControl;
}

// Every move of an active drag runs the readout and, while processing runs,
// the commit; only the knob drawing depends on x having changed.
void DragStep(int x, int y) {
    auto& d = g_editor.drag;
    const int a = g_editor.editorAssignment;
    const ControlInfo& r = kControls[d.track];
    // The confinement keeps the cursor on the track; where the system does
    // not confine it, the position is held in range here so that it always
    // names a level or a FrequencyTable entry.
    const int maximum = KnobPositionMax(d.track);
    int p = d.position + (x - d.lastX);
    if (p < kLevelPositionOffset) p = kLevelPositionOffset;
    if (p > maximum) p = maximum;
    d.lastX = x;
    d.lastY = y;
    if (p != d.position) {
        DrawKnob(a, d.track, p, false);
        const int oldLeft = r.left + d.position - kKnobCentreColumn;
        const int newLeft = r.left + p - kKnobCentreColumn;
        if (p > d.position) {
            Restore(EditorDc(), oldLeft - 1, r.top, newLeft - 1, r.bottom);
        } else {
            Restore(EditorDc(), newLeft + kKnobWidth, r.top, oldLeft + kKnobWidth, r.bottom);
        }
        d.position = p;
    }
    const Control readout = ReadoutOf(r.slot);
    if (readout != kNoControl) DrawReadout(a, readout, ShownValueAtKnob(d.track, d.position), true);
    if (ProcessingRuns()) DragCommit();
}

// The released look of a held button, and what its release does.
void ReleasePress(Control pressed) {
    const ControlInfo& r = kControls[pressed];
    switch (r.kind) {
    case ControlKind::kLamp:
        if (LiveSlots()[r.slot] != 0) {
            Stamp(EditorDc(), r.bitmap, r.left, r.top);
        } else {
            Restore(EditorDc(), r.left, r.top, r.right, r.bottom);
        }
        break;
    case ControlKind::kTypeButton: Restore(EditorDc(), r.left, r.top, r.right, r.bottom); break;
    case ControlKind::kMenuArea: ShowContextMenu(); break;
    default: break;
    }
}

}  // namespace

HDC EditorDc() { return g_editor.editors[g_editor.editorAssignment].dc; }
int32_t* LiveSlots() { return g_params.live[g_editor.editorAssignment].slot; }
void SendEditDone() { PlatformSendHostCommand(kCmdEditDone); }

void RecordMousePoint(LPARAM point) {
    g_editor.mouseX = LOWORD(point);
    g_editor.mouseY = HIWORD(point);
}

void OnMouseMove() {
    if (g_editor.drag.active) DragStep(g_editor.mouseX, g_editor.mouseY);
}

void OnLeftButtonDown(HWND window) {
    if (g_editor.aboutShown[g_editor.editorAssignment]) {
        OnAboutViewPress();
        return;
    }
    Control hit = kNoControl;
    for (int c = 0; c <= kMenuArea; ++c) {
        if (PointIn(static_cast<Control>(c), g_editor.mouseX, g_editor.mouseY)) {
            hit = static_cast<Control>(c);
            break;
        }
    }
    const ControlKind kind = hit == kNoControl ? ControlKind::kArea : kControls[hit].kind;
    switch (kind) {
    case ControlKind::kLamp: LampToggle(window, hit); break;
    case ControlKind::kLevelFader:
    case ControlKind::kFrequencyFader: DragStart(window, hit); break;
    case ControlKind::kValueBox: PressValueBox(window, hit); break;
    case ControlKind::kTypeButton: TypeToggle(window, hit); break;
    case ControlKind::kCloseButton:
        Stamp(EditorDc(), kControls[hit].bitmap, kControls[hit].left, kControls[hit].top);
        HoldPress(window, hit);
        break;
    case ControlKind::kMenuArea:
        if (ProcessingStopped()) {
            HoldPress(window, hit);
            break;
        }
        WindowMove(window);
        break;
    default: WindowMove(window); break;   // TypeBox, TrackLabel and the bare panel
    }
}

void OnLeftButtonUp(LPARAM point) {
    const int a = g_editor.editorAssignment;
    if (g_editor.pressedControl != kNoControl) {
        RecordMousePoint(point);
        const Control pressed = g_editor.pressedControl;
        g_editor.pressedControl = kNoControl;
        ReleasePress(pressed);
        ReleaseCapture();
        if (pressed == kCloseButton) PlatformCloseEditor(a);
    }
    ClipCursor(nullptr);
    if (g_editor.drag.active) {
        DragCommit();
        DragIdle();
        SendEditDone();
    }
}

// Closing an editor ends any gesture that belongs to it: its drag and its
// held press are dropped without a commit or a report, the cursor is set free
// and the capture released, so that nothing of it reaches another editor or
// the host afterwards.
void EndGesturesOf(HWND window) {
    auto& d = g_editor.drag;
    if (window == nullptr) return;
    if (d.window == window) {
        DragIdle();
        d.window = nullptr;
        ClipCursor(nullptr);
    }
    if (GetCapture() == window) {
        g_editor.pressedControl = kNoControl;
        ReleaseCapture();
    }
}

// During a drag the right button puts the fader back to its reset value;
// otherwise it moves the window and tells the host about the click.
void OnRightButtonDown(HWND window) {
    auto& d = g_editor.drag;
    const int a = g_editor.editorAssignment;
    if (!d.active) {
        WindowMove(window);
        PlatformSendHostCommand(ProcessingRuns() ? kCmdClickRunning : kCmdClickStopped);
        return;
    }
    const ControlInfo& r = kControls[d.track];
    LiveSlots()[r.slot] = r.resetValue;
    ApplyParams(a, r.slot);
    // The knob's erase reaches 28 columns past the track, into a readout
    // beside it: the knob goes first so that the readout stays whole.
    RedrawSlot(a, r.slot, r.resetValue);
    ReportParamChange(a, r.slot, r.resetValue, r.reportMin, r.reportMax);
    DragIdle();
    SendEditDone();
}

}  // namespace kelvane
