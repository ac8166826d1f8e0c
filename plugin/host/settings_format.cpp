#include "settings_format.h"

#include <cstring>

#include "assignments.h"
#include "host_state.h"
#include "params.h"
#include "platform.h"

namespace kelvane {

namespace {

constexpr size_t kPresetSlots = kHeaderBytes;  // the preset's 14 slots follow the header

int32_t ReadWord(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void WriteWord(uint8_t* p, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// A zero-terminated string of at most `limit` characters, then zeros to the
// end of its field, so that the same tables always give the same bytes.
void WriteTextField(uint8_t* field, size_t fieldBytes, const char* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != '\0') ++n;
    std::memcpy(field, text, n);
    std::memset(field + n, 0, fieldBytes - n);
}

void WriteHeader(uint8_t* out) {
    WriteTextField(out, kSignatureFieldBytes, kSettingsSignature, sizeof kSettingsSignature - 1);
    WriteTextField(out + kPresetFolderOffset, kPathBytes, g_host.presetFolder, kPathBytes - 1);
}

// The string at offset 0 equals the signature exactly when the first bytes are
// the signature with its zero; nothing past the field is looked at.
bool HasSignature(const uint8_t* header) {
    return std::memcmp(header, kSettingsSignature, sizeof kSettingsSignature) == 0;
}

// PresetFolder from a header: at most 259 characters, a longer one is cut.
// A folder on a network server (\\server\share, //server/share) is not taken:
// presets travel between users, and the next file dialog opened there would
// hand that server the user's network credentials.
void TakePresetFolder(const uint8_t* header) {
    const uint8_t* folder = header + kPresetFolderOffset;
    const bool slash0 = folder[0] == '\\' || folder[0] == '/';
    const bool slash1 = folder[1] == '\\' || folder[1] == '/';
    if (slash0 && slash1) return;
    size_t n = 0;
    while (n < kPathBytes - 1 && folder[n] != 0) ++n;
    std::memcpy(g_host.presetFolder, folder, n);
    g_host.presetFolder[n] = '\0';
}

void WriteSlots(uint8_t* out, const ParamSet& params) {
    for (int i = 0; i < kStoredSlotCount; ++i) WriteWord(out + 4 * i, params.slot[kStoredSlots[i]]);
}

void ReadSlots(const uint8_t* in, ParamSet& params) {
    for (int i = 0; i < kStoredSlotCount; ++i) params.slot[kStoredSlots[i]] = ReadWord(in + 4 * i);
}

void WriteEntry(uint8_t* entry, int a) {
    WriteWord(entry + kEntryIndex, a);
    WriteWord(entry + kEntryTrack, g_host.assignments.trackIndex[a]);
    WriteWord(entry + kEntryHostTag, g_host.assignments.hostTag[a]);
    WriteSlots(entry + kEntrySlots, g_params.stored[a]);
    EditorPlacement place = {0, 0, 0, 0};
    const bool open = PlatformEditorIsOpen(a);
    if (open) place = PlatformEditorWindowPlacement(a);
    WriteWord(entry + kEntryPlacement + 0, place.left);
    WriteWord(entry + kEntryPlacement + 4, place.top);
    WriteWord(entry + kEntryPlacement + 8, place.width);
    WriteWord(entry + kEntryPlacement + 12, place.height);
    WriteWord(entry + kEntryEditorOpen, open ? 1 : 0);
}

void RestoreEntry(const uint8_t* entry) {
    const int32_t b = ReadWord(entry + kEntryIndex);
    if (!IsAssignmentIndex(b)) return;
    ReadSlots(entry + kEntrySlots, g_params.stored[b]);
    g_params.live[b] = g_params.stored[b];
    TakeOnAssignment(b, ReadWord(entry + kEntryTrack), ReadWord(entry + kEntryHostTag));
    const EditorPlacement place = {
        ReadWord(entry + kEntryPlacement + 0), ReadWord(entry + kEntryPlacement + 4),
        ReadWord(entry + kEntryPlacement + 8), ReadWord(entry + kEntryPlacement + 12)};
    PlatformRememberEditorPlacement(b, place);
    if (ReadWord(entry + kEntryEditorOpen) != 0) PlatformOpenEditor(b, 0);
}

}  // namespace

uint32_t WriteSettingsChunk(uint8_t* out, size_t capacity, int assignment) {
    if (assignment != kAllAssignments && !IsAssignmentIndex(assignment)) return 0;
    const AssignmentTable& t = g_host.assignments;
    if (t.count == 0) return 0;
    const int first = assignment == kAllAssignments ? 0 : assignment;
    const int last = assignment == kAllAssignments ? kAssignmentCount - 1 : assignment;
    size_t size = kHeaderBytes + kChunkTerminatorBytes;
    for (int a = first; a <= last; ++a) {
        if (t.active[a]) size += kChunkEntryBytes;
    }
    if (out == nullptr || capacity < size) return 0;

    WriteHeader(out);
    uint8_t* entry = out + kHeaderBytes;
    for (int a = first; a <= last; ++a) {
        if (!t.active[a]) continue;
        WriteEntry(entry, a);
        entry += kChunkEntryBytes;
    }
    WriteWord(entry, kChunkTerminator);
    return static_cast<uint32_t>(size);
}

ChunkResult RestoreSettingsChunk(const uint8_t* chunk, size_t available, int assignment) {
    if (assignment != kAllAssignments && !IsAssignmentIndex(assignment)) return ChunkResult::kRejected;
    if (chunk == nullptr || available < kHeaderBytes || !HasSignature(chunk)) return ChunkResult::kRejected;

    // Count the entries first: a chunk that ends inside what must be read is
    // refused before anything is released.
    const int limit = assignment == kAllAssignments ? kAssignmentCount : 1;
    int entries = 0;
    for (size_t at = kHeaderBytes; entries < limit; at += kChunkEntryBytes) {
        if (available - at < kChunkTerminatorBytes) return ChunkResult::kRejected;
        if (ReadWord(chunk + at) == kChunkTerminator) break;
        if (available - at < kChunkEntryBytes) return ChunkResult::kRejected;
        ++entries;
    }

    TakePresetFolder(chunk);
    for (int a = 0; a < kAssignmentCount; ++a) {
        if (assignment == kAllAssignments || a == assignment) PlatformEndEditorGesture(a);
    }
    if (assignment == kAllAssignments) {
        ReleaseAllAssignments();
    } else {
        ReleaseAssignment(assignment);
    }
    for (int j = 0; j < entries; ++j) RestoreEntry(chunk + kHeaderBytes + kChunkEntryBytes * j);
    // An assignment the chunk does not bring back is free now: its editor
    // closes, as at message 9, or a click there would report for no track.
    for (int a = 0; a < kAssignmentCount; ++a) {
        const bool inRange = assignment == kAllAssignments || a == assignment;
        if (inRange && !g_host.assignments.active[a] && PlatformEditorIsOpen(a)) PlatformCloseEditor(a);
    }
    return ChunkResult::kRestored;
}

void BuildPresetRecord(uint8_t* out, int assignment) {
    if (!IsAssignmentIndex(assignment)) return;
    WriteHeader(out);
    WriteSlots(out + kPresetSlots, g_params.live[assignment]);
}

PresetResult LoadPresetRecord(const uint8_t* bytes, size_t length, int assignment) {
    if (!IsAssignmentIndex(assignment) || bytes == nullptr || length < kPresetRecordBytes ||
        !HasSignature(bytes)) {
        return PresetResult::kImproperFormat;
    }
    // A preset that records no folder (the factory presets) leaves the folder
    // the user just loaded it from.
    if (bytes[kPresetFolderOffset] != 0) TakePresetFolder(bytes);
    ReadSlots(bytes + kPresetSlots, g_params.stored[assignment]);
    g_params.live[assignment] = g_params.stored[assignment];
    ApplyParams(assignment, kAllSlots);
    return PresetResult::kLoaded;
}

}  // namespace kelvane
