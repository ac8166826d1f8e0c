// Shared set-up of the host tests: a HostInfo record, a chunk buffer in the
// low 4 GB (chunkAddress is a 32-bit word) that ends at an unmapped page, and
// a snapshot of every table a message may change.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "assignments.h"
#include "fake_platform.h"
#include "hostinfo.h"
#include "messages.h"
#include "render.h"
#include "settings_format.h"

namespace kelvane {

// Page-aligned so that byte 1016 of the chunk is the first unmapped byte.
inline uint8_t* LowChunkBuffer() {
    static uint8_t* chunk = [] {
        void* p = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) return static_cast<uint8_t*>(nullptr);
        mprotect(static_cast<uint8_t*>(p) + 4096, 4096, PROT_NONE);
        return static_cast<uint8_t*>(p) + 4096 - kChunkMaxBytes;
    }();
    return chunk;
}

inline int32_t LowAddress(const uint8_t* p) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

struct Snapshot {
    ParamState params;
    ConvertedParams converted[kAssignmentCount];
    AssignmentTable table;
    uint8_t hostInfo[kHostInfoMinBytes];
    char presetFolder[kPathBytes];
    uint32_t sampleRate;
    int32_t processingMode, hostSetting;
    size_t records;

    static Snapshot Take() {
        Snapshot s;
        s.params = g_params;
        std::memcpy(s.converted, g_converted, sizeof s.converted);
        s.table = g_host.assignments;
        std::memcpy(s.hostInfo, g_host.hostInfo, kHostInfoMinBytes);
        // The arguments the tests vary; what the plug-in writes stays compared.
        for (HostField f : {HostField::assignmentArg, HostField::trackArg, HostField::slotArg, HostField::tagArg,
                            HostField::valueArg, HostField::chunkAddress, HostField::processingFlag}) {
            WriteHostWord(s.hostInfo, f, 0);
        }
        std::memcpy(s.presetFolder, g_host.presetFolder, kPathBytes);
        s.sampleRate = g_engine.sampleRate;
        s.processingMode = g_engine.processingMode;
        s.hostSetting = g_host.hostSetting;
        s.records = g_fake.warnings.size() + g_fake.commands.size() + g_fake.opened.size() +
                    g_fake.closed.size() + g_fake.redraws.size() + g_fake.repaints.size() + g_fake.releases;
        return s;
    }
    bool operator==(const Snapshot& o) const {
        return std::memcmp(&params, &o.params, sizeof params) == 0 &&
               std::memcmp(converted, o.converted, sizeof converted) == 0 &&
               std::memcmp(&table, &o.table, sizeof table) == 0 &&
               std::memcmp(hostInfo, o.hostInfo, sizeof hostInfo) == 0 &&
               std::memcmp(presetFolder, o.presetFolder, sizeof presetFolder) == 0 &&
               sampleRate == o.sampleRate && processingMode == o.processingMode &&
               hostSetting == o.hostSetting && records == o.records;
    }
};

class HostTest : public ::testing::Test {
protected:
    uint8_t info[kHostInfoMinBytes] = {};

    void SetUp() override {
        std::memset(&g_host, 0, sizeof g_host);
        g_host.hostInfo = info;
        g_host.pluginId = 0x4B56;
        g_host.hostSetting = 7;
        std::strcpy(g_host.presetFolder, "C:\\Presets\\");
        g_params = ParamState();
        ReleaseAllAssignments();
        std::memset(g_converted, 0, sizeof(ConvertedParams) * kAssignmentCount);
        g_engine.sampleRate = 44100;
        g_engine.processingMode = 0;
        ResetFakePlatform();
        ASSERT_NE(LowChunkBuffer(), nullptr);
    }

    void Set(HostField f, int32_t v) { WriteHostWord(info, f, v); }
    int32_t Get(HostField f) const { return ReadHostWord(info, f); }

    void Send(int32_t message, int32_t assignment, int32_t track = 0) {
        Set(HostField::assignmentArg, assignment);
        Set(HostField::trackArg, track);
        HandleHostMessage(message);
    }

    // Message 8 with tag and track; returns the index written back.
    int32_t NewAssignment(int32_t tag, int32_t track) {
        Send(kMsgNewAssignment, tag, track);
        return Get(HostField::newAssignment);
    }
};

}  // namespace kelvane
