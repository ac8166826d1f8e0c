#include "host_state.h"

namespace kelvane {

// The host interface's process-wide tables; FxInit fills them.
HostState g_host;

}  // namespace kelvane
