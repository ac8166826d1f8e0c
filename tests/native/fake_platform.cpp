#include "fake_platform.h"

#include <cstring>

#include "host_state.h"
#include "hostinfo.h"

namespace kelvane {

FakePlatform g_fake;

void ResetFakePlatform() { g_fake = FakePlatform(); }

static bool Valid(int a) { return a >= 0 && a < 8; }

void PlatformShowWarning(const char* text, WarningKind kind) {
    g_fake.warnings.emplace_back(text, kind);
    if (g_fake.duringWarning) g_fake.duringWarning();
}

void PlatformSendHostCommand(int32_t code) {
    static const HostField kReport[7] = {HostField::reportPluginId, HostField::reportAssignment,
                                         HostField::reportTrack,    HostField::reportSlot,
                                         HostField::reportValue,    HostField::reportMin,
                                         HostField::reportMax};
    FakeCommand c{code, {}};
    for (int i = 0; i < 7; ++i) c.report[i] = ReadHostWord(g_host.hostInfo, kReport[i]);
    g_fake.commands.push_back(c);
}

// A new window opens at its remembered place, or at a fixed default.
void PlatformOpenEditor(int a, uint32_t referenceWindow) {
    if (!Valid(a)) return;
    g_fake.opened.emplace_back(a, referenceWindow);
    if (g_fake.open[a]) return;
    g_fake.open[a] = true;
    const EditorPlacement r = g_fake.remembered[a];
    g_fake.placement[a] = r.width != 0 ? r : EditorPlacement{40 + 10 * a, 30, 380, 300};
}

void PlatformCloseEditor(int a) {
    if (!Valid(a)) return;
    g_fake.closed.push_back(a);
    g_fake.open[a] = false;
}

void PlatformEndEditorGesture(int) {}

bool PlatformEditorIsOpen(int a) { return Valid(a) && g_fake.open[a]; }

EditorPlacement PlatformEditorWindowPlacement(int a) {
    return Valid(a) && g_fake.open[a] ? g_fake.placement[a] : EditorPlacement{0, 0, 0, 0};
}

void PlatformRememberEditorPlacement(int a, EditorPlacement placement) {
    if (Valid(a)) g_fake.remembered[a] = placement;
}

void PlatformRedrawSlot(int a, int slot, int32_t value) { g_fake.redraws.push_back({a, slot, value}); }

void PlatformRepaintEditor(int a) { g_fake.repaints.push_back(a); }

void PlatformReleaseResources() {
    ++g_fake.releases;
    for (bool& o : g_fake.open) o = false;
}

bool PlatformChoosePresetFile(int, bool, char (&path)[kPathBytes]) {
    if (g_fake.chosenFile.empty()) return false;
    std::strncpy(path, g_fake.chosenFile.c_str(), kPathBytes - 1);
    path[kPathBytes - 1] = '\0';
    return true;
}

bool PlatformCreateFileBeside(const char* path, char (&created)[kPathBytes]) {
    if (g_fake.refuseNewFiles) return false;
    const std::string p(path);
    const std::string name = p.substr(0, p.find_last_of('\\') + 1) + "kvp" + std::to_string(g_fake.files.size()) + ".tmp";
    g_fake.files[name];
    std::strcpy(created, name.c_str());
    return true;
}

bool PlatformWriteFile(const char* path, const uint8_t* bytes, uint32_t count) {
    auto f = g_fake.files.find(path);
    if (f == g_fake.files.end()) return false;
    const long fits = g_fake.freeBytes < 0 || g_fake.freeBytes >= long(count) ? long(count) : g_fake.freeBytes;
    f->second.assign(bytes, bytes + fits);
    if (g_fake.freeBytes >= 0) g_fake.freeBytes -= fits;
    return fits == long(count);
}

bool PlatformReplaceFile(const char* from, const char* to) {
    auto f = g_fake.files.find(from);
    if (f == g_fake.files.end()) return false;
    std::vector<uint8_t> bytes = f->second;
    g_fake.files.erase(f);
    g_fake.files[to] = bytes;
    return true;
}

void PlatformDeleteFile(const char* path) { g_fake.files.erase(path); }

long PlatformReadFile(const char* path, uint8_t* buffer, uint32_t capacity) {
    auto f = g_fake.files.find(path);
    if (f == g_fake.files.end()) return -1;
    const size_t n = f->second.size() < capacity ? f->second.size() : capacity;
    std::memcpy(buffer, f->second.data(), n);
    return static_cast<long>(n);
}

}  // namespace kelvane
