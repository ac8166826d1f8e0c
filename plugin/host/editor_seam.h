// The seam between the portable host protocol and the editor windows: what
// host messages and settings chunks ask of an assignment's editor. The
// editor implements it (plugin/editor/window.cpp); the native tests and the
// fuzzer link a stand-in that records what was asked.
#pragma once

#include <cstdint>

namespace kelvane {

// An editor window's screen rectangle, as settings chunks store it.
struct EditorPlacement {
    int32_t left, top, width, height;
};

// OpenEditor creates the window or repaints an open one; the reference
// window is the host's 32-bit handle word, 0 for none.
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

}  // namespace kelvane
