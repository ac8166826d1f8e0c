// The editor windows of the real KelvaneFx.dll in the stand-in host: the
// window's pixels are captured and compared with the DLL's own bitmaps and
// with text drawn here in the same fonts, so nothing depends on the artwork.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "stand_in_host.h"
#include "window_capture.h"

namespace {

using minihost::HostField;
using minihost::CaptureDc;
using minihost::Image;
using minihost::StandInHost;
using minihost::WriteBmp;

constexpr int kWidth = 380;
constexpr int kHeight = 300;
constexpr int kKnobColumns = 28;   // position - 14 .. position + 13

Image CaptureWindow(HWND window) { return minihost::CaptureWindow(window, kWidth, kHeight); }

// One of the DLL's bitmaps, as the screen would show it.
Image DllBitmap(HMODULE dll, const char* name) {
    HBITMAP bitmap = LoadBitmapA(dll, name);
    BITMAP b = {};
    GetObjectA(bitmap, sizeof b, &b);
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(source, bitmap);
    Image image = CaptureDc(source, b.bmWidth, b.bmHeight);
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return image;
}

// One of the DLL's bitmaps with a text drawn on it in the readouts' grey, by
// DrawTextA into the rectangle `r` with the given format.
Image TextOnBitmap(HMODULE dll, const char* bitmapName, HFONT font, const char* text, RECT r, UINT format) {
    HBITMAP bitmap = LoadBitmapA(dll, bitmapName);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0xC0, 0xC0, 0xC0));
    DrawTextA(dc, text, -1, &r, format);
    Image image = CaptureDc(dc, kWidth, kHeight);
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return image;
}

// Main_Bmp with one text drawn centred in an inclusive box, the way the
// editor draws its label and readouts.
Image TextOnBackground(HMODULE dll, HFONT font, const char* text, RECT box) {
    return TextOnBitmap(dll, "Main_Bmp", font, text, {box.left, box.top, box.right + 1, box.bottom + 1},
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK);
}

// Whether a w x h block of `shot` at (x, y) equals the block of `source` at (sx, sy).
bool SameBlock(const Image& shot, int x, int y, const Image& source, int sx, int sy, int w, int h) {
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            if (shot.At(x + i, y + j) != source.At(sx + i, sy + j)) return false;
        }
    }
    return true;
}

bool SameRect(const Image& a, const Image& b, RECT r) {   // inclusive
    return SameBlock(a, r.left, r.top, b, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
}

// Pixels that differ between two captures, outside an inclusive rectangle.
int DifferencesOutside(const Image& a, const Image& b, RECT r) {
    int count = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
            if (!inside && a.At(x, y) != b.At(x, y)) ++count;
        }
    }
    return count;
}

struct FindEditor {
    int assignment;
    HWND found;
};

BOOL CALLBACK MatchEditor(HWND window, LPARAM context) {
    auto* find = reinterpret_cast<FindEditor*>(context);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "FX_PLUGIN") == 0 && GetWindowLongA(window, 0) == find->assignment) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

// The user's hands: the cursor to a client point of a window, then each button there.
void Hands(HWND window, int x, int y, std::initializer_list<DWORD> buttons) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    std::vector<INPUT> input(1 + buttons.size(), INPUT{INPUT_MOUSE, {}});
    input[0].mi.dx = (p.x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
    input[0].mi.dy = (p.y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    for (size_t i = 1; i < input.size(); ++i) input[i].mi.dwFlags = buttons.begin()[i - 1];
    SendInput(input.size(), input.data(), sizeof(INPUT));
}

// Control rectangles, inclusive.
constexpr RECT kInputButton = {15, 40, 55, 60};
constexpr RECT kInputLevelFader = {80, 45, 190, 60};
constexpr RECT kToneButton = {15, 90, 55, 110};
constexpr RECT kToneLevelFader = {80, 95, 190, 110};
constexpr RECT kFrequencyFader = {213, 95, 288, 110};
constexpr RECT kFrequencyBox = {300, 90, 360, 110};
constexpr RECT kStartFreqBox = {80, 180, 140, 200};
constexpr RECT kLengthBox = {230, 180, 290, 200};
constexpr RECT kTypeButton = {240, 230, 280, 250};
constexpr RECT kTypeBox = {300, 230, 360, 250};
constexpr RECT kTrackLabel = {235, 20, 295, 40};

class EditorTest : public ::testing::Test {
protected:
    StandInHost host;
    Image main, knob, lampOn;
    HFONT readoutFont = nullptr;

    void SetUp() override {
        const char* dll = getenv("KELVANE_DLL");
        ASSERT_NE(dll, nullptr) << "KELVANE_DLL names the plug-in to test";
        ASSERT_EQ(host.Start(dll), "");
        main = DllBitmap(host.dll, "Main_Bmp");
        knob = DllBitmap(host.dll, "Fader_H_Bmp");
        lampOn = DllBitmap(host.dll, "Btn_Up-On_Bmp");
        ASSERT_EQ(main.width, kWidth);
        ASSERT_EQ(knob.width, 29);
        ASSERT_EQ(knob.height, 15);
        LOGFONTA font = {};
        font.lfHeight = 14;
        lstrcpyA(font.lfFaceName, "Arial");
        readoutFont = CreateFontIndirectA(&font);
    }
    void TearDown() override {
        host.Stop();
        DeleteObject(readoutFont);
    }

    void Arguments(int a, int slot = 0, int32_t value = 0) {
        host.Set(HostField::assignmentArg, a);
        host.Set(HostField::trackArg, host.trackOf[a & 7]);
        host.Set(HostField::slotArg, slot);
        host.Set(HostField::valueArg, value);
    }
    HWND Open(int a, HWND reference = nullptr) {
        Arguments(a, static_cast<int32_t>(reinterpret_cast<uintptr_t>(reference)));
        host.Message(kelvane::kMsgOpenEditor);
        minihost::PumpMessages();
        return Editor(a);
    }
    void Close(int a) {
        Arguments(a);
        host.Message(kelvane::kMsgCloseEditor);
    }
    HWND Editor(int a) {
        FindEditor find = {a, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), MatchEditor, reinterpret_cast<LPARAM>(&find));
        return find.found;
    }
    void Send(int message, int a, int slot = 0, int32_t value = 0) {
        Arguments(a, slot, value);
        host.Message(message);
    }
    // Whether the knob sits at `position` on a track: knob stamped at its
    // own size with column 14 on track.left + position.
    bool KnobAt(const Image& shot, RECT track, int position) {
        return SameBlock(shot, track.left + position - 14, track.top, knob, 0, 0, kKnobColumns, knob.height);
    }
    bool ReadoutShows(const Image& shot, RECT box, const char* text) {
        return SameRect(shot, TextOnBackground(host.dll, readoutFont, text, box), box);
    }
};

TEST_F(EditorTest, FullRepaintShowsTheDefaultParameters) {
    const int a = host.NewAssignment(3);
    HWND editor = Open(a);
    ASSERT_NE(editor, nullptr);
    const Image shot = CaptureWindow(editor);
    // Default levels 105 (input) and 27 (generators); 450 Hz is knob position 37.
    EXPECT_TRUE(KnobAt(shot, kInputLevelFader, 105));
    EXPECT_TRUE(KnobAt(shot, kToneLevelFader, 27));
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 37));
    EXPECT_TRUE(SameBlock(shot, 236, 95, knob, 0, 0, kKnobColumns, 15)) << "450 Hz puts the knob centre at x = 250";
    // All sources off: the lamp buttons are the background.
    EXPECT_TRUE(SameRect(shot, main, kInputButton));
    EXPECT_TRUE(SameRect(shot, main, kToneButton));
    EXPECT_TRUE(ReadoutShows(shot, kFrequencyBox, "450.0"));
    EXPECT_TRUE(ReadoutShows(shot, kStartFreqBox, " 20.0")) << "one leading blank";
    EXPECT_FALSE(ReadoutShows(shot, kStartFreqBox, "20.0"));
    EXPECT_TRUE(ReadoutShows(shot, {155, 180, 215, 200}, "20000.0"));
    EXPECT_TRUE(ReadoutShows(shot, kLengthBox, " 30 s"));
    EXPECT_TRUE(ReadoutShows(shot, kTypeBox, "WHITE"));

    if (const char* folder = getenv("KELVANE_SCREENSHOTS")) {
        WriteBmp(shot, std::string(folder) + "\\editor-default.bmp");
        const int32_t busy[][2] = {{14, 1}, {15, 80}, {1, 1}, {2, 90}, {3, 100000}, {5, 1}, {6, 60},
                                   {7, 5000}, {8, 800000}, {9, 1250}, {10, 1}, {11, 40}, {12, 1}};
        for (const auto& s : busy) host.SetSlot(a, s[0], s[1]);
        Open(a);   // an open editor repaints from the live parameters
        WriteBmp(CaptureWindow(editor), std::string(folder) + "\\editor-busy.bmp");
    }
}

TEST_F(EditorTest, TrackLabelNamesInputReturnAndOutputTracks) {
    HFONT hostFont = reinterpret_cast<HFONT>(static_cast<uintptr_t>(host.Get(HostField::hostFont)));
    // The stand-in host has 16 input tracks and outputs from track 24.
    const struct { int32_t track; const char* text; } cases[] = {
        {-1, "- - -"}, {0, "In 01"}, {15, "In 16"}, {16, "Rtn 01"}, {23, "Rtn 08"}, {24, "Out 01"},
    };
    for (const auto& c : cases) {
        const int a = host.NewAssignment(c.track);
        HWND editor = Open(a);
        ASSERT_NE(editor, nullptr);
        const Image shot = CaptureWindow(editor);
        EXPECT_TRUE(SameRect(shot, TextOnBackground(host.dll, hostFont, c.text, kTrackLabel), kTrackLabel))
            << "track " << c.track << " should read " << c.text;
        Close(a);
    }
}

TEST_F(EditorTest, ShowValueDrawsWithoutChangingTheParameters) {
    const int a = host.NewAssignment(2);
    HWND editor = Open(a);
    ASSERT_NE(editor, nullptr);
    const Image before = CaptureWindow(editor);

    Send(kelvane::kMsgShowValue, a, 15, 5);   // a level at the left end
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(SameBlock(shot, 71, 45, knob, 0, 0, kKnobColumns, 15)) << "position 5 puts the knob in columns 71..98";
    EXPECT_TRUE(SameRect(shot, main, {99, 45, 218, 60})) << "the old knob is erased";

    Send(kelvane::kMsgShowValue, a, 3, 100000);   // 1000 Hz: knob position 44, readout 1000.0
    shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 44));
    EXPECT_FALSE(SameRect(shot, before, kFrequencyBox));
    EXPECT_TRUE(ReadoutShows(shot, kFrequencyBox, "1000.0"));

    Send(kelvane::kMsgShowValue, a, 14, 1);
    Send(kelvane::kMsgShowValue, a, 12, 7);
    shot = CaptureWindow(editor);
    EXPECT_TRUE(SameBlock(shot, 15, 40, lampOn, 0, 0, 40, 20));
    EXPECT_TRUE(ReadoutShows(shot, kTypeBox, "PINK")) << "every non-zero type is pink";

    // The TONE level's erase keeps off the FREQUENCY knob at 8 Hz (6), which overhangs the gap between them.
    Send(kelvane::kMsgShowValue, a, 3, 800);
    Send(kelvane::kMsgShowValue, a, 2, 50);
    shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 6));

    // Slots without a control draw nothing.
    for (int slot : {0, 4, 13, 16, 17, -1}) Send(kelvane::kMsgShowValue, a, slot, 1234);
    EXPECT_EQ(DifferencesOutside(shot, CaptureWindow(editor), {0, 0, -1, -1}), 0);

    // A repaint from the live parameters puts everything back: 105 kept them.
    Open(a);
    EXPECT_EQ(DifferencesOutside(before, CaptureWindow(editor), {0, 0, -1, -1}), 0);

    // The identity check: another track's value draws nothing.
    host.trackOf[a] += 1;
    Send(kelvane::kMsgShowValue, a, 15, 5);
    host.trackOf[a] -= 1;
    EXPECT_EQ(DifferencesOutside(before, CaptureWindow(editor), {0, 0, -1, -1}), 0);
}

TEST_F(EditorTest, RedrawChangesTouchesOnlyChangedControls) {
    const int a = host.NewAssignment(5);
    HWND editor = Open(a);
    ASSERT_NE(editor, nullptr);
    // Take the snapshot of the defaults, then change the live copy silently.
    Send(kelvane::kMsgReload, a);
    Send(kelvane::kMsgSetSlot, a, 1, 1);
    Send(kelvane::kMsgSetSlot, a, 2, 60);
    Send(kelvane::kMsgSetSlot, a, 12, 1);
    // Draw the input knob where live says it is not: 102 must leave it alone.
    Send(kelvane::kMsgShowValue, a, 15, 5);
    const Image before = CaptureWindow(editor);

    Send(kelvane::kMsgRedrawChanges, -1);
    const Image after = CaptureWindow(editor);
    EXPECT_TRUE(SameBlock(after, 15, 90, lampOn, 0, 0, 40, 20)) << "ToneButton lit";
    EXPECT_TRUE(KnobAt(after, kToneLevelFader, 60));
    EXPECT_TRUE(SameRect(after, main, {66, 95, 110, 110})) << "old tone knob erased";
    EXPECT_TRUE(SameRect(after, main, kTypeButton));
    EXPECT_TRUE(ReadoutShows(after, kTypeBox, "PINK"));
    EXPECT_TRUE(SameBlock(after, 71, 45, knob, 0, 0, kKnobColumns, 15)) << "unchanged InputLevel not redrawn";

    // Nothing outside the three changed controls moved.
    Image masked = after;
    for (RECT r : {kToneButton, RECT{66, 95, 218, 110}, kTypeButton, kTypeBox}) {
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x) masked.pixels[y * kWidth + x] = before.pixels[y * kWidth + x];
    }
    EXPECT_EQ(DifferencesOutside(before, masked, {0, 0, -1, -1}), 0);

    // A reload puts the stored defaults back into the live copy; 102 moves
    // everything back and the lamp goes out.
    Send(kelvane::kMsgReload, a);
    Send(kelvane::kMsgRedrawChanges, a);
    const Image reloaded = CaptureWindow(editor);
    EXPECT_TRUE(SameRect(reloaded, main, kToneButton));
    EXPECT_TRUE(KnobAt(reloaded, kToneLevelFader, 27));
    EXPECT_TRUE(ReadoutShows(reloaded, kTypeBox, "WHITE"));
}

TEST_F(EditorTest, SetAndApplyThenRedrawLightsLamps) {
    const int a = host.NewAssignment(6);
    HWND editor = Open(a);
    ASSERT_NE(editor, nullptr);
    Send(kelvane::kMsgReload, a);               // snapshot: all lamps off
    host.SetSlot(a, 14, 1);     // message 104 draws nothing by itself
    host.SetSlot(a, 10, 1);
    host.SetSlot(a, 3, 2000000);
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(SameRect(shot, main, kInputButton));
    Send(kelvane::kMsgApplyChanges, a);               // apply the differences and redraw them
    shot = CaptureWindow(editor);
    EXPECT_TRUE(SameBlock(shot, 15, 40, lampOn, 0, 0, 40, 20));
    EXPECT_TRUE(SameBlock(shot, 15, 230, lampOn, 0, 0, 40, 20));
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 70)) << "20000 Hz is the right end";
    EXPECT_TRUE(ReadoutShows(shot, kFrequencyBox, "20000.0"));

    // A closed editor is left alone by the refresh, and reopens with the values.
    Close(a);
    Send(kelvane::kMsgShowValue, a, 14, 0);
    editor = Open(a);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(SameBlock(CaptureWindow(editor), 15, 40, lampOn, 0, 0, 40, 20));
}

TEST_F(EditorTest, PlacementBesideTheReferenceClampedAndRemembered) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND reference = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    const struct { int left, top, expectLeft, expectTop; } cases[] = {
        {100, 120, 140, 160},
        {700, 100, screenWidth - 380 - 4, 140},   // 640 on a 1024-pixel screen
        {50, screenHeight - 200, 90, screenHeight - 300 - 4},
    };
    for (const auto& c : cases) {
        const int a = host.NewAssignment(1);
        SetWindowPos(reference, nullptr, c.left, c.top, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
        HWND editor = Open(a, reference);
        ASSERT_NE(editor, nullptr);
        RECT r;
        GetWindowRect(editor, &r);
        EXPECT_EQ(r.left, c.expectLeft) << "reference left " << c.left;
        EXPECT_EQ(r.top, c.expectTop) << "reference top " << c.top;
        EXPECT_EQ(r.right - r.left, kWidth);
        EXPECT_EQ(r.bottom - r.top, kHeight);
        // Reopening, even beside another reference, keeps the place.
        Close(a);
        EXPECT_EQ(Editor(a), nullptr);
        SetWindowPos(reference, nullptr, 0, 0, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
        editor = Open(a, reference);
        ASSERT_NE(editor, nullptr);
        RECT again;
        GetWindowRect(editor, &again);
        EXPECT_EQ(again.left, r.left);
        EXPECT_EQ(again.top, r.top);
        Close(a);
    }
    // Without a reference: centred, 80 pixels from the top.
    const int a = host.NewAssignment(1);
    HWND editor = Open(a);
    ASSERT_NE(editor, nullptr);
    RECT r;
    GetWindowRect(editor, &r);
    EXPECT_EQ(r.left, (screenWidth - 380) / 2);
    EXPECT_EQ(r.top, 80);
    DestroyWindow(reference);
}

// A restored place off every monitor, or of another size than the window's,
// gives way to the default place and size.
TEST_F(EditorTest, RestoredPlaceOffEveryMonitorGivesWayToTheDefault) {
    const int a = host.NewAssignment(1);
    const int32_t places[][5] = {{-30000, 120, 380, 300, 1}, {150, 120, 200, 100, 1}};   // left, top, width, height, open
    for (const auto& place : places) {
        std::vector<uint8_t> chunk(1100);
        Arguments(a);
        host.Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk.data())));
        host.Message(kelvane::kMsgSaveSettings);   // one entry, its editor closed
        memcpy(&chunk[308 + 68], place, sizeof place);
        host.Message(kelvane::kMsgRestoreSettings);
        RECT r = {};
        GetWindowRect(Editor(a), &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 380) / 2) << "restored left " << place[0];
        EXPECT_EQ(r.top, 80);
        EXPECT_EQ(r.right - r.left, kWidth);
        EXPECT_EQ(r.bottom - r.top, kHeight);
        Close(a);
    }
}

TEST_F(EditorTest, PartlyShownPlaceIsKept) {
    const int a = host.NewAssignment(1);
    SetWindowPos(Open(a), nullptr, -300, -10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Close(a);
    RECT r = {};
    GetWindowRect(Open(a), &r);
    EXPECT_TRUE(r.left == -300 && r.top == -10) << "80 x 290 pixels of it show";
}

// A restored place is kept when 100 x 20 of its pixels lie on a monitor: with
// 101 x 20 showing in the work area's top left corner it is, with 99 x 20 not.
TEST_F(EditorTest, RestoredPlaceNeedsTwoThousandPixelsShown) {
    const int a = host.NewAssignment(1);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (int32_t columns : {101, 99}) {
        const int32_t place[5] = {work.left - (kWidth - columns), work.top - (kHeight - 20), kWidth, kHeight, 1};
        std::vector<uint8_t> chunk(1100);
        Arguments(a);
        host.Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk.data())));
        host.Message(kelvane::kMsgSaveSettings);
        memcpy(&chunk[308 + 68], place, sizeof place);
        host.Message(kelvane::kMsgRestoreSettings);
        RECT r = {};
        GetWindowRect(Editor(a), &r);
        EXPECT_EQ(r.left == place[0] && r.top == place[1], columns == 101) << columns << " x 20 pixels shown";
        Close(a);
    }
}

// ---- Mouse ----------------------------------------------------------------

class EditorMouseTest : public EditorTest {
protected:
    int a = -1;
    HWND editor = nullptr;

    void SetUp() override {
        EditorTest::SetUp();
        a = host.NewAssignment(4);
        editor = Open(a);
        ASSERT_NE(editor, nullptr);
        host.Set(HostField::recordChanges, 1);
        host.commands.clear();
    }
    void Mouse(UINT message, int x, int y) {
        const WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
        SendMessageA(editor, message, keys, MAKELPARAM(x, y));
    }
    // Press at (x, y), move to each x in turn on the same row.
    void Drag(int x, int y, std::initializer_list<int> moves) {
        Mouse(WM_LBUTTONDOWN, x, y);
        for (int to : moves) Mouse(WM_MOUSEMOVE, to, y);
    }
    // A wheel turn over a client point, as the system sends it: the point on the screen.
    void Wheel(int x, int y, int delta, WORD keys = 0) {
        POINT p = {x, y};
        ClientToScreen(editor, &p);
        SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), MAKELPARAM(p.x, p.y));
    }
    static HWND Tip() { return FindWindowA("KELVANE_VALUE_TIP", nullptr); }
    static std::string TipText() {
        char text[80] = {};
        GetWindowTextA(Tip(), text, sizeof text);
        return text;
    }
    std::vector<minihost::HostCommand> Commands() {
        std::vector<minihost::HostCommand> c = host.commands;
        host.commands.clear();
        return c;
    }
    static void ExpectReport(const minihost::HostCommand& c, int slot, int32_t value, int32_t maximum) {
        EXPECT_EQ(c.code, 100);
        EXPECT_EQ(c.slot, slot);
        EXPECT_EQ(c.value, value);
        EXPECT_EQ(c.minimum, 0);
        EXPECT_EQ(c.maximum, maximum);
    }
};

TEST_F(EditorMouseTest, LampsToggleOnThePressAndReportOnce) {
    const Image downOn = DllBitmap(host.dll, "Btn_Dn-On_Bmp");
    const Image downOff = DllBitmap(host.dll, "Btn_Dn-Off_Bmp");
    const struct { RECT button; int slot; } lamps[] = {
        {kInputButton, 14}, {kToneButton, 1}, {{15, 140, 55, 160}, 5}, {{15, 230, 55, 250}, 10},
    };
    for (const auto& lamp : lamps) {
        const int x = lamp.button.right, y = lamp.button.bottom;   // the inclusive corner hits
        Mouse(WM_LBUTTONDOWN, x, y);
        EXPECT_TRUE(SameBlock(CaptureWindow(editor), lamp.button.left, lamp.button.top, downOn, 0, 0, 40, 20));
        auto c = Commands();
        ASSERT_EQ(c.size(), 2u) << "slot " << lamp.slot;
        ExpectReport(c[0], lamp.slot, 1, 1);
        EXPECT_EQ(c[1].code, 23);
        Mouse(WM_LBUTTONUP, 370, 290);   // released away from the button
        EXPECT_TRUE(SameBlock(CaptureWindow(editor), lamp.button.left, lamp.button.top, lampOn, 0, 0, 40, 20));
        EXPECT_TRUE(Commands().empty());

        Mouse(WM_LBUTTONDOWN, x, y);
        EXPECT_TRUE(SameBlock(CaptureWindow(editor), lamp.button.left, lamp.button.top, downOff, 0, 0, 40, 20));
        c = Commands();
        ASSERT_EQ(c.size(), 2u);
        ExpectReport(c[0], lamp.slot, 0, 1);
        Mouse(WM_LBUTTONUP, x, y);
        EXPECT_TRUE(SameRect(CaptureWindow(editor), main, lamp.button));
    }
}

TEST_F(EditorMouseTest, TypeButtonTogglesTheNoiseType) {
    const Image down = DllBitmap(host.dll, "Btn_Dn_Bmp");
    Mouse(WM_LBUTTONDOWN, 240, 230);
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(SameBlock(shot, 240, 230, down, 0, 0, 40, 20));
    EXPECT_TRUE(ReadoutShows(shot, kTypeBox, "PINK"));
    auto c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 12, 1, 1);
    EXPECT_EQ(c[1].code, 23);
    Mouse(WM_LBUTTONUP, 240, 230);
    EXPECT_TRUE(SameRect(CaptureWindow(editor), main, kTypeButton));
    Mouse(WM_LBUTTONDOWN, 280, 250);
    Mouse(WM_LBUTTONUP, 280, 250);
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kTypeBox, "WHITE"));
}

TEST_F(EditorMouseTest, LevelDragCommitsAtReleaseWhileStopped) {
    const Image before = CaptureWindow(editor);
    Drag(80 + 27, 102, {120, 140});   // from position 27 to 60
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kToneLevelFader, 60));
    EXPECT_TRUE(SameRect(shot, main, {66, 95, 125, 110})) << "the uncovered strip is restored";
    EXPECT_EQ(DifferencesOutside(before, shot, {66, 95, 218, 110}), 0) << "only the track is drawn";
    EXPECT_TRUE(Commands().empty()) << "nothing is taken before the release";
    Mouse(WM_LBUTTONUP, 140, 102);
    auto c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 2, 60, 100);
    EXPECT_EQ(c[1].code, 23);
    // Moving left restores the strip on the right.
    Drag(80 + 60, 102, {130, 100});
    shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kToneLevelFader, 20));
    EXPECT_TRUE(SameRect(shot, main, {80 + 20 + 14, 95, 218, 110}));
    Mouse(WM_LBUTTONUP, 100, 102);
    c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 2, 20, 100);
}

TEST_F(EditorMouseTest, DragWhileProcessingReportsEveryStep) {
    host.StartProcessing(a);
    host.commands.clear();
    Drag(80 + 27, 152, {110, 120, 130});   // SweepLevelFader
    auto c = Commands();
    ASSERT_EQ(c.size(), 3u);
    ExpectReport(c[0], 6, 30, 100);
    ExpectReport(c[2], 6, 50, 100);
    Mouse(WM_LBUTTONUP, 130, 152);
    c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 6, 50, 100);
    EXPECT_EQ(c[1].code, 23);
    std::vector<int32_t> buffer(1024, 0);   // the edit reaches the sound: the TONE lamp's in the next buffer
    Mouse(WM_LBUTTONDOWN, 30, 100), Mouse(WM_LBUTTONUP, 30, 100);
    host.Process(a, buffer.data(), 4096, 4);
    EXPECT_NE(*std::max_element(buffer.begin(), buffer.end()), 0);
    Commands();
    // A move that keeps x (a vertical wiggle, a repeated message) reports too.
    Drag(130, 152, {130});
    c = Commands();
    ASSERT_EQ(c.size(), 1u);
    ExpectReport(c[0], 6, 50, 100);
    Mouse(WM_LBUTTONUP, 130, 152);
}

TEST_F(EditorMouseTest, FrequencyFaderEndsAndReadoutFollows) {
    Drag(250, 102, {257});   // position 37 -> 44: 1000 Hz
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kFrequencyBox, "1000.0"));
    Mouse(WM_MOUSEMOVE, 400, 102);   // past the right end
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 70));
    EXPECT_TRUE(ReadoutShows(shot, kFrequencyBox, "20000.0"));
    Mouse(WM_LBUTTONUP, 400, 102);
    auto c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 3, 2000000, 6500);

    Drag(213 + 70, 102, {100});   // past the left end
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kFrequencyBox, "  5.5"));
    Mouse(WM_LBUTTONUP, 100, 102);
    c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 3, 550, 6500);
}

TEST_F(EditorMouseTest, RightClickDuringADragResetsAndEndsIt) {
    Drag(80 + 105, 52, {120, 90});   // InputLevelFader to 15
    EXPECT_TRUE(Commands().empty());
    Mouse(WM_RBUTTONDOWN, 90, 52);
    Image shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kInputLevelFader, 105));
    EXPECT_TRUE(SameRect(shot, main, {66, 45, 170, 60}));
    auto c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 15, 105, 100);
    EXPECT_EQ(c[1].code, 23);
    Mouse(WM_LBUTTONUP, 90, 52);
    EXPECT_TRUE(Commands().empty()) << "the release after a reset changes nothing";

    Drag(250, 102, {220});   // frequency reset goes back to 450 Hz
    Mouse(WM_RBUTTONDOWN, 220, 102);
    shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kFrequencyFader, 37));
    EXPECT_TRUE(ReadoutShows(shot, kFrequencyBox, "450.0"));
    c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 3, 45000, 6500);
    Mouse(WM_LBUTTONUP, 220, 102);
}

TEST_F(EditorMouseTest, ValueTipSaysTheKnobsLevelAndGoesWithTheGesture) {
    Mouse(WM_LBUTTONDOWN, 240, 230);   // pink noise
    Mouse(WM_LBUTTONUP, 240, 230);
    const struct { RECT track; int from, to; const char* text; } cases[] = {
        {kToneLevelFader, 27, 76, "76:  -11.90 dBFS peak"},
        {{80, 145, 190, 160}, 27, 5, "5:  off"},
        {kInputLevelFader, 105, 105, "105:  -0.0035 dB"},
        {{80, 235, 190, 250}, 27, 55, "55:  -24.09 dB  (PINK -41.16 dBFS RMS full band)"},
    };
    for (const auto& c : cases) {
        Drag(c.track.left + c.from, c.track.top + 7, {c.track.left + c.to});
        ASSERT_TRUE(IsWindowVisible(Tip())) << c.text;
        EXPECT_EQ(TipText(), c.text);
        EXPECT_EQ(GetFocus(), editor) << "the tip takes no focus";
        RECT r;
        GetWindowRect(Tip(), &r);
        POINT knob = {c.track.left + c.to, c.track.top};
        ClientToScreen(editor, &knob);
        EXPECT_NEAR((r.left + r.right) / 2, knob.x, 1) << "centred above the knob";
        EXPECT_LT(r.bottom, knob.y);
        const Image tip = minihost::CaptureWindow(Tip(), r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(tip.At(0, 0), 0x686A6Eu);   // the readouts' lit edge and dark well
        EXPECT_EQ(tip.At(1, 1), 0x111214u);
        EXPECT_NE(std::count(tip.pixels.begin(), tip.pixels.end(), 0xFFC0C0C0u) +
                      std::count(tip.pixels.begin(), tip.pixels.end(), 0x00C0C0C0u), 0) << "text in the readout colour";
        Mouse(WM_LBUTTONUP, c.track.left + c.to, c.track.top + 7);
        EXPECT_EQ(Tip(), nullptr) << "gone with the release";
    }
    // Once the track renders 16-bit buffers, the tip gives what they carry.
    host.StartProcessing(a);
    std::vector<int16_t> buffer(2 * 64);
    host.Process(a, buffer.data(), buffer.size() * 2, 2);
    Drag(80 + 76, 102, {80 + 30});
    EXPECT_EQ(TipText(), "30:  -48.23 dBFS peak");
    Mouse(WM_MOUSEMOVE, 80 + 12, 102);
    EXPECT_EQ(TipText(), "12:  silent");
    Mouse(WM_LBUTTONUP, 80 + 12, 102);
    Drag(80 + 55, 242, {80 + 13});   // pink noise passes a 16-bit step about once in two hours
    EXPECT_EQ(TipText(), "13:  -87.76 dB  (PINK silent)");
    Mouse(WM_LBUTTONUP, 80 + 13, 242);
    Drag(80 + 12, 102, {90});
    Mouse(WM_RBUTTONDOWN, 90, 102);
    EXPECT_EQ(Tip(), nullptr) << "gone with the reset";
    Mouse(WM_LBUTTONUP, 90, 102);
    Drag(80 + 27, 102, {90});
    Close(a);
    EXPECT_EQ(Tip(), nullptr) << "gone with the editor";
}

TEST_F(EditorMouseTest, WheelNotchIsOneEditHeldInTheFadersRange) {
    Wheel(120, 102, WHEEL_DELTA);   // tone level 27 -> 28
    auto c = Commands();
    ASSERT_EQ(c.size(), 2u);
    ExpectReport(c[0], 2, 28, 100);
    EXPECT_EQ(c[1].code, 23);
    EXPECT_TRUE(KnobAt(CaptureWindow(editor), kToneLevelFader, 28));
    EXPECT_EQ(TipText(), "28:  -51.07 dBFS peak");
    for (int i = 0; i < 100 && Tip() != nullptr; ++i) {
        Sleep(50);
        minihost::PumpMessages();
    }
    EXPECT_EQ(Tip(), nullptr) << "the tip goes after a moment";
    // FREQUENCY: two notches down in one turn are two table steps, two edits.
    Wheel(250, 102, -2 * WHEEL_DELTA);
    c = Commands();
    ASSERT_EQ(c.size(), 4u);
    ExpectReport(c[0], 3, 40000, 6500);
    ExpectReport(c[2], 3, 35000, 6500);
    EXPECT_EQ(c[3].code, 23);
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kFrequencyBox, "350.0"));
    // At either end a notch changes and reports nothing.
    Wheel(150, 52, WHEEL_DELTA);   // INPUT at the top
    host.SetSlot(a, 6, 5);         // SWEEP at the bottom
    Wheel(150, 152, -WHEEL_DELTA);
    EXPECT_TRUE(Commands().empty());
    Wheel(150, 152, WHEEL_DELTA);
    ExpectReport(Commands().at(0), 6, 6, 100);
    Wheel(120, 102, WHEEL_DELTA, MK_LBUTTON);   // the button still down after the system ended its drag
    EXPECT_TRUE(Commands().empty());
    // Nothing over a lamp, during a drag or with the entry field open.
    Wheel(30, 100, WHEEL_DELTA);
    Drag(80 + 28, 102, {110});
    Wheel(110, 102, WHEEL_DELTA);
    EXPECT_TRUE(Commands().empty());
    Mouse(WM_LBUTTONUP, 110, 102);
    Commands();
    Mouse(WM_LBUTTONDOWN, 330, 100);
    Wheel(120, 102, WHEEL_DELTA);
    SetFocus(editor);
    Mouse(WM_LBUTTONDOWN, 320, 30);   // CLOSE held
    Wheel(120, 102, WHEEL_DELTA);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(EditorMouseTest, HostRefreshOfTheDraggedFaderLeavesOneKnob) {
    Drag(80 + 27, 102, {120});   // TONE level to 40
    Send(kelvane::kMsgSetAndApply, a, 2, 80), Send(kelvane::kMsgShowValue, a, 2, 80);
    EXPECT_EQ(TipText().substr(0, 3), "80:") << "the tip follows the knob";
    Mouse(WM_MOUSEMOVE, 125, 102);   // five more: 85
    const Image shot = CaptureWindow(editor);
    EXPECT_TRUE(KnobAt(shot, kToneLevelFader, 85));
    EXPECT_TRUE(SameRect(shot, main, {66, 95, 80 + 85 - 15, 110})) << "no second knob";
    Send(kelvane::kMsgReload, a), Send(kelvane::kMsgRedrawChanges, a);   // a reload: the stored 27 comes back, and is drawn
    EXPECT_EQ(TipText().substr(0, 3), "27:");
    Mouse(WM_LBUTTONUP, 125, 102);
    ExpectReport(Commands().at(0), 2, 27, 100);
}

// The tip stays whole in the work area, off the knob's row: at the top, right and left edges.
TEST_F(EditorMouseTest, ValueTipStaysInsideTheWorkArea) {
    RECT work, r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    host.SetSlot(a, 12, 1), host.SetSlot(a, 6, 5);   // the long pink-noise tip; SWEEP's "5:  off"
    const struct { int left, top, x, y, delta; } edges[] = {
        {300, -40, 150, 52, 120}, {int(work.right) - 200, 300, 180, 242, 120}, {-70, 300, 85, 152, -120}};
    for (const auto& e : edges) {
        SetWindowPos(editor, nullptr, e.left, e.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Wheel(e.x, e.y, e.delta);
        POINT knob = {e.x, e.y};
        ClientToScreen(editor, &knob);
        ASSERT_TRUE(GetWindowRect(Tip(), &r));
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom &&
                    (r.bottom < knob.y - 7 || r.top > knob.y + 8)) << "editor at " << e.left << ", " << e.top;
    }
}

DWORD WINAPI AnotherProgramToTheFront(LPVOID) {
    HWND front = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(front);
    return DestroyWindow(front) ? 0 : 1;
}

// Releases the system takes elsewhere, with real input: a drag under a host
// move or minimise, a press whose button is up, a held CLOSE hidden.
TEST_F(EditorMouseTest, AGestureEndsWhenTheButtonIsKnownToBeUp) {
    SetWindowPos(editor, nullptr, -150, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Hands(editor, 80 + 80, 102, {MOUSEEVENTF_LEFTDOWN}), minihost::PumpMessages();
    Hands(editor, 150, 102, {MOUSEEVENTF_LEFTUP}), minihost::PumpMessages();   // where the cursor stopped
    EXPECT_EQ(Commands().at(0).value, 27) << "a knob off the screen's edge stays where it is";
    host.StartProcessing(a);
    for (int way : {0, 1, 2}) {   // the host moves or minimises it, another window comes to the front
        SetWindowPos(editor, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Hands(editor, 80 + 27, 102, {MOUSEEVENTF_LEFTDOWN}), minihost::PumpMessages();
        Hands(editor, 80 + 40, 102, {}), minihost::PumpMessages(), Commands();
        if (way == 0) SetWindowPos(editor, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (way == 1) ShowWindow(editor, SW_MINIMIZE);
        HANDLE other = way == 2 ? CreateThread(nullptr, 0, AnotherProgramToTheFront, nullptr, 0, nullptr) : nullptr;
        while (other != nullptr && MsgWaitForMultipleObjects(1, &other, FALSE, 5000, QS_ALLINPUT) != WAIT_OBJECT_0) {
            minihost::PumpMessages();
        }
        const auto c = Commands();
        RECT clip;
        GetClipCursor(&clip);
        ASSERT_EQ(c.size(), 2u) << "ended as by a release";
        ExpectReport(c[0], 2, 40, 100);
        EXPECT_TRUE(c[1].code == 23 && Tip() == nullptr && clip.right - clip.left == GetSystemMetrics(SM_CXSCREEN));
        ShowWindow(editor, SW_RESTORE);
        Hands(editor, 80, 102, {MOUSEEVENTF_LEFTUP}), Hands(editor, 185, 102, {}), minihost::PumpMessages();
        EXPECT_TRUE(Commands().empty()) << "the button up, the pointer edits nothing";
        SetForegroundWindow(editor);
    }
    Mouse(WM_LBUTTONDOWN, 80 + 27, 102);   // the real button is up: the next real move ends the drag
    Hands(editor, 150, 102, {}), minihost::PumpMessages();
    EXPECT_EQ(Commands().at(1).code, 23);
    Hands(editor, 320, 30, {MOUSEEVENTF_LEFTDOWN}), minihost::PumpMessages();
    ShowWindow(editor, SW_HIDE), ShowWindow(editor, SW_SHOWNOACTIVATE);
    Hands(editor, 320, 30, {MOUSEEVENTF_LEFTUP}), minihost::PumpMessages();
    EXPECT_TRUE(Editor(a) != nullptr && SameRect(CaptureWindow(editor), main, {310, 20, 350, 40})) << "CLOSE lost";
    Drag(80 + 27, 102, {80 + 45}), Commands(), Close(a);   // the host heard the steps, so it hears the end
    EXPECT_EQ(Commands().at(0).code, 23);
}

// Two editors: fine wheel turns (real input) count per fader, editor and
// direction; B's drag moved and released through A is B's; the tip is one gesture's.
TEST_F(EditorMouseTest, TwoEditorsKeepTheirWheelsDragsAndTips) {
    const int b = host.NewAssignment(9);
    HWND other = Open(b);
    SetWindowPos(other, nullptr, 0, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& turn : {std::pair<HWND, int>{editor, 60}, {other, 60}, {other, 40}, {other, -120}, {other, 60},
                             {other, 60}}) {
        SetFocus(turn.first), Hands(turn.first, 120, 102, {});
        INPUT in = {INPUT_MOUSE, {}};
        in.mi.dwFlags = MOUSEEVENTF_WHEEL, in.mi.mouseData = turn.second;
        SendInput(1, &in, sizeof in), minihost::PumpMessages();
    }
    auto c = Commands();
    ASSERT_EQ(c.size(), 4u) << "halves in two editors nothing, +40 -120 one back, two halves one on";
    EXPECT_TRUE(c[0].assignment == b && c[0].value == 26 && c[2].value == 27);
    SendMessageA(other, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80 + 27, 102));
    POINT p = {80 + 50, 102};
    MapWindowPoints(other, editor, &p, 1);
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    c = Commands();
    ExpectReport(c.at(0), 2, 50, 100);
    EXPECT_EQ(c[0].assignment, b);
    Wheel(120, 102, WHEEL_DELTA);   // a notch's tip, then a drag held past its time
    Hands(editor, 80 + 28, 102, {MOUSEEVENTF_LEFTDOWN});
    for (int i = 0; i < 40; ++i) Sleep(50), minihost::PumpMessages();
    EXPECT_NE(Tip(), nullptr);
    Hands(editor, 80 + 28, 102, {MOUSEEVENTF_LEFTUP}), minihost::PumpMessages();
    Wheel(120, 102, WHEEL_DELTA);   // a notch here, a drag there: the tip is the drag's
    SendMessageA(other, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80 + 50, 102));
    Close(a);
    EXPECT_NE(Tip(), nullptr);
    Close(b);
    EXPECT_EQ(Tip(), nullptr);
}

WNDPROC s_editorProc = nullptr;
int s_moveLoops = 0;

LRESULT CALLBACK CountMoveLoops(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERSIZEMOVE) ++s_moveLoops;
    return CallWindowProcA(s_editorProc, window, message, wParam, lParam);
}

TEST_F(EditorMouseTest, RightClickAndBackgroundMoveTheWindow) {
    s_editorProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountMoveLoops)));
    s_moveLoops = 0;
    // The system's move loop runs until the left button goes up; a release
    // waiting in the queue ends it at once.
    const POINT presses[] = {{370, 150}, {260, 30}, {330, 240}};   // panel, TrackLabel, TypeBox
    for (POINT p : presses) {
        PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        Mouse(WM_LBUTTONDOWN, p.x, p.y);
        minihost::PumpMessages();
        EXPECT_TRUE(Commands().empty());
        EXPECT_EQ(GetFocus(), editor);
    }
    EXPECT_EQ(s_moveLoops, 3);
    PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(370, 150));
    SendMessageA(editor, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(370, 150));
    minihost::PumpMessages();
    auto c = Commands();
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].code, 19);
    host.StartProcessing(a);
    host.commands.clear();
    PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(370, 150));
    SendMessageA(editor, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(370, 150));
    minihost::PumpMessages();
    c = Commands();
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].code, 22);
    // Typed characters without an entry box are ignored.
    const Image before = CaptureWindow(editor);
    SendMessageA(editor, WM_CHAR, '5', 0);
    EXPECT_EQ(DifferencesOutside(before, CaptureWindow(editor), {0, 0, -1, -1}), 0);
    EXPECT_TRUE(Commands().empty());
}

// ---- Typed entry ----------------------------------------------------------

class EditorEntryTest : public EditorMouseTest {
protected:
    HWND Field() { return FindWindowExA(editor, nullptr, "EDIT", nullptr); }
    std::string FieldText() {
        char text[80] = {};
        GetWindowTextA(Field(), text, sizeof text);
        return text;
    }
    // Types the text and the closing character as the keyboard sends them,
    // over whatever the field selected itself when it opened.
    void Type(const char* text, char last) {
        HWND field = Field();
        for (unsigned char c : std::string(text) + last) {
            SendMessageA(field, WM_KEYDOWN, LOBYTE(VkKeyScanA(c)), 1);
            SendMessageA(field, WM_CHAR, c, 1);
        }
        minihost::PumpMessages();
    }
};

TEST_F(EditorEntryTest, TypedValuesAreClampedTruncatedAndReported) {
    const struct { POINT at; const char* typed; char key; int slot; int32_t stored, minimum, maximum; RECT box;
                   const char* shown; } cases[] = {
        {{330, 100}, "25000", '\r', 3, 2000000, 550, 2000000, kFrequencyBox, "20000.0"},
        {{80, 180}, "abc", '\r', 7, 550, 550, 2000000, kStartFreqBox, "  5.5"},
        {{360, 110}, "8.2", '\t', 3, 819, 550, 2000000, kFrequencyBox, "  8.2"},
        {{260, 190}, "2.3", '\r', 9, 229, 100, 30000, kLengthBox, "  2 s"},
        {{260, 190}, "0.5", '\r', 9, 100, 100, 30000, kLengthBox, "  1 s"},
        {{260, 190}, "10", '\r', 9, 1000, 100, 30000, kLengthBox, " 10 s"},   // typed over "  1.0"
        {{215, 200}, " 1e3", '\r', 8, 100000, 550, 2000000, {155, 180, 215, 200}, "1000.0"},
    };
    for (const auto& c : cases) {
        Mouse(WM_LBUTTONDOWN, c.at.x, c.at.y);
        Mouse(WM_LBUTTONUP, c.at.x, c.at.y);
        ASSERT_NE(Field(), nullptr) << c.typed;
        EXPECT_EQ(GetFocus(), Field());
        Type(c.typed, c.key);
        EXPECT_EQ(Field(), nullptr) << "Enter and Tab commit and close the field";
        const auto commands = Commands();
        ASSERT_EQ(commands.size(), 2u) << c.typed;
        EXPECT_EQ(commands[0].code, 100);
        EXPECT_EQ(commands[0].slot, c.slot);
        EXPECT_EQ(commands[0].value, c.stored) << c.typed;
        EXPECT_EQ(commands[0].minimum, c.minimum);
        EXPECT_EQ(commands[0].maximum, c.maximum);
        EXPECT_EQ(commands[1].code, 23);
        EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), c.box, c.shown)) << c.typed;
    }
    // 8.2 Hz is entry 1 (8 Hz) of the frequency table: knob position 6, overhanging the track.
    EXPECT_TRUE(KnobAt(CaptureWindow(editor), kFrequencyFader, 6));
}

// A host may set a locale whose decimal mark is a comma; typed numbers still
// take the point, a comma still ends the number, and the readout and the field
// show the point.
TEST_F(EditorEntryTest, TypedNumbersReadTheSameInACommaLocale) {
    ASSERT_NE(setlocale(LC_ALL, "German_Germany.1252"), nullptr);
    for (const auto& [typed, stored] : {std::pair{"440.5", 44050}, std::pair{"440,5", 44000}}) {
        Mouse(WM_LBUTTONDOWN, 330, 100);
        Mouse(WM_LBUTTONUP, 330, 100);
        Type(typed, '\r');
        EXPECT_EQ(Commands().at(0).value, stored) << typed;
    }
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kFrequencyBox, "440.0")) << "the readout shows the point too";
    Mouse(WM_LBUTTONDOWN, 330, 100);
    EXPECT_EQ(FieldText(), "440.0");
    setlocale(LC_ALL, "C");
}

TEST_F(EditorEntryTest, FieldShowsTheValueAndCancelsWithoutStoring) {
    const int b = host.NewAssignment(9);
    HWND other = Open(b);
    ASSERT_NE(other, nullptr);
    Mouse(WM_LBUTTONDOWN, 300, 90);
    ASSERT_NE(Field(), nullptr);
    EXPECT_EQ(FieldText(), "450.0");
    HWND field = Field();
    // Escape has no meaning: the field stays open.
    SendMessageA(field, WM_CHAR, 27, 1);
    EXPECT_EQ(Field(), field);
    // A second value box, here or in another editor, opens nothing.
    Mouse(WM_LBUTTONDOWN, 260, 190);
    EXPECT_EQ(Field(), field);
    SendMessageA(other, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(330, 100));
    EXPECT_EQ(FindWindowExA(other, nullptr, "EDIT", nullptr), nullptr);
    SendMessageA(other, WM_CHAR, '\r', 1);   // Enter in the other editor is not for this field
    EXPECT_EQ(Field(), field);
    // Keyboard input moving away discards the typed text.
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CHAR, '9', 1);
    SetFocus(editor);
    minihost::PumpMessages();
    EXPECT_EQ(Field(), nullptr);
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(ReadoutShows(CaptureWindow(editor), kFrequencyBox, "450.0"));
    // The start frequency shows its leading blank in the field.
    Mouse(WM_LBUTTONDOWN, 100, 190);
    EXPECT_EQ(FieldText(), " 20.0");
    // Closing the editor with a field open leaves no field behind: the next
    // opening can open one again.
    Close(a);
    editor = Open(a);
    Mouse(WM_LBUTTONDOWN, 100, 190);
    EXPECT_NE(Field(), nullptr);
}

WNDPROC s_hostProc = nullptr;
std::function<void(UINT, WPARAM)> s_onCommand;

LRESULT CALLBACK HostClosesOnReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(s_hostProc, window, message, wParam, lParam);
    s_onCommand(message, wParam);
    return result;
}

TEST_F(EditorEntryTest, CommitInAnEditorTheHostClosedDrawsNothing) {
    HWND other = Open(host.NewAssignment(9));
    s_onCommand = [this](UINT message, WPARAM code) { if (message == host.commandMessage && code == 100) Close(a); };
    s_hostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostClosesOnReport)));
    Mouse(WM_LBUTTONDOWN, 330, 100);
    SendMessageA(Field(), WM_CHAR, '\r', 1);
    EXPECT_EQ(Editor(a), nullptr);
    EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE)) << "no other window is marked for repainting";
}

// ---- Menu and about view ---------------------------------------------------

struct MenuScript {
    std::vector<std::string> items;
    std::vector<UINT> ids;
    int downs = 0;          // arrow presses before Enter; -1 dismisses with Escape
    bool chosen = false;
    HWND editor = nullptr;
    Image aboutShot;
    bool aboutSeen = false;
    bool tipDuringAbout = false;
    HBITMAP aboutBitmap = nullptr;
};
MenuScript s_menu;
WNDPROC s_aboutEditorProc = nullptr;

// Runs inside the menu's own loop: reads the items and chooses one by keys.
void CALLBACK DriveMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr || s_menu.chosen) return;
    KillTimer(nullptr, timer);
    s_menu.chosen = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        s_menu.items.push_back(text);
        s_menu.ids.push_back(GetMenuItemID(menu, i));
    }
    if (s_menu.downs < 0) {
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    for (int i = 0; i < s_menu.downs; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    InvalidateRect(s_menu.editor, nullptr, FALSE);
}

// Sees the editor's paints; once the about view is up, keeps a picture of
// it and presses a key, which ends the view.
LRESULT CALLBACK WatchAboutView(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(s_aboutEditorProc, window, message, wParam, lParam);
    if (message == WM_PAINT && s_menu.chosen && !s_menu.aboutSeen) {
        s_menu.aboutShot = CaptureWindow(window);
        s_menu.aboutSeen = true;
        s_menu.tipDuringAbout = FindWindowA("KELVANE_VALUE_TIP", nullptr) != nullptr;
        PostMessageA(window, WM_KEYDOWN, 'A', 0);
    }
    return result;
}

TEST_F(EditorMouseTest, MenuOnTheLogoOffersItsItemsAndShowsTheAboutView) {
    s_menu = MenuScript{};
    s_menu.editor = editor;
    s_menu.downs = 2;   // Help, About
    s_aboutEditorProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchAboutView)));
    Wheel(120, 102, WHEEL_DELTA);   // a wheel tip, which the about view's loop would keep past its timer
    Commands();
    const Image before = CaptureWindow(editor);
    SetTimer(nullptr, 0, 100, DriveMenu);
    Mouse(WM_LBUTTONDOWN, 115, 285);
    EXPECT_FALSE(s_menu.chosen) << "the menu opens on the release";
    Mouse(WM_LBUTTONUP, 115, 285);
    ASSERT_TRUE(s_menu.chosen);
    const std::vector<std::string> items = {"Help", "About", "", "Load Preset...", "Save Preset..."};
    const std::vector<UINT> ids = {5006, 5004, 0, 5000, 5002};
    EXPECT_EQ(s_menu.items, items);
    EXPECT_EQ(s_menu.ids, ids);
    ASSERT_TRUE(s_menu.aboutSeen);
    EXPECT_FALSE(s_menu.tipDuringAbout);
    if (const char* folder = getenv("KELVANE_SCREENSHOTS")) {
        WriteBmp(s_menu.aboutShot, std::string(folder) + "\\editor-about.bmp");
    }
    // The about panel with the version of the DLL's own version resource.
    LOGFONTA font = {};
    font.lfHeight = 14;
    lstrcpyA(font.lfFaceName, "Arial");
    HFONT arial = CreateFontIndirectA(&font);
    const Image versionOnPanel = TextOnBitmap(host.dll, "About_Box_Bmp", arial, "\n\n\nVersion 1.0 (build 12)\r\n",
                                              {0, 0, 380, 300}, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    DeleteObject(arial);
    // The version line sits on the fourth line of text; the maker line and
    // the prompt follow below it.
    EXPECT_TRUE(SameRect(s_menu.aboutShot, versionOnPanel, {0, 0, 379, 55}));
    // The key press ended the view; the controls are back.
    minihost::PumpMessages();
    EXPECT_EQ(DifferencesOutside(before, CaptureWindow(editor), {0, 0, -1, -1}), 0);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(EditorMouseTest, LogoWhileProcessingMovesTheWindowInstead) {
    s_editorProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountMoveLoops)));
    s_moveLoops = 0;
    s_menu = MenuScript{};
    s_menu.downs = -1;
    SetTimer(nullptr, 0, 100, DriveMenu);
    Mouse(WM_LBUTTONDOWN, 200, 270);   // no item: Escape
    Mouse(WM_LBUTTONUP, 200, 270);
    EXPECT_TRUE(s_menu.chosen) << "stopped: the logo opens the menu";
    host.StartProcessing(a);
    s_menu = MenuScript{};
    PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(200, 270));
    Mouse(WM_LBUTTONDOWN, 200, 270);
    minihost::PumpMessages();
    Mouse(WM_LBUTTONUP, 200, 270);
    minihost::PumpMessages();
    EXPECT_FALSE(s_menu.chosen) << "running: no menu";
    EXPECT_NE(Editor(a), nullptr);
    // Only ProcessingMode 0 offers the menu: 2 (from message 2) moves the window.
    s_menu = MenuScript{};
    s_menu.downs = -1;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, DriveMenu);
    host.Set(HostField::assignmentArg, a);
    host.Set(HostField::processingFlag, 2);
    host.Message(kelvane::kMsgStart);
    PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(200, 270));
    Mouse(WM_LBUTTONDOWN, 200, 270);
    minihost::PumpMessages();
    Mouse(WM_LBUTTONUP, 200, 270);
    minihost::PumpMessages();
    EXPECT_FALSE(s_menu.chosen) << "processing mode 2: no menu";
    EXPECT_EQ(s_moveLoops, 2) << "a move while running and in mode 2, none while stopped";
    KillTimer(nullptr, timer);
}

TEST_F(EditorMouseTest, CloseButtonClosesAtTheRelease) {
    const Image down = DllBitmap(host.dll, "Btn_Dn_Bmp");
    Mouse(WM_LBUTTONDOWN, 310, 20);
    EXPECT_TRUE(SameBlock(CaptureWindow(editor), 310, 20, down, 0, 0, 40, 20));
    EXPECT_NE(Editor(a), nullptr);
    Mouse(WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Editor(a), nullptr);
    EXPECT_TRUE(Commands().empty());
}

HWND s_otherEditor = nullptr;

// Once the about view is up: the other editor's lamp clicked and its TONE
// level dragged, Alt, a click on this editor's INPUT lamp, Escape.
LRESULT CALLBACK UseTheOtherEditor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(s_aboutEditorProc, window, message, wParam, lParam);
    if (message == WM_PAINT && s_menu.chosen && !s_menu.aboutSeen) {
        s_menu.aboutSeen = true;
        Hands(s_otherEditor, 35, 100, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
        Hands(s_otherEditor, 80 + 27, 102, {MOUSEEVENTF_LEFTDOWN});
        Hands(s_otherEditor, 80 + 47, 102, {MOUSEEVENTF_LEFTUP});
        keybd_event(VK_MENU, 0, 0, 0), keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
        Hands(window, 35, 50, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
        keybd_event(VK_ESCAPE, 0, 0, 0), keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    }
    return result;
}

TEST_F(EditorMouseTest, TwoEditorsEachKeepTheirOwnGestures) {
    const int b = host.NewAssignment(9);
    s_otherEditor = Open(b);
    SetWindowPos(s_otherEditor, nullptr, 0, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // CLOSE held, the right button pressed: the move loop takes the left release.
    Hands(editor, 320, 30, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP});
    minihost::PumpMessages();
    EXPECT_TRUE(SameRect(CaptureWindow(editor), main, {310, 20, 350, 40})) << "CLOSE drawn released, armed no more";
    EXPECT_EQ(Commands().size(), 1u);
    // The about view here; the other editor used meanwhile.
    s_menu = MenuScript{};
    s_menu.editor = editor;
    s_menu.downs = 2;   // About
    s_aboutEditorProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UseTheOtherEditor)));
    SetTimer(nullptr, 0, 100, DriveMenu);
    Mouse(WM_LBUTTONDOWN, 115, 285);
    Mouse(WM_LBUTTONUP, 115, 285);
    minihost::PumpMessages();
    EXPECT_TRUE(SameBlock(CaptureWindow(s_otherEditor), 15, 90, lampOn, 0, 0, 40, 20)) << "lamp released";
    const auto c = Commands();
    ASSERT_EQ(c.size(), 6u) << "the other's lamp and level, then, Alt having ended the view, this INPUT lamp";
    EXPECT_TRUE(c[0].assignment == b && c[2].assignment == b && c[2].value == 47 && c[4].assignment == a);
}

}  // namespace
