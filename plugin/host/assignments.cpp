#include "assignments.h"

#include "hostinfo.h"
#include "params.h"
#include "platform.h"

namespace kelvane {

void TakeOnAssignment(int assignment, int32_t trackIndex, int32_t hostTag) {
    if (!IsAssignmentIndex(assignment)) return;
    AssignmentTable& t = g_host.assignments;
    t.trackIndex[assignment] = trackIndex;
    t.hostTag[assignment] = hostTag;
    ApplyParams(assignment, kAllSlots);
    if (!t.active[assignment]) {
        t.active[assignment] = 1;
        ++t.count;
    }
}

void ReleaseAssignment(int assignment) {
    if (!IsAssignmentIndex(assignment)) return;
    AssignmentTable& t = g_host.assignments;
    if (t.active[assignment]) --t.count;
    t.active[assignment] = 0;
    t.trackIndex[assignment] = kNoTrack;
    t.hostTag[assignment] = kFreeHostTag;
    ResetParams(assignment);
}

void ReleaseAllAssignments() {
    AssignmentTable& t = g_host.assignments;
    for (int a = 0; a < kAssignmentCount; ++a) {
        t.active[a] = 0;
        t.trackIndex[a] = kNoTrack;
        t.hostTag[a] = kFreeHostTag;
    }
    t.count = 0;
    ResetParams(kAllAssignments);
}

void ReportParamChange(int assignment, int slot, int32_t value, int32_t minimum, int32_t maximum) {
    if (!IsAssignmentIndex(assignment) || slot < 0 || slot >= kSlotCount) return;
    void* info = g_host.hostInfo;
    if (info == nullptr || ReadHostWord(info, HostField::recordChanges) == 0) {
        g_params.stored[assignment].slot[slot] = value;
        return;
    }
    WriteHostWord(info, HostField::reportPluginId, g_host.pluginId);
    WriteHostWord(info, HostField::reportAssignment, assignment);
    WriteHostWord(info, HostField::reportTrack, g_host.assignments.trackIndex[assignment]);
    WriteHostWord(info, HostField::reportSlot, slot);
    WriteHostWord(info, HostField::reportValue, value);
    WriteHostWord(info, HostField::reportMin, minimum);
    WriteHostWord(info, HostField::reportMax, maximum);
    PlatformSendHostCommand(kCmdParamChange);
}

}  // namespace kelvane
