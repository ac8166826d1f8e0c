// Preset files through comdlg32 and kernel32. The bytes are built and read by
// settings_format; this file only talks to the dialogs and the file system.
#include "presets.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "assignments.h"
#include "host_state.h"
#include "platform.h"
#include "settings_format.h"

namespace kelvane {

namespace {

constexpr char kFilter[] = "All Files  *.*\0*.*\0PlugIn Preset File  *.plg\0*.plg\0\0";
constexpr DWORD kPresetFilterIndex = 2;
constexpr DWORD kMaxPresetReadBytes = 61440;

// Both dialogs share everything but the title and the flags.
bool AskForPresetFile(const char* title, DWORD flags, bool save, char (&path)[kPathBytes], WORD& nameOffset) {
    std::memcpy(path, g_host.presetFileName, kPathBytes);
    path[kPathBytes - 1] = '\0';
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = reinterpret_cast<HWND>(static_cast<uintptr_t>(g_host.hostWindow));
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

// The dialog has made the chosen file's folder current: it becomes the
// PresetFolder, with a trailing backslash. A folder too long to keep with its
// backslash and zero leaves the old one in place.
void RememberChosenFile(const char* path, WORD nameOffset) {
    char folder[kPathBytes];
    const DWORD n = GetCurrentDirectoryA(kPathBytes, folder);
    if (n > 0 && n < kPathBytes) {
        const bool needsSlash = folder[n - 1] != '\\';
        if (n + (needsSlash ? 1 : 0) + 1 <= kPathBytes) {
            if (needsSlash) {
                folder[n] = '\\';
                folder[n + 1] = '\0';
            }
            std::memcpy(g_host.presetFolder, folder, kPathBytes);
        }
    }
    const char* name = path + nameOffset;
    size_t len = 0;
    while (len < kPathBytes - 1 && name[len] != '\0') ++len;
    std::memcpy(g_host.presetFileName, name, len);
    g_host.presetFileName[len] = '\0';
}

// Writes the record beside the target and moves it over the target only when
// every byte is on disk, so a failed save never leaves a truncated preset.
void WritePresetFile(const char* path, WORD nameOffset, const uint8_t* record) {
    char folder[kPathBytes];
    std::memcpy(folder, path, nameOffset);
    folder[nameOffset] = '\0';
    if (nameOffset == 0) std::strcpy(folder, ".");
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder, "kvp", 0, temporary) == 0) return;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(temporary);
        return;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record, kPresetRecordBytes, &written, nullptr);
    const BOOL closed = CloseHandle(file);
    if (!ok || !closed || written != kPresetRecordBytes ||
        !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
    }
}

// Reads at most kMaxPresetReadBytes; returns the count, or -1 when the file
// cannot be opened.
long ReadPresetFile(const char* path, uint8_t* buffer) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD total = 0;
    while (total < kMaxPresetReadBytes) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, kMaxPresetReadBytes - total, &got, nullptr) || got == 0) break;
        total += got;
    }
    CloseHandle(file);
    return static_cast<long>(total);
}

}  // namespace

void SavePreset(int assignment) {
    if (!IsAssignmentIndex(assignment)) return;
    char path[kPathBytes];
    WORD nameOffset = 0;
    if (!AskForPresetFile("Save PlugIn Preset",
                          OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, true,
                          path, nameOffset)) {
        return;
    }
    RememberChosenFile(path, nameOffset);
    uint8_t record[kPresetRecordBytes];
    BuildPresetRecord(record, assignment);
    WritePresetFile(path, nameOffset, record);
}

void LoadPreset(int assignment) {
    if (!IsAssignmentIndex(assignment) || g_host.workBuffer == nullptr) return;
    char path[kPathBytes];
    WORD nameOffset = 0;
    if (!AskForPresetFile("Load PlugIn Preset",
                          OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, false,
                          path, nameOffset)) {
        return;
    }
    RememberChosenFile(path, nameOffset);
    const long length = ReadPresetFile(path, g_host.workBuffer);
    if (length < 0) return;
    if (LoadPresetRecord(g_host.workBuffer, static_cast<size_t>(length), assignment) != PresetResult::kLoaded) {
        PlatformShowWarning(kImproperPresetWarning, WarningKind::kSystemModal);
        return;
    }
    if (PlatformEditorIsOpen(assignment)) PlatformRepaintEditor(assignment);
}

}  // namespace kelvane
