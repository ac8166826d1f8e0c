// Editor windows: start-up resources, opening, placement and closing.
#include "editor.h"

#include "host_state.h"
#include "platform.h"

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

struct EditorWindow {
    HWND window;
    HDC dc;
    EditorPlacement remembered;   // width 0: never placed
};

struct EditorTables {
    HINSTANCE module;
    int screenWidth, screenHeight;
    HBITMAP bitmaps[kBitmapCount];
    int mainWidth, mainHeight;
    HFONT readoutFont;
    EditorWindow editors[kAssignmentCount];
};
EditorTables s_editor;

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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
    for (int i = 0; i < kBitmapCount; ++i) s_editor.bitmaps[i] = LoadBitmapA(s_editor.module, kBitmapNames[i]);
    BITMAP info = {};
    if (GetObjectA(s_editor.bitmaps[kMainBmp], sizeof info, &info) != 0) {
        s_editor.mainWidth = info.bmWidth;
        s_editor.mainHeight = info.bmHeight;
    }
}

int AssignmentOf(HWND window) {
    return static_cast<int>(GetWindowLongA(window, 0));
}

void FullRepaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, s_editor.bitmaps[kMainBmp]);
    BitBlt(dc, 0, 0, s_editor.mainWidth, s_editor.mainHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    EndPaint(window, &paint);
}

// [host UI thread] Dispatches the editor's messages; each has its own handler.
LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: FullRepaint(window); return 0;
    case WM_CLOSE: PlatformCloseEditor(AssignmentOf(window)); return 0;
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

void PlatformRedrawSlot(int, int, int32_t) {}

void PlatformRepaintEditor(int assignment) {
    if (!PlatformEditorIsOpen(assignment)) return;
    HWND window = s_editor.editors[assignment].window;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

}  // namespace kelvane
