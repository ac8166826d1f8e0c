// Floor 3 of the editor: the logo's menu (help, about, presets), the about
// view's modal loop and the launch of the help file. Calls only the floors
// below.
#pragma once

#include "editor_state.h"

namespace kelvane {

// [UI thread] A left press while the about view is shown: the link opens the maker's
// page, anywhere else the view closes.
void OnAboutViewPress(EditorRef editor, int x, int y);
// The logo's menu at the cursor, and what its chosen item does.
void ShowContextMenu(EditorRef editor);

}  // namespace kelvane
