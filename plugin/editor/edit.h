// Floor 1 of the editor: the one path by which an edit in any editor reaches
// the parameters and the host. Calls no other editor file.
#pragma once

#include <cstdint>

#include "controls.h"

namespace kelvane {

enum class Gesture { kGoesOn, kEnds };

// [UI thread] Commits a control's new value: writes the assignment's live
// slot, converts it for the renderer, reports it with the control's report
// range and, when the gesture ends with it, tells the host the edit is done.
// Every gesture's edit comes through here, so the host always sees this order.
void CommitEdit(int assignment, Control control, int32_t value, Gesture gesture);

}  // namespace kelvane
