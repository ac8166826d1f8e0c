// Preset files: the editor's context menu saves (command 5002) and loads
// (command 5000) the parameters of its assignment through the common dialogs.
// [UI thread] Both run on the thread that owns the editor windows; neither
// sends anything to the host. A file that cannot be written or read is not
// passed over in silence: a warning box says so.
#pragma once

namespace kelvane {

constexpr char kPresetNotSavedWarning[] = "The Preset Could Not Be Saved!";
constexpr char kPresetNotReadWarning[] = "The Preset Could Not Be Read!";

void SavePreset(int assignment);
void LoadPreset(int assignment);

}  // namespace kelvane
