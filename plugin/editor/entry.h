// Floor 3 of the editor: typed entry. Calls only the floors below.
#pragma once

#include "window.h"

namespace kelvane {

// [UI thread] A press on a value box opens the process's one entry field over it,
// unless one is open already.
void PressValueBox(EditorRef editor, Control box);
// Characters and commands that reach an editor while the field is open.
void OnEntryChar(EditorRef editor, WPARAM character);
void OnEntryCommand(EditorRef editor, WPARAM wParam, LPARAM lParam);

}  // namespace kelvane
