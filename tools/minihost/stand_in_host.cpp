#include "stand_in_host.h"

namespace minihost {

namespace {

constexpr char kHostClassName[] = "KelvaneStandInHost";
constexpr char kCommandMessageName[] = "ZuvAdOdeveviDiridazi";
constexpr int32_t kPluginId = 0x4B454C;
constexpr int32_t kInputTracks = 16;
constexpr int32_t kFirstOutputTrack = 24;

// Commands are sent synchronously from the plug-in; the host window only
// records them with the report words.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<StandInHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host != nullptr && message == host->commandMessage) {
        HostCommand c;
        c.code = static_cast<int32_t>(wParam);
        c.pluginId = host->Get(HostField::reportPluginId);
        c.assignment = host->Get(HostField::reportAssignment);
        c.track = host->Get(HostField::reportTrack);
        c.slot = host->Get(HostField::reportSlot);
        c.value = host->Get(HostField::reportValue);
        c.minimum = host->Get(HostField::reportMin);
        c.maximum = host->Get(HostField::reportMax);
        host->commands.push_back(c);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string StandInHost::Start(const char* dllPath, uint32_t sampleRate) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kHostClassName;
    RegisterClassA(&wc);   // a second host in the same process reuses the class
    window = CreateWindowExA(0, kHostClassName, "Stand-in host", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                             nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) return "cannot create the host window";
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    commandMessage = RegisterWindowMessageA(kCommandMessageName);

    dll = LoadLibraryA(dllPath);
    if (dll == nullptr) return std::string("cannot load ") + dllPath;
    // The exports' own types are known here, not to GetProcAddress; going
    // through the generic function pointer type says so to the compiler.
    const auto find = [this](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(dll, name)); };
    fxInit = reinterpret_cast<decltype(fxInit)>(find("FxInit"));
    fxMainHandler = reinterpret_cast<decltype(fxMainHandler)>(find("FxMainHandler"));
    fxProcessBuffer = reinterpret_cast<decltype(fxProcessBuffer)>(find("FxProcessBuffer"));
    fxChangePosition = reinterpret_cast<decltype(fxChangePosition)>(find("FxChangePosition"));
    if (!fxInit || !fxMainHandler || !fxProcessBuffer || !fxChangePosition) return "missing export";

    Set(HostField::hostWindow, static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)));
    Set(HostField::hostFont, static_cast<int32_t>(reinterpret_cast<uintptr_t>(GetStockObject(DEFAULT_GUI_FONT))));
    Set(HostField::inputTrackCount, kInputTracks);
    Set(HostField::firstOutputTrack, kFirstOutputTrack);
    Set(HostField::sampleRate, static_cast<int32_t>(sampleRate));
    Set(HostField::pluginIdField, kPluginId);
    pluginName = fxInit(hostInfo);
    return "";
}

void StandInHost::Stop() {
    if (dll != nullptr) {
        Message(kelvane::kMsgShutdown);
        FreeLibrary(dll);
        dll = nullptr;
    }
    if (window != nullptr) DestroyWindow(window);
    window = nullptr;
}

int StandInHost::NewAssignment(int32_t track, int32_t tag) {
    Set(HostField::assignmentArg, tag);
    Set(HostField::trackArg, track);
    Message(kelvane::kMsgNewAssignment);
    const int a = Get(HostField::newAssignment);
    if (a >= 0 && a < 8) trackOf[a] = track;
    return a;
}

void StandInHost::SetSlot(int assignment, int slot, int32_t value) {
    Set(HostField::assignmentArg, assignment);
    Set(HostField::trackArg, trackOf[assignment & 7]);
    Set(HostField::slotArg, slot);
    Set(HostField::valueArg, value);
    Message(kelvane::kMsgSetAndApply);
}

void StandInHost::StartProcessing(int assignment) {
    Set(HostField::assignmentArg, assignment);
    Set(HostField::processingFlag, 1);
    Message(kelvane::kMsgStart);
}

void StandInHost::Process(int assignment, void* buffer, uint32_t bytes, int32_t sampleFormat, int32_t channels) {
    Set(HostField::bufferBytes, static_cast<int32_t>(bytes));
    Set(HostField::channelCount, channels);
    Set(HostField::sampleFormat, sampleFormat);
    fxProcessBuffer(assignment, buffer);
}

}  // namespace minihost
