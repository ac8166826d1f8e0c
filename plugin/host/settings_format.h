// The two stored formats: the SettingsChunk that the host keeps in its
// project (messages 10 and 11) and the 364-byte PresetRecord of a .plg file.
// Both begin with the same 308-byte header (signature, PresetFolder); all
// words are little-endian signed 32-bit. These functions work on byte spans
// only; the host buffer and the files are the callers' business, and what a
// chunk's entries do to assignments and editors is the host messages' (see
// RestoreSettingsChunk in messages.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "editor_seam.h"  // EditorPlacement, the rectangle an entry stores
#include "params.h"

namespace kelvane {

constexpr char kSettingsSignature[] = "QuellMarsh Kelvane 002";
constexpr size_t kSignatureFieldBytes = 48;
constexpr size_t kPresetFolderOffset = 48;
constexpr size_t kHeaderBytes = 308;
constexpr size_t kChunkEntryBytes = 88;
constexpr size_t kChunkTerminatorBytes = 4;
constexpr int32_t kChunkTerminator = -1;
constexpr size_t kChunkMaxBytes = kHeaderBytes + 8 * kChunkEntryBytes + kChunkTerminatorBytes;
constexpr size_t kPresetRecordBytes = 364;

// Offsets within a chunk entry.
constexpr size_t kEntryIndex = 0;
constexpr size_t kEntryTrack = 4;
constexpr size_t kEntryHostTag = 8;
constexpr size_t kEntrySlots = 12;
constexpr size_t kEntryPlacement = 68;   // left, top, width, height
constexpr size_t kEntryEditorOpen = 84;

constexpr char kImproperPresetWarning[] = "Improper Preset Format!";

static_assert(kChunkMaxBytes == 1016, "eight entries and the terminator");
static_assert(sizeof kSettingsSignature <= kSignatureFieldBytes, "signature field");

// One assignment's entry in a settings chunk.
struct ChunkEntry {
    int32_t index;               // as stored: an entry outside 0..7 is the reader's to skip
    int32_t track, hostTag;
    ParamSet params;             // the stored slots (kStoredSlots); the others read as 0
    EditorPlacement placement;   // the open window's rectangle, zeros when closed
    bool editorOpen;
};

// Writes a chunk of `count` entries into `out`, which holds `capacity`
// bytes: the header, the entries in the order given and the terminator.
// Returns its size, 312 + 88 per entry, or 0 with `out` untouched when it
// would not fit.
uint32_t EncodeSettingsChunk(const ChunkEntry* entries, int count, uint8_t* out, size_t capacity);

// Reads the entries of the `available` bytes at `chunk`: at most `limit`,
// fewer when the terminator comes first. Returns their count, or -1 when
// the chunk is refused: a wrong signature, or an end before the entries the
// reader must see.
int DecodeSettingsChunk(const uint8_t* chunk, size_t available, int limit, ChunkEntry (&entries)[kAssignmentCount]);

// PresetFolder from a header (a settings chunk's or a preset record's).
// A folder on a network server is not taken.
void TakePresetFolder(const uint8_t* header);

// Builds the PresetRecord of an assignment's LiveParamSet in `out`
// (kPresetRecordBytes).
void BuildPresetRecord(uint8_t* out, int assignment);

enum class PresetResult { kLoaded, kImproperFormat };

// Loads `length` bytes of a preset file into an assignment: the 14 stored
// slots into its StoredParamSet, then the whole stored copy into the live one,
// converted. PresetFolder follows the file. Anything shorter than a record or
// with another signature is improper and changes nothing.
PresetResult LoadPresetRecord(const uint8_t* bytes, size_t length, int assignment);

}  // namespace kelvane
