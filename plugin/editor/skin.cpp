// The skin: the bitmaps, the two blit forms (restore and stamp), and the
// painting of lamps, knobs, readouts and the track label from the control table.
#include <cstdio>

#include "assignments.h"
#include "editor_tables.h"
#include "host_state.h"
#include "params.h"

namespace kelvane {

EditorTables g_editor;

namespace {

constexpr const char* kBitmapNames[kBitmapCount] = {
    "Main_Bmp", "About_Box_Bmp", "Fader_Bmp", "Fader_H_Bmp", "Editbox_Bmp",
    "Btn_Dn_Bmp", "Btn_Up-On_Bmp", "Btn_Dn-On_Bmp", "Btn_Dn-Off_Bmp",
};

void DrawLamp(HDC dc, Control button, int32_t slotValue) {
    const ControlInfo& r = kControls[button];
    if (slotValue != 0) {
        Stamp(dc, r.bitmap, r.left, r.top);
    } else {
        Restore(dc, r.left, r.top, r.right, r.bottom);
    }
}

// The TrackLabel text for a routing value: inputs, returns and outputs are
// told apart by the host's two track counts, compared unsigned.
const char* TrackLabelText(int32_t routing) {
    const uint32_t r = static_cast<uint32_t>(routing);
    const uint32_t inputs = static_cast<uint32_t>(g_host.inputTrackCount);
    const uint32_t firstOutput = static_cast<uint32_t>(g_host.firstOutputTrack);
    char* t = g_editor.labelText;
    if (routing == -1) {
        lstrcpyA(t, "- - -");
    } else if (r < inputs) {
        snprintf(t, sizeof g_editor.labelText, "In %02u", r + 1);
    } else if (r < firstOutput) {
        snprintf(t, sizeof g_editor.labelText, "Rtn %02u", r - inputs + 1);
    } else {
        snprintf(t, sizeof g_editor.labelText, "Out %02u", r - firstOutput + 1);
    }
    return t;
}

// Draws a control from its slot's value. A refresh draws over what the
// editor shows; a full repaint draws over a fresh background, where a lamp
// that is off or a released button needs nothing and knobs need no erase.
void PaintControl(int assignment, Control c, int32_t value, bool refresh) {
    HDC dc = g_editor.editors[assignment].dc;
    const ControlInfo& r = kControls[c];
    switch (r.kind) {
    case ControlKind::kLamp:
        if (refresh || value != 0) DrawLamp(dc, c, value);
        break;
    case ControlKind::kLevelFader:
    case ControlKind::kFrequencyFader: DrawKnob(assignment, c, KnobPosition(c, value), refresh); break;
    case ControlKind::kValueBox:
    case ControlKind::kTypeReadout: DrawReadout(assignment, c, ShownValue(c, value), true); break;
    case ControlKind::kTypeButton:
        if (refresh) Restore(dc, r.left, r.top, r.right, r.bottom);
        break;
    default: break;
    }
}

}  // namespace

void LoadBitmaps() {
    for (int i = 0; i < kBitmapCount; ++i) {
        g_editor.bitmaps[i] = LoadBitmapA(g_editor.module, kBitmapNames[i]);
        BITMAP info = {};
        if (g_editor.bitmaps[i] != nullptr && GetObjectA(g_editor.bitmaps[i], sizeof info, &info) != 0) {
            g_editor.bitmapSizes[i] = SIZE{info.bmWidth, info.bmHeight};
        }
    }
    g_editor.mainWidth = g_editor.bitmapSizes[kMainBmp].cx;
    g_editor.mainHeight = g_editor.bitmapSizes[kMainBmp].cy;
}

// Copies columns left..right and rows top..bottom (inclusive) of a bitmap
// to (x, y) of the editor's device context.
void CopyFromBitmap(HDC dc, BitmapIndex bitmap, int x, int y, int left, int top, int right, int bottom) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, g_editor.bitmaps[bitmap]);
    BitBlt(dc, x, y, right - left + 1, bottom - top + 1, source, left, top, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

// Erases a region by copying Main_Bmp back at the same coordinates.
void Restore(HDC dc, int left, int top, int right, int bottom) {
    CopyFromBitmap(dc, kMainBmp, left, top, left, top, right, bottom);
}

// Copies a small bitmap, at its own size, to (x, y). The inclusive control
// rectangles are one pixel wider and taller than the button and knob
// bitmaps; that extra column and row keep what was there.
void Stamp(HDC dc, BitmapIndex bitmap, int x, int y) {
    const SIZE size = g_editor.bitmapSizes[bitmap];
    CopyFromBitmap(dc, bitmap, x, y, 0, 0, size.cx - 1, size.cy - 1);
}

// A fader's knob position for its slot's value: level faders show the value
// itself, the frequency fader the FrequencyTable entry of the value + 5.
int KnobPosition(Control fader, int32_t slotValue) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return FrequencyStep(slotValue) + kFrequencyKnobFirst;
    return slotValue;
}

int KnobPositionMax(Control fader) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return kFrequencyKnobFirst + kFrequencyTableSize - 1;
    return kLevelPositionMax;
}

// The slot value a knob position stands for.
int32_t SlotValueAtKnob(Control fader, int position) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return FrequencyForKnobPosition(position);
    return position;
}

// What the fader's readout shows for a knob position: the table's own
// frequency, not the truncated hundredths that are stored.
float ShownValueAtKnob(Control fader, int position) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return FrequencyTable[position - kFrequencyKnobFirst];
    return static_cast<float>(position);
}

// What a readout shows for its slot's value: value boxes show hundredths in
// their unit, the type readout the value itself.
float ShownValue(Control box, int32_t slotValue) {
    if (kControls[box].kind == ControlKind::kValueBox) return static_cast<float>(slotValue * 0.01);
    return static_cast<float>(slotValue);
}

// The readout that shows a slot, kNoControl when none does.
Control ReadoutOf(int slot) {
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot == slot && IsReadout(static_cast<Control>(c))) return static_cast<Control>(c);
    }
    return kNoControl;
}

// [host UI thread] Draws the knob of a fader track at a pixel position from
// the track's left edge; with erase the track and the knob's overhang on
// both sides are restored first.
void DrawKnob(int assignment, Control track, int position, bool eraseFirst) {
    HDC dc = g_editor.editors[assignment].dc;
    if (dc == nullptr) return;
    const ControlInfo& r = kControls[track];
    if (eraseFirst) Restore(dc, r.left - kKnobEraseLeft, r.top, r.right + kKnobEraseRight, r.bottom);
    const int left = r.left + position - kKnobCentreColumn;
    CopyFromBitmap(dc, r.bitmap, left, r.top, 0, 0, kKnobWidth - 1, g_editor.bitmapSizes[r.bitmap].cy - 1);
}

// [host UI thread] Draws one readout as text centred in its box. Does
// nothing while the assignment's editor is closed.
void DrawReadout(int assignment, Control box, float value, bool eraseFirst) {
    const EditorWindow& e = g_editor.editors[assignment];
    if (e.window == nullptr || e.dc == nullptr || !IsReadout(box)) return;
    const ControlInfo& r = kControls[box];
    HGDIOBJ previousFont = SelectObject(e.dc, g_editor.readoutFont);
    if (eraseFirst) Restore(e.dc, r.left, r.top, r.right, r.bottom);
    if (r.format != nullptr) {
        snprintf(g_editor.readoutText, sizeof g_editor.readoutText, r.format, static_cast<double>(value));
    } else {
        lstrcpyA(g_editor.readoutText, value == 0.0f ? "WHITE" : "PINK");
    }
    SetTextColor(e.dc, kTextColour);
    // DrawTextA's rectangle excludes its right and bottom edges.
    RECT text = {r.left, r.top, r.right + 1, r.bottom + 1};
    DrawTextA(e.dc, g_editor.readoutText, -1, &text, kCentredText);
    SelectObject(e.dc, previousFont);
}

// [host UI thread] Redraws every control that shows `slot` from `value`,
// in table order: the host's refresh of one changed or announced value.
void RedrawSlot(int assignment, int slot, int32_t value) {
    if (g_editor.editors[assignment].dc == nullptr) return;
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot == slot) PaintControl(assignment, static_cast<Control>(c), value, true);
    }
}

int AssignmentOf(HWND window) {
    return static_cast<int>(GetWindowLongA(window, 0));
}

// [host UI thread] The paint message: background, track label, then every
// control from the assignment's live parameters.
void FullRepaint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    const int a = AssignmentOf(window);
    HDC dc = IsAssignment(a) ? g_editor.editors[a].dc : nullptr;
    if (dc != nullptr) {
        const int32_t* slot = g_params.live[a].slot;
        CopyFromBitmap(dc, kMainBmp, 0, 0, 0, 0, g_editor.mainWidth - 1, g_editor.mainHeight - 1);
        SetTextColor(dc, kTextColour);
        const ControlInfo& t = kControls[kTrackLabel];
        RECT label = {t.left, t.top, t.right + 1, t.bottom + 1};
        DrawTextA(dc, TrackLabelText(g_host.assignments.trackIndex[a]), -1, &label, kCentredText);
        for (int c = 0; c < kControlCount; ++c) {
            if (kControls[c].slot != kNoSlot) PaintControl(a, static_cast<Control>(c), slot[kControls[c].slot], false);
        }
        if (g_editor.aboutShown[a]) PaintAboutView(a);
    }
    EndPaint(window, &paint);
}

}  // namespace kelvane
