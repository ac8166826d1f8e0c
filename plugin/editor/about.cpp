// The about view with the plug-in's version, the logo's menu (help, about,
// presets) and the launch of the help file.
#include "editor_tables.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_state.h"
#include "presets.h"

namespace kelvane {

namespace {

constexpr char kMakerWebAddress[] = "https://www.quellmarsh.example/kelvane/";
constexpr char kMakerLine[] = "QuellMarsh Audio";
constexpr char kHelpFile[] = "quellmarsh\\Kelvane\\Kelvane.chm";
enum MenuCommand : UINT {
    kMenuLoadPreset = 5000, kMenuSavePreset = 5002, kMenuAbout = 5004, kMenuHelp = 5006,
};

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
    char* out = g_editor.versionText;
    if (length >= sizeof g_editor.versionText) {
        memcpy(out, text, 250);
        out[250] = 0;
    } else {
        lstrcpynA(out, static_cast<const char*>(text), sizeof g_editor.versionText);
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

}  // namespace

// [host UI thread] The about panel with the version over the whole editor.
void PaintAboutView(int assignment) {
    const EditorWindow& e = g_editor.editors[assignment];
    if (e.dc == nullptr) return;
    const ControlInfo& w = kControls[kWindowArea];
    CopyFromBitmap(e.dc, kAboutBoxBmp, 0, 0, 0, 0, w.right, w.bottom);
    char path[kPathBytes] = {};
    GetModuleFileNameA(g_editor.module, path, sizeof path);
    int v[4] = {};
    char text[512];
    int n = ReadPluginVersion(path, v)
                ? snprintf(text, sizeof text, "\n\n\nVersion %d.%d (build %d)\r\n", v[0], v[1], v[2])
                : snprintf(text, sizeof text, "\n\n\nVersion unreadable \r\n");
    n += snprintf(text + n, sizeof text - n, "%s\n\n", kMakerLine);
    if (g_editor.aboutShown[assignment]) snprintf(text + n, sizeof text - n, "Press a key (or click the mouse) to continue.");
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

namespace {

void HideAboutView(int assignment) {
    g_editor.aboutShown[assignment] = false;
    const EditorWindow& e = g_editor.editors[assignment];
    if (e.window == nullptr) return;
    InvalidateRect(e.window, nullptr, FALSE);
    Restore(e.dc, 0, 0, kControls[kWindowArea].right, kControls[kWindowArea].bottom);
}

// [host UI thread] Holds the thread until the about view is dismissed: only
// paints and left presses get through; a key, a right press or a frame press
// ends it and goes no further.
void ShowAboutView(int assignment) {
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
        if (msg.message == WM_PAINT || msg.message == WM_LBUTTONDOWN) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) {
            break;
        }
    }
    HideAboutView(assignment);
}

void OpenHelp() {
    char path[kPathBytes];
    // A path that does not fit is not launched: a cut one could name another file.
    if (strlen(g_host.pluginFolder) + strlen(kHelpFile) >= sizeof path) return;
    snprintf(path, sizeof path, "%s%s", g_host.pluginFolder, kHelpFile);
    ShellExecuteA(g_editor.editors[g_editor.editorAssignment].window, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void FlushMouseMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
}

}  // namespace

void OnAboutViewPress() {
    const int a = g_editor.editorAssignment;
    if (PointIn(kAboutLinkArea, g_editor.mouseX, g_editor.mouseY)) {
        ShellExecuteA(nullptr, nullptr, kMakerWebAddress, nullptr, nullptr, 0);
        return;
    }
    HideAboutView(a);
}

void ShowContextMenu() {
    POINT at;
    GetCursorPos(&at);
    const int a = g_editor.editorAssignment;
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
    if (chosen == 0) return;
    g_editor.editorAssignment = a;
    switch (chosen) {
    case kMenuHelp: OpenHelp(); break;
    case kMenuAbout: ShowAboutView(a); break;
    case kMenuLoadPreset: LoadPreset(a); break;
    case kMenuSavePreset: SavePreset(a); break;
    default: break;
    }
}

}  // namespace kelvane
