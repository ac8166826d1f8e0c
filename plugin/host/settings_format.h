// The two stored formats: the SettingsChunk that the host keeps in its
// project (messages 10 and 11) and the 364-byte PresetRecord of a .plg file.
// Both begin with the same 308-byte header (signature, PresetFolder); all
// words are little-endian signed 32-bit. These functions work on byte spans
// only; the host buffer and the files are the callers' business.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Writes the chunk for one assignment (0..7) or all (-1) into `out`, which
// holds `capacity` bytes, and returns its size: 312 + 88 per active
// assignment saved. Returns 0 and leaves `out` untouched when no assignment
// is active, when `assignment` names nothing, or when the chunk would not fit.
uint32_t WriteSettingsChunk(uint8_t* out, size_t capacity, int assignment);

enum class ChunkResult { kRejected, kRestored };

// Restores one assignment (0..7) or all (-1) from the `available` bytes at
// `chunk`. A wrong signature, or a chunk that ends before the entries the
// reader must see, is rejected with nothing changed. Otherwise the named
// assignments are released first, then up to 8 entries (1 for a single
// assignment) are taken on until the terminator; an entry whose index is not
// 0..7 is skipped but counts toward that limit. A named assignment that no
// entry takes on stays free, and its open editor is closed.
ChunkResult RestoreSettingsChunk(const uint8_t* chunk, size_t available, int assignment);

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
