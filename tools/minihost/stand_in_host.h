// A stand-in for the SAW host: loads KelvaneFx.dll, owns the HostInfo record
// and a host window that records every command the plug-in sends, and calls
// the four exports the way the host does. Used by minihost and the Wine tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostinfo.h"
#include "messages.h"

namespace minihost {

using kelvane::HostField;

struct HostCommand {
    int32_t code;
    // The report words as they stood when the command arrived.
    int32_t pluginId, assignment, track, slot, value, minimum, maximum;
};

struct StandInHost {
    HMODULE dll = nullptr;
    char* (__stdcall* fxInit)(void*) = nullptr;
    int (__stdcall* fxMainHandler)(int) = nullptr;
    void (__stdcall* fxProcessBuffer)(int, void*) = nullptr;
    void (__stdcall* fxChangePosition)() = nullptr;
    alignas(4) uint8_t hostInfo[512] = {};
    HWND window = nullptr;
    UINT commandMessage = 0;
    std::vector<HostCommand> commands;
    char* pluginName = nullptr;
    int32_t trackOf[8] = {-1, -1, -1, -1, -1, -1, -1, -1};   // as handed to message 8

    // Creates the host window, loads the DLL, fills HostInfo and calls FxInit.
    // Returns an empty string on success, else what went wrong.
    std::string Start(const char* dllPath, uint32_t sampleRate = 48000);
    // Message 1, then FreeLibrary and the window destroyed.
    void Stop();

    int32_t Get(HostField f) const { return kelvane::ReadHostWord(hostInfo, f); }
    void Set(HostField f, int32_t v) { kelvane::WriteHostWord(hostInfo, f, v); }
    void Message(int message) { fxMainHandler(message); }

    // Message 8 with the given tag and track; returns newAssignment.
    int NewAssignment(int32_t track, int32_t tag = 0);
    // Message 104 (set and apply one slot), passing the identity check.
    void SetSlot(int assignment, int slot, int32_t value);
    // Message 2 with processingFlag 1.
    void StartProcessing(int assignment);
    // One FxProcessBuffer call with the per-buffer words set.
    void Process(int assignment, void* buffer, uint32_t bytes, int32_t sampleFormat, int32_t channels = 2);
};

// Pumps the thread's message queue until it is empty.
void PumpMessages();

}  // namespace minihost
