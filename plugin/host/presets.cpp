// Preset files: the record is built and read by settings_format, the files
// go through the platform, and every failure ends in a warning box.
#include "presets.h"

#include <cstdint>

#include "assignments.h"
#include "editor_seam.h"
#include "host_state.h"
#include "platform.h"
#include "settings_format.h"

namespace kelvane {

namespace {

constexpr uint32_t kMaxPresetReadBytes = 61440;

// The record goes into a new file beside the target, which replaces the
// target only when every byte is on disk: a failed save (a folder that takes
// no file, a full disk) leaves an existing preset as it was.
bool WritePresetFile(const char* path, const uint8_t* record) {
    char temporary[kPathBytes];
    if (!PlatformCreateFileBeside(path, temporary)) return false;
    if (PlatformWriteFile(temporary, record, kPresetRecordBytes) && PlatformReplaceFile(temporary, path)) {
        return true;
    }
    PlatformDeleteFile(temporary);
    return false;
}

}  // namespace

void SavePreset(int assignment) {
    if (!IsAssignmentIndex(assignment)) return;
    char path[kPathBytes];
    if (!PlatformChoosePresetFile(assignment, true, path)) return;
    uint8_t record[kPresetRecordBytes];
    BuildPresetRecord(record, assignment);
    if (!WritePresetFile(path, record)) PlatformShowWarning(kPresetNotSavedWarning, WarningKind::kSystemModal);
}

void LoadPreset(int assignment) {
    if (!IsAssignmentIndex(assignment) || g_host.workBuffer == nullptr) return;
    char path[kPathBytes];
    if (!PlatformChoosePresetFile(assignment, false, path)) return;
    const long length = PlatformReadFile(path, g_host.workBuffer, kMaxPresetReadBytes);
    if (length < 0) {
        PlatformShowWarning(kPresetNotReadWarning, WarningKind::kSystemModal);
        return;
    }
    if (LoadPresetRecord(g_host.workBuffer, static_cast<size_t>(length), assignment) != PresetResult::kLoaded) {
        PlatformShowWarning(kImproperPresetWarning, WarningKind::kSystemModal);
        return;
    }
    if (PlatformEditorIsOpen(assignment)) PlatformRepaintEditor(assignment);
}

}  // namespace kelvane
