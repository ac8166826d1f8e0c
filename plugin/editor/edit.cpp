// The one edit path: write, convert, report, and the end of the gesture.
#include "edit.h"

#include "assignments.h"
#include "params.h"
#include "platform.h"

namespace kelvane {

void CommitEdit(int assignment, Control control, int32_t value, Gesture gesture) {
    const ControlInfo& r = kControls[control];
    g_params.live[assignment].slot[r.slot] = value;
    ApplyParams(assignment, r.slot);
    ReportParamChange(assignment, r.slot, value, r.reportMin, r.reportMax);
    if (gesture == Gesture::kEnds) PlatformSendHostCommand(kCmdEditDone);
}

}  // namespace kelvane
