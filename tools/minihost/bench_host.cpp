// bench_host: the rendering cost of the shipped KelvaneFx.dll, called through
// FxProcessBuffer by the stand-in host, for the cases of the native
// engine_bench: each source alone, the input alone and everything on with
// white and with pink noise, in both sample formats, at 512 and 5024 frames.
//
// Each case renders a warm-up, then batches of buffers until at least
// --seconds (default 0.5) of processor time have passed on the
// QueryPerformanceCounter clock. One line per case:
//   BM_Render32/tone/512  <ns per stereo frame>  <x realtime at 48 kHz>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "stand_in_host.h"

namespace {

constexpr uint32_t kSampleRate = 48000;
constexpr int kWarmUpBuffers = 20;

struct Case {
    const char* name;
    int toneOn, sweepOn, noiseOn, noiseType, inputOn;
};

// The same settings as engine_bench: tone 1 kHz, sweep 20 Hz to 20 kHz in
// 10 s, generator levels at position 76, input at its default position.
const Case kCases[] = {
    {"tone", 1, 0, 0, 0, 0},      {"sweep", 0, 1, 0, 0, 0},     {"white", 0, 0, 1, 0, 0},
    {"pink", 0, 0, 1, 1, 0},      {"input", 0, 0, 0, 0, 1},     {"all_white", 1, 1, 1, 0, 1},
    {"all_pink", 1, 1, 1, 1, 1},
};
const int kFrames[] = {512, 5024};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Configure(minihost::StandInHost& host, int a, const Case& c) {
    using namespace kelvane;
    const int slots[][2] = {
        {kSlotToneOn, c.toneOn},   {kSlotToneLevel, 76},   {kSlotToneFrequency, 100000},
        {kSlotSweepOn, c.sweepOn}, {kSlotSweepLevel, 76},  {kSlotSweepStart, 2000},
        {kSlotSweepStop, 2000000}, {kSlotSweepLength, 1000},
        {kSlotNoiseOn, c.noiseOn}, {kSlotNoiseLevel, 76},  {kSlotNoiseType, c.noiseType},
        {kSlotInputOn, c.inputOn}, {kSlotInputLevel, 105},
    };
    for (auto& s : slots) host.SetSlot(a, s[0], s[1]);
    host.StartProcessing(a);
}

// Seconds per stereo frame for one case, format and buffer size.
template <typename Sample>
double TimeCase(minihost::StandInHost& host, int a, int frames, double minSeconds) {
    std::vector<Sample> buffer(2 * static_cast<size_t>(frames));
    const uint32_t bytes = static_cast<uint32_t>(buffer.size() * sizeof(Sample));
    const int32_t format = sizeof(Sample) == 4 ? 4 : 2;
    auto one = [&] {
        // A fresh input each time, as engine_bench does.
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<Sample>(i * 37);
        host.Process(a, buffer.data(), bytes, format);
    };
    for (int i = 0; i < kWarmUpBuffers; ++i) one();
    long long rendered = 0;
    int batch = 16;
    const double start = Now();
    double elapsed = 0;
    while (elapsed < minSeconds) {
        for (int i = 0; i < batch; ++i) one();
        rendered += static_cast<long long>(batch) * frames;
        elapsed = Now() - start;
        batch *= 2;
    }
    return elapsed / static_cast<double>(rendered);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dll = "KelvaneFx.dll";
    double minSeconds = 0.5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dll") && i + 1 < argc) dll = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) minSeconds = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: bench_host [--dll KelvaneFx.dll] [--seconds 0.5]\n");
            return 2;
        }
    }
    minihost::StandInHost host;
    const std::string error = host.Start(dll.c_str(), kSampleRate);
    if (!error.empty()) {
        std::fprintf(stderr, "bench_host: %s\n", error.c_str());
        return 1;
    }
    const int a = host.NewAssignment(0);
    if (a < 0) {
        std::fprintf(stderr, "bench_host: no assignment\n");
        return 1;
    }
    for (int bits : {32, 16}) {
        for (const Case& c : kCases) {
            for (int frames : kFrames) {
                Configure(host, a, c);
                const double perFrame = bits == 32 ? TimeCase<int32_t>(host, a, frames, minSeconds)
                                                   : TimeCase<int16_t>(host, a, frames, minSeconds);
                std::printf("BM_Render%d/%s/%d %.3f %.1f\n", bits, c.name, frames, perFrame * 1e9,
                            1.0 / (perFrame * kSampleRate));
                std::fflush(stdout);
            }
        }
    }
    host.Set(minihost::HostField::assignmentArg, a);
    host.Message(kelvane::kMsgStop);
    host.Stop();
    return 0;
}
