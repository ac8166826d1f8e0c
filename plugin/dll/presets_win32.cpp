// Preset files through comdlg32 and kernel32: the platform's dialogs and file
// calls that presets.cpp uses.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "editor.h"
#include "host_state.h"
#include "platform.h"

namespace kelvane {

namespace {

constexpr char kFilter[] = "All Files  *.*\0*.*\0PlugIn Preset File  *.plg\0*.plg\0\0";
constexpr DWORD kPresetFilterIndex = 2;

// Both dialogs share everything but the title and the flags.
bool AskForPresetFile(HWND owner, const char* title, DWORD flags, bool save, char (&path)[kPathBytes],
                      WORD& nameOffset) {
    std::memcpy(path, g_host.presetFileName, kPathBytes);
    path[kPathBytes - 1] = '\0';
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    // Owned by the always-on-top editor that asked, the dialog opens above
    // it, and that editor is disabled until the dialog closes.
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = kPresetFilterIndex;
    ofn.lpstrFile = path;
    ofn.nMaxFile = kPathBytes;
    ofn.lpstrInitialDir = g_host.presetFolder;
    ofn.lpstrTitle = title;
    ofn.Flags = flags;
    ofn.lpstrDefExt = "plg";
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) return false;
    nameOffset = ofn.nFileOffset < kPathBytes ? ofn.nFileOffset : 0;
    return true;
}

// The chosen file's folder, taken from the returned path (the name starts at
// nameOffset), becomes the PresetFolder, with a trailing backslash: a full
// path typed into the name field may point elsewhere than the folder the
// dialog shows and makes current. A folder too long to keep with its
// backslash and zero leaves the old one in place.
void RememberChosenFile(const char* path, WORD nameOffset) {
    const size_t n = nameOffset;
    if (n > 0) {
        const bool needsSlash = path[n - 1] != '\\' && path[n - 1] != '/';
        if (n + (needsSlash ? 1 : 0) + 1 <= kPathBytes) {
            std::memcpy(g_host.presetFolder, path, n);
            if (needsSlash) g_host.presetFolder[n] = '\\';
            g_host.presetFolder[n + (needsSlash ? 1 : 0)] = '\0';
        }
    }
    const char* name = path + nameOffset;
    size_t len = 0;
    while (len < kPathBytes - 1 && name[len] != '\0') ++len;
    std::memcpy(g_host.presetFileName, name, len);
    g_host.presetFileName[len] = '\0';
}

}  // namespace

bool PlatformChoosePresetFile(int assignment, bool save, char (&path)[kPathBytes]) {
    WORD nameOffset = 0;
    HWND owner = EditorWindowOf(assignment);
    if (owner == nullptr) owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(g_host.hostWindow));
    const bool chosen =
        save ? AskForPresetFile(owner, "Save PlugIn Preset",
                                OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, true, path,
                                nameOffset)
             : AskForPresetFile(owner, "Load PlugIn Preset",
                                OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, false, path,
                                nameOffset);
    if (chosen) RememberChosenFile(path, nameOffset);
    return chosen;
}

// GetTempFileName creates the file; its folder is the one of `path`.
bool PlatformCreateFileBeside(const char* path, char (&created)[kPathBytes]) {
    char folder[kPathBytes];
    const char* slash = std::strrchr(path, '\\');
    const size_t n = slash == nullptr ? 0 : static_cast<size_t>(slash - path);
    std::memcpy(folder, path, n);
    folder[n] = '\0';
    if (n == 0) std::strcpy(folder, ".");
    return GetTempFileNameA(folder, "kvp", 0, created) != 0;
}

bool PlatformWriteFile(const char* path, const uint8_t* bytes, uint32_t count) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes, count, &written, nullptr);
    const BOOL closed = CloseHandle(file);
    return ok && closed && written == count;
}

bool PlatformReplaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void PlatformDeleteFile(const char* path) { DeleteFileA(path); }

long PlatformReadFile(const char* path, uint8_t* buffer, uint32_t capacity) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD total = 0;
    bool failed = false;
    while (total < capacity) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, capacity - total, &got, nullptr)) failed = true;
        if (failed || got == 0) break;
        total += got;
    }
    CloseHandle(file);
    return failed ? -1 : static_cast<long>(total);
}

}  // namespace kelvane
