// Process-wide state of the host interface: the HostInfo address and the
// values FxInit copies from it, the assignment table, and the folders and
// buffer that presets and help use.
#pragma once

#include <cstdint>

#include "params.h"

namespace kelvane {

constexpr int32_t kFreeHostTag = 4;
constexpr int32_t kNoTrack = -1;
constexpr int kPathBytes = 260;                 // MAX_PATH, terminating zero included
constexpr uint32_t kWorkBufferBytes = 0x20000;  // preset file input and output

struct AssignmentTable {
    int32_t active[kAssignmentCount];       // 0 = free, 1 = handed out
    int32_t trackIndex[kAssignmentCount];   // host track, -1 = none
    int32_t hostTag[kAssignmentCount];      // the host's tag, 4 while free
    int32_t count;                          // active entries, 0..8
};

struct HostState {
    void* hostInfo;              // the host's record, kept from FxInit on
    // copied once by FxInit
    int32_t pluginId;
    uint32_t hostWindow;         // window handle, as the host's 32-bit word
    uint32_t hostFont;
    int32_t hostSetting;
    int32_t inputTrackCount;
    int32_t firstOutputTrack;
    uint32_t commandMessage;     // registered window message number
    AssignmentTable assignments;
    uint8_t* workBuffer;         // kWorkBufferBytes, null when it could not be had
    char pluginFolder[kPathBytes];
    char presetFolder[kPathBytes];
    char presetFileName[kPathBytes];
};
extern HostState g_host;

}  // namespace kelvane
