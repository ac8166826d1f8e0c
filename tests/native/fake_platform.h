// A stand-in for the Win32 side of both host seams (platform.h and
// editor_seam.h): it records every warning, host command (with the report
// words at the moment of sending), editor call and redraw, and keeps an open
// flag and a placement per editor.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "editor_seam.h"
#include "platform.h"

namespace kelvane {

struct FakeCommand {
    int32_t code;
    int32_t report[7];  // pluginId, assignment, track, slot, value, min, max
};

struct FakeRedraw {
    int assignment, slot;
    int32_t value;
    bool operator==(const FakeRedraw& o) const {
        return assignment == o.assignment && slot == o.slot && value == o.value;
    }
};

struct FakePlatform {
    std::vector<std::pair<std::string, WarningKind>> warnings;
    std::function<void()> duringWarning;  // the host's other calls while a box is up
    std::vector<FakeCommand> commands;
    std::vector<std::pair<int, uint32_t>> opened;   // assignment, reference window
    std::vector<int> closed;
    std::vector<FakeRedraw> redraws;
    std::vector<int> repaints;
    int releases = 0;
    bool open[8] = {};
    EditorPlacement placement[8] = {};    // of the open window
    EditorPlacement remembered[8] = {};   // for the next opening
    // Preset files: a folder in memory. The dialog returns chosenFile ("" is
    // a cancel); the folder can refuse new files or be full after freeBytes.
    std::string chosenFile;
    std::map<std::string, std::vector<uint8_t>> files;
    bool refuseNewFiles = false;
    long freeBytes = -1;                  // -1: no limit
};
extern FakePlatform g_fake;

// Forgets every record and closes every editor.
void ResetFakePlatform();

}  // namespace kelvane
