// A host's long session with the real KelvaneFx.dll: reloads, editors opened
// and closed by the hundred, and calls in an order the host may choose. What
// a leak would grow must not grow.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "resource_counts.h"
#include "stand_in_host.h"
#include "wine_test_util.h"

namespace {

using minihost::HostField;
using minihost::StandInHost;

const bool s_x11 = UseTestX11Settings();
const bool s_libraries = (KeepSystemLibrariesLoaded(), true);
constexpr int kFrames = 512;
const char* const kClassNames[] = {"FX_PLUGIN", "FX_PLUGIN_MSG", "KELVANE_VALUE_TIP"};

// Message 6 (open) or 7 (close) for assignment a.
void Editor(StandInHost& host, int message, int a) {
    host.Set(HostField::assignmentArg, a);
    host.Set(HostField::slotArg, 0);
    host.Message(message);
}

// One buffer of assignment 3, rendered on a thread of its own.
struct ThreadRender {
    StandInHost* host;
    std::vector<int32_t> buffer = std::vector<int32_t>(2 * kFrames, 0);
};

DWORD WINAPI RenderOnThread(void* job) {
    auto* j = static_cast<ThreadRender*>(job);
    j->host->Process(3, j->buffer.data(), 8 * kFrames, 4);
    return 0;
}

std::vector<int32_t> RenderOnNewThread(StandInHost& host) {
    ThreadRender job{&host};
    HANDLE thread = CreateThread(nullptr, 0, RenderOnThread, &job, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return job.buffer;
}

// Load, eight assignments with white noise and open editors, a buffer each on
// this thread and on a new one, message 1, unload.
void LoadUseUnload(const std::string& dll) {
    StandInHost host;
    ASSERT_EQ(host.Start(dll.c_str()), "");
    const HMODULE module = host.dll;
    std::vector<int32_t> buffer(2 * kFrames, 0);
    for (int i = 0; i < 8; ++i) {
        const int a = host.NewAssignment(20 + i);
        ASSERT_EQ(a, i);
        host.SetSlot(a, 10, 1);   // noise on, white
        host.SetSlot(a, 1, 1);    // tone on
        Editor(host, kelvane::kMsgOpenEditor, a);
        host.StartProcessing(a);
        host.Process(a, buffer.data(), 8 * kFrames, 4);
    }
    RenderOnNewThread(host);
    minihost::PumpMessages();
    host.Stop();
    minihost::PumpMessages();
    for (const char* name : kClassNames) {
        WNDCLASSA wc;
        EXPECT_FALSE(GetClassInfoA(module, name, &wc)) << name << " still registered after the unload";
    }
}

TEST(LongSession, LoadUnloadCyclesLeakNothing) {
    for (int i = 0; i < 3; ++i) LoadUseUnload(PluginPath());
    const ResourceCounts before = ResourceCounts::Take();
    constexpr int kCycles = 30;
    for (int i = 0; i < kCycles; ++i) LoadUseUnload(PluginPath());
    const ResourceCounts after = ResourceCounts::Take();
    EXPECT_TRUE(after.SameAs(before)) << after.GrowthSince(before, kCycles);
}

HWND FindEditor(int a);

TEST(LongSession, EditorOpenCloseCyclesLeakNothing) {
    StandInHost host;
    ASSERT_EQ(host.Start(PluginPath().c_str()), "");
    for (int i = 0; i < 8; ++i) ASSERT_EQ(host.NewAssignment(i), i);
    auto cycle = [&](int i) {
        Editor(host, kelvane::kMsgOpenEditor, i % 8);
        Editor(host, kelvane::kMsgOpenEditor, (i * 3) % 8);
        minihost::PumpMessages();
        // A drag's value tip and a wheel notch's, both closed with their editors.
        SendMessageA(FindEditor(i % 8), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 102));
        RECT r;
        GetWindowRect(FindEditor((i * 3) % 8), &r);
        SendMessageA(FindEditor((i * 3) % 8), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(r.left + 150, r.top + 52));
        Editor(host, kelvane::kMsgCloseEditor, i % 8);
        Editor(host, kelvane::kMsgCloseEditor, (i * 3) % 8);
        minihost::PumpMessages();
    };
    for (int i = 0; i < 16; ++i) cycle(i);
    const ResourceCounts before = ResourceCounts::Take();
    constexpr int kCycles = 320;
    for (int i = 0; i < kCycles; ++i) cycle(i);
    const ResourceCounts after = ResourceCounts::Take();
    EXPECT_TRUE(after.SameAs(before)) << after.GrowthSince(before, kCycles);
    host.Stop();
}

HWND FindEditor(int a) {
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, "FX_PLUGIN", nullptr)) != nullptr) {
        if (GetWindowLongA(w, 0) == a) return w;
    }
    return nullptr;
}

bool s_menuSeen = false;
// Runs inside a menu's own loop and dismisses it with Escape.
void CALLBACK CancelMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) return;
    s_menuSeen = true;
    PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Editors A and B; a press on A's tone level fader or on its logo; the host
// closes A (message 7, or 9) or restores A's settings over it (message 10).
// The gesture ends with A: a move and a release in B change and report
// nothing and open no menu, the cursor is free again and no capture is left.
TEST(LongSession, ClosingAnEditorEndsItsGesture) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelMenu);
    for (int closing : {kelvane::kMsgCloseEditor, kelvane::kMsgReleaseAssignment, kelvane::kMsgRestoreSettings}) {
        for (int y : {102, 275}) {
            StandInHost host;
            ASSERT_EQ(host.Start(PluginPath().c_str()), "");
            host.Set(HostField::recordChanges, 1);
            const int a = host.NewAssignment(1), b = host.NewAssignment(2);
            Editor(host, kelvane::kMsgOpenEditor, a);
            Editor(host, kelvane::kMsgOpenEditor, b);
            HWND editorA = FindEditor(a), editorB = FindEditor(b);
            ASSERT_TRUE(editorA != nullptr && editorB != nullptr);
            std::vector<uint8_t> chunk(1100);   // A's settings, for message 10
            host.Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk.data())));
            host.Set(HostField::assignmentArg, a);
            host.Message(kelvane::kMsgSaveSettings);
            SendMessageA(editorA, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, y));
            RECT clip;
            GetClipCursor(&clip);
            if (y == 102) {
                EXPECT_EQ(clip.bottom - clip.top, 2) << "the drag confines the cursor";
            }
            host.Set(HostField::assignmentArg, a);
            host.Message(closing);
            GetClipCursor(&clip);
            EXPECT_GE(clip.right - clip.left, GetSystemMetrics(SM_CXSCREEN)) << "message " << closing;
            EXPECT_EQ(GetCapture(), nullptr);
            EXPECT_EQ(FindWindowA("KELVANE_VALUE_TIP", nullptr), nullptr) << "the drag's value tip goes with A";
            s_menuSeen = false;
            SendMessageA(editorB, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, y));
            SendMessageA(editorB, WM_LBUTTONUP, 0, MAKELPARAM(30, y));
            EXPECT_TRUE(host.commands.empty()) << "message " << closing << ", row " << y;
            EXPECT_FALSE(s_menuSeen);
            host.Stop();
        }
    }
    KillTimer(nullptr, timer);
}

// A host that unloads the library without message 1 leaves no window class
// of it behind.
TEST(LongSession, UnloadWithoutMessage1UnregistersTheClasses) {
    StandInHost host;
    ASSERT_EQ(host.Start(PluginPath().c_str()), "");
    const HMODULE module = host.dll;
    FreeLibrary(host.dll);
    host.dll = nullptr;
    for (const char* name : kClassNames) {
        WNDCLASSA wc;
        EXPECT_FALSE(GetClassInfoA(module, name, &wc)) << name << " still registered after the unload";
    }
    host.Stop();
}

// A second FxInit replaces the bitmaps and the font of the first.
TEST(LongSession, RepeatedFxInitLeaksNothing) {
    StandInHost host;
    ASSERT_EQ(host.Start(PluginPath().c_str()), "");
    const ResourceCounts before = ResourceCounts::Take();
    constexpr int kCycles = 5;
    for (int i = 0; i < kCycles; ++i) host.fxInit(host.hostInfo);
    const ResourceCounts after = ResourceCounts::Take();
    EXPECT_TRUE(after.SameAs(before)) << after.GrowthSince(before, kCycles);
    host.Stop();
}

// Each rendering thread has a white-noise sequence of its own, starting at 1:
// two new threads render the same first buffer.
TEST(LongSession, EachRenderingThreadStartsItsOwnWhiteNoise) {
    StandInHost host;
    ASSERT_EQ(host.Start(PluginPath().c_str()), "");
    for (int i = 0; i < 4; ++i) host.NewAssignment(i);
    host.SetSlot(3, 10, 1);   // white noise alone
    host.StartProcessing(3);
    const std::vector<int32_t> first = RenderOnNewThread(host);
    EXPECT_NE(first, std::vector<int32_t>(2 * kFrames, 0));
    EXPECT_EQ(RenderOnNewThread(host), first);
    host.Stop();
}

// A host may render before it has called FxInit: the buffer stays as it was.
TEST(LongSession, ProcessBufferBeforeInitLeavesTheBuffer) {
    HMODULE dll = LoadLibraryA(PluginPath().c_str());
    ASSERT_NE(dll, nullptr);
    auto process = reinterpret_cast<void(__stdcall*)(int, void*)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "FxProcessBuffer")));
    ASSERT_NE(process, nullptr);
    std::vector<int32_t> buffer(2 * kFrames, 12345);
    process(0, buffer.data());
    EXPECT_EQ(buffer, std::vector<int32_t>(2 * kFrames, 12345));
    FreeLibrary(dll);
}

}  // namespace
