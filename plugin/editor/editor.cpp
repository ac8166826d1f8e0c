// Editor windows: start-up resources, opening, placement and closing, the
// control table, the full repaint, knob and readout painting and the redraw
// of single controls when the host refreshes an assignment.
#include "editor.h"

#include <cstdio>
#include <cstdlib>

#include <shellapi.h>

#include <cstring>

#include "assignments.h"
#include "host_state.h"
#include "params.h"
#include "platform.h"
#include "presets.h"
#include "render.h"

namespace kelvane {

namespace {

constexpr char kMessageClassName[] = "FX_PLUGIN_MSG";
constexpr char kEditorClassName[] = "FX_PLUGIN";
constexpr int kReferenceOffset = 40;   // a new editor sits this far right of and below the host's window
constexpr int kScreenMargin = 4;
constexpr int kCentredTop = 80;

enum BitmapIndex {
    kMainBmp, kAboutBoxBmp, kFaderBmp, kFaderHBmp, kEditboxBmp,
    kBtnDnBmp, kBtnUpOnBmp, kBtnDnOnBmp, kBtnDnOffBmp, kBitmapCount,
};
constexpr const char* kBitmapNames[kBitmapCount] = {
    "Main_Bmp", "About_Box_Bmp", "Fader_Bmp", "Fader_H_Bmp", "Editbox_Bmp",
    "Btn_Dn_Bmp", "Btn_Up-On_Bmp", "Btn_Dn-On_Bmp", "Btn_Dn-Off_Bmp",
};

// The editor's controls, in the order of the control table.
enum Control {
    kInputButton, kInputLevelFader, kToneButton, kToneLevelFader, kFrequencyFader, kFrequencyBox,
    kSweepButton, kSweepLevelFader, kStartFreqBox, kStopFreqBox, kLengthBox,
    kNoiseButton, kNoiseLevelFader, kTypeButton, kTypeBox,
    kTrackLabel, kCloseButton, kMenuArea, kWindowArea, kAboutLinkArea, kControlCount,
};

// Client pixels, inclusive on all four edges.
struct ControlRect {
    int left, top, right, bottom;
};
constexpr ControlRect kControls[kControlCount] = {
    {15, 40, 55, 60},      // InputButton
    {80, 45, 190, 60},     // InputLevelFader
    {15, 90, 55, 110},     // ToneButton
    {80, 95, 190, 110},    // ToneLevelFader
    {213, 95, 288, 110},   // FrequencyFader
    {300, 90, 360, 110},   // FrequencyBox
    {15, 140, 55, 160},    // SweepButton
    {80, 145, 190, 160},   // SweepLevelFader
    {80, 180, 140, 200},   // StartFreqBox
    {155, 180, 215, 200},  // StopFreqBox
    {230, 180, 290, 200},  // LengthBox
    {15, 230, 55, 250},    // NoiseButton
    {80, 235, 190, 250},   // NoiseLevelFader
    {240, 230, 280, 250},  // TypeButton
    {300, 230, 360, 250},  // TypeBox
    {235, 20, 295, 40},    // TrackLabel
    {310, 20, 350, 40},    // CloseButton
    {115, 265, 265, 285},  // MenuArea
    {0, 0, 380, 300},      // WindowArea
    {104, 257, 275, 285},  // AboutLinkArea
};
static_assert(sizeof kControls / sizeof kControls[0] == kControlCount, "one rectangle per control");

// Readout identifiers: the frequency and type readouts are 4 and 13 although
// their values live in slots 3 and 12.
enum ReadoutId { kReadoutFrequency = 4, kReadoutStart = 7, kReadoutStop = 8, kReadoutLength = 9, kReadoutType = 13 };

constexpr COLORREF kTextColour = RGB(0xC0, 0xC0, 0xC0);
constexpr UINT kCentredText = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK;
constexpr int kKnobEraseLeft = 14;    // columns restored left of the track before a knob is drawn
constexpr int kKnobEraseRight = 28;   // and right of it
constexpr int kKnobCentreColumn = 14; // column of Fader_H_Bmp that marks the position
constexpr int kKnobWidth = 28;        // knob columns position - 14 .. position + 13
constexpr int kLevelPositionMax = 105;
constexpr int kFrequencyPositionMax = kFrequencyKnobFirst + kFrequencyTableSize - 1;   // 70

// The about view and the menu.
constexpr char kMakerWebAddress[] = "https://www.quellmarsh.example/kelvane/";
constexpr char kMakerLine[] = "QuellMarsh Audio";
constexpr char kHelpFile[] = "quellmarsh\\Kelvane\\Kelvane.chm";
enum MenuCommand : UINT {
    kMenuLoadPreset = 5000, kMenuSavePreset = 5002, kMenuAbout = 5004, kMenuHelp = 5006,
};

// PressedControl codes: the lamp buttons and TypeButton use their slot numbers.
constexpr int kPressedNone = 0;
constexpr int kPressedClose = 30;
constexpr int kPressedMenu = 31;

struct EditorWindow {
    HWND window;
    HDC dc;
    EditorPlacement remembered;   // width 0: never placed
};

struct EditorTables {
    HINSTANCE module;
    int screenWidth, screenHeight;
    HBITMAP bitmaps[kBitmapCount];
    SIZE bitmapSizes[kBitmapCount];
    int mainWidth, mainHeight;
    HFONT readoutFont;
    char readoutText[32];   // the readout being drawn
    char labelText[16];     // the track label being drawn

    // The mouse gesture in progress; one for all editors.
    int editorAssignment;   // the editor whose message is being handled
    int mouseX, mouseY;     // client point of the last mouse message
    int pressedControl;     // a kPressed code or a slot number, 0 when none
    bool aboutShown[kAssignmentCount];
    char versionText[256];  // the FileVersion string last read

    // The one typed-entry field of the process.
    struct {
        HWND control;       // null while no field is open
        int slot;           // the LiveParamSet slot a commit writes
        float minimum, maximum;   // in the shown unit; 0 while closed
        WNDPROC savedProc;
    } entry;
    struct {
        bool active;
        int slot;           // -1 while idle
        int position;       // knob position from the track's left edge
        int resetValue;     // what a right click restores
        int track;          // Control of the dragged track
        HWND window;
        int lastX, lastY;
    } drag;
    EditorWindow editors[kAssignmentCount];
};
EditorTables s_editor;

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintAboutView(int assignment);

bool IsAssignment(int a) { return a >= 0 && a < kAssignmentCount; }

void RegisterClasses() {
    WNDCLASSA messageClass = {};
    messageClass.style = CS_BYTEALIGNCLIENT | CS_SAVEBITS;
    messageClass.lpfnWndProc = DefWindowProcA;
    messageClass.hInstance = s_editor.module;
    messageClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    messageClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    messageClass.lpszClassName = kMessageClassName;
    RegisterClassA(&messageClass);

    WNDCLASSA editorClass = {};
    editorClass.style = CS_BYTEALIGNCLIENT | CS_OWNDC;
    editorClass.lpfnWndProc = EditorWindowProc;
    editorClass.cbWndExtra = sizeof(LONG);   // the assignment index
    editorClass.hInstance = s_editor.module;
    editorClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    editorClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    editorClass.lpszClassName = kEditorClassName;
    RegisterClassA(&editorClass);
}

void LoadBitmaps() {
    for (int i = 0; i < kBitmapCount; ++i) {
        s_editor.bitmaps[i] = LoadBitmapA(s_editor.module, kBitmapNames[i]);
        BITMAP info = {};
        if (s_editor.bitmaps[i] != nullptr && GetObjectA(s_editor.bitmaps[i], sizeof info, &info) != 0) {
            s_editor.bitmapSizes[i] = SIZE{info.bmWidth, info.bmHeight};
        }
    }
    s_editor.mainWidth = s_editor.bitmapSizes[kMainBmp].cx;
    s_editor.mainHeight = s_editor.bitmapSizes[kMainBmp].cy;
}

// Copies columns left..right and rows top..bottom (inclusive) of a bitmap
// to (x, y) of the editor's device context.
void CopyFromBitmap(HDC dc, BitmapIndex bitmap, int x, int y, int left, int top, int right, int bottom) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, s_editor.bitmaps[bitmap]);
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
    const SIZE size = s_editor.bitmapSizes[bitmap];
    CopyFromBitmap(dc, bitmap, x, y, 0, 0, size.cx - 1, size.cy - 1);
}

void DrawLamp(HDC dc, Control button, int32_t slotValue) {
    const ControlRect& r = kControls[button];
    if (slotValue != 0) {
        Stamp(dc, kBtnUpOnBmp, r.left, r.top);
    } else {
        Restore(dc, r.left, r.top, r.right, r.bottom);
    }
}

// The knob position of a ToneFrequency value (hundredths of a hertz).
int FrequencyKnobPosition(int32_t toneFrequency) {
    return FrequencyStep(toneFrequency) + kFrequencyKnobFirst;
}

// [host UI thread] Draws the knob of a fader track at a pixel position from
// the track's left edge; with erase the track and the knob's overhang on
// both sides are restored first.
void DrawKnob(int assignment, Control track, int position, bool eraseFirst) {
    HDC dc = s_editor.editors[assignment].dc;
    if (dc == nullptr) return;
    const ControlRect& r = kControls[track];
    if (eraseFirst) Restore(dc, r.left - kKnobEraseLeft, r.top, r.right + kKnobEraseRight, r.bottom);
    const int left = r.left + position - kKnobCentreColumn;
    CopyFromBitmap(dc, kFaderHBmp, left, r.top, 0, 0, kKnobWidth - 1, s_editor.bitmapSizes[kFaderHBmp].cy - 1);
}

// [host UI thread] Draws one readout as text centred in its box. Does
// nothing while the assignment's editor is closed.
void DrawReadout(int assignment, int readoutId, float value, bool eraseFirst) {
    const EditorWindow& e = s_editor.editors[assignment];
    if (e.window == nullptr || e.dc == nullptr) return;
    HGDIOBJ previousFont = SelectObject(e.dc, s_editor.readoutFont);
    Control box;
    const char* format = nullptr;
    switch (readoutId) {
    case kReadoutFrequency: box = kFrequencyBox; format = "%5.1f"; break;
    case kReadoutStart: box = kStartFreqBox; format = "%5.1f"; break;
    case kReadoutStop: box = kStopFreqBox; format = "%5.1f"; break;
    case kReadoutLength: box = kLengthBox; format = "%3.0f s"; break;
    case kReadoutType: box = kTypeBox; break;
    default: SelectObject(e.dc, previousFont); return;
    }
    const ControlRect& r = kControls[box];
    if (eraseFirst) Restore(e.dc, r.left, r.top, r.right, r.bottom);
    if (format != nullptr) {
        snprintf(s_editor.readoutText, sizeof s_editor.readoutText, format, static_cast<double>(value));
    } else {
        lstrcpyA(s_editor.readoutText, value == 0.0f ? "WHITE" : "PINK");
    }
    SetTextColor(e.dc, kTextColour);
    // DrawTextA's rectangle excludes its right and bottom edges.
    RECT text = {r.left, r.top, r.right + 1, r.bottom + 1};
    DrawTextA(e.dc, s_editor.readoutText, -1, &text, kCentredText);
    SelectObject(e.dc, previousFont);
}

float Hundredths(int32_t slotValue) {
    return static_cast<float>(slotValue * 0.01);
}

// The TrackLabel text for a routing value: inputs, returns and outputs are
// told apart by the host's two track counts, compared unsigned.
const char* TrackLabelText(int32_t routing) {
    const uint32_t r = static_cast<uint32_t>(routing);
    const uint32_t inputs = static_cast<uint32_t>(g_host.inputTrackCount);
    const uint32_t firstOutput = static_cast<uint32_t>(g_host.firstOutputTrack);
    char* t = s_editor.labelText;
    if (routing == -1) {
        lstrcpyA(t, "- - -");
    } else if (r < inputs) {
        snprintf(t, sizeof s_editor.labelText, "In %02u", r + 1);
    } else if (r < firstOutput) {
        snprintf(t, sizeof s_editor.labelText, "Rtn %02u", r - inputs + 1);
    } else {
        snprintf(t, sizeof s_editor.labelText, "Out %02u", r - firstOutput + 1);
    }
    return t;
}

// [host UI thread] Redraws the control that shows `slot` from `value`:
// the host's refresh of one changed or announced value.
void RedrawSlot(int assignment, int slot, int32_t value) {
    HDC dc = s_editor.editors[assignment].dc;
    if (dc == nullptr) return;
    switch (slot) {
    case kSlotInputOn: DrawLamp(dc, kInputButton, value); break;
    case kSlotInputLevel: DrawKnob(assignment, kInputLevelFader, value, true); break;
    case kSlotToneOn: DrawLamp(dc, kToneButton, value); break;
    case kSlotToneLevel: DrawKnob(assignment, kToneLevelFader, value, true); break;
    case kSlotToneFrequency:
        DrawKnob(assignment, kFrequencyFader, FrequencyKnobPosition(value), true);
        DrawReadout(assignment, kReadoutFrequency, Hundredths(value), true);
        break;
    case kSlotSweepOn: DrawLamp(dc, kSweepButton, value); break;
    case kSlotSweepLevel: DrawKnob(assignment, kSweepLevelFader, value, true); break;
    case kSlotSweepStart: DrawReadout(assignment, kReadoutStart, Hundredths(value), true); break;
    case kSlotSweepStop: DrawReadout(assignment, kReadoutStop, Hundredths(value), true); break;
    case kSlotSweepLength: DrawReadout(assignment, kReadoutLength, Hundredths(value), true); break;
    case kSlotNoiseOn: DrawLamp(dc, kNoiseButton, value); break;
    case kSlotNoiseLevel: DrawKnob(assignment, kNoiseLevelFader, value, true); break;
    case kSlotNoiseType: {
        const ControlRect& r = kControls[kTypeButton];
        Restore(dc, r.left, r.top, r.right, r.bottom);
        DrawReadout(assignment, kReadoutType, static_cast<float>(value), true);
        break;
    }
    default: break;
    }
}

int AssignmentOf(HWND window) {
    return static_cast<int>(GetWindowLongA(window, 0));
}

// [host UI thread] The paint message: background, track label, lamps,
// knobs and readouts of the assignment's live parameters.
void FullRepaint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    const int a = AssignmentOf(window);
    HDC dc = IsAssignment(a) ? s_editor.editors[a].dc : nullptr;
    if (dc != nullptr) {
        const int32_t* slot = g_params.live[a].slot;
        CopyFromBitmap(dc, kMainBmp, 0, 0, 0, 0, s_editor.mainWidth - 1, s_editor.mainHeight - 1);
        SetTextColor(dc, kTextColour);
        const ControlRect& t = kControls[kTrackLabel];
        RECT label = {t.left, t.top, t.right + 1, t.bottom + 1};
        DrawTextA(dc, TrackLabelText(g_host.assignments.trackIndex[a]), -1, &label, kCentredText);
        constexpr struct { Control button; int slot; } kLamps[] = {
            {kInputButton, kSlotInputOn}, {kToneButton, kSlotToneOn},
            {kSweepButton, kSlotSweepOn}, {kNoiseButton, kSlotNoiseOn},
        };
        for (const auto& lamp : kLamps) {
            if (slot[lamp.slot] != 0) Stamp(dc, kBtnUpOnBmp, kControls[lamp.button].left, kControls[lamp.button].top);
        }
        DrawKnob(a, kInputLevelFader, slot[kSlotInputLevel], false);
        DrawKnob(a, kToneLevelFader, slot[kSlotToneLevel], false);
        DrawKnob(a, kFrequencyFader, FrequencyKnobPosition(slot[kSlotToneFrequency]), false);
        DrawKnob(a, kSweepLevelFader, slot[kSlotSweepLevel], false);
        DrawKnob(a, kNoiseLevelFader, slot[kSlotNoiseLevel], false);
        DrawReadout(a, kReadoutType, static_cast<float>(slot[kSlotNoiseType]), true);
        DrawReadout(a, kReadoutFrequency, Hundredths(slot[kSlotToneFrequency]), true);
        DrawReadout(a, kReadoutStart, Hundredths(slot[kSlotSweepStart]), true);
        DrawReadout(a, kReadoutStop, Hundredths(slot[kSlotSweepStop]), true);
        DrawReadout(a, kReadoutLength, Hundredths(slot[kSlotSweepLength]), true);
        if (s_editor.aboutShown[a]) PaintAboutView(a);
    }
    EndPaint(window, &paint);
}

bool PointIn(Control c, int x, int y) {
    const ControlRect& r = kControls[c];
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// ---- Version, about view, menu and help ----------------------------------

// The FileVersion string of a file's own version resource, or null.
const char* QueryFileVersionString(const char* path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return nullptr;
    char* block = static_cast<char*>(malloc(size + 1));
    if (block == nullptr) return nullptr;
    if (!GetFileVersionInfoA(path, 0, size, block)) {
        free(block);
        return nullptr;
    }
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
    if (!VerQueryValueA(block, subBlock, &text, &length) || text == nullptr) {
        free(block);
        return nullptr;
    }
    char* out = s_editor.versionText;
    if (length >= sizeof s_editor.versionText) {
        memcpy(out, text, 250);
        out[250] = 0;
    } else {
        lstrcpynA(out, static_cast<const char*>(text), sizeof s_editor.versionText);
    }
    free(block);
    return out;
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

bool ReadPluginVersion(const char* path, int numbers[4]) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    void* block = malloc(size);
    if (block == nullptr) return false;
    bool readable = false;
    if (GetFileVersionInfoA(path, 0, size, block)) {
        const char* version = QueryFileVersionString(path);
        if (version != nullptr) {
            char text[256];
            lstrcpynA(text, version, sizeof text);
            readable = SplitVersion(text, ".", numbers) == 4 || SplitVersion(text, ",", numbers) == 4;
        }
    }
    free(block);
    return readable;
}

// [host UI thread] The about panel with the version over the whole editor.
void PaintAboutView(int assignment) {
    const EditorWindow& e = s_editor.editors[assignment];
    if (e.dc == nullptr) return;
    const ControlRect& w = kControls[kWindowArea];
    CopyFromBitmap(e.dc, kAboutBoxBmp, 0, 0, 0, 0, w.right, w.bottom);
    char path[kPathBytes] = {};
    GetModuleFileNameA(s_editor.module, path, sizeof path);
    int v[4] = {};
    char text[512];
    int n = ReadPluginVersion(path, v)
                ? snprintf(text, sizeof text, "\n\n\nVersion %d.%d (build %d)\r\n", v[0], v[1], v[2])
                : snprintf(text, sizeof text, "\n\n\nVersion unreadable \r\n");
    n += snprintf(text + n, sizeof text - n, "%s\n\n", kMakerLine);
    if (s_editor.aboutShown[assignment]) snprintf(text + n, sizeof text - n, "Press a key (or click the mouse) to continue.");
    LOGFONTA description = {};
    description.lfHeight = 14;
    lstrcpyA(description.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&description);
    HGDIOBJ previous = SelectObject(e.dc, font);
    RECT area = {w.left, w.top, w.right, w.bottom};
    DrawTextA(e.dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    SelectObject(e.dc, previous);
    DeleteObject(font);
}

void HideAboutView(int assignment) {
    s_editor.aboutShown[assignment] = false;
    const EditorWindow& e = s_editor.editors[assignment];
    if (e.window == nullptr) return;
    InvalidateRect(e.window, nullptr, FALSE);
    Restore(e.dc, 0, 0, kControls[kWindowArea].right, kControls[kWindowArea].bottom);
}

// [host UI thread] Holds the thread until the about view is dismissed: only
// paints and left presses get through; a key, a right press or a frame press
// ends it and goes no further.
void ShowAboutView(int assignment) {
    s_editor.aboutShown[assignment] = true;
    PaintAboutView(assignment);
    MSG msg;
    // The loop also ends when the editor has been closed under it (a host
    // message sent meanwhile): nothing else could clear the flag then.
    while (s_editor.aboutShown[assignment] && s_editor.editors[assignment].window != nullptr) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_PAINT || msg.message == WM_LBUTTONDOWN) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) {
            break;
        }
    }
    HideAboutView(assignment);
}

void OnAboutViewPress() {
    const int a = s_editor.editorAssignment;
    if (PointIn(kAboutLinkArea, s_editor.mouseX, s_editor.mouseY)) {
        ShellExecuteA(nullptr, nullptr, kMakerWebAddress, nullptr, nullptr, 0);
        return;
    }
    HideAboutView(a);
}

void OpenHelp() {
    char path[kPathBytes];
    // A path that does not fit is not launched: a cut one could name another file.
    if (strlen(g_host.pluginFolder) + strlen(kHelpFile) >= sizeof path) return;
    snprintf(path, sizeof path, "%s%s", g_host.pluginFolder, kHelpFile);
    ShellExecuteA(s_editor.editors[s_editor.editorAssignment].window, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void FlushMouseMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
}

void ShowContextMenu() {
    POINT at;
    GetCursorPos(&at);
    const int a = s_editor.editorAssignment;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kMenuHelp, "Help");
    AppendMenuA(menu, MF_STRING, kMenuAbout, "About");
    // Without these a user has no way to reach the preset files.
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kMenuLoadPreset, "Load Preset...");
    AppendMenuA(menu, MF_STRING, kMenuSavePreset, "Save Preset...");
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x + 4, at.y + 4, 0,
                                                         s_editor.editors[a].window, nullptr));
    DestroyMenu(menu);
    FlushMouseMessages();
    if (chosen == 0) return;
    s_editor.editorAssignment = a;
    switch (chosen) {
    case kMenuHelp: OpenHelp(); break;
    case kMenuAbout: ShowAboutView(a); break;
    case kMenuLoadPreset: LoadPreset(a); break;
    case kMenuSavePreset: SavePreset(a); break;
    default: break;
    }
}

// ---- Mouse ----------------------------------------------------------------

HDC EditorDc() { return s_editor.editors[s_editor.editorAssignment].dc; }
int32_t* LiveSlots() { return g_params.live[s_editor.editorAssignment].slot; }
bool ProcessingRuns() { return g_engine.processingMode == 1; }

void SendEditDone() { PlatformSendHostCommand(kCmdEditDone); }

// Lamps switch on the press; the released look follows at the button-up.
void LampToggle(HWND window, Control button, int slot) {
    int32_t* live = LiveSlots();
    const ControlRect& r = kControls[button];
    if (live[slot] != 0) {
        Stamp(EditorDc(), kBtnDnOffBmp, r.left, r.top);
        live[slot] = 0;
    } else {
        Stamp(EditorDc(), kBtnDnOnBmp, r.left, r.top);
        live[slot] = 1;
    }
    s_editor.pressedControl = slot;
    SetCapture(window);
    ApplyParams(s_editor.editorAssignment, slot);
    ReportParamChange(s_editor.editorAssignment, slot, live[slot], 0, 1);
    SendEditDone();
}

void TypeToggle(HWND window) {
    int32_t* live = LiveSlots();
    const ControlRect& r = kControls[kTypeButton];
    Stamp(EditorDc(), kBtnDnBmp, r.left, r.top);
    live[kSlotNoiseType] = live[kSlotNoiseType] == 0 ? 1 : 0;
    DrawReadout(s_editor.editorAssignment, kReadoutType, static_cast<float>(live[kSlotNoiseType]), true);
    s_editor.pressedControl = kSlotNoiseType;
    SetCapture(window);
    ApplyParams(s_editor.editorAssignment, kSlotNoiseType);
    ReportParamChange(s_editor.editorAssignment, kSlotNoiseType, live[kSlotNoiseType], 0, 1);
    SendEditDone();
}

// The borderless window moves as if its caption had been pressed.
void WindowMove(HWND window) {
    POINT p = {s_editor.mouseX, s_editor.mouseY};
    ClientToScreen(window, &p);
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    SetFocus(window);
}

// The knob jumps under the cursor and the cursor is held on the track, so
// positions stay within the track's range.
void DragStart(HWND window, Control track, int slot, int position, int resetValue) {
    auto& d = s_editor.drag;
    const ControlRect& r = kControls[track];
    d.active = true;
    d.slot = slot;
    d.position = position;
    d.resetValue = resetValue;
    d.track = track;
    d.window = window;
    d.lastX = r.left + position;
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

void DragCommit() {
    const auto& d = s_editor.drag;
    const int a = s_editor.editorAssignment;
    int32_t* live = LiveSlots();
    if (d.slot == kSlotToneFrequency) {
        const int32_t hundredths = FrequencyForKnobPosition(d.position);
        live[kSlotToneFrequency] = hundredths;
        ApplyParams(a, kSlotToneFrequency);
        DrawReadout(a, kReadoutFrequency, FrequencyTable[d.position - kFrequencyKnobFirst], true);
        ReportParamChange(a, kSlotToneFrequency, hundredths, 0, 6500);
    } else {
        live[d.slot] = d.position;
        ApplyParams(a, d.slot);
        ReportParamChange(a, d.slot, d.position, 0, 100);
    }
}

void DragIdle() {
    s_editor.drag.active = false;
    s_editor.drag.slot = -1;
}

void DragStep(int x, int y) {
    auto& d = s_editor.drag;
    if (x == d.lastX) return;
    const int a = s_editor.editorAssignment;
    const ControlRect& r = kControls[d.track];
    // The confinement keeps the cursor on the track; where the system does
    // not confine it, the position is held in range here so that it always
    // names a level or a FrequencyTable entry.
    const int maximum = d.track == kFrequencyFader ? kFrequencyPositionMax : kLevelPositionMax;
    int p = d.position + (x - d.lastX);
    if (p < kLevelPositionOffset) p = kLevelPositionOffset;
    if (p > maximum) p = maximum;
    d.lastX = x;
    d.lastY = y;
    if (p != d.position) {
        DrawKnob(a, static_cast<Control>(d.track), p, false);
        const int oldLeft = r.left + d.position - kKnobCentreColumn;
        const int newLeft = r.left + p - kKnobCentreColumn;
        if (p > d.position) {
            Restore(EditorDc(), oldLeft - 1, r.top, newLeft - 1, r.bottom);
        } else {
            Restore(EditorDc(), newLeft + kKnobWidth, r.top, oldLeft + kKnobWidth, r.bottom);
        }
        d.position = p;
    }
    if (d.track == kFrequencyFader) {
        DrawReadout(a, kReadoutFrequency, FrequencyTable[d.position - kFrequencyKnobFirst], true);
    }
    if (ProcessingRuns()) DragCommit();
}

// ---- Typed entry ----------------------------------------------------------

constexpr int kEntryTextBytes = 80;
constexpr UINT kEditKillFocus = 0x0200;   // EN_KILLFOCUS

void CloseEntryBox() {
    auto& entry = s_editor.entry;
    HWND field = entry.control;
    // Cleared first: destroying the focused field notifies its parent again.
    entry.control = nullptr;
    entry.minimum = 0.0f;
    entry.maximum = 0.0f;
    if (field != nullptr) DestroyWindow(field);
}

// [host UI thread] The field hands every character to the editor first;
// Enter or Tab closes the field, and then the character goes no further.
LRESULT CALLBACK EntryBoxProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC saved = s_editor.entry.savedProc;
    switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_CHAR:
        SendMessageA(GetParent(field), WM_CHAR, wParam, lParam);
        if (!IsWindow(field)) return 0;
        break;
    default: break;
    }
    return CallWindowProcA(saved, field, message, wParam, lParam);
}

void OpenEntryBox(HWND editor, Control box) {
    auto& entry = s_editor.entry;
    const ControlRect& r = kControls[box];
    char text[32];
    snprintf(text, sizeof text, "%5.1f", LiveSlots()[entry.slot] * 0.01);
    HWND field = CreateWindowExA(0, "EDIT", text, WS_CHILD | ES_CENTER, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, editor, nullptr, s_editor.module, nullptr);
    if (field == nullptr) {
        entry.minimum = entry.maximum = 0.0f;
        return;
    }
    entry.control = field;
    entry.savedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryBoxProc)));
    ShowWindow(field, SW_SHOW);
    SetFocus(field);
    // A double click at the field's corner selects the shown number, so that
    // typing replaces it.
    SendMessageA(field, WM_LBUTTONDBLCLK, 0, 0);
}

void PressValueBox(HWND editor, Control box, int slot, float minimum, float maximum) {
    auto& entry = s_editor.entry;
    if (entry.control != nullptr) return;
    entry.slot = slot;
    entry.minimum = minimum;
    entry.maximum = maximum;
    OpenEntryBox(editor, box);
}

void OnEntryChar(WPARAM character) {
    auto& entry = s_editor.entry;
    if (character != '\r' && character != '\t') return;
    char text[kEntryTextBytes] = {};
    GetWindowTextA(entry.control, text, sizeof text);
    double value = atof(text);
    if (value < entry.minimum) {
        value = entry.minimum;
    } else if (value > entry.maximum) {
        value = entry.maximum;
    }
    const int a = s_editor.editorAssignment;
    const int slot = entry.slot;
    const int32_t stored = static_cast<int32_t>(value * 100.0);
    LiveSlots()[slot] = stored;
    ApplyParams(a, slot);
    ReportParamChange(a, slot, stored, static_cast<int32_t>(entry.minimum * 100.0),
                      static_cast<int32_t>(entry.maximum * 100.0));
    SendEditDone();
    if (slot == kSlotToneFrequency) {
        // The whole strip a knob can cover, as DrawKnob's erase takes it: the
        // knob overhangs the track at both ends.
        const ControlRect& t = kControls[kFrequencyFader];
        RECT track = {t.left - kKnobEraseLeft, t.top, t.right + kKnobEraseRight + 1, t.bottom + 1};
        InvalidateRect(s_editor.editors[a].window, &track, TRUE);
    }
    CloseEntryBox();
}

void OnEntryCommand(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != s_editor.entry.control) return;
    if (HIWORD(wParam) == kEditKillFocus) CloseEntryBox();
}

void OnLeftButtonDown(HWND window) {
    if (s_editor.aboutShown[s_editor.editorAssignment]) {
        OnAboutViewPress();
        return;
    }
    const int x = s_editor.mouseX, y = s_editor.mouseY;
    const int32_t* live = LiveSlots();
    constexpr int kFrequencyReset = kDefaultToneFrequencyHundredthsHz;
    int hit = kControlCount;
    for (int c = 0; c <= kMenuArea; ++c) {
        if (PointIn(static_cast<Control>(c), x, y)) {
            hit = c;
            break;
        }
    }
    switch (hit) {
    case kInputButton: LampToggle(window, kInputButton, kSlotInputOn); break;
    case kInputLevelFader:
        DragStart(window, kInputLevelFader, kSlotInputLevel, live[kSlotInputLevel], kDefaultInputLevel);
        break;
    case kToneButton: LampToggle(window, kToneButton, kSlotToneOn); break;
    case kToneLevelFader:
        DragStart(window, kToneLevelFader, kSlotToneLevel, live[kSlotToneLevel], kDefaultGeneratorLevel);
        break;
    case kFrequencyFader:
        DragStart(window, kFrequencyFader, kSlotToneFrequency, FrequencyKnobPosition(live[kSlotToneFrequency]),
                  kFrequencyReset);
        break;
    case kFrequencyBox: PressValueBox(window, kFrequencyBox, kSlotToneFrequency, 5.5f, 20000.0f); break;
    case kStartFreqBox: PressValueBox(window, kStartFreqBox, kSlotSweepStart, 5.5f, 20000.0f); break;
    case kStopFreqBox: PressValueBox(window, kStopFreqBox, kSlotSweepStop, 5.5f, 20000.0f); break;
    case kLengthBox: PressValueBox(window, kLengthBox, kSlotSweepLength, 1.0f, 300.0f); break;
    case kSweepButton: LampToggle(window, kSweepButton, kSlotSweepOn); break;
    case kSweepLevelFader:
        DragStart(window, kSweepLevelFader, kSlotSweepLevel, live[kSlotSweepLevel], kDefaultGeneratorLevel);
        break;
    case kNoiseButton: LampToggle(window, kNoiseButton, kSlotNoiseOn); break;
    case kNoiseLevelFader:
        DragStart(window, kNoiseLevelFader, kSlotNoiseLevel, live[kSlotNoiseLevel], kDefaultGeneratorLevel);
        break;
    case kTypeButton: TypeToggle(window); break;
    case kCloseButton:
        Stamp(EditorDc(), kBtnDnBmp, kControls[kCloseButton].left, kControls[kCloseButton].top);
        s_editor.pressedControl = kPressedClose;
        SetCapture(window);
        break;
    case kMenuArea:
        if (!ProcessingRuns()) {
            s_editor.pressedControl = kPressedMenu;
            SetCapture(window);
            break;
        }
        WindowMove(window);
        break;
    default: WindowMove(window); break;   // TypeBox, TrackLabel and the bare panel
    }
}

void OnLeftButtonUp(LPARAM point) {
    const int a = s_editor.editorAssignment;
    if (s_editor.pressedControl != kPressedNone) {
        s_editor.mouseX = LOWORD(point);
        s_editor.mouseY = HIWORD(point);
        const int pressed = s_editor.pressedControl;
        s_editor.pressedControl = kPressedNone;
        switch (pressed) {
        case kSlotInputOn: DrawLamp(EditorDc(), kInputButton, LiveSlots()[pressed]); break;
        case kSlotToneOn: DrawLamp(EditorDc(), kToneButton, LiveSlots()[pressed]); break;
        case kSlotSweepOn: DrawLamp(EditorDc(), kSweepButton, LiveSlots()[pressed]); break;
        case kSlotNoiseOn: DrawLamp(EditorDc(), kNoiseButton, LiveSlots()[pressed]); break;
        case kSlotNoiseType: {
            const ControlRect& r = kControls[kTypeButton];
            Restore(EditorDc(), r.left, r.top, r.right, r.bottom);
            break;
        }
        default: break;
        }
        if (pressed == kPressedMenu) ShowContextMenu();
        ReleaseCapture();
        if (pressed == kPressedClose) PlatformCloseEditor(a);
    }
    ClipCursor(nullptr);
    if (s_editor.drag.active) {
        DragCommit();
        DragIdle();
        SendEditDone();
    }
}

void OnRightButtonDown(HWND window) {
    auto& d = s_editor.drag;
    const int a = s_editor.editorAssignment;
    if (!d.active) {
        WindowMove(window);
        PlatformSendHostCommand(ProcessingRuns() ? kCmdClickRunning : kCmdClickStopped);
        return;
    }
    int32_t* live = LiveSlots();
    if (d.slot == kSlotToneFrequency) {
        const float f = FrequencyTable[kDefaultFrequencyEntry];
        live[kSlotToneFrequency] = kDefaultToneFrequencyHundredthsHz;
        ApplyParams(a, kSlotToneFrequency);
        // The knob's erase reaches 28 columns past the track, into FrequencyBox:
        // the knob goes first so that the readout stays whole.
        DrawKnob(a, kFrequencyFader, kDefaultFrequencyEntry + kFrequencyKnobFirst, true);
        DrawReadout(a, kReadoutFrequency, f, true);
        ReportParamChange(a, kSlotToneFrequency, kDefaultToneFrequencyHundredthsHz, 0, 6500);
    } else {
        live[d.slot] = d.resetValue;
        ApplyParams(a, d.slot);
        DrawKnob(a, static_cast<Control>(d.track), d.resetValue, true);
        ReportParamChange(a, d.slot, d.resetValue, 0, 100);
    }
    DragIdle();
    SendEditDone();
}

void RecordMousePoint(LPARAM point) {
    s_editor.mouseX = LOWORD(point);
    s_editor.mouseY = HIWORD(point);
}

// [host UI thread] Dispatches the editor's messages; each has its own handler.
LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int a = AssignmentOf(window);
    if (!IsAssignment(a) || s_editor.editors[a].window != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    s_editor.editorAssignment = a;
    switch (message) {
    case WM_PAINT: FullRepaint(window); return 0;
    case WM_CLOSE: PlatformCloseEditor(a); return 0;
    case WM_CHAR:   // only an open entry field takes these two
        if (s_editor.entry.control != nullptr) OnEntryChar(wParam);
        return 0;
    case WM_COMMAND:
        if (s_editor.entry.control != nullptr) OnEntryCommand(wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        RecordMousePoint(lParam);
        if (s_editor.drag.active) DragStep(s_editor.mouseX, s_editor.mouseY);
        return 0;
    case WM_LBUTTONDOWN: RecordMousePoint(lParam); OnLeftButtonDown(window); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(lParam); return 0;
    case WM_RBUTTONDOWN: RecordMousePoint(lParam); OnRightButtonDown(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

EditorPlacement FirstPlacement(HWND reference) {
    EditorPlacement p = {0, 0, s_editor.mainWidth, s_editor.mainHeight};
    RECT r;
    if (reference != nullptr && GetWindowRect(reference, &r)) {
        p.left = r.left + kReferenceOffset;
        p.top = r.top + kReferenceOffset;
    } else {
        p.top = kCentredTop;
        p.left = (s_editor.screenWidth - p.width) / 2;
    }
    if (p.left + p.width > s_editor.screenWidth) p.left = s_editor.screenWidth - p.width - kScreenMargin;
    if (p.top + p.height > s_editor.screenHeight) p.top = s_editor.screenHeight - p.height - kScreenMargin;
    return p;
}

}  // namespace

void EditorStartUp(HINSTANCE module) {
    s_editor.module = module;
    s_editor.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    s_editor.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RegisterClasses();
    for (EditorWindow& e : s_editor.editors) e = EditorWindow{};
    s_editor.drag.slot = -1;
    LoadBitmaps();
    LOGFONTA font = {};
    font.lfHeight = 14;
    lstrcpyA(font.lfFaceName, "Arial");
    s_editor.readoutFont = CreateFontIndirectA(&font);
}

void EditorReleaseResources() {
    for (int a = 0; a < kAssignmentCount; ++a) PlatformCloseEditor(a);
    for (HBITMAP& bitmap : s_editor.bitmaps) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        bitmap = nullptr;
    }
}

void PlatformOpenEditor(int assignment, uint32_t referenceWindow) {
    if (!IsAssignment(assignment)) return;
    EditorWindow& e = s_editor.editors[assignment];
    if (e.window != nullptr) {
        InvalidateRect(e.window, nullptr, FALSE);
        UpdateWindow(e.window);
        return;
    }
    if (e.remembered.width == 0) {
        e.remembered = FirstPlacement(reinterpret_cast<HWND>(static_cast<uintptr_t>(referenceWindow)));
    }
    HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(g_host.hostWindow));
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kEditorClassName, "", WS_POPUP | WS_CLIPCHILDREN,
                                  e.remembered.left, e.remembered.top, e.remembered.width, e.remembered.height,
                                  owner, nullptr, s_editor.module, nullptr);
    if (window == nullptr) return;
    e.window = window;
    SetWindowLongA(window, 0, assignment);
    e.dc = GetDC(window);
    SetBkMode(e.dc, TRANSPARENT);
    SelectObject(e.dc, reinterpret_cast<HFONT>(static_cast<uintptr_t>(g_host.hostFont)));
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(window);
}

void PlatformCloseEditor(int assignment) {
    if (!IsAssignment(assignment)) return;
    EditorWindow& e = s_editor.editors[assignment];
    if (e.window == nullptr) return;
    RECT r;
    if (GetWindowRect(e.window, &r)) {
        e.remembered = EditorPlacement{r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    if (s_editor.entry.control != nullptr && GetParent(s_editor.entry.control) == e.window) CloseEntryBox();
    ReleaseDC(e.window, e.dc);
    DestroyWindow(e.window);
    e.window = nullptr;
    e.dc = nullptr;
}

bool PlatformEditorIsOpen(int assignment) {
    return IsAssignment(assignment) && s_editor.editors[assignment].window != nullptr;
}

EditorPlacement PlatformEditorWindowPlacement(int assignment) {
    RECT r;
    if (!PlatformEditorIsOpen(assignment) || !GetWindowRect(s_editor.editors[assignment].window, &r)) {
        return EditorPlacement{};
    }
    return EditorPlacement{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void PlatformRememberEditorPlacement(int assignment, EditorPlacement placement) {
    if (IsAssignment(assignment)) s_editor.editors[assignment].remembered = placement;
}

void PlatformRedrawSlot(int assignment, int slot, int32_t value) {
    if (PlatformEditorIsOpen(assignment)) RedrawSlot(assignment, slot, value);
}

void PlatformRepaintEditor(int assignment) {
    if (!PlatformEditorIsOpen(assignment)) return;
    HWND window = s_editor.editors[assignment].window;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

}  // namespace kelvane
