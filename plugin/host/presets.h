// Preset files: the editor's context menu saves (command 5002) and loads
// (command 5000) the parameters of its assignment through the common dialogs.
// [ui-thread] Both run on the thread that owns the editor windows; neither
// sends anything to the host.
#pragma once

namespace kelvane {

void SavePreset(int assignment);
void LoadPreset(int assignment);

}  // namespace kelvane
