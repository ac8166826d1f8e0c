#include "fake_platform.h"

#include "host_state.h"
#include "hostinfo.h"

namespace kelvane {

FakePlatform g_fake;

void ResetFakePlatform() { g_fake = FakePlatform(); }

static bool Valid(int a) { return a >= 0 && a < 8; }

void PlatformShowWarning(const char* text, WarningKind kind) { g_fake.warnings.emplace_back(text, kind); }

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

}  // namespace kelvane
