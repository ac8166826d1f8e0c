// The host's messages: FxMainHandler hands every message number here.
// [UI thread] Messages arrive on the thread that owns the editor windows;
// arguments and results travel only in HostInfo words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params.h"

namespace kelvane {

enum HostMessage : int32_t {
    kMsgShutdown = 1,
    kMsgStart = 2,
    kMsgStop = 3,
    kMsgOpenEditor = 6,
    kMsgCloseEditor = 7,
    kMsgNewAssignment = 8,
    kMsgReleaseAssignment = 9,
    kMsgRestoreSettings = 10,
    kMsgSaveSettings = 11,
    kMsgApplyParams = 12,
    kMsgSampleRate = 13,
    kMsgHostSetting = 14,
    kMsgReload = 100,          // live -> drawn, stored -> live
    kMsgSetSlot = 101,         // one live slot, silently
    kMsgRedrawChanges = 102,   // redraw controls whose live value changed
    kMsgApplyChanges = 103,    // convert and redraw the changed slots
    kMsgSetAndApply = 104,     // one live slot, converted
    kMsgShowValue = 105,       // draw a value without storing it
};

constexpr char kCorruptedSettingsWarning[] =
    "Corrupted Data Settings For This PlugIn\nPlease Reset Parameters!";
constexpr char kMaximumAssignmentsWarning[] = "This Effect Has Reached Its Maximum Assignments!";

// The slots an editor shows, in the order in which a refresh visits them.
constexpr int kRefreshOrder[] = {
    kSlotInputOn, kSlotInputLevel,
    kSlotToneOn,  kSlotToneLevel,  kSlotToneFrequency,
    kSlotSweepOn, kSlotSweepLevel, kSlotSweepStart, kSlotSweepStop, kSlotSweepLength,
    kSlotNoiseOn, kSlotNoiseLevel, kSlotNoiseType,
};

// Dispatches one host message. Numbers without a meaning, and messages whose
// assignment argument names nothing (outside 0..7, or -1 where all is not
// allowed), do nothing, except that 10 and 11 still write their failure
// results (rejected, size 0). Messages 15..17 (FxChangePosition) do nothing.
void HandleHostMessage(int32_t message);

// Messages 11 and 10 by way of a settings chunk (the bytes are
// settings_format's). Writes the chunk for one assignment (0..7) or all (-1)
// into `out`, which holds `capacity` bytes, and returns its size: 312 + 88
// per active assignment saved, with its open editor's placement. Returns 0
// and leaves `out` untouched when no assignment is active, when `assignment`
// names nothing, or when the chunk would not fit.
uint32_t WriteSettingsChunk(uint8_t* out, size_t capacity, int assignment);

enum class ChunkResult { kRejected, kRestored };

// Restores one assignment (0..7) or all (-1) from the `available` bytes at
// `chunk`. A wrong signature, or a chunk that ends before the entries the
// reader must see, is rejected with nothing changed. Otherwise the named
// assignments' editor gestures end and the assignments are released first,
// then up to 8 entries (1 for a single assignment) are taken on until the
// terminator, each with its editor's placement, and its editor opened when
// the entry says so; an entry whose index is not 0..7 is skipped but counts
// toward that limit. A named assignment that no entry takes on stays free,
// and its open editor is closed.
ChunkResult RestoreSettingsChunk(const uint8_t* chunk, size_t available, int assignment);

}  // namespace kelvane
