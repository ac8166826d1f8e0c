// The skin: the bitmaps and the font, the two blit forms
// (restore and stamp), and the painting of lamps, knobs, readouts, the track
// label and the about view from the control table.
#include "skin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_state.h"
#include "params.h"

namespace kelvane {

namespace {

constexpr const char* kBitmapNames[kBitmapCount] = {
    "Main_Bmp", "About_Box_Bmp", "Fader_Bmp", "Fader_H_Bmp", "Editbox_Bmp",
    "Btn_Dn_Bmp", "Btn_Up-On_Bmp", "Btn_Dn-On_Bmp", "Btn_Dn-Off_Bmp",
};
constexpr int kFontHeight = 14;   // pixels, Arial: readouts and the about view
constexpr char kFontFace[] = "Arial";
constexpr UINT kCentredText = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK;
constexpr char kMakerLine[] = "QuellMarsh Audio";

// The knob strip: a knob is kKnobWidth columns of Fader_H_Bmp, centred on
// its position, and overhangs the track at its end positions.
constexpr int kKnobCentreColumn = 14; // column of Fader_H_Bmp that marks the position
constexpr int kKnobWidth = 28;        // knob columns position - 14 .. position + 13

HDC DcOf(int assignment) { return g_editor.editors[assignment].dc; }

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

int KnobLeft(Control track, int position) { return kControls[track].left + position - kKnobCentreColumn; }

// The strip a fader's knob can cover, inclusive: from the knob at its lowest
// position to the knob at its highest. An erase stays in it, so that it never
// reaches the neighbouring fader's knob (the FREQUENCY knob at a low
// frequency overhangs the gap after the TONE level track).
Rect KnobStrip(Control track) {
    const ControlInfo& r = kControls[track];
    return Rect{KnobLeft(track, r.knobMin), r.top, KnobLeft(track, r.knobMax) + kKnobWidth - 1, r.bottom};
}

// The TrackLabel text for a routing value: inputs, returns and outputs are
// told apart by the host's two track counts, compared unsigned.
void TrackLabelText(int32_t routing, char (&text)[16]) {
    const uint32_t r = static_cast<uint32_t>(routing);
    const uint32_t inputs = static_cast<uint32_t>(g_host.inputTrackCount);
    const uint32_t firstOutput = static_cast<uint32_t>(g_host.firstOutputTrack);
    if (routing == -1) {
        lstrcpyA(text, "- - -");
    } else if (r < inputs) {
        snprintf(text, sizeof text, "In %02u", r + 1);
    } else if (r < firstOutput) {
        snprintf(text, sizeof text, "Rtn %02u", r - inputs + 1);
    } else {
        snprintf(text, sizeof text, "Out %02u", r - firstOutput + 1);
    }
}

// A fader's knob from its slot's value; a full repaint during a drag of this
// fader in this editor puts the knob back where the drag holds it.
int KnobPositionShown(int assignment, Control fader, int32_t value, bool refresh) {
    const auto& d = g_editor.drag;
    if (!refresh && d.active && d.track == fader && d.window == g_editor.editors[assignment].window) return d.position;
    return KnobPosition(fader, value);
}

// Draws a control from its slot's value. A refresh draws over what the
// editor shows; a full repaint draws over a fresh background, where a lamp
// that is off or a released button needs nothing and knobs need no erase.
void PaintControl(int assignment, Control c, int32_t value, bool refresh) {
    switch (kControls[c].kind) {
    case ControlKind::kLamp:
        if (refresh || value != 0) DrawLamp(assignment, c, value);
        break;
    case ControlKind::kLevelFader:
    case ControlKind::kFrequencyFader:
        DrawKnob(assignment, c, KnobPositionShown(assignment, c, value, refresh), refresh);
        break;
    case ControlKind::kValueBox:
    case ControlKind::kTypeReadout: DrawReadout(assignment, c, ShownValue(c, value)); break;
    case ControlKind::kTypeButton:
        if (refresh) RestoreControl(assignment, c);
        break;
    default: break;
    }
}

// The FileVersion string of a version block, cut to fit `out`; false when
// the block has none.
bool FileVersionString(void* block, char (&out)[256]) {
    char subBlock[64];
    void* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation, &length) && length == 4) {
        const DWORD entry = *static_cast<const DWORD*>(translation);
        const unsigned language = entry & 0xFFFF, codePage = entry >> 16;
        snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%02X%02X%02X%02X\\FileVersion", language >> 8,
                 language & 0xFF, codePage >> 8, codePage & 0xFF);
    } else {
        snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%04X04B0\\FileVersion",
                 static_cast<unsigned>(GetUserDefaultLangID()));
    }
    void* text = nullptr;
    if (!VerQueryValueA(block, subBlock, &text, &length) || text == nullptr) return false;
    if (length >= sizeof out) {
        memcpy(out, text, 250);
        out[250] = 0;
    } else {
        lstrcpynA(out, static_cast<const char*>(text), sizeof out);
    }
    return true;
}

// Reads up to four numbers split at the separators; the buffer is cut as
// strtok cuts it, so a later split sees what the earlier one left.
int SplitVersion(char* text, const char* separators, int numbers[4]) {
    int count = 0;
    for (char* token = strtok(text, separators); token != nullptr && count < 4; token = strtok(nullptr, separators)) {
        numbers[count++] = atoi(token);
    }
    return count;
}

// The four version numbers of the plug-in's own file, read from its
// version resource.
bool ReadPluginVersion(int numbers[4]) {
    char path[kPathBytes] = {};
    GetModuleFileNameA(g_editor.module, path, sizeof path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    void* block = malloc(size + 1);
    if (block == nullptr) return false;
    char text[256];
    const bool readable = GetFileVersionInfoA(path, 0, size, block) && FileVersionString(block, text) &&
                          (SplitVersion(text, ".", numbers) == 4 || SplitVersion(text, ",", numbers) == 4);
    free(block);
    return readable;
}

}  // namespace

void CreateStartUpObjects() {
    DeleteStartUpObjects();
    LoadBitmaps();
    LOGFONTA font = {};
    font.lfHeight = kFontHeight;
    lstrcpyA(font.lfFaceName, kFontFace);
    g_editor.readoutFont = CreateFontIndirectA(&font);
}

void DeleteStartUpObjects() {
    for (HBITMAP& bitmap : g_editor.bitmaps) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (g_editor.readoutFont != nullptr) DeleteObject(g_editor.readoutFont);
    g_editor.readoutFont = nullptr;
}

void StampControl(int assignment, Control c, BitmapIndex look) {
    HDC dc = DcOf(assignment);
    if (dc != nullptr) Stamp(dc, look, kControls[c].left, kControls[c].top);
}

void RestoreControl(int assignment, Control c) {
    HDC dc = DcOf(assignment);
    const ControlInfo& r = kControls[c];
    if (dc != nullptr) Restore(dc, r.left, r.top, r.right, r.bottom);
}

void DrawLamp(int assignment, Control lamp, int32_t slotValue) {
    if (slotValue != 0) {
        StampControl(assignment, lamp, kControls[lamp].bitmap);
    } else {
        RestoreControl(assignment, lamp);
    }
}

// [UI thread] Draws the knob of a fader track at a pixel position from the
// track's left edge; with erase the track and the knob's overhang on both
// sides are restored first.
void DrawKnob(int assignment, Control track, int position, bool eraseFirst) {
    HDC dc = DcOf(assignment);
    if (dc == nullptr) return;
    const ControlInfo& r = kControls[track];
    if (eraseFirst) {
        const Rect strip = KnobStrip(track);
        Restore(dc, strip.left, strip.top, strip.right, strip.bottom);
    }
    CopyFromBitmap(dc, r.bitmap, KnobLeft(track, position), r.top, 0, 0, kKnobWidth - 1,
                   g_editor.bitmapSizes[r.bitmap].cy - 1);
}

void MoveKnob(int assignment, Control track, int from, int to) {
    DrawKnob(assignment, track, to, false);
    HDC dc = DcOf(assignment);
    if (dc == nullptr) return;
    const ControlInfo& r = kControls[track];
    const int oldLeft = KnobLeft(track, from);
    const int newLeft = KnobLeft(track, to);
    if (to > from) {
        Restore(dc, oldLeft - 1, r.top, newLeft - 1, r.bottom);
    } else {
        Restore(dc, newLeft + kKnobWidth, r.top, oldLeft + kKnobWidth, r.bottom);
    }
}

void InvalidateKnobsOf(int assignment, int slot) {
    // A null window would mark every window of the system: the host may have
    // closed the editor while handling the edit that asked for this.
    if (g_editor.editors[assignment].window == nullptr) return;
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot != slot || !IsFader(static_cast<Control>(c))) continue;
        const Rect strip = KnobStrip(static_cast<Control>(c));
        RECT area = {strip.left, strip.top, strip.right + 1, strip.bottom + 1};
        InvalidateRect(g_editor.editors[assignment].window, &area, TRUE);
    }
}

// [UI thread] Draws one readout as text centred in its box. Does nothing
// while the assignment's editor is closed.
void DrawReadout(int assignment, Control box, float value) {
    const EditorWindow& e = g_editor.editors[assignment];
    if (e.window == nullptr || e.dc == nullptr || !IsReadout(box)) return;
    const ControlInfo& r = kControls[box];
    HGDIOBJ previousFont = SelectObject(e.dc, g_editor.readoutFont);
    Restore(e.dc, r.left, r.top, r.right, r.bottom);
    char text[32];
    if (r.format != nullptr) {
        snprintf(text, sizeof text, r.format, static_cast<double>(value));
        ShowPointAsDecimalMark(text);
    } else {
        lstrcpynA(text, r.words[value == 0.0f ? 0 : 1], sizeof text);
    }
    SetTextColor(e.dc, kReadoutTextColour);
    // DrawTextA's rectangle excludes its right and bottom edges.
    RECT area = {r.left, r.top, r.right + 1, r.bottom + 1};
    DrawTextA(e.dc, text, -1, &area, kCentredText);
    SelectObject(e.dc, previousFont);
}

// [UI thread] Redraws every control that shows `slot` from `value`, in table
// order: the host's refresh of one changed or announced value.
void RedrawSlot(int assignment, int slot, int32_t value) {
    if (DcOf(assignment) == nullptr) return;
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot == slot) PaintControl(assignment, static_cast<Control>(c), value, true);
    }
}

// [UI thread] The paint message's work.
void PaintEditor(int assignment) {
    HDC dc = DcOf(assignment);
    if (dc == nullptr) return;
    const int32_t* slot = g_params.live[assignment].slot;
    CopyFromBitmap(dc, kMainBmp, 0, 0, 0, 0, g_editor.mainWidth - 1, g_editor.mainHeight - 1);
    SetTextColor(dc, kReadoutTextColour);
    const ControlInfo& t = kControls[kTrackLabel];
    RECT label = {t.left, t.top, t.right + 1, t.bottom + 1};
    char text[16];
    TrackLabelText(g_host.assignments.trackIndex[assignment], text);
    DrawTextA(dc, text, -1, &label, kCentredText);
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot != kNoSlot) PaintControl(assignment, static_cast<Control>(c), slot[kControls[c].slot], false);
    }
    if (g_editor.aboutShown[assignment]) PaintAboutView(assignment);
}

// [UI thread] The about panel with the version over the whole editor.
void PaintAboutView(int assignment) {
    HDC dc = DcOf(assignment);
    if (dc == nullptr) return;
    const ControlInfo& w = kControls[kWindowArea];
    CopyFromBitmap(dc, kAboutBoxBmp, 0, 0, 0, 0, w.right, w.bottom);
    int v[4] = {};
    char text[512];
    int n = ReadPluginVersion(v) ? snprintf(text, sizeof text, "\n\n\nVersion %d.%d (build %d)\r\n", v[0], v[1], v[2])
                                 : snprintf(text, sizeof text, "\n\n\nVersion unreadable \r\n");
    n += snprintf(text + n, sizeof text - n, "%s\n\n", kMakerLine);
    if (g_editor.aboutShown[assignment]) snprintf(text + n, sizeof text - n, "Press a key (or click the mouse) to continue.");
    HGDIOBJ previous = SelectObject(dc, g_editor.readoutFont);
    RECT area = {w.left, w.top, w.right, w.bottom};
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    SelectObject(dc, previous);
}

void RestoreEditor(int assignment) {
    HDC dc = DcOf(assignment);
    if (dc != nullptr) Restore(dc, 0, 0, kControls[kWindowArea].right, kControls[kWindowArea].bottom);
}

}  // namespace kelvane
