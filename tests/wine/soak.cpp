// make soak: a host's long day for KelvaneFx.dll under Wine. All eight
// assignments render the given minutes of audio each, in buffers of varying
// size and format, while random host messages with extreme words arrive,
// editors open and close, and settings chunks make round trips (within a
// load and across reloads of the library) that must give back the same bytes.
// Ends with one summary line; exits 1 when anything was lost or grew.
//
//   soak.exe <minutes of audio per assignment> [seed]     (KELVANE_DLL: the plug-in)
#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource_counts.h"
#include "stand_in_host.h"
#include "wine_test_util.h"

namespace {

using minihost::HostField;
using minihost::StandInHost;

const bool s_x11 = UseTestX11Settings();
const bool s_libraries = (KeepSystemLibrariesLoaded(), true);

constexpr uint32_t kRate = 48000;
constexpr int kMaxFrames = 4096;
constexpr int kGuardWords = 64;
constexpr uint32_t kGuard = 0xA5A5A5A5u;
constexpr int kSessions = 8;   // the library is loaded this often

uint32_t s_rng = 1;
uint32_t Next() {
    s_rng ^= s_rng << 13;
    s_rng ^= s_rng >> 17;
    s_rng ^= s_rng << 5;
    return s_rng;
}
int Pick(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

// Words at the edges of every range the plug-in checks, and anything at all.
int32_t ExtremeWord() {
    static const int32_t words[] = {INT_MIN, INT_MIN + 1, -2, -1, 0, 1, 7, 8, 9, 16, 17, 105, 106,
                                    6500, 2000000, 30000, INT_MAX - 1, INT_MAX};
    return Pick(4) == 0 ? static_cast<int32_t>(Next()) : words[Pick(sizeof words / sizeof words[0])];
}

struct Totals {
    unsigned long buffers = 0, messages = 0, roundTrips = 0, reloadTrips = 0, lost = 0;
    double framesRendered[8] = {};
};

struct Soak {
    StandInHost* host = nullptr;
    Totals totals;
    alignas(16) uint8_t chunk[1016];
    alignas(16) uint8_t again[1016];
    std::vector<int32_t> buffer = std::vector<int32_t>(2 * kMaxFrames + kGuardWords);

    void Message(int message) {
        host->Message(message);
        ++totals.messages;
    }
    void SetChunkAddress(uint8_t* bytes) {
        host->Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(bytes)));
    }
    int32_t Save(uint8_t* into) {
        std::memset(into, 0xEE, 1016);
        SetChunkAddress(into);
        host->Set(HostField::assignmentArg, -1);
        Message(kelvane::kMsgSaveSettings);
        return host->Get(HostField::trackArg);
    }
    bool Restore(uint8_t* from) {
        SetChunkAddress(from);
        host->Set(HostField::assignmentArg, -1);
        Message(kelvane::kMsgRestoreSettings);
        return host->Get(HostField::slotArg) == 0;
    }
    // A chunk for one assignment holds its entry only while it is active.
    bool Active(int a) {
        SetChunkAddress(again);
        host->Set(HostField::assignmentArg, a);
        Message(kelvane::kMsgSaveSettings);
        return host->Get(HostField::trackArg) > 312;
    }
    void Lost(const char* what) {
        ++totals.lost;
        std::fprintf(stderr, "soak: %s\n", what);
    }

    // Every assignment active, sounding and processing again.
    void Heal() {
        host->Set(HostField::sampleRate, static_cast<int32_t>(kRate));
        host->Set(HostField::assignmentArg, static_cast<int32_t>(kRate));
        Message(kelvane::kMsgSampleRate);
        for (int a = 0; a < 8; ++a) {
            if (Active(a)) continue;
            host->Set(HostField::assignmentArg, 0);
            host->Set(HostField::trackArg, 30 + a);
            Message(kelvane::kMsgNewAssignment);
            const int got = host->Get(HostField::newAssignment);
            if (got >= 0 && got < 8) host->trackOf[got] = 30 + a;
        }
        for (int a = 0; a < 8; ++a) {
            const int kSourceOn[] = {kelvane::kSlotToneOn, kelvane::kSlotSweepOn, kelvane::kSlotNoiseOn};
            host->SetSlot(a, kSourceOn[Pick(3)], 1);
            host->SetSlot(a, kelvane::kSlotNoiseType, Pick(2));   // white or pink
            totals.messages += 2;
            host->StartProcessing(a);
            ++totals.messages;
        }
    }

    // One message with extreme words, chosen so that no warning box can come
    // up (an editor only for an active assignment, no new assignment).
    void RandomMessage() {
        static const int kMessages[] = {0,  2,  3,   4,   5,   6,   7,   9,   10,  11,  12,     13,     14,
                                        15, 16, 17, 99, 100, 101, 102, 103, 104, 105, 106, INT_MIN, INT_MAX};
        const int message = kMessages[Pick(sizeof kMessages / sizeof kMessages[0])];
        const int32_t word = ExtremeWord();
        const int a = Pick(8);
        host->Set(HostField::assignmentArg, word);
        host->Set(HostField::trackArg, Pick(2) ? host->trackOf[a] : ExtremeWord());
        host->Set(HostField::slotArg, Pick(2) ? Pick(18) : ExtremeWord());
        host->Set(HostField::valueArg, ExtremeWord());
        host->Set(HostField::tagArg, ExtremeWord());
        host->Set(HostField::processingFlag, Pick(3) ? 1 : ExtremeWord());
        switch (message) {
        case 6:
            // Only where no warning can follow: an active assignment or no assignment.
            if (word >= 0 && word < 8 && !Active(word)) return;
            host->Set(HostField::assignmentArg, word);
            host->Set(HostField::slotArg, 0);
            break;
        case 9:
            if (Pick(4) != 0) return;
            break;
        case 10:
            // A chunk with the right signature and whatever entries follow.
            Save(chunk);
            for (int i = 0; i < 16; ++i) chunk[308 + Pick(708)] = static_cast<uint8_t>(Next());
            SetChunkAddress(chunk);
            host->Set(HostField::assignmentArg, word);
            break;
        case 11: SetChunkAddress(chunk); break;
        case 101: case 103: case 104: case 105:
            if (Pick(2)) host->Set(HostField::assignmentArg, a);
            break;
        default: break;
        }
        Message(message);
        if (Pick(8) == 0) host->fxChangePosition();
    }

    void RandomEditors() {
        const int a = Pick(8);
        if (!Active(a)) return;
        host->Set(HostField::assignmentArg, a);
        host->Set(HostField::slotArg, 0);
        Message(Pick(2) ? kelvane::kMsgOpenEditor : kelvane::kMsgCloseEditor);
        minihost::PumpMessages();
    }

    // Save, restore, save: the same bytes, the same size.
    void RoundTrip() {
        const int32_t size = Save(chunk);
        if (size == 0) return;
        if (!Restore(chunk)) Lost("a chunk the plug-in wrote was rejected");
        if (Save(again) != size || std::memcmp(chunk, again, static_cast<size_t>(size)) != 0) {
            Lost("a chunk round trip changed the bytes");
        }
        ++totals.roundTrips;
    }

    // One buffer on a random assignment; the words past it must stay intact.
    void RenderOne() {
        const int a = Pick(8);
        static const int kFrameCounts[] = {1, 64, 512, 1024, 4096};
        const int frames = kFrameCounts[Pick(5)];
        const bool wide = Pick(2) != 0;
        const uint32_t bytes = static_cast<uint32_t>(frames * 2 * (wide ? 4 : 2));
        const size_t guardAt = bytes / 4;
        for (size_t i = guardAt; i < guardAt + kGuardWords; ++i) buffer[i] = static_cast<int32_t>(kGuard);
        const int32_t channels = Pick(50) == 0 ? 1 : 2;
        host->Set(HostField::processingFlag, 1);
        host->Process(a, buffer.data(), bytes, wide ? 4 : 2, channels);
        for (size_t i = guardAt; i < guardAt + kGuardWords; ++i) {
            if (static_cast<uint32_t>(buffer[i]) != kGuard) {
                Lost("a buffer was written past its end");
                break;
            }
        }
        ++totals.buffers;
        if (channels == 2) totals.framesRendered[a] += frames;
    }

    double LeastRendered() const {
        double least = totals.framesRendered[0];
        for (double f : totals.framesRendered) least = f < least ? f : least;
        return least;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak.exe <minutes of audio per assignment> [seed]\n");
        return 2;
    }
    const double minutes = std::atof(argv[1]);
    s_rng = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) | 1u : 1u;
    const std::string dll = PluginPath();
    const double targetFrames = minutes * 60.0 * kRate;
    const DWORD started = GetTickCount();

    Soak soak;
    ResourceCounts before;
    std::vector<uint8_t> carried;   // the chunk carried across a reload
    int reloads = 0;
    for (int session = 0; session < kSessions; ++session) {
        StandInHost host;
        if (host.Start(dll.c_str(), kRate) != "") {
            std::fprintf(stderr, "soak: cannot load %s\n", dll.c_str());
            return 1;
        }
        soak.host = &host;
        host.Set(HostField::recordChanges, Pick(2));
        if (!carried.empty()) {
            std::memcpy(soak.chunk, carried.data(), carried.size());
            if (!soak.Restore(soak.chunk)) soak.Lost("the chunk carried across a reload was rejected");
            if (soak.Save(soak.again) != static_cast<int32_t>(carried.size()) ||
                std::memcmp(carried.data(), soak.again, carried.size()) != 0) {
                soak.Lost("a chunk carried across a reload came back changed");
            }
            ++soak.totals.reloadTrips;
        }
        soak.Heal();
        const double sessionEnd = targetFrames * (session + 1) / kSessions;
        while (soak.LeastRendered() < sessionEnd) {
            soak.RenderOne();
            if (Pick(16) == 0) soak.RandomMessage();
            if (Pick(64) == 0) soak.RandomEditors();
            if (Pick(256) == 0) {
                soak.Heal();
                soak.RoundTrip();
            }
            if (Pick(32) == 0) soak.Heal();
        }
        soak.Heal();
        const int32_t size = soak.Save(soak.chunk);
        carried.assign(soak.chunk, soak.chunk + size);
        host.commands.clear();
        host.Stop();
        minihost::PumpMessages();
        if (session == 0) {
            FillDeviceContextCache();
            before = ResourceCounts::Take();
        }
        ++reloads;
    }
    const ResourceCounts after = ResourceCounts::Take();
    const bool grew = !after.SameAs(before);
    const Totals& t = soak.totals;
    std::printf("soak: %.1f minutes of audio per assignment (%.1f hours in all) in %lu buffers, %lu host messages, "
                "%lu chunk round trips and %lu across reloads, %lu lost, %.0f s; growth %s\n",
                minutes, 8 * minutes / 60.0, t.buffers, t.messages, t.roundTrips, t.reloadTrips, t.lost,
                (GetTickCount() - started) / 1000.0, after.GrowthSince(before, reloads - 1).c_str());
    return t.lost == 0 && !grew ? 0 : 1;
}
