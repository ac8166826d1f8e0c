// The editor's shared tables: the control table that says what every control
// is, and the one struct of process-wide editor state. Internal to the editor.
#pragma once

#include <windows.h>

#include <cstdint>

#include "params.h"
#include "platform.h"

namespace kelvane {

enum BitmapIndex {
    kMainBmp, kAboutBoxBmp, kFaderBmp, kFaderHBmp, kEditboxBmp,
    kBtnDnBmp, kBtnUpOnBmp, kBtnDnOnBmp, kBtnDnOffBmp, kBitmapCount,
    kNoBitmap = kBitmapCount,
};

// The editor's controls, in the order of the control table.
enum Control {
    kInputButton, kInputLevelFader, kToneButton, kToneLevelFader, kFrequencyFader, kFrequencyBox,
    kSweepButton, kSweepLevelFader, kStartFreqBox, kStopFreqBox, kLengthBox,
    kNoiseButton, kNoiseLevelFader, kTypeButton, kTypeBox,
    kTrackLabel, kCloseButton, kMenuArea, kWindowArea, kAboutLinkArea, kControlCount,
    kNoControl = kControlCount,
};

enum class ControlKind {
    kLamp,             // toggles its slot between 0 and 1 on the press
    kLevelFader,       // knob position = slot value, 5..105
    kFrequencyFader,   // knob position = FrequencyTable entry + 5, 5..70
    kValueBox,         // readout in hundredths; a press opens typed entry
    kTypeButton,       // toggles the noise type; pressed look while held
    kTypeReadout,      // "WHITE" or "PINK"
    kCloseButton,
    kMenuArea,         // the logo: the menu while processing is stopped
    kArea,             // no press of its own
};

constexpr int kNoSlot = -1;

// Everything the editor knows about one control. Rectangles are client
// pixels, inclusive on all four edges.
struct ControlInfo {
    int left, top, right, bottom;
    ControlKind kind;
    int slot;                       // the LiveParamSet slot it shows and edits
    BitmapIndex bitmap;             // stamped for the lit or pressed look
    int32_t resetValue;             // faders: what a right click restores
    int32_t reportMin, reportMax;   // the range reported with a change
    float entryMin, entryMax;       // value boxes: typed range, shown unit
    const char* format;             // value boxes: the readout's format
};

struct Rect {
    int left, top, right, bottom;
};

// Rows by kind. A value box reports its typed range in hundredths.
constexpr ControlInfo Lamp(Rect r, int slot) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kLamp, slot, kBtnUpOnBmp, 0, 0, 1, 0, 0, nullptr};
}
constexpr ControlInfo LevelFader(Rect r, int slot, int32_t reset) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kLevelFader, slot, kFaderHBmp, reset, 0, 100, 0, 0, nullptr};
}
constexpr ControlInfo FrequencyFader(Rect r, int slot, int32_t reset) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kFrequencyFader, slot, kFaderHBmp, reset, 0, 6500, 0, 0,
            nullptr};
}
constexpr ControlInfo ValueBox(Rect r, int slot, float minimum, float maximum, const char* format) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kValueBox, slot, kNoBitmap, 0,
            static_cast<int32_t>(minimum * 100.0), static_cast<int32_t>(maximum * 100.0), minimum, maximum, format};
}
constexpr ControlInfo Other(Rect r, ControlKind kind, int slot, BitmapIndex bitmap, int32_t reportMax) {
    return {r.left, r.top, r.right, r.bottom, kind, slot, bitmap, 0, 0, reportMax, 0, 0, nullptr};
}

constexpr float kEntryFrequencyMin = 5.5f, kEntryFrequencyMax = 20000.0f;   // Hz
constexpr float kEntryLengthMin = 1.0f, kEntryLengthMax = 300.0f;           // seconds

constexpr ControlInfo kControls[kControlCount] = {
    Lamp({15, 40, 55, 60}, kSlotInputOn),                                           // InputButton
    LevelFader({80, 45, 190, 60}, kSlotInputLevel, kDefaultInputLevel),             // InputLevelFader
    Lamp({15, 90, 55, 110}, kSlotToneOn),                                           // ToneButton
    LevelFader({80, 95, 190, 110}, kSlotToneLevel, kDefaultGeneratorLevel),         // ToneLevelFader
    FrequencyFader({213, 95, 288, 110}, kSlotToneFrequency, kDefaultToneFrequencyHundredthsHz),
    ValueBox({300, 90, 360, 110}, kSlotToneFrequency, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    Lamp({15, 140, 55, 160}, kSlotSweepOn),                                         // SweepButton
    LevelFader({80, 145, 190, 160}, kSlotSweepLevel, kDefaultGeneratorLevel),       // SweepLevelFader
    ValueBox({80, 180, 140, 200}, kSlotSweepStart, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    ValueBox({155, 180, 215, 200}, kSlotSweepStop, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    ValueBox({230, 180, 290, 200}, kSlotSweepLength, kEntryLengthMin, kEntryLengthMax, "%3.0f s"),
    Lamp({15, 230, 55, 250}, kSlotNoiseOn),                                         // NoiseButton
    LevelFader({80, 235, 190, 250}, kSlotNoiseLevel, kDefaultGeneratorLevel),       // NoiseLevelFader
    Other({240, 230, 280, 250}, ControlKind::kTypeButton, kSlotNoiseType, kBtnDnBmp, 1),
    Other({300, 230, 360, 250}, ControlKind::kTypeReadout, kSlotNoiseType, kNoBitmap, 1),   // TypeBox
    Other({235, 20, 295, 40}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),           // TrackLabel
    Other({310, 20, 350, 40}, ControlKind::kCloseButton, kNoSlot, kBtnDnBmp, 0),    // CloseButton
    Other({115, 265, 265, 285}, ControlKind::kMenuArea, kNoSlot, kNoBitmap, 0),     // MenuArea
    Other({0, 0, 380, 300}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),             // WindowArea
    Other({104, 257, 275, 285}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),         // AboutLinkArea
};
static_assert(sizeof kControls / sizeof kControls[0] == kControlCount, "one row per control");
static_assert(kControls[kFrequencyBox].reportMax == 2000000 && kControls[kLengthBox].reportMin == 100,
              "value boxes report their typed range in hundredths");

constexpr COLORREF kTextColour = RGB(0xC0, 0xC0, 0xC0);
constexpr UINT kCentredText = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK;
constexpr int kKnobEraseLeft = 14;    // columns restored left of the track before a knob is drawn
constexpr int kKnobEraseRight = 28;   // and right of it
constexpr int kKnobCentreColumn = 14; // column of Fader_H_Bmp that marks the position
constexpr int kKnobWidth = 28;        // knob columns position - 14 .. position + 13

struct EditorWindow {
    HWND window;
    HDC dc;
    EditorPlacement remembered;   // width 0: never placed
};

// [host UI thread] All editors' state, process-wide.
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
    Control pressedControl; // held button or logo, kNoControl when none
    bool aboutShown[kAssignmentCount];
    char versionText[256];  // the FileVersion string last read

    // The one typed-entry field of the process.
    struct {
        HWND control;       // null while no field is open
        Control box;        // the value box it edits
        float minimum, maximum;   // in the shown unit; 0 while closed
        WNDPROC savedProc;
    } entry;
    struct {
        bool active;
        Control track;      // the dragged fader
        int position;       // knob position from the track's left edge
        HWND window;
        int lastX, lastY;
    } drag;
    EditorWindow editors[kAssignmentCount];
};
extern EditorTables g_editor;

inline bool IsAssignment(int a) { return a >= 0 && a < kAssignmentCount; }

inline bool IsFader(Control c) {
    return kControls[c].kind == ControlKind::kLevelFader || kControls[c].kind == ControlKind::kFrequencyFader;
}

inline bool IsReadout(Control c) {
    return kControls[c].kind == ControlKind::kValueBox || kControls[c].kind == ControlKind::kTypeReadout;
}

inline bool PointIn(Control c, int x, int y) {
    const ControlInfo& r = kControls[c];
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// Skin: painting from the bitmaps.
void LoadBitmaps();
void CopyFromBitmap(HDC dc, BitmapIndex bitmap, int x, int y, int left, int top, int right, int bottom);
void Restore(HDC dc, int left, int top, int right, int bottom);
void Stamp(HDC dc, BitmapIndex bitmap, int x, int y);
int KnobPosition(Control fader, int32_t slotValue);
int KnobPositionMax(Control fader);
int32_t SlotValueAtKnob(Control fader, int position);
float ShownValueAtKnob(Control fader, int position);
void DrawKnob(int assignment, Control track, int position, bool eraseFirst);
void DrawReadout(int assignment, Control box, float value, bool eraseFirst);
float ShownValue(Control box, int32_t slotValue);
Control ReadoutOf(int slot);
void RedrawSlot(int assignment, int slot, int32_t value);
void FullRepaint(HWND window);
int AssignmentOf(HWND window);

// Typed entry.
void PressValueBox(HWND editor, Control box);
void OnEntryChar(WPARAM character);
void OnEntryCommand(WPARAM wParam, LPARAM lParam);
void CloseEntryBox();

// About view, menu and help.
void PaintAboutView(int assignment);
void OnAboutViewPress();
void ShowContextMenu();

// The mouse: presses, drags and moves in the editor whose message is handled.
HDC EditorDc();
int32_t* LiveSlots();
void SendEditDone();
void RecordMousePoint(LPARAM point);
void OnMouseMove();
void OnLeftButtonDown(HWND window);
void OnLeftButtonUp(LPARAM point);
void OnRightButtonDown(HWND window);
void EndGesturesOf(HWND window);

}  // namespace kelvane
