// The host's messages: FxMainHandler hands every message number here.
// [UI thread] Messages arrive on the thread that owns the editor windows;
// arguments and results travel only in HostInfo words.
#pragma once

#include <cstdint>

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
constexpr int kRefreshOrder[] = {14, 15, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12};

// Dispatches one host message. Numbers without a meaning, and messages whose
// assignment argument names nothing (outside 0..7, or -1 where all is not
// allowed), do nothing, except that 10 and 11 still write their failure
// results (rejected, size 0). Messages 15..17 (FxChangePosition) do nothing.
void HandleHostMessage(int32_t message);

}  // namespace kelvane
