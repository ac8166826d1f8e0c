// The value tip: its window class, its text from the engine's figures of
// what the track renders, its placement beside the knob on the screen and
// its drawing.
#include "tip.h"

#include <cmath>
#include <cstdio>

#include "levels.h"
#include "params.h"
#include "render.h"
#include "skin.h"

namespace kelvane {

namespace {

constexpr char kTipClassName[] = "KELVANE_VALUE_TIP";
constexpr UINT_PTR kHideTimer = 1;
constexpr int kPaddingX = 7;     // pixels between the text and the tip's edge, each side
constexpr int kPaddingY = 3;
constexpr int kGapBesideTrack = 2;  // rows between the tip and the track's top (or bottom) edge
constexpr UINT kTipText = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

double Decibels(double ratio) { return 20.0 * std::log10(ratio); }

// Two decimals, four within 0.1 dB of 0 (the top position's -0.0035 dB), as
// the help pages print figures.
int Decimals(double db) { return std::fabs(db) < 0.1 ? 4 : 2; }

// [UI thread] The tip's own look: the readout well with its lit edge, and
// the text (the window's text) in the readout font and colour.
void PaintTip(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH edge = CreateSolidBrush(kReadoutEdgeColour);
    HBRUSH well = CreateSolidBrush(kReadoutWellColour);
    FillRect(dc, &area, edge);
    RECT inside = {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
    FillRect(dc, &inside, well);
    DeleteObject(edge);
    DeleteObject(well);
    char text[kTipTextBytes] = {};
    GetWindowTextA(window, text, sizeof text);
    HGDIOBJ previous = SelectObject(dc, g_editor.readoutFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kReadoutTextColour);
    DrawTextA(dc, text, -1, &area, kTipText);
    SelectObject(dc, previous);
    EndPaint(window, &paint);
}

// [UI thread] The tip takes no click and no activation: a press passes to
// the window below it. Its timer is the wheel's "for a moment".
LRESULT CALLBACK TipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: PaintTip(window); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_TIMER: HideValueTip(); return 0;
    case WM_DESTROY:   // also when its editor goes first and takes it along
        if (g_editor.tip.window == window) g_editor.tip = {};
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The text's size in the readout font, with the padding and the edge.
SIZE TipSize(const char* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, g_editor.readoutFont);
    RECT r = {0, 0, 0, 0};
    // Without DT_VCENTER: centring the empty rectangle would halve the height.
    DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return SIZE{r.right - r.left + 2 * kPaddingX, r.bottom - r.top + 2 * kPaddingY};
}

// The source a level fader sets: its row's slot, the noise fader's by type.
LevelSource SourceOf(Control fader, int32_t noiseType) {
    switch (kControls[fader].slot) {
    case kSlotToneLevel: return LevelSource::kTone;
    case kSlotSweepLevel: return LevelSource::kSweep;
    case kSlotNoiseLevel: return noiseType == 0 ? LevelSource::kWhiteNoise : LevelSource::kPinkNoise;
    default: return LevelSource::kInput;
    }
}

// The tip's top-left corner on the screen: centred above the knob, kept whole
// inside the work area of the monitor that holds the knob: below the knob
// when there is no room above, shifted sideways at the sides.
POINT TipPlace(HWND editor, Control fader, int position, SIZE size) {
    const ControlInfo& r = kControls[fader];
    POINT knob[2] = {{r.left + position, r.top}, {r.left + position + 1, r.bottom + 1}};
    MapWindowPoints(editor, nullptr, knob, 2);
    const RECT knobArea = {knob[0].x, knob[0].y, knob[1].x, knob[1].y};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromRect(&knobArea, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    POINT at = {knobArea.left - size.cx / 2, knobArea.top - kGapBesideTrack - size.cy};
    if (at.y < work.top) at.y = knobArea.bottom + kGapBesideTrack;
    if (at.x + size.cx > work.right) at.x = work.right - size.cx;
    if (at.x < work.left) at.x = work.left;
    return at;
}

}  // namespace

void RegisterTipClass() {
    WNDCLASSA tipClass = {};
    // The bits under a tip are saved, so that its going needs no repaint of the editor.
    tipClass.style = CS_SAVEBITS;
    tipClass.lpfnWndProc = TipWindowProc;
    tipClass.hInstance = g_editor.module;
    tipClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    tipClass.lpszClassName = kTipClassName;
    RegisterClassA(&tipClass);
}

void UnregisterTipClass(HINSTANCE module) { UnregisterClassA(kTipClassName, module); }

void ValueTipText(Control fader, int position, int32_t noiseType, int32_t sampleFormat,
                  char (&text)[kTipTextBytes]) {
    const double gain = LevelGain(position - kLevelPositionOffset);
    if (gain <= 0.0) {
        snprintf(text, sizeof text, "%d:  off", position);
        return;
    }
    const LevelSource source = SourceOf(fader, noiseType);
    const RenderedLevel level = LevelAtPosition(source, position, sampleFormat);
    const ControlInfo& typeReadout = kControls[ReadoutOf(kSlotNoiseType)];
    const char* typeWord = typeReadout.words[noiseType == 0 ? 0 : 1];
    const bool noise = source == LevelSource::kWhiteNoise || source == LevelSource::kPinkNoise;
    const double faderDb = Decibels(gain);
    if (level.silent) {
        if (noise) {
            snprintf(text, sizeof text, "%d:  %.*f dB  (%s silent)", position, Decimals(faderDb), faderDb, typeWord);
        } else {
            snprintf(text, sizeof text, "%d:  silent", position);
        }
    } else if (noise) {
        snprintf(text, sizeof text, kControls[fader].format, position, Decimals(faderDb), faderDb, typeWord,
                 Decimals(level.rmsDb), level.rmsDb);
    } else {
        snprintf(text, sizeof text, kControls[fader].format, position, Decimals(level.peakDb), level.peakDb);
    }
    ShowPointAsDecimalMark(text);
}

void ShowValueTip(HWND editor, int assignment, Control fader, int position, unsigned hideAfterMs) {
    if (kControls[fader].kind != ControlKind::kLevelFader) {
        HideValueTip();
        return;
    }
    auto& tip = g_editor.tip;
    if (tip.owner != editor) HideValueTip();
    char text[kTipTextBytes];
    // The figures of the format the track last rendered in: 16-bit tracks
    // lose more of a low level to truncation than 32-bit ones.
    const int32_t format = g_engine.generator[assignment].rendered16Bit ? kSampleFormat16 : kSampleFormat32;
    ValueTipText(fader, position, g_params.live[assignment].slot[kSlotNoiseType], format, text);
    const SIZE size = TipSize(text);
    const POINT at = TipPlace(editor, fader, position, size);
    if (tip.window == nullptr) {
        tip.window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTipClassName, text,
                                     WS_POPUP, at.x, at.y, size.cx, size.cy, editor, nullptr, g_editor.module, nullptr);
        if (tip.window == nullptr) return;
        tip.owner = editor;
        ShowWindow(tip.window, SW_SHOWNOACTIVATE);
    } else {
        SetWindowTextA(tip.window, text);
        SetWindowPos(tip.window, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE);
        InvalidateRect(tip.window, nullptr, FALSE);
    }
    UpdateWindow(tip.window);
    if (hideAfterMs != 0) {
        SetTimer(tip.window, kHideTimer, hideAfterMs, nullptr);
    } else {
        KillTimer(tip.window, kHideTimer);
    }
}

void HideValueTip() {
    HWND window = g_editor.tip.window;
    // Cleared first: the window's destruction finds nothing left to clear.
    g_editor.tip = {};
    if (window != nullptr) DestroyWindow(window);
}

void HideValueTipOf(HWND editor) {
    if (editor != nullptr && g_editor.tip.owner == editor) HideValueTip();
}

}  // namespace kelvane
