#include "messages.h"

#include "assignments.h"
#include "editor_seam.h"
#include "hostinfo.h"
#include "params.h"
#include "platform.h"
#include "render.h"
#include "settings_format.h"

namespace kelvane {

namespace {

int32_t Arg(HostField field) { return ReadHostWord(g_host.hostInfo, field); }
void Put(HostField field, int32_t value) { WriteHostWord(g_host.hostInfo, field, value); }

// The host's settings chunk buffer. On the 32-bit plug-in the word is the
// address itself; the host guarantees 1016 bytes there.
uint8_t* ChunkBuffer() {
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(static_cast<uint32_t>(Arg(HostField::chunkAddress))));
}

bool IsAllOrAssignment(int32_t a) { return a == kAllAssignments || IsAssignmentIndex(a); }

bool IsRefreshSlot(int32_t slot) {
    for (int s : kRefreshOrder) {
        if (s == slot) return true;
    }
    return false;
}

// The assignment named by messages 101, 103, 104 and 105: it must be active
// and sit on the track the host names in trackArg.
bool PassesIdentityCheck(int32_t a) {
    return IsAssignmentIndex(a) && g_host.assignments.active[a] &&
           Arg(HostField::trackArg) == g_host.assignments.trackIndex[a];
}

// The range of messages 100 and 102: all eight for -1, else the one
// assignment when its TrackIndex matches trackArg. Returns false for none.
bool RefreshRange(int32_t a, int& first, int& last) {
    if (a == kAllAssignments) {
        first = 0;
        last = kAssignmentCount - 1;
        return true;
    }
    if (!IsAssignmentIndex(a) || Arg(HostField::trackArg) != g_host.assignments.trackIndex[a]) return false;
    first = last = a;
    return true;
}

void ApplyAllActive() {
    for (int a = 0; a < kAssignmentCount; ++a) {
        if (g_host.assignments.active[a]) ApplyParams(a, kAllSlots);
    }
}

// ---- settings chunks: assignments and their editors ----------------------

ChunkEntry EntryOf(int a) {
    const bool open = PlatformEditorIsOpen(a);
    return {a, g_host.assignments.trackIndex[a], g_host.assignments.hostTag[a], g_params.stored[a],
            open ? PlatformEditorWindowPlacement(a) : EditorPlacement{0, 0, 0, 0}, open};
}

void TakeOnEntry(const ChunkEntry& e) {
    const int b = e.index;
    if (!IsAssignmentIndex(b)) return;
    for (int s : kStoredSlots) g_params.stored[b].slot[s] = e.params.slot[s];
    g_params.live[b] = g_params.stored[b];
    TakeOnAssignment(b, e.track, e.hostTag);
    PlatformRememberEditorPlacement(b, e.placement);
    if (e.editorOpen) PlatformOpenEditor(b, 0);
}

// ---- 1..17 ----------------------------------------------------------------

void MsgShutdown() {
    PlatformReleaseResources();
    ReleaseGenerators();
}

void MsgStart() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (!IsAssignmentIndex(a)) return;
    g_engine.processingMode = Arg(HostField::processingFlag);
    if (g_engine.processingMode != 1) return;
    ApplyParams(a, kAllSlots);
    StartGenerators(a);  // without work buffers the renderer leaves the track as it is
}

void MsgStop() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (!IsAssignmentIndex(a)) return;
    g_engine.processingMode = 0;
}

// An editor asked for on an assignment the plug-in does not hold means the
// host's project lost its settings: warn, then take the assignment on with
// whatever parameters it has. Every word is read before the warning: the
// host's other calls (a timer's refresh) go on while the box is up and
// overwrite HostInfo's argument words.
void MsgOpenEditor() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (!IsAssignmentIndex(a)) return;
    const int32_t track = Arg(HostField::trackArg);
    const int32_t tag = Arg(HostField::tagArg);
    const uint32_t referenceWindow = static_cast<uint32_t>(Arg(HostField::slotArg));
    if (!g_host.assignments.active[a]) {
        PlatformShowWarning(kCorruptedSettingsWarning, WarningKind::kTaskModal);
        TakeOnAssignment(a, track, tag);
    }
    PlatformOpenEditor(a, referenceWindow);
}

void MsgCloseEditor() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (IsAssignmentIndex(a) && PlatformEditorIsOpen(a)) PlatformCloseEditor(a);
}

void MsgNewAssignment() {
    const AssignmentTable& t = g_host.assignments;
    if (t.count < kAssignmentCount) {
        for (int i = 0; i < kAssignmentCount; ++i) {
            if (t.active[i]) continue;
            Put(HostField::newAssignment, i);
            TakeOnAssignment(i, Arg(HostField::trackArg), Arg(HostField::assignmentArg));
            return;
        }
    }
    PlatformShowWarning(kMaximumAssignmentsWarning, WarningKind::kTaskModal);
    Put(HostField::newAssignment, -1);
}

void MsgReleaseAssignment() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (!IsAssignmentIndex(a)) return;
    ReleaseAssignment(a);
    if (PlatformEditorIsOpen(a)) PlatformCloseEditor(a);
}

// An assignment word that names nothing is a failure like any other: the
// result word says "rejected", never what the host left there.
void MsgRestoreSettings() {
    const int32_t a = Arg(HostField::assignmentArg);
    const uint8_t* chunk = ChunkBuffer();
    const bool restored = IsAllOrAssignment(a) && chunk != nullptr &&
                          RestoreSettingsChunk(chunk, kChunkMaxBytes, a) == ChunkResult::kRestored;
    Put(HostField::slotArg, restored ? 0 : 1);
}

// Size 0 for an assignment word that names nothing, as for an empty table.
void MsgSaveSettings() {
    const int32_t a = Arg(HostField::assignmentArg);
    uint8_t* chunk = ChunkBuffer();
    const bool named = IsAllOrAssignment(a) && chunk != nullptr;
    Put(HostField::trackArg, named ? static_cast<int32_t>(WriteSettingsChunk(chunk, kChunkMaxBytes, a)) : 0);
}

void MsgApplyParams() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (IsAssignmentIndex(a)) ApplyParams(a, kAllSlots);
}

// The sample rate is unsigned in HostInfo; only a new value re-converts.
void MsgSampleRate() {
    const uint32_t rate = static_cast<uint32_t>(Arg(HostField::assignmentArg));
    if (rate == g_engine.sampleRate) return;
    g_engine.sampleRate = rate;
    ApplyAllActive();
}

void MsgHostSetting() {
    const int32_t value = Arg(HostField::assignmentArg);
    if (value == g_host.hostSetting) return;
    g_host.hostSetting = value;
    ApplyAllActive();
}

// ---- 100..105: refresh from the host -------------------------------------

void MsgReload() {
    if (g_host.assignments.count == 0) return;
    int first, last;
    if (!RefreshRange(Arg(HostField::assignmentArg), first, last)) return;
    for (int a = first; a <= last; ++a) {
        if (!g_host.assignments.active[a]) continue;
        g_params.drawn[a] = g_params.live[a];
        g_params.live[a] = g_params.stored[a];
    }
}

void MsgSetSlot() {
    const int32_t a = Arg(HostField::assignmentArg);
    const int32_t slot = Arg(HostField::slotArg);
    if (!PassesIdentityCheck(a) || slot < 0 || slot >= kSlotCount) return;
    g_params.live[a].slot[slot] = Arg(HostField::valueArg);
}

void RedrawChangedSlots(int a, bool apply) {
    const bool open = PlatformEditorIsOpen(a);
    for (int slot : kRefreshOrder) {
        const int32_t value = g_params.live[a].slot[slot];
        if (value == g_params.drawn[a].slot[slot]) continue;
        if (apply) ApplyParams(a, slot);
        if (open) PlatformRedrawSlot(a, slot, value);
    }
}

void MsgRedrawChanges() {
    if (g_host.assignments.count == 0) return;
    int first, last;
    if (!RefreshRange(Arg(HostField::assignmentArg), first, last)) return;
    for (int a = first; a <= last; ++a) {
        if (g_host.assignments.active[a] && PlatformEditorIsOpen(a)) RedrawChangedSlots(a, false);
    }
}

void MsgApplyChanges() {
    const int32_t a = Arg(HostField::assignmentArg);
    if (PassesIdentityCheck(a)) RedrawChangedSlots(a, true);
}

void MsgSetAndApply() {
    const int32_t a = Arg(HostField::assignmentArg);
    const int32_t slot = Arg(HostField::slotArg);
    if (!PassesIdentityCheck(a) || !IsRefreshSlot(slot)) return;
    g_params.live[a].slot[slot] = Arg(HostField::valueArg);
    ApplyParams(a, slot);
}

void MsgShowValue() {
    const int32_t a = Arg(HostField::assignmentArg);
    const int32_t slot = Arg(HostField::slotArg);
    if (!PassesIdentityCheck(a) || !IsRefreshSlot(slot) || !PlatformEditorIsOpen(a)) return;
    PlatformRedrawSlot(a, slot, Arg(HostField::valueArg));
}

}  // namespace

uint32_t WriteSettingsChunk(uint8_t* out, size_t capacity, int assignment) {
    if (!IsAllOrAssignment(assignment) || g_host.assignments.count == 0) return 0;
    ChunkEntry entries[kAssignmentCount];
    int count = 0;
    for (int a = 0; a < kAssignmentCount; ++a) {
        const bool inRange = assignment == kAllAssignments || a == assignment;
        if (inRange && g_host.assignments.active[a]) entries[count++] = EntryOf(a);
    }
    return EncodeSettingsChunk(entries, count, out, capacity);
}

ChunkResult RestoreSettingsChunk(const uint8_t* chunk, size_t available, int assignment) {
    if (!IsAllOrAssignment(assignment)) return ChunkResult::kRejected;
    ChunkEntry entries[kAssignmentCount];
    const int limit = assignment == kAllAssignments ? kAssignmentCount : 1;
    const int count = DecodeSettingsChunk(chunk, available, limit, entries);
    if (count < 0) return ChunkResult::kRejected;

    TakePresetFolder(chunk);
    for (int a = 0; a < kAssignmentCount; ++a) {
        if (assignment == kAllAssignments || a == assignment) PlatformEndEditorGesture(a);
    }
    if (assignment == kAllAssignments) {
        ReleaseAllAssignments();
    } else {
        ReleaseAssignment(assignment);
    }
    for (int j = 0; j < count; ++j) TakeOnEntry(entries[j]);
    // An assignment the chunk does not bring back is free now: its editor
    // closes, as at message 9, or a click there would report for no track.
    for (int a = 0; a < kAssignmentCount; ++a) {
        const bool inRange = assignment == kAllAssignments || a == assignment;
        if (inRange && !g_host.assignments.active[a] && PlatformEditorIsOpen(a)) PlatformCloseEditor(a);
    }
    return ChunkResult::kRestored;
}

void HandleHostMessage(int32_t message) {
    if (g_host.hostInfo == nullptr) return;
    switch (message) {
    case kMsgShutdown: MsgShutdown(); break;
    case kMsgStart: MsgStart(); break;
    case kMsgStop: MsgStop(); break;
    case kMsgOpenEditor: MsgOpenEditor(); break;
    case kMsgCloseEditor: MsgCloseEditor(); break;
    case kMsgNewAssignment: MsgNewAssignment(); break;
    case kMsgReleaseAssignment: MsgReleaseAssignment(); break;
    case kMsgRestoreSettings: MsgRestoreSettings(); break;
    case kMsgSaveSettings: MsgSaveSettings(); break;
    case kMsgApplyParams: MsgApplyParams(); break;
    case kMsgSampleRate: MsgSampleRate(); break;
    case kMsgHostSetting: MsgHostSetting(); break;
    case kMsgReload: MsgReload(); break;
    case kMsgSetSlot: MsgSetSlot(); break;
    case kMsgRedrawChanges: MsgRedrawChanges(); break;
    case kMsgApplyChanges: MsgApplyChanges(); break;
    case kMsgSetAndApply: MsgSetAndApply(); break;
    case kMsgShowValue: MsgShowValue(); break;
    default: break;  // 4, 5, 15..17 (FxChangePosition) and unknown numbers
    }
}

}  // namespace kelvane
