// HostInfo: the record of little-endian 32-bit words that the host owns and
// hands to FxInit. The offsets below are the interface with the host; this
// table is the only place in the project that knows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kelvane {

enum class HostField : uint32_t {
    hostWindow       = 0x00,   // taken once: receives commands, owns editors and dialogs
    hostFont         = 0x04,   // taken once: font of the track label
    unused08         = 0x08,   // read once, no effect
    assignmentArg    = 0x0C,   // per message: assignment, HostTag at 8, value at 13/14
    trackArg         = 0x10,   // per message: TrackIndex; chunk size written by 11
    slotArg          = 0x14,   // per message: reference window, rejection flag, slot
    tagArg           = 0x18,   // message 6: HostTag of an assignment taken on again
    valueArg         = 0x1C,   // messages 101, 104, 105: slot value
    chunkAddress     = 0x2C,   // messages 10 and 11: settings chunk buffer
    reportPluginId   = 0x3C,   // written before command 100 ...
    reportAssignment = 0x40,
    reportTrack      = 0x44,
    reportSlot       = 0x48,
    reportValue      = 0x4C,
    reportMin        = 0x50,
    reportMax        = 0x54,   // ... up to here
    inputTrackCount  = 0x6C,   // taken once: tracks below it are input tracks
    firstOutputTrack = 0x70,   // taken once: tracks from it on are output tracks
    sampleRate       = 0x84,   // taken once, in Hz; later changes come as message 13
    hostSetting      = 0x88,   // taken once; later changes come as message 14
    pluginName       = 0x9C,   // written by FxInit: "Kelvane" and a zero
    pluginIdField    = 0xCC,   // taken once: the PluginId echoed with command 100
    newAssignment    = 0xD0,   // written by message 8
    processingFlag   = 0xE8,   // per call: 1 = processing runs
    bufferBytes      = 0xEC,   // per buffer: size of the buffer in bytes
    channelCount     = 0xF0,   // per buffer: only 2 is rendered
    sampleFormat     = 0xF4,   // per buffer: 4 = 32-bit samples, else 16-bit
    unusedF8         = 0xF8,   // read once, no effect
    unusedFC         = 0xFC,   // read per buffer, no effect
    recordChanges    = 0x1C4,  // non-zero: editor changes go to the host as command 100
};

constexpr size_t kHostInfoMinBytes = 456;
constexpr size_t kPluginNameEnd = 0xCC;
constexpr char kPluginName[] = "Kelvane";

constexpr HostField kHostFields[] = {
    HostField::hostWindow, HostField::hostFont, HostField::unused08,
    HostField::assignmentArg, HostField::trackArg, HostField::slotArg,
    HostField::tagArg, HostField::valueArg, HostField::chunkAddress,
    HostField::reportPluginId, HostField::reportAssignment, HostField::reportTrack,
    HostField::reportSlot, HostField::reportValue, HostField::reportMin,
    HostField::reportMax, HostField::inputTrackCount, HostField::firstOutputTrack,
    HostField::sampleRate, HostField::hostSetting, HostField::pluginName,
    HostField::pluginIdField, HostField::newAssignment, HostField::processingFlag,
    HostField::bufferBytes, HostField::channelCount, HostField::sampleFormat,
    HostField::unusedF8, HostField::unusedFC, HostField::recordChanges,
};

// Every word is aligned, ascending, inside the record and clear of the next.
constexpr bool HostFieldsAreSound() {
    uint32_t previous = 0;
    bool first = true;
    for (HostField f : kHostFields) {
        uint32_t offset = static_cast<uint32_t>(f);
        if (offset % 4 != 0 || offset + 4 > kHostInfoMinBytes) return false;
        if (!first && offset < previous + 4) return false;
        previous = offset;
        first = false;
    }
    return true;
}
static_assert(HostFieldsAreSound(), "HostInfo offsets must be aligned, ascending and inside the record");
static_assert(static_cast<uint32_t>(HostField::pluginName) + sizeof(kPluginName) <= kPluginNameEnd,
              "the plug-in name must end before the PluginId field");
static_assert(static_cast<uint32_t>(HostField::pluginIdField) == kPluginNameEnd, "name field bound");
static_assert(static_cast<uint32_t>(HostField::recordChanges) == 452, "last word of the record");

inline int32_t ReadHostWord(const void* hostInfo, HostField field) {
    int32_t value;
    std::memcpy(&value, static_cast<const uint8_t*>(hostInfo) + static_cast<uint32_t>(field), sizeof value);
    return value;
}

inline void WriteHostWord(void* hostInfo, HostField field, int32_t value) {
    std::memcpy(static_cast<uint8_t*>(hostInfo) + static_cast<uint32_t>(field), &value, sizeof value);
}

inline char* HostFieldAddress(void* hostInfo, HostField field) {
    return static_cast<char*>(hostInfo) + static_cast<uint32_t>(field);
}

}  // namespace kelvane
