// The assignment table: handing out, taking on and releasing the up to eight
// placements of the plug-in, and reporting editor changes to the host.
// Everything here runs on the host's user-interface thread (host messages and
// editor window messages); the renderer only reads what it converts.
#pragma once

#include <cstdint>

#include "host_state.h"

namespace kelvane {

inline bool IsAssignmentIndex(int32_t value) {
    return value >= 0 && value < kAssignmentCount;
}

// Marks an assignment active with the host's track and tag and converts all
// of its live slots; AssignmentCount grows only when it was free.
void TakeOnAssignment(int assignment, int32_t trackIndex, int32_t hostTag);

// Frees one assignment: TrackIndex -1, HostTag 4, both ParamSets back to the
// defaults. Its editor is left alone; message 9 closes it separately.
void ReleaseAssignment(int assignment);

// The same for all eight; AssignmentCount becomes 0.
void ReleaseAllAssignments();

// [UI thread] The one way an editor change reaches the host. With the host's
// recordChanges word 0 the value goes straight into the StoredParamSet;
// otherwise the report words are filled and command 100 is sent, and the
// stored copy is left for the host to change.
void ReportParamChange(int assignment, int slot, int32_t value, int32_t minimum, int32_t maximum);

}  // namespace kelvane
