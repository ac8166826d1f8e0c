// The seam between the portable host protocol and the operating system.
// The plug-in implements these with Win32 calls; the native tests and the
// fuzzer link a stand-in that records what was asked.
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

struct EditorPlacement {
    int32_t left, top, width, height;
};

// A "WARNING!" message box with the warning icon; returns when dismissed.
void PlatformShowWarning(const char* text, WarningKind kind);

// Sends a command to the host window and waits until it has been handled.
void PlatformSendHostCommand(int32_t code);

// Editors. OpenEditor creates the window or repaints an open one; the
// reference window is the host's 32-bit handle word, 0 for none.
void PlatformOpenEditor(int assignment, uint32_t referenceWindow);
void PlatformCloseEditor(int assignment);
// Ends any mouse gesture in the assignment's editor without committing it
// (closing an editor does this too): its parameters are about to be replaced.
void PlatformEndEditorGesture(int assignment);
bool PlatformEditorIsOpen(int assignment);
// The open window's screen rectangle as left, top, width, height.
EditorPlacement PlatformEditorWindowPlacement(int assignment);
// The placement the next opening uses; width 0 means place afresh.
void PlatformRememberEditorPlacement(int assignment, EditorPlacement placement);
// Redraws the control that shows `slot` from `value` in an open editor
// (host refresh). Closed editors and slots without a control draw nothing.
void PlatformRedrawSlot(int assignment, int slot, int32_t value);
// Invalidates and repaints the whole open editor (after a preset load).
void PlatformRepaintEditor(int assignment);

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
