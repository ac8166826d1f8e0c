#include "settings_format.h"

#include <cstring>

#include "assignments.h"
#include "host_state.h"

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

void WriteSlots(uint8_t* out, const ParamSet& params) {
    for (int i = 0; i < kStoredSlotCount; ++i) WriteWord(out + 4 * i, params.slot[kStoredSlots[i]]);
}

void ReadSlots(const uint8_t* in, ParamSet& params) {
    for (int i = 0; i < kStoredSlotCount; ++i) params.slot[kStoredSlots[i]] = ReadWord(in + 4 * i);
}

void WriteEntry(uint8_t* out, const ChunkEntry& e) {
    WriteWord(out + kEntryIndex, e.index);
    WriteWord(out + kEntryTrack, e.track);
    WriteWord(out + kEntryHostTag, e.hostTag);
    WriteSlots(out + kEntrySlots, e.params);
    WriteWord(out + kEntryPlacement + 0, e.placement.left);
    WriteWord(out + kEntryPlacement + 4, e.placement.top);
    WriteWord(out + kEntryPlacement + 8, e.placement.width);
    WriteWord(out + kEntryPlacement + 12, e.placement.height);
    WriteWord(out + kEntryEditorOpen, e.editorOpen ? 1 : 0);
}

ChunkEntry ReadEntry(const uint8_t* in) {
    ChunkEntry e = {};
    e.index = ReadWord(in + kEntryIndex);
    e.track = ReadWord(in + kEntryTrack);
    e.hostTag = ReadWord(in + kEntryHostTag);
    ReadSlots(in + kEntrySlots, e.params);
    e.placement = {ReadWord(in + kEntryPlacement + 0), ReadWord(in + kEntryPlacement + 4),
                   ReadWord(in + kEntryPlacement + 8), ReadWord(in + kEntryPlacement + 12)};
    e.editorOpen = ReadWord(in + kEntryEditorOpen) != 0;
    return e;
}

}  // namespace

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

uint32_t EncodeSettingsChunk(const ChunkEntry* entries, int count, uint8_t* out, size_t capacity) {
    const size_t size = kHeaderBytes + kChunkEntryBytes * count + kChunkTerminatorBytes;
    if (out == nullptr || capacity < size) return 0;
    WriteHeader(out);
    for (int j = 0; j < count; ++j) WriteEntry(out + kHeaderBytes + kChunkEntryBytes * j, entries[j]);
    WriteWord(out + kHeaderBytes + kChunkEntryBytes * count, kChunkTerminator);
    return static_cast<uint32_t>(size);
}

// The entries are counted before any is used: a chunk that ends inside what
// must be read is refused as a whole.
int DecodeSettingsChunk(const uint8_t* chunk, size_t available, int limit, ChunkEntry (&entries)[kAssignmentCount]) {
    if (chunk == nullptr || available < kHeaderBytes || !HasSignature(chunk)) return -1;
    if (limit > kAssignmentCount) limit = kAssignmentCount;
    int count = 0;
    for (size_t at = kHeaderBytes; count < limit; at += kChunkEntryBytes) {
        if (available - at < kChunkTerminatorBytes) return -1;
        if (ReadWord(chunk + at) == kChunkTerminator) break;
        if (available - at < kChunkEntryBytes) return -1;
        entries[count++] = ReadEntry(chunk + at);
    }
    return count;
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
