// The four exports of KelvaneFx.dll and the library entry point. This is the
// only place where the host's calls enter the plug-in; everything behind it
// works on the process-wide tables.
//
// Exports are stdcall and named without decoration through KelvaneFx.def.
// No exception may leave them: the code behind them throws none.
#include <windows.h>

#include <cstring>

#include "editor.h"
#include "assignments.h"
#include "host_state.h"
#include "hostinfo.h"
#include "messages.h"
#include "plugin_folder.h"
#include "render.h"
#include "white_state_win32.h"

using namespace kelvane;

namespace {

HINSTANCE s_module;

constexpr char kCommandMessageName[] = "ZuvAdOdeveviDiridazi";

// Library-wide start-up: screen size, window classes, bitmaps and font (the
// editor's), the command message, the WorkBuffer and the PluginFolder.
void StartUp() {
    EditorStartUp(s_module);
    g_host.commandMessage = RegisterWindowMessageA(kCommandMessageName);
    // Presets need the WorkBuffer; when it cannot be had they do nothing. A
    // second FxInit keeps the one it has.
    if (g_host.workBuffer == nullptr) {
        g_host.workBuffer = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, kWorkBufferBytes));
    }
    char modulePath[kPathBytes] = {};
    DWORD length = GetModuleFileNameA(s_module, modulePath, kPathBytes);
    if (length >= kPathBytes) length = kPathBytes - 1;
    modulePath[length] = '\0';
    PluginFolderFromModulePath(modulePath, g_host.pluginFolder, kPathBytes);
}

}  // namespace

// [loader] Keeps the module handle and takes the white-noise slot; at unload
// gives back the slot and the window classes, so that a host that loads and
// unloads the library all day loses nothing.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        s_module = instance;
        TakeWhiteStateSlot();
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit (reserved set) the classes go with the process.
        if (reserved == nullptr) EditorUnload(instance);
        FreeWhiteStateSlot();
    }
    return TRUE;
}

// [UI thread] Called once, before any other export, with the host's
// record, which stays alive until the library is unloaded.
extern "C" char* __stdcall FxInit(void* hostInfo) {
    g_host.hostInfo = hostInfo;
    g_host.pluginId = ReadHostWord(hostInfo, HostField::pluginIdField);
    g_host.hostWindow = static_cast<uint32_t>(ReadHostWord(hostInfo, HostField::hostWindow));
    g_host.hostFont = static_cast<uint32_t>(ReadHostWord(hostInfo, HostField::hostFont));
    g_engine.sampleRate = static_cast<uint32_t>(ReadHostWord(hostInfo, HostField::sampleRate));
    g_host.hostSetting = ReadHostWord(hostInfo, HostField::hostSetting);
    g_host.inputTrackCount = ReadHostWord(hostInfo, HostField::inputTrackCount);
    g_host.firstOutputTrack = ReadHostWord(hostInfo, HostField::firstOutputTrack);

    StartUp();
    ReleaseAllAssignments();
    g_engine.processingMode = 0;

    char* name = HostFieldAddress(hostInfo, HostField::pluginName);
    std::memcpy(name, kPluginName, sizeof kPluginName);
    return name;
}

// [UI thread] Every host message; results travel in HostInfo.
extern "C" int __stdcall FxMainHandler(int message) {
    HandleHostMessage(message);
    return 0;
}

// [audio thread] Replaces one interleaved stereo buffer in place. Makes no
// system call and allocates nothing; calls never overlap. Before FxInit there
// is no HostInfo to read: the buffer is left as it is.
extern "C" void __stdcall FxProcessBuffer(int assignment, void* buffer) {
    const void* hostInfo = g_host.hostInfo;
    if (hostInfo == nullptr) return;
    if (ReadHostWord(hostInfo, HostField::processingFlag) != 1) return;
    // An assignment the host cannot have been given is left alone.
    if (assignment < 0 || assignment >= kAssignmentCount) return;
    const uint32_t bufferBytes = static_cast<uint32_t>(ReadHostWord(hostInfo, HostField::bufferBytes));
    const int32_t sampleFormat = ReadHostWord(hostInfo, HostField::sampleFormat);
    if (ReadHostWord(hostInfo, HostField::channelCount) != 2) return;
    RenderBuffer(assignment, buffer, bufferBytes, sampleFormat);
}

// [UI thread] Position changes need nothing from a signal generator.
extern "C" void __stdcall FxChangePosition() {}
