// Floor 2 of the editor: typed entry, the field's whole life from the press
// that opens it to its commit or close. Calls only the floors below (skin.h,
// edit.h).
#pragma once

#include "editor_state.h"

namespace kelvane {

// [UI thread] A press on a value box opens the process's one entry field over it,
// unless one is open already.
void PressValueBox(EditorRef editor, Control box);
// Characters and commands that reach an editor while the field is open.
void OnEntryChar(EditorRef editor, WPARAM character);
void OnEntryCommand(EditorRef editor, WPARAM wParam, LPARAM lParam);
// Destroys the typed-entry field, if one is open (a commit, a cancel, the
// closing of its editor).
void CloseEntryField();

}  // namespace kelvane
