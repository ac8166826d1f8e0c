// The editor's state: the one instance, and the editor of a window.
#include "editor_state.h"

namespace kelvane {

EditorState g_editor;

int AssignmentOf(HWND window) { return static_cast<int>(GetWindowLongA(window, 0)); }

}  // namespace kelvane
