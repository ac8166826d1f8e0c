// Win32 side of the operating-system seam (platform.h): warnings, host
// commands and the release of the library's resources; the preset files are
// presets_win32.cpp's. The editor seam (editor_seam.h) lives in plugin/editor.
#include <windows.h>

#include "editor.h"
#include "host_state.h"
#include "platform.h"

namespace kelvane {

constexpr char kWarningTitle[] = "WARNING!";

void PlatformShowWarning(const char* text, WarningKind kind) {
    const UINT modality = kind == WarningKind::kSystemModal ? MB_SYSTEMMODAL : (MB_TASKMODAL | MB_TOPMOST);
    MessageBoxA(nullptr, text, kWarningTitle, MB_OK | MB_ICONWARNING | modality);
}

void PlatformSendHostCommand(int32_t code) {
    SendMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(g_host.hostWindow)), g_host.commandMessage,
                 static_cast<WPARAM>(code), 0);
}

void PlatformReleaseResources() {
    EditorReleaseResources();
    if (g_host.workBuffer != nullptr) {
        GlobalFree(g_host.workBuffer);
        g_host.workBuffer = nullptr;
    }
}

}  // namespace kelvane
