// Rendering cost per stereo frame for each source alone, the input alone and
// everything on, at a typical and at the largest block size. Counters:
// "s/frame" (time per stereo frame) and "x realtime" (seconds of
// 48 kHz audio rendered per second of processor time).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "render.h"

using namespace kelvane;

namespace {

constexpr uint32_t kSampleRate = 48000;
constexpr int kAssignment = 0;

enum Source { kTone, kSweep, kWhite, kPink, kInput, kAllWhite, kAllPink };

void Configure(Source source) {
    ResetParams(kAssignment);
    ParamSet& live = g_params.live[kAssignment];
    const bool all = source == kAllWhite || source == kAllPink;
    live.slot[kSlotToneOn] = source == kTone || all;
    live.slot[kSlotToneFrequency] = 100000;
    live.slot[kSlotSweepOn] = source == kSweep || all;
    live.slot[kSlotSweepLength] = 1000;  // 20 Hz to 20 kHz in 10 s
    live.slot[kSlotNoiseOn] = source == kWhite || source == kPink || all;
    live.slot[kSlotNoiseType] = source == kPink || source == kAllPink;
    live.slot[kSlotInputOn] = source == kInput || all;
    for (int slot : {kSlotToneLevel, kSlotSweepLevel, kSlotNoiseLevel}) live.slot[slot] = 76;
    ApplyParams(kAssignment, kAllSlots);
    g_engine.sampleRate = kSampleRate;
    g_engine.processingMode = 1;
    StartGenerators(kAssignment);
}

template <typename Sample>
void BM_Render(benchmark::State& state, Source source) {
    Configure(source);
    const int frames = static_cast<int>(state.range(0));
    std::vector<Sample> buffer(2 * frames);
    const uint32_t bytes = static_cast<uint32_t>(buffer.size() * sizeof(Sample));
    const int32_t format = sizeof(Sample) == 4 ? kSampleFormat32 : 2;
    for (auto _ : state) {
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<Sample>(i * 37);
        RenderBuffer(kAssignment, buffer.data(), bytes, format);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    // Seconds per frame, shown with an SI prefix ("8.9n" is 8.9 ns).
    state.counters["s/frame"] = benchmark::Counter(
        frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["x realtime"] = benchmark::Counter(
        static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Render32(benchmark::State& state, Source source) { BM_Render<int32_t>(state, source); }
void BM_Render16(benchmark::State& state, Source source) { BM_Render<int16_t>(state, source); }

}  // namespace

#define KELVANE_BENCH(name, source)                                                   \
    BENCHMARK_CAPTURE(BM_Render32, name, source)->Arg(512)->Arg(kWorkBufferFrames); \
    BENCHMARK_CAPTURE(BM_Render16, name, source)->Arg(512)->Arg(kWorkBufferFrames)

KELVANE_BENCH(tone, kTone);
KELVANE_BENCH(sweep, kSweep);
KELVANE_BENCH(white, kWhite);
KELVANE_BENCH(pink, kPink);
KELVANE_BENCH(input, kInput);
KELVANE_BENCH(all_white, kAllWhite);
KELVANE_BENCH(all_pink, kAllPink);

BENCHMARK_MAIN();
