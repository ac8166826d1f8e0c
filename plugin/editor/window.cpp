// The editor windows: the window classes, opening, placement and closing,
// and the host's side of the editor seam.
#include "window.h"

#include "assignments.h"
#include "editor.h"
#include "entry.h"
#include "gesture.h"
#include "host_state.h"
#include "skin.h"
#include "tip.h"

namespace kelvane {

namespace {

constexpr char kMessageClassName[] = "FX_PLUGIN_MSG";
constexpr char kEditorClassName[] = "FX_PLUGIN";
constexpr int kReferenceOffset = 40;   // a new editor sits this far right of and below the host's window
constexpr int kScreenMargin = 4;
constexpr int kCentredTop = 80;
// A remembered window counts as reachable when this many of its pixels lie
// in one monitor's work area: enough to see it and to take it with a press
// (any right press, or a left press on the panel, moves it).
constexpr int kReachablePixels = 100 * 20;
// Farther from the origin than this no monitor lies; the sums below stay small.
constexpr int32_t kFarthestCoordinate = 1 << 20;

void RegisterClasses(WNDPROC editorProc) {
    WNDCLASSA messageClass = {};
    messageClass.style = CS_BYTEALIGNCLIENT | CS_SAVEBITS;
    messageClass.lpfnWndProc = DefWindowProcA;
    messageClass.hInstance = g_editor.module;
    messageClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    messageClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    messageClass.lpszClassName = kMessageClassName;
    RegisterClassA(&messageClass);

    WNDCLASSA editorClass = {};
    editorClass.style = CS_BYTEALIGNCLIENT | CS_OWNDC;
    editorClass.lpfnWndProc = editorProc;
    editorClass.cbWndExtra = sizeof(LONG);   // the assignment index
    editorClass.hInstance = g_editor.module;
    editorClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    editorClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    editorClass.lpszClassName = kEditorClassName;
    RegisterClassA(&editorClass);
    RegisterTipClass();
}

EditorPlacement FirstPlacement(HWND reference) {
    EditorPlacement p = {0, 0, g_editor.mainWidth, g_editor.mainHeight};
    RECT r;
    if (reference != nullptr && GetWindowRect(reference, &r)) {
        p.left = r.left + kReferenceOffset;
        p.top = r.top + kReferenceOffset;
    } else {
        p.top = kCentredTop;
        p.left = (g_editor.screenWidth - p.width) / 2;
    }
    if (p.left + p.width > g_editor.screenWidth) p.left = g_editor.screenWidth - p.width - kScreenMargin;
    if (p.top + p.height > g_editor.screenHeight) p.top = g_editor.screenHeight - p.height - kScreenMargin;
    return p;
}

struct MonitorSearch {
    RECT window;
    bool reachable;
};

// [UI thread] Called for each monitor until enough of the window lies in its
// work area.
BOOL CALLBACK FindReachingMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto* search = reinterpret_cast<MonitorSearch*>(context);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT shown;
    if (GetMonitorInfoA(monitor, &info) && IntersectRect(&shown, &search->window, &info.rcWork)) {
        search->reachable = (shown.right - shown.left) * (shown.bottom - shown.top) >= kReachablePixels;
    }
    return search->reachable ? FALSE : TRUE;
}

// Whether a remembered place (closing, or a settings chunk, which may come
// from another studio's screens or from a monitor since unplugged) is the
// editor's own size and on a monitor. A borderless window with no taskbar
// button placed anywhere else could be neither seen nor moved; a partly
// shown one is where the user put it. Any monitor counts, left-hand ones with
// negative coordinates included.
bool IsReachablePlacement(const EditorPlacement& p) {
    if (p.width != g_editor.mainWidth || p.height != g_editor.mainHeight) return false;
    if (p.left < -kFarthestCoordinate || p.left > kFarthestCoordinate || p.top < -kFarthestCoordinate ||
        p.top > kFarthestCoordinate) {
        return false;
    }
    MonitorSearch search = {{p.left, p.top, p.left + p.width, p.top + p.height}, false};
    EnumDisplayMonitors(nullptr, nullptr, FindReachingMonitor, reinterpret_cast<LPARAM>(&search));
    return search.reachable;
}

}  // namespace

void StartWindows(HINSTANCE module, WNDPROC editorProc) {
    g_editor.module = module;
    g_editor.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_editor.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RegisterClasses(editorProc);
    for (EditorWindow& e : g_editor.editors) e = EditorWindow{};
    g_editor.drag.track = kNoControl;
    g_editor.pressedControl = kNoControl;
    g_editor.pressedWindow = nullptr;
}

// The window classes: at message 1 and, should that never come, when the
// library is unloaded.
void UnregisterClasses(HINSTANCE module) {
    UnregisterClassA(kEditorClassName, module);
    UnregisterClassA(kMessageClassName, module);
    UnregisterTipClass(module);
}

void PlatformOpenEditor(int assignment, uint32_t referenceWindow) {
    if (!IsAssignmentIndex(assignment)) return;
    EditorWindow& e = g_editor.editors[assignment];
    if (e.window != nullptr) {
        InvalidateRect(e.window, nullptr, FALSE);
        UpdateWindow(e.window);
        return;
    }
    if (e.remembered.width == 0 || !IsReachablePlacement(e.remembered)) {
        e.remembered = FirstPlacement(reinterpret_cast<HWND>(static_cast<uintptr_t>(referenceWindow)));
    }
    HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(g_host.hostWindow));
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kEditorClassName, "", WS_POPUP | WS_CLIPCHILDREN,
                                  e.remembered.left, e.remembered.top, e.remembered.width, e.remembered.height,
                                  owner, nullptr, g_editor.module, nullptr);
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
    if (!IsAssignmentIndex(assignment)) return;
    EditorWindow& e = g_editor.editors[assignment];
    if (e.window == nullptr) return;
    RECT r;
    if (GetWindowRect(e.window, &r)) {
        e.remembered = EditorPlacement{r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    if (g_editor.entry.control != nullptr && GetParent(g_editor.entry.control) == e.window) CloseEntryField();
    EndGesturesOf(e.window);
    ReleaseDC(e.window, e.dc);
    DestroyWindow(e.window);
    e.window = nullptr;
    e.dc = nullptr;
}

void PlatformEndEditorGesture(int assignment) {
    if (IsAssignmentIndex(assignment)) EndGesturesOf(g_editor.editors[assignment].window);
}

bool PlatformEditorIsOpen(int assignment) {
    return IsAssignmentIndex(assignment) && g_editor.editors[assignment].window != nullptr;
}

EditorPlacement PlatformEditorWindowPlacement(int assignment) {
    RECT r;
    if (!PlatformEditorIsOpen(assignment) || !GetWindowRect(g_editor.editors[assignment].window, &r)) {
        return EditorPlacement{};
    }
    return EditorPlacement{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void PlatformRememberEditorPlacement(int assignment, EditorPlacement placement) {
    if (IsAssignmentIndex(assignment)) g_editor.editors[assignment].remembered = placement;
}

void PlatformRedrawSlot(int assignment, int slot, int32_t value) {
    if (!PlatformEditorIsOpen(assignment)) return;
    RedrawSlot(assignment, slot, value);
    FollowHostRefresh(assignment, slot, value);
}

HWND EditorWindowOf(int assignment) {
    return IsAssignmentIndex(assignment) ? g_editor.editors[assignment].window : nullptr;
}

void PlatformRepaintEditor(int assignment) {
    if (!PlatformEditorIsOpen(assignment)) return;
    HWND window = g_editor.editors[assignment].window;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

}  // namespace kelvane
