// The native engine and the 32-bit DLL render the same settings within one
// step of the output format: the x86-64 and i686 maths libraries differ in
// their last bits, nothing else may differ. The DLL side runs as
// agreement_render.exe under Wine (KELVANE_WINE_RUN, KELVANE_AGREEMENT_RENDER,
// KELVANE_DLL); the native side renders the same cases in the same order here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "agreement_cases.h"
#include "render.h"

using namespace kelvane;

namespace {

constexpr int kAssignment = 0;

struct NativeRenderer {
    void SetSlot(int slot, int32_t value) {
        g_params.live[kAssignment].slot[slot] = value;
        ApplyParams(kAssignment, slot);
    }
    // What host message 2 does.
    void Start() {
        g_engine.sampleRate = agreement::kSampleRate;
        g_engine.processingMode = 1;
        ApplyParams(kAssignment, kAllSlots);
        ASSERT_TRUE(StartGenerators(kAssignment));
    }
    void Process(void* buffer, uint32_t bytes, int32_t format) { RenderBuffer(kAssignment, buffer, bytes, format); }
};

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Runs the DLL side once and returns all its samples.
std::vector<int32_t> RenderWithDll() {
    const std::string out = "agreement_dll.raw";
    std::remove(out.c_str());
    const std::string command = "'" + Env("KELVANE_WINE_RUN") + "' '" + Env("KELVANE_AGREEMENT_RENDER") + "' --dll '" +
                                Env("KELVANE_DLL") + "' --out " + out;
    if (std::system(command.c_str()) != 0) return {};
    std::vector<int32_t> samples;
    FILE* f = std::fopen(out.c_str(), "rb");
    if (f == nullptr) return {};
    int32_t block[4096];
    for (size_t n; (n = std::fread(block, sizeof block[0], 4096, f)) > 0;) samples.insert(samples.end(), block, block + n);
    std::fclose(f);
    return samples;
}

double RmsSteps(const std::vector<int32_t>& s) {
    double sum = 0;
    for (int32_t v : s) sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(s.size()));
}

TEST(Agreement, NativeEngineAndDllRenderTheSameWithinOneStep) {
    ASSERT_FALSE(Env("KELVANE_WINE_RUN").empty()) << "run through CTest";
    const std::vector<int32_t> dll = RenderWithDll();
    const size_t perRender = 2 * static_cast<size_t>(agreement::kFramesPerCase);
    ASSERT_EQ(dll.size(), perRender * agreement::kRenderCount) << "agreement_render.exe failed or stopped early";

    ResetParams(kAssignment);
    NativeRenderer native;
    size_t offset = 0;
    agreement::RenderAll(native, [&](const agreement::Case& c, int bits, int frames, const std::vector<int32_t>& s) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bits) + "-bit, " + std::to_string(frames) +
                     "-frame buffers");
        ASSERT_EQ(s.size(), perRender);
        // Both silent would agree trivially: every case makes a signal well above -60 dBFS.
        const double fullScale = bits == 32 ? 8388608.0 : 32768.0;
        EXPECT_GT(RmsSteps(s), fullScale / 1000);
        int64_t worst = 0;
        size_t worstAt = 0, differing = 0;
        for (size_t i = 0; i < perRender; ++i) {
            const int64_t d = std::llabs(static_cast<int64_t>(s[i]) - dll[offset + i]);
            differing += d != 0;
            if (d > worst) worst = d, worstAt = i;
        }
        EXPECT_LE(worst, 1) << "at frame " << worstAt / 2 << (worstAt % 2 ? " right" : " left") << ": native "
                            << s[worstAt] << ", DLL " << dll[offset + worstAt];
        std::printf("%-10s %2d-bit %4d frames: %zu of %zu samples differ, largest difference %lld\n", c.name, bits,
                    frames, differing, perRender, static_cast<long long>(worst));
        offset += perRender;
    });
}

}  // namespace
