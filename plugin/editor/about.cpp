// The logo's menu (help, about, presets), the about view's modal loop and
// the launch of the help file.
#include "about.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "host_state.h"
#include "presets.h"
#include "skin.h"
#include "tip.h"

namespace kelvane {

namespace {

constexpr char kMakerWebAddress[] = "https://www.quellmarsh.example/kelvane/";
constexpr char kHelpFile[] = "quellmarsh\\Kelvane\\Kelvane.chm";
enum MenuCommand : UINT {
    kMenuLoadPreset = 5000, kMenuSavePreset = 5002, kMenuAbout = 5004, kMenuHelp = 5006,
};

void HideAboutView(int assignment) {
    g_editor.aboutShown[assignment] = false;
    const EditorWindow& e = g_editor.editors[assignment];
    if (e.window == nullptr) return;
    InvalidateRect(e.window, nullptr, FALSE);
    RestoreEditor(assignment);
}

// [UI thread] Holds the thread until the about view is dismissed: only paints
// and the left button get through (a press on another editor goes on to its
// moves and its release, so that its gesture ends there as usual); a key
// (Alt and F10 as well), a right press or a frame press ends it and goes no
// further.
void ShowAboutView(int assignment) {
    // A wheel notch's tip would outlive its timer: the loop lets no timer through.
    HideValueTip();
    g_editor.aboutShown[assignment] = true;
    PaintAboutView(assignment);
    MSG msg;
    // The loop also ends when the editor has been closed under it (a host
    // message sent meanwhile): nothing else could clear the flag then.
    while (g_editor.aboutShown[assignment] && g_editor.editors[assignment].window != nullptr) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        switch (msg.message) {
        case WM_PAINT:
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_RBUTTONDOWN:
        case WM_NCLBUTTONDOWN: HideAboutView(assignment); return;
        default: break;
        }
    }
    HideAboutView(assignment);
}

void OpenHelp(int assignment) {
    char path[kPathBytes];
    // A path that does not fit is not launched: a cut one could name another file.
    if (strlen(g_host.pluginFolder) + strlen(kHelpFile) >= sizeof path) return;
    snprintf(path, sizeof path, "%s%s", g_host.pluginFolder, kHelpFile);
    ShellExecuteA(g_editor.editors[assignment].window, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void FlushMouseMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
}

}  // namespace

void OnAboutViewPress(EditorRef editor, int x, int y) {
    if (PointIn(kAboutLinkArea, x, y)) {
        ShellExecuteA(nullptr, nullptr, kMakerWebAddress, nullptr, nullptr, 0);
        return;
    }
    HideAboutView(editor.assignment);
}

void ShowContextMenu(EditorRef editor) {
    POINT at;
    GetCursorPos(&at);
    const int a = editor.assignment;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kMenuHelp, "Help");
    AppendMenuA(menu, MF_STRING, kMenuAbout, "About");
    // Without these a user has no way to reach the preset files.
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kMenuLoadPreset, "Load Preset...");
    AppendMenuA(menu, MF_STRING, kMenuSavePreset, "Save Preset...");
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x + 4, at.y + 4, 0,
                                                         g_editor.editors[a].window, nullptr));
    DestroyMenu(menu);
    FlushMouseMessages();
    switch (chosen) {
    case kMenuHelp: OpenHelp(a); break;
    case kMenuAbout: ShowAboutView(a); break;
    case kMenuLoadPreset: LoadPreset(a); break;
    case kMenuSavePreset: SavePreset(a); break;
    default: break;   // nothing chosen
    }
}

}  // namespace kelvane
