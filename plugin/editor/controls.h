// The control table: what every control of the editor is (kind, rectangle,
// slot, ranges, reset value, bitmap, texts) and the questions code asks of a
// row. Data and pure functions only: no state, no drawing, no Win32 call.
#pragma once

#include <clocale>
#include <cstdint>

#include "params.h"

namespace kelvane {

// The C runtime reads and writes numbers with the decimal mark of the locale
// that the host process set (a comma in many); the editor shows and reads
// numbers with the point in every locale.
inline char LocaleDecimalMark() { return *std::localeconv()->decimal_point; }

// Text the C runtime formatted, with the locale's decimal mark made a point.
inline void ShowPointAsDecimalMark(char* text) {
    const char mark = LocaleDecimalMark();
    for (; mark != '.' && *text != '\0'; ++text) {
        if (*text == mark) *text = '.';
    }
}

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
    kTypeReadout,      // one of its two words; no press of its own
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
    int knobMin, knobMax;           // faders: the knob's lowest and highest position
    float entryMin, entryMax;       // value boxes: typed range, shown unit
    const char* format;             // value boxes: the readout's format; level faders: the value tip's
    const char* entryFormat;        // value boxes: the entry field's first text
    const char* words[2];           // type readout: the word for 0, for anything else
};

struct Rect {
    int left, top, right, bottom;
};

// The entry field shows one decimal whatever the box's readout shows.
constexpr char kEntryFormat[] = "%5.1f";

// Rows by kind. A value box reports its typed range in hundredths.
constexpr ControlInfo Lamp(Rect r, int slot) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kLamp, slot, kBtnUpOnBmp, 0, 0, 1, 0, 0, 0, 0,
            nullptr, nullptr, {}};
}
// A level fader's tip format takes the knob position (int) and the level the
// track renders there in dBFS (double); the noise fader's takes the position,
// the fader's level in dB, the noise type's word and the noise's RMS in dBFS.
constexpr ControlInfo LevelFader(Rect r, int slot, int32_t reset, const char* tipFormat) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kLevelFader, slot, kFaderHBmp, reset, 0, 100,
            kLevelPositionOffset, kLevelPositionMax, 0, 0, tipFormat, nullptr, {}};
}
constexpr ControlInfo FrequencyFader(Rect r, int slot, int32_t reset) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kFrequencyFader, slot, kFaderHBmp, reset, 0, 6500,
            kFrequencyKnobFirst, kFrequencyKnobFirst + kFrequencyTableSize - 1, 0, 0, nullptr, nullptr, {}};
}
constexpr ControlInfo ValueBox(Rect r, int slot, float minimum, float maximum, const char* format) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kValueBox, slot, kNoBitmap, 0,
            ToHundredths(minimum), ToHundredths(maximum), 0, 0, minimum, maximum,
            format, kEntryFormat, {}};
}
constexpr ControlInfo TypeReadout(Rect r, int slot, const char* zeroWord, const char* otherWord) {
    return {r.left, r.top, r.right, r.bottom, ControlKind::kTypeReadout, slot, kNoBitmap, 0, 0, 1, 0, 0, 0, 0,
            nullptr, nullptr, {zeroWord, otherWord}};
}
constexpr ControlInfo Other(Rect r, ControlKind kind, int slot, BitmapIndex bitmap, int32_t reportMax) {
    return {r.left, r.top, r.right, r.bottom, kind, slot, bitmap, 0, 0, reportMax, 0, 0, 0, 0,
            nullptr, nullptr, {}};
}

// Each figure's decimals come before it: two, four just below 0 dB.
constexpr char kPeakTip[] = "%d:  %.*f dBFS peak";
constexpr char kGainTip[] = "%d:  %.*f dB";
constexpr char kNoiseTip[] = "%d:  %.*f dB  (%s %.*f dBFS RMS full band)";

constexpr float kEntryFrequencyMin = 5.5f, kEntryFrequencyMax = 20000.0f;   // Hz
constexpr float kEntryLengthMin = 1.0f, kEntryLengthMax = 300.0f;           // seconds

constexpr ControlInfo kControls[kControlCount] = {
    Lamp({15, 40, 55, 60}, kSlotInputOn),                                           // InputButton
    LevelFader({80, 45, 190, 60}, kSlotInputLevel, kDefaultInputLevel, kGainTip), // InputLevelFader
    Lamp({15, 90, 55, 110}, kSlotToneOn),                                           // ToneButton
    LevelFader({80, 95, 190, 110}, kSlotToneLevel, kDefaultGeneratorLevel, kPeakTip), // ToneLevelFader
    FrequencyFader({213, 95, 288, 110}, kSlotToneFrequency, kDefaultToneFrequencyHundredthsHz),
    ValueBox({300, 90, 360, 110}, kSlotToneFrequency, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    Lamp({15, 140, 55, 160}, kSlotSweepOn),                                         // SweepButton
    LevelFader({80, 145, 190, 160}, kSlotSweepLevel, kDefaultGeneratorLevel, kPeakTip), // SweepLevelFader
    ValueBox({80, 180, 140, 200}, kSlotSweepStart, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    ValueBox({155, 180, 215, 200}, kSlotSweepStop, kEntryFrequencyMin, kEntryFrequencyMax, "%5.1f"),
    ValueBox({230, 180, 290, 200}, kSlotSweepLength, kEntryLengthMin, kEntryLengthMax, "%3.0f s"),
    Lamp({15, 230, 55, 250}, kSlotNoiseOn),                                         // NoiseButton
    LevelFader({80, 235, 190, 250}, kSlotNoiseLevel, kDefaultGeneratorLevel, kNoiseTip), // NoiseLevelFader
    Other({240, 230, 280, 250}, ControlKind::kTypeButton, kSlotNoiseType, kBtnDnBmp, 1),
    TypeReadout({300, 230, 360, 250}, kSlotNoiseType, "WHITE", "PINK"),             // TypeBox
    Other({235, 20, 295, 40}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),           // TrackLabel
    Other({310, 20, 350, 40}, ControlKind::kCloseButton, kNoSlot, kBtnDnBmp, 0),    // CloseButton
    Other({115, 265, 265, 285}, ControlKind::kMenuArea, kNoSlot, kNoBitmap, 0),     // MenuArea
    Other({0, 0, 380, 300}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),             // WindowArea
    Other({104, 257, 275, 285}, ControlKind::kArea, kNoSlot, kNoBitmap, 0),         // AboutLinkArea
};
static_assert(sizeof kControls / sizeof kControls[0] == kControlCount, "one row per control");
static_assert(kControls[kFrequencyBox].reportMax == 2000000 && kControls[kLengthBox].reportMin == 100,
              "value boxes report their typed range in hundredths");

inline bool IsFader(Control c) {
    return kControls[c].kind == ControlKind::kLevelFader || kControls[c].kind == ControlKind::kFrequencyFader;
}

inline bool IsReadout(Control c) {
    return kControls[c].kind == ControlKind::kValueBox || kControls[c].kind == ControlKind::kTypeReadout;
}

// Areas and the type readout take no press: a press there moves the window.
inline bool TakesPress(Control c) {
    return kControls[c].kind != ControlKind::kArea && kControls[c].kind != ControlKind::kTypeReadout;
}

inline bool PointIn(Control c, int x, int y) {
    const ControlInfo& r = kControls[c];
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// The control that takes a press at a client point, kNoControl when none does.
inline Control PressedControlAt(int x, int y) {
    for (int c = 0; c < kControlCount; ++c) {
        if (TakesPress(static_cast<Control>(c)) && PointIn(static_cast<Control>(c), x, y)) {
            return static_cast<Control>(c);
        }
    }
    return kNoControl;
}

// The readout that shows a slot, kNoControl when none does.
inline Control ReadoutOf(int slot) {
    for (int c = 0; c < kControlCount; ++c) {
        if (kControls[c].slot == slot && IsReadout(static_cast<Control>(c))) return static_cast<Control>(c);
    }
    return kNoControl;
}

// A fader's knob position for its slot's value: level faders show the value
// itself, held on the track (a host may show any number), the frequency
// fader the FrequencyTable entry of the value + 5.
inline int KnobPosition(Control fader, int32_t slotValue) {
    const ControlInfo& r = kControls[fader];
    if (r.kind == ControlKind::kFrequencyFader) return FrequencyStep(slotValue) + kFrequencyKnobFirst;
    return slotValue < r.knobMin ? r.knobMin : slotValue > r.knobMax ? r.knobMax : slotValue;
}

// The slot value a knob position stands for.
inline int32_t SlotValueAtKnob(Control fader, int position) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return FrequencyForKnobPosition(position);
    return position;
}

// What the fader's readout shows for a knob position: the table's own
// frequency, not the truncated hundredths that are stored.
inline float ShownValueAtKnob(Control fader, int position) {
    if (kControls[fader].kind == ControlKind::kFrequencyFader) return FrequencyTable[position - kFrequencyKnobFirst];
    return static_cast<float>(position);
}

// What a readout shows for its slot's value: value boxes show hundredths in
// their unit, the type readout the value itself.
inline float ShownValue(Control box, int32_t slotValue) {
    if (kControls[box].kind == ControlKind::kValueBox) return static_cast<float>(FromHundredths(slotValue));
    return static_cast<float>(slotValue);
}

}  // namespace kelvane
