// The seam between the portable host protocol and the operating system:
// warning boxes, commands to the host window, the release of the library's
// resources and the preset files. The DLL's glue implements it with Win32
// calls (plugin/dll); the native tests and the fuzzer link a stand-in that
// records what was asked. What is asked of the editors is editor_seam.h.
#pragma once

#include <cstdint>

#include "host_state.h"

namespace kelvane {

// Command codes sent to the host window with the registered message.
enum HostCommand : int32_t {
    kCmdClickStopped = 19,
    kCmdClickRunning = 22,
    kCmdEditDone = 23,
    kCmdParamChange = 100,
};

enum class WarningKind {
    kTaskModal,     // lost assignment, full table
    kSystemModal,   // rejected preset file
};

// A "WARNING!" message box with the warning icon; returns when dismissed.
void PlatformShowWarning(const char* text, WarningKind kind);

// Sends a command to the host window and waits until it has been handled.
void PlatformSendHostCommand(int32_t code);

// Host message 1: closes every open editor, deletes the bitmaps, the font and
// the window classes and frees the WorkBuffer, in that order.
void PlatformReleaseResources();

// Preset files. The dialog asks for a file (the save or the load dialog),
// owned by the assignment's editor, which waits for it, and, when one is
// chosen, makes its folder the PresetFolder and its name the PresetFileName;
// false when cancelled.
bool PlatformChoosePresetFile(int assignment, bool save, char (&path)[kPathBytes]);
// Creates a new empty file in the folder of `path` and names it in
// `created`; false when the folder takes no new file.
bool PlatformCreateFileBeside(const char* path, char (&created)[kPathBytes]);
// Writes all `count` bytes into the existing file `path`, replacing its
// content, and closes it; false unless every byte is on disk.
bool PlatformWriteFile(const char* path, const uint8_t* bytes, uint32_t count);
// Moves `from` over `to`, replacing it; false leaves `to` as it was.
bool PlatformReplaceFile(const char* from, const char* to);
void PlatformDeleteFile(const char* path);
// Reads at most `capacity` bytes; returns the count, or -1 when the file
// cannot be opened or read.
long PlatformReadFile(const char* path, uint8_t* buffer, uint32_t capacity);

}  // namespace kelvane
