// Tone engine: generator sequences, measured properties of the rendered
// signals, buffer handling, and agreement with the reference rendering.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include "band_meter.h"
#include "levels.h"
#include "reference_render.h"
#include "render.h"
#include "white_noise.h"

using namespace kelvane;

namespace {

// g_engine is constant-initialised, so this reads the seed as loaded.
const uint32_t s_seedAtLoad = g_engine.pinkSeed;

constexpr double kTwoPiD = 6.283185307179586;
using Slots = std::vector<std::pair<int, int32_t>>;

// Defaults, then the given slots, converted; processing started.
void StartWith(int a, const Slots& slots, uint32_t sampleRate = 48000) {
    ResetParams(a);
    for (const auto& [slot, value] : slots) g_params.live[a].slot[slot] = value;
    ApplyParams(a, kAllSlots);
    g_engine.sampleRate = sampleRate;
    g_engine.processingMode = 1;
    ASSERT_TRUE(StartGenerators(a));
}

template <typename S>
constexpr int32_t FormatOf() { return sizeof(S) == 4 ? kSampleFormat32 : 2; }
template <typename S>
constexpr double FullScale() { return sizeof(S) == 4 ? 8388608.0 : 32768.0; }

// Renders `frames` frames in one call over the given input (silence if empty).
template <typename S>
std::vector<S> Render(int a, int frames, std::vector<S> input = {}) {
    input.resize(2 * static_cast<size_t>(frames));
    RenderBuffer(a, input.data(), static_cast<uint32_t>(input.size() * sizeof(S)), FormatOf<S>());
    return input;
}

template <typename S>
std::vector<double> Channel(const std::vector<S>& frames, int channel) {
    std::vector<double> out;
    for (size_t i = channel; i < frames.size(); i += 2) out.push_back(frames[i] / FullScale<S>());
    return out;
}

// Frequency from interpolated zero crossings, first to last.
double ZeroCrossingFrequency(const std::vector<double>& y, double sampleRate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < y.size(); ++i) {
        if ((y[i - 1] < 0) != (y[i] < 0)) {
            const double t = i - 1 + y[i - 1] / (y[i - 1] - y[i]);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return (crossings - 1) / (2.0 * (last - first)) * sampleRate;
}

// Instantaneous frequency at sample n of a cosine: y[n-m] + y[n+m] =
// 2 cos(m w) y[n] while the increment w is steady over n-m..n+m.
double LocalFrequency(const std::vector<double>& y, int n, int m, double sampleRate) {
    const double c = (y[n - m] + y[n + m]) / (2.0 * y[n]);
    return std::acos(std::clamp(c, -1.0, 1.0)) / m * sampleRate / kTwoPiD;
}

// Mean of LocalFrequency over samples near n where the cosine is not small
// (the estimate is ill-conditioned near zero crossings).
double FrequencyNear(const std::vector<double>& y, int n, int m, double sampleRate, double amplitude) {
    double sum = 0;
    int count = 0;
    const int reach = std::max(8, 2 * m);
    for (int k = n - reach; k <= n + reach; ++k) {
        if (std::fabs(y[k]) < 0.3 * amplitude) continue;
        sum += LocalFrequency(y, k, m, sampleRate);
        ++count;
    }
    return sum / count;
}

double Rms(const std::vector<double>& y) {
    double sum = 0;
    for (double v : y) sum += v * v;
    return std::sqrt(sum / y.size());
}

// Runs f on a thread of its own, whose white-noise generator starts at 1.
template <typename F>
void OnFreshThread(F f) {
    std::thread t(f);
    t.join();
}

// The fast white-noise paths this processor can run.
std::vector<VectorWidth> UsableWidths() {
    if (WidestVectors() == VectorWidth::kAvx2) return {VectorWidth::kSse2, VectorWidth::kAvx2};
    return {VectorWidth::kSse2};
}

}  // namespace

// The pink generator's first four values from the seed at load, as rendering
// uses them: sample 1 replaces row 0 and adds a fresh value, sample 2 row 1.
TEST(Generators, PinkSeedAndFirstGeneratorValues) {
    EXPECT_EQ(s_seedAtLoad, 22222u);
    StartWith(0, {{kSlotNoiseOn, 1}, {kSlotNoiseType, 1}});
    GeneratorState& g = g_engine.generator[0];
    g_engine.pinkSeed = 22222;
    RenderNoise(g, g_converted[0], g_engine.pinkSeed, 1);
    EXPECT_EQ(g.pinkRows[0], -285764591 >> 8);
    EXPECT_EQ(static_cast<int32_t>(g_engine.pinkSeed), -1701392656);
    RenderNoise(g, g_converted[0], g_engine.pinkSeed, 1);
    EXPECT_EQ(g.pinkRows[1], -69862629 >> 8);
    EXPECT_EQ(static_cast<int32_t>(g_engine.pinkSeed), 1807830018);
}

TEST(Generators, FirstPinkSumsAfterStart) {
    StartWith(0, {{kSlotNoiseOn, 1}, {kSlotNoiseType, 1}, {kSlotNoiseLevel, 105}});
    uint32_t pinkScaleBits;
    std::memcpy(&pinkScaleBits, &kPinkScale, 4);
    EXPECT_EQ(pinkScaleBits, 0x31F0F0F1u);
    g_engine.pinkSeed = 22222;
    GeneratorState& g = g_engine.generator[0];
    RenderNoise(g, g_converted[0], g_engine.pinkSeed, 4);
    const double unit = kPinkScale * static_cast<float>(LevelGain(100));
    const int32_t sums[] = {-7762334, 5672667, 5480088, -956080};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(g.noiseBuffer[i] / unit, sums[i], 1.0) << i;

    // Level position 5 silences either type while the pink generator advances.
    for (int32_t type : {0, 1}) {
        g_params.live[0].slot[kSlotNoiseType] = type;
        g_params.live[0].slot[kSlotNoiseLevel] = 5;
        ApplyParams(0, kAllSlots);
        const uint32_t seed = g_engine.pinkSeed;
        RenderNoise(g, g_converted[0], g_engine.pinkSeed, 100);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(g.noiseBuffer[i], 0.0f);
        EXPECT_EQ(g_engine.pinkSeed != seed, type == 1);
    }
}

// The C library's rand() from 1 draws 41 and 18467, a point outside the disc,
// then 6334 and 26500, the first sample: rendering it leaves the state after
// the fourth draw.
TEST(Generators, FirstWhiteDrawsAndSamples) {
    for (VectorWidth width : UsableWidths()) {
        float sample;
        const uint32_t state = WhiteNoise(1, &sample, 1, 1.0f, width);
        EXPECT_EQ(state, 3884216597u);
        EXPECT_EQ((state >> 16) & 0x7FFF, 26500u);
    }
    OnFreshThread([] {
        StartWith(1, {{kSlotNoiseOn, 1}, {kSlotNoiseLevel, 105}});
        RenderNoise(g_engine.generator[1], g_converted[1], g_engine.pinkSeed, 3);
        const float gain = static_cast<float>(LevelGain(100)) * 0.25f;
        const double first[] = {0.52871, -0.60862, 0.76331};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(g_engine.generator[1].noiseBuffer[i] / gain, first[i], 2e-5);
    });
}

// The fast white-noise path against the method written plainly, to the bit and
// to the generator state, over one long stream cut into buffers of every
// length from 1 to 64 frames, then of lengths around and beyond its chunks.
TEST(Noise, WhiteFastPathEqualsThePlainMethodToTheBit) {
    std::vector<int> lengths;
    for (int round = 0; round < 20; ++round) {
        for (int frames = 1; frames <= 64; ++frames) lengths.push_back(frames);
    }
    for (int frames : {255, 256, 257, 511, 1000, 5024}) lengths.push_back(frames);
    const float gain = static_cast<float>(LevelGain(76)) * 0.25f;
    for (VectorWidth width : UsableWidths()) {
        std::vector<float> fast(5024), plain(5024);
        uint32_t fastState = 1, plainState = 1;
        int done = 0;
        for (int frames : lengths) {
            fastState = WhiteNoise(fastState, fast.data(), frames, gain, width);
            plainState = WhiteNoiseReference(plainState, plain.data(), frames, gain);
            ASSERT_EQ(fastState, plainState) << frames << " frames after " << done;
            ASSERT_EQ(std::memcmp(fast.data(), plain.data(), frames * sizeof(float)), 0)
                << frames << " frames after " << done;
            done += frames;
        }
    }
}

TEST(Tone, FrequencyAndRmsMeasuredFromOutput) {
    for (uint32_t sampleRate : {44100u, 48000u, 96000u}) {
        for (int32_t hundredths : {10000, 100000, 1234567}) {
            StartWith(0, {{kSlotToneOn, 1}, {kSlotToneLevel, 89}, {kSlotToneFrequency, hundredths}}, sampleRate);
            const auto wide = Render<int32_t>(0, 20000);
            StartWith(0, {{kSlotToneOn, 1}, {kSlotToneLevel, 89}, {kSlotToneFrequency, hundredths}}, sampleRate);
            const auto narrow = Render<int16_t>(0, 20000);
            const double gain = std::pow(84 / 100.01, 4);
            for (const auto& y : {Channel(wide, 0), Channel(narrow, 1)}) {
                EXPECT_NEAR(ZeroCrossingFrequency(y, sampleRate), hundredths / 100.0, hundredths * 1e-6)
                    << sampleRate;
                EXPECT_NEAR(Rms(y), gain / std::sqrt(2.0), gain * 4e-3) << hundredths;
                EXPECT_NEAR(y[0], gain, 1e-4);  // cosine: the phase starts at 0
            }
        }
    }
}

TEST(Render, OneCallEqualsConsecutiveCalls) {
    const Slots slots = {{kSlotToneOn, 1}, {kSlotToneLevel, 89}, {kSlotToneFrequency, 99700},
                         {kSlotSweepOn, 1}, {kSlotSweepLevel, 89}, {kSlotSweepLength, 10},
                         {kSlotNoiseLevel, 60}, {kSlotNoiseType, 1}};
    StartWith(2, slots);
    const auto whole = Render<int32_t>(2, 7000);
    for (std::vector<int> split : {std::vector<int>{1, 2, 3, 994, 6000}, {37, 512, 4451, 2000},
                                   {5024, 1976}, {7000}}) {
        StartWith(2, slots);
        std::vector<int32_t> pieces;
        for (int frames : split) {
            const auto part = Render<int32_t>(2, frames);
            pieces.insert(pieces.end(), part.begin(), part.end());
        }
        EXPECT_EQ(pieces, whole) << split.size() << " pieces";
    }

    // A buffer longer than the work buffers is rendered whole, as consecutive
    // blocks of 5024 frames: noise included, whose right channel reverses per block.
    const uint32_t seed = g_engine.pinkSeed;
    StartWith(2, slots);
    g_params.live[2].slot[kSlotNoiseOn] = 1;
    ApplyParams(2, kSlotNoiseOn);
    const auto longBuffer = Render<int16_t>(2, 12000);
    StartWith(2, slots);
    g_params.live[2].slot[kSlotNoiseOn] = 1;
    ApplyParams(2, kSlotNoiseOn);
    g_engine.pinkSeed = seed;
    std::vector<int16_t> blocks;
    for (int frames : {5024, 5024, 1952}) {
        const auto part = Render<int16_t>(2, frames);
        blocks.insert(blocks.end(), part.begin(), part.end());
    }
    EXPECT_EQ(longBuffer, blocks);
}

TEST(Tone, GlideReachesNewIncrementOnLastSample) {
    for (bool whileOff : {false, true}) {
        StartWith(3, {{kSlotToneOn, 1}, {kSlotToneLevel, 105}, {kSlotToneFrequency, 100000}});
        auto y = Channel(Render<int32_t>(3, 990), 0);  // puts a crest at the boundary below
        if (whileOff) {
            g_params.live[3].slot[kSlotToneOn] = 0;
            ApplyParams(3, kSlotToneOn);
        }
        g_params.live[3].slot[kSlotToneFrequency] = 200000;
        ApplyParams(3, kSlotToneFrequency);
        if (whileOff) {  // a change made while off glides once the tone is on again
            Render<int32_t>(3, 300);
            g_params.live[3].slot[kSlotToneOn] = 1;
            ApplyParams(3, kSlotToneOn);
        }
        const auto glide = Channel(Render<int32_t>(3, 512), 0);
        const auto after = Channel(Render<int32_t>(3, 512), 0);
        y = glide;
        y.insert(y.end(), after.begin(), after.end());
        const double amp = std::pow(100 / 100.01, 4);
        // Geometric: the middle of the glide is at the geometric mean.
        EXPECT_NEAR(FrequencyNear(y, 20, 4, 48000, amp), 1000 * std::pow(2.0, 20 / 511.0), 5);
        EXPECT_NEAR(FrequencyNear(y, 256, 4, 48000, amp), 1000 * std::sqrt(2.0), 5);
        // Sample 512 is the next buffer's first: both increments around it
        // are the new one; two samples earlier the glide is still on.
        ASSERT_GT(std::fabs(y[512]), 0.3) << "choose settings where the estimate is well conditioned";
        for (int n = 512; n < 520; ++n) {
            if (std::fabs(y[n]) > 0.3) {
                EXPECT_NEAR(LocalFrequency(y, n, 1, 48000), 2000, 0.1) << n;
            }
        }
        EXPECT_LT(LocalFrequency(y, 510, 1, 48000), 2000 * 0.999);
    }
}

TEST(Sweep, PassLengthAndFrequencyAtStartMiddleEnd) {
    struct Case { int32_t start, stop; };
    for (const Case c : {Case{10000, 1000000}, Case{1000000, 10000}, Case{44000, 44000}}) {
        // 0.5 s at 48000 Hz: total 24000 samples, a pass of 24001.
        StartWith(4, {{kSlotSweepOn, 1}, {kSlotSweepLevel, 105}, {kSlotSweepStart, c.start},
                  {kSlotSweepStop, c.stop}, {kSlotSweepLength, 50}});
        std::vector<double> y;
        for (int i = 0; i < 12; ++i) {
            const auto part = Channel(Render<int32_t>(4, 4500), 1);
            y.insert(y.end(), part.begin(), part.end());
        }
        const int pass = 24001;
        bool periodic = true, shorter = true, longer = true;
        for (int k = 0; k < pass; ++k) {
            periodic = periodic && y[k] == y[k + pass];
            shorter = shorter && y[k] == y[k + pass - 1];
            longer = longer && y[k] == y[k + pass + 1];
        }
        EXPECT_TRUE(periodic);
        EXPECT_FALSE(shorter || longer);
        const double amp = std::pow(100 / 100.01, 4);
        const double startHz = c.start / 100.0, stopHz = c.stop / 100.0;
        for (int n : {400, 12000, 23800}) {  // start, middle, end of the pass
            const double expected = startHz * std::pow(stopHz / startHz, n / 23999.0);
            const int m = std::max(1, static_cast<int>(48000 / (8 * expected)));
            EXPECT_NEAR(FrequencyNear(y, n, m, 48000, amp), expected, expected * 0.01) << n;
        }
    }
}

TEST(Sweep, RestartsOnNewSettingsAndWhenSwitchedOn) {
    enum Action { kSameValues, kNewLength, kOffThenOn };
    for (Action action : {kSameValues, kNewLength, kOffThenOn}) {
        StartWith(5, {{kSlotSweepOn, 1}, {kSlotSweepLevel, 105}, {kSlotSweepLength, 100}});
        const auto first = Render<int32_t>(5, 300);
        Render<int32_t>(5, 700);
        if (action == kNewLength) g_params.live[5].slot[kSlotSweepLength] = 200;
        if (action == kOffThenOn) {
            g_params.live[5].slot[kSlotSweepOn] = 0;
            ApplyParams(5, kAllSlots);
            Render<int32_t>(5, 100);
            g_params.live[5].slot[kSlotSweepOn] = 1;
        }
        ApplyParams(5, kAllSlots);
        const auto next = Render<int32_t>(5, 300);
        // A restarted pass begins like the first one (a new length changes
        // the ratio, hence the samples, slightly).
        bool restarted = true;
        for (int k = 0; k < 40; ++k) restarted = restarted && std::abs(next[k] - first[k]) < 100;
        EXPECT_EQ(restarted, action != kSameValues) << action;
    }
}

TEST(Noise, WhiteMeanAndDeviation) {
    OnFreshThread([] {
        for (int32_t level : {105, 76}) {
            StartWith(6, {{kSlotNoiseOn, 1}, {kSlotNoiseLevel, level}});
            const auto y = Channel(Render<int32_t>(6, 100000), 0);
            double mean = 0, m2 = 0, m4 = 0;
            for (double v : y) mean += v;
            mean /= y.size();
            for (double v : y) {
                m2 += (v - mean) * (v - mean);
                m4 += std::pow(v - mean, 4);
            }
            m2 /= y.size();
            m4 /= y.size();
            const double sigma = NoiseRmsRatio(0) * std::pow((level - 5) / 100.01, 4);
            EXPECT_NEAR(mean, 0.0, 4 * sigma / std::sqrt(y.size()));
            EXPECT_NEAR(std::sqrt(m2), sigma, sigma * 0.01);
            EXPECT_NEAR(m4 / (m2 * m2), 3.0, 0.1);  // Gaussian kurtosis
        }
    });
}

TEST(Noise, PinkFallsThreeDecibelsPerOctave) {
    StartWith(7, {{kSlotNoiseOn, 1}, {kSlotNoiseType, 1}, {kSlotNoiseLevel, 105}});
    constexpr int kSegment = 65536, kSegments = 16;
    std::vector<double> power(kSegment / 2, 0.0);
    for (int s = 0; s < kSegments; ++s) {
        const auto y = Channel(Render<int32_t>(7, kSegment), 0);
        std::vector<std::complex<double>> x(kSegment);
        for (int i = 0; i < kSegment; ++i) x[i] = y[i] * (0.5 - 0.5 * std::cos(kTwoPiD * i / kSegment));
        Fft(x);
        for (int k = 0; k < kSegment / 2; ++k) power[k] += std::norm(x[k]);
    }
    // Mean density per third-octave band; pink density falls 10 dB a decade.
    std::vector<double> centre, level;
    for (int b = -16; b <= 12; ++b) {
        const double fc = 1000.0 * std::pow(2.0, b / 3.0);
        const int lo = static_cast<int>(std::ceil(fc * std::pow(2.0, -1 / 6.0) * kSegment / 48000));
        const int hi = static_cast<int>(std::floor(fc * std::pow(2.0, 1 / 6.0) * kSegment / 48000));
        double sum = 0;
        for (int k = lo; k <= hi; ++k) sum += power[k];
        centre.push_back(fc);
        level.push_back(10 * std::log10(sum / (hi - lo + 1)));
    }
    double offset = 0;
    for (size_t i = 0; i < centre.size(); ++i) offset += level[i] + 10 * std::log10(centre[i]);
    offset /= centre.size();
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = centre.size();
    for (size_t i = 0; i < centre.size(); ++i) {
        const double deviation = level[i] + 10 * std::log10(centre[i]) - offset;
        std::printf("  %8.1f Hz  %+5.2f dB\n", centre[i], deviation);
        EXPECT_LT(std::fabs(deviation), 1.5) << centre[i] << " Hz";
        const double octave = std::log2(centre[i]);
        sx += octave; sy += level[i]; sxx += octave * octave; sxy += octave * level[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    std::printf("  slope %.3f dB/octave\n", slope);
    EXPECT_NEAR(slope, -3.01, 0.25);
}

// The pink RMS the editor's value tip gives is the long run's: five minutes
// of slow rows (a minute can stray by 0.3 dB) from the seed at load come
// within 0.03 dB of it.
TEST(Noise, PinkLongRunRmsIsTheEditorsFigure) {
    StartWith(5, {{kSlotNoiseOn, 1}, {kSlotNoiseType, 1}, {kSlotNoiseLevel, 105}});
    constexpr int kBlocks = 5 * 60 * 10, kBlockFrames = 4800;   // 5 min at 48 kHz
    const float* noise = g_engine.generator[5].noiseBuffer;
    g_engine.pinkSeed = kPinkSeedAtLoad;   // the same sequence whatever ran before
    double squares = 0;
    for (int b = 0; b < kBlocks; ++b) {
        RenderNoise(g_engine.generator[5], g_converted[5], g_engine.pinkSeed, kBlockFrames);
        for (int i = 0; i < kBlockFrames; ++i) squares += static_cast<double>(noise[i]) * noise[i];
    }
    EXPECT_NEAR(10 * std::log10(squares / (kBlocks * kBlockFrames)),
                20 * std::log10(NoiseRmsRatio(1) * LevelGain(100)), 0.03);
}

// The levels the value tip and the Calibration page give are those rendered
// on each format: truncated peaks and RMS, silence (pink noise at 7 passes a
// 32-bit step about once in two hours), the noises' long-run RMS.
TEST(Levels, EngineFiguresAreTheRenderedOnes) {
    struct Case { LevelSource source; int32_t position; bool wide; int seconds; };
    const Case cases[] = {{LevelSource::kTone, 30, false, 1}, {LevelSource::kTone, 20, false, 10},
                          {LevelSource::kTone, 12, false, 1},  {LevelSource::kTone, 6, true, 1},
                          {LevelSource::kTone, 7, true, 1},    {LevelSource::kWhiteNoise, 15, false, 10},
                          {LevelSource::kWhiteNoise, 8, true, 10}, {LevelSource::kPinkNoise, 20, false, 300},
                          {LevelSource::kPinkNoise, 7, true, 120}};
    OnFreshThread([&] {
        for (const Case& c : cases) {
            const bool tone = c.source == LevelSource::kTone;
            StartWith(4, {{tone ? kSlotToneOn : kSlotNoiseOn, 1}, {tone ? kSlotToneLevel : kSlotNoiseLevel, c.position},
                          {kSlotNoiseType, c.source == LevelSource::kPinkNoise}, {kSlotToneFrequency, 99700}});
            g_engine.pinkSeed = kPinkSeedAtLoad;
            double squares = 0, peak = 0;
            for (int b = 0; b < c.seconds * 10; ++b) {
                const auto y = c.wide ? Channel(Render<int32_t>(4, 4800), 0) : Channel(Render<int16_t>(4, 4800), 0);
                for (double v : y) squares += v * v, peak = std::max(peak, v);
            }
            const RenderedLevel level = LevelAtPosition(c.source, c.position, c.wide ? kSampleFormat32 : 2);
            ASSERT_EQ(level.silent, squares == 0) << c.position;
            if (level.silent) continue;
            if (tone) {
                EXPECT_NEAR(20 * std::log10(peak), level.peakDb, 1e-9) << c.position;
            }
            EXPECT_NEAR(10 * std::log10(squares / (c.seconds * 48000)), level.rmsDb, 0.05) << c.position;
        }
    });
}

TEST(Noise, ChannelsCarryReversedNoiseAndEqualTones) {
    OnFreshThread([] {
        for (int32_t type : {0, 1}) {
            StartWith(0, {{kSlotNoiseOn, 1}, {kSlotNoiseType, type}, {kSlotNoiseLevel, 105}});
            for (int frames : {1, 2, 37, 5024}) {
                const auto y = Render<int16_t>(0, frames);
                for (int i = 0; i < frames; ++i) ASSERT_EQ(y[2 * i], y[2 * (frames - 1 - i) + 1]) << frames;
                EXPECT_TRUE(frames < 2 || y[0] != y[1]);
            }
        }
    });
    StartWith(0, {{kSlotToneOn, 1}, {kSlotSweepOn, 1}, {kSlotSweepLength, 100}});
    const auto y = Render<int32_t>(0, 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(y[2 * i], y[2 * i + 1]) << i;
}

TEST(Render, ExactFrameCountsLeaveTrailingBytesUntouched) {
    constexpr unsigned char kPattern = 0xA5;
    for (int32_t format : {kSampleFormat32, 2}) {
        const uint32_t frameBytes = format == kSampleFormat32 ? 8 : 4;
        for (uint32_t bytes = 1; bytes <= 5 * frameBytes; ++bytes) {
            StartWith(1, {{kSlotToneOn, 1}, {kSlotToneLevel, 105}});
            std::vector<unsigned char> buffer(bytes + 16, kPattern);
            RenderBuffer(1, buffer.data(), bytes, format);
            const uint32_t frames = bytes / frameBytes;
            for (uint32_t i = frames * frameBytes; i < buffer.size(); ++i) {
                ASSERT_EQ(buffer[i], kPattern) << "byte " << i << " of " << bytes;
            }
            // Each written frame holds the tone, equal on both channels.
            for (uint32_t f = 0; f < frames; ++f) {
                const unsigned char* at = buffer.data() + f * frameBytes;
                EXPECT_EQ(std::memcmp(at, at + frameBytes / 2, frameBytes / 2), 0);
                EXPECT_NE(at[frameBytes - 1], kPattern);
            }
        }
    }
}

TEST(Render, InputPassesScaledAndTruncated) {
    const std::vector<int32_t> wide = {0, 1, -1, 2, 10000, -10000, 8388607, 2147483647, -2147483647 - 1, 3};
    const std::vector<int16_t> narrow = {0, 1, -1, 2, 10000, -10000, 32767, -32768, 2501, 3};
    for (int32_t position : {105, 55, 30}) {
        const double gain = std::pow(position - 5.0, 4) / std::pow(100.01, 4);
        for (int32_t on : {1, 0}) {
            StartWith(2, {{kSlotInputOn, on}, {kSlotInputLevel, position}});
            const auto outWide = Render<int32_t>(2, static_cast<int>(wide.size()) / 2, wide);
            for (size_t i = 0; i < wide.size(); ++i) {
                EXPECT_EQ(outWide[i], on ? static_cast<int32_t>(std::trunc(wide[i] * gain)) : 0) << wide[i];
            }
            const auto outNarrow = Render<int16_t>(2, static_cast<int>(narrow.size()) / 2, narrow);
            for (size_t i = 0; i < narrow.size(); ++i) {
                EXPECT_EQ(outNarrow[i], on ? static_cast<int16_t>(std::trunc(narrow[i] * gain)) : 0) << narrow[i];
            }
        }
    }
    StartWith(2, {{kSlotInputOn, 1}});
    EXPECT_EQ(Render<int32_t>(2, 1, {10000, -10000}), (std::vector<int32_t>{9996, -9996}));
}

TEST(Render, ConversionsSaturate) {
    // A tone at a level beyond the faders: the loud rendering is the quiet one
    // scaled and clamped, never wrapped.
    for (int32_t loudLevel : {205, 1005}) {
        StartWith(3, {{kSlotToneOn, 1}, {kSlotToneLevel, 105}, {kSlotToneFrequency, 123400}});
        const auto quiet32 = Render<int32_t>(3, 500);
        const auto quiet16 = Render<int16_t>(3, 500);
        StartWith(3, {{kSlotToneOn, 1}, {kSlotToneLevel, loudLevel}, {kSlotToneFrequency, 123400}});
        const auto loud32 = Render<int32_t>(3, 500);
        const auto loud16 = Render<int16_t>(3, 500);
        const double k = static_cast<float>(LevelGain(loudLevel - 5)) / static_cast<float>(LevelGain(100));
        for (size_t i = 0; i < loud32.size(); ++i) {
            EXPECT_NEAR(loud32[i], std::clamp(quiet32[i] * k, -2147483648.0, 2147483647.0), k + 1) << i;
            EXPECT_NEAR(loud16[i], std::clamp(quiet16[i] * k, -32768.0, 32767.0), k + 1) << i;
        }
    }
    // The input term alone, and both terms at once beyond the range.
    StartWith(3, {{kSlotInputOn, 1}, {kSlotInputLevel, 205}});
    const int32_t scaled = static_cast<int32_t>(1000 * std::pow(200 / 100.01, 4));  // 15993
    EXPECT_EQ(Render<int32_t>(3, 2, {2147483647, -2147483647 - 1, 1000, -1000}),
              (std::vector<int32_t>{2147483647, -2147483647 - 1, scaled, -scaled}));
    EXPECT_EQ(Render<int16_t>(3, 2, {3000, -3000, 1000, -1000}),
              (std::vector<int16_t>{32767, -32768, static_cast<int16_t>(scaled), static_cast<int16_t>(-scaled)}));
    StartWith(3, {{kSlotInputOn, 1}, {kSlotInputLevel, 205}, {kSlotToneOn, 1}, {kSlotToneLevel, 1005}});
    EXPECT_EQ(Render<int32_t>(3, 1, {-2147483647 - 1, 2147483647}),
              (std::vector<int32_t>{2147483647, 2147483647}));

    // Each term in range, their sum beyond it, over whole groups of frames:
    // the sum saturates exactly where the separate terms say it must.
    std::vector<int32_t> nearFull(16);
    for (int i = 0; i < 16; ++i) nearFull[i] = i % 2 == 0 ? 2147483647 - i : -2147483647 + i;
    const Slots input = {{kSlotInputOn, 1}, {kSlotInputLevel, 105}};
    const Slots tone = {{kSlotToneOn, 1}, {kSlotToneLevel, 205}, {kSlotToneFrequency, 10000}};
    Slots both = input;
    both.insert(both.end(), tone.begin(), tone.end());
    StartWith(3, input);
    const auto inputTerm = Render<int32_t>(3, 8, nearFull);
    StartWith(3, tone);
    const auto toneTerm = Render<int32_t>(3, 8);
    StartWith(3, both);
    const auto sum = Render<int32_t>(3, 8, nearFull);
    for (size_t i = 0; i < sum.size(); ++i) {
        const int64_t exact = static_cast<int64_t>(inputTerm[i]) + toneTerm[i];
        EXPECT_EQ(sum[i], std::clamp<int64_t>(exact, INT32_MIN, INT32_MAX)) << i;
    }
}

TEST(Render, NoNanForOutOfRangeFrequenciesAndLengths) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float frequencies[] = {0.0f, -440.0f, inf, -inf, nan, 1e30f, 1e-30f, 1000.0f};
    const float lengths[] = {0.0f, 1.0f / 48000, 2.0f / 48000, -1.0f, inf, nan, 1e9f};
    for (uint32_t sampleRate : {48000u, 0u}) {
        for (float a : frequencies) {
            for (float b : frequencies) {
                for (float length : lengths) {
                    StartWith(4, {{kSlotToneOn, 1}, {kSlotSweepOn, 1}, {kSlotToneLevel, 105}, {kSlotSweepLevel, 105}},
                          sampleRate);
                    ConvertedParams& c = g_converted[4];
                    c.toneFrequencyHz = a;
                    c.sweepStartHz = a;
                    c.sweepStopHz = b;
                    c.sweepLengthSeconds = length;
                    Render<int16_t>(4, 3);
                    c.toneFrequencyHz = b;  // glide between two bad values
                    Render<int16_t>(4, 1);
                    Render<int16_t>(4, 64);
                    const GeneratorState& g = g_engine.generator[4];
                    for (int i = 0; i < 64; ++i) {
                        ASSERT_LE(std::fabs(g.toneBuffer[i]), 1.0f) << a << " " << b << " " << length;
                        ASSERT_LE(std::fabs(g.sweepBuffer[i]), 1.0f) << a << " " << b << " " << length;
                    }
                    ASSERT_TRUE(std::isfinite(g.tonePhase) && std::isfinite(g.sweepPhase) &&
                                std::isfinite(g.sweepIncrement));
                }
            }
        }
    }
}

TEST(Render, UnstartedAssignmentsStayUntouchedAndStartsReuseBuffers) {
    ReleaseGenerators();
    for (const GeneratorState& g : g_engine.generator) EXPECT_EQ(g.toneBuffer, nullptr);
    const std::vector<int32_t> input(64, 12345);
    g_engine.processingMode = 1;
    g_converted[5].toneOn = 1;
    EXPECT_EQ(Render<int32_t>(5, 32, input), input);
    float tone[32];
    g_engine.generator[5].toneBuffer = tone;  // a first start caught half way
    EXPECT_EQ(Render<int32_t>(5, 32, input), input);
    g_engine.generator[5].toneBuffer = nullptr;

    StartWith(5, {{kSlotToneOn, 1}});
    const float* buffers[3] = {g_engine.generator[5].toneBuffer, g_engine.generator[5].sweepBuffer,
                               g_engine.generator[5].noiseBuffer};
    Render<int32_t>(5, 100);
    ASSERT_TRUE(StartGenerators(5));
    EXPECT_EQ(g_engine.generator[5].toneBuffer, buffers[0]);
    EXPECT_EQ(g_engine.generator[5].sweepBuffer, buffers[1]);
    EXPECT_EQ(g_engine.generator[5].noiseBuffer, buffers[2]);
    EXPECT_FALSE(StartGenerators(8));
    EXPECT_FALSE(StartGenerators(-1));

    // Not processing, empty buffers and foreign assignments: untouched.
    g_engine.processingMode = 0;
    EXPECT_EQ(Render<int32_t>(5, 32, input), input);
    g_engine.processingMode = 1;
    std::vector<int32_t> copy = input;
    RenderBuffer(5, copy.data(), 0, kSampleFormat32);
    RenderBuffer(8, copy.data(), 256, kSampleFormat32);
    RenderBuffer(-1, copy.data(), 256, kSampleFormat32);
    EXPECT_EQ(copy, input);
}

// The production renderer against the reference: every sample within one step
// of the output format over a whole sweep pass, with tone glides, noise and
// input, for several buffer sizes.
TEST(Reference, ProductionWithinOneStepOverSweepPassWithGlides) {
    for (int32_t format : {kSampleFormat32, 2}) {
        for (int frames : {37, 512, 5024}) {
            for (int32_t noiseType : {0, 1}) {
                OnFreshThread([=] {
                    StartWith(6, {{kSlotToneOn, 1}, {kSlotToneLevel, 89}, {kSlotToneFrequency, 100000},
                              {kSlotSweepOn, 1}, {kSlotSweepLevel, 89}, {kSlotSweepLength, 100},
                              {kSlotNoiseOn, 1}, {kSlotNoiseType, noiseType}, {kSlotNoiseLevel, 60},
                              {kSlotInputOn, 1}, {kSlotInputLevel, 76}});
                    reference::State ref;
                    reference::Start(ref, g_converted[6], g_engine.pinkSeed, 1);
                    const bool wide = format == kSampleFormat32;
                    const uint32_t bytes = frames * (wide ? 8 : 4);
                    int worst = 0, differing = 0, rendered = 0;
                    for (int buffer = 0; rendered < 48000 + 2 * 5024; ++buffer, rendered += frames) {
                        if (buffer % 7 == 3) {  // glide to another fader frequency
                            g_params.live[6].slot[kSlotToneFrequency] = FrequencyForKnobPosition(5 + buffer % 66);
                            ApplyParams(6, kSlotToneFrequency);
                        }
                        std::vector<int32_t> input(2 * frames);
                        for (int i = 0; i < 2 * frames; ++i) input[i] = ((rendered * 2 + i) * 7919) % 60001 - 30000;
                        std::vector<int32_t> mine32 = input, ref32 = input;
                        std::vector<int16_t> mine16(input.begin(), input.end()), ref16 = mine16;
                        RenderBuffer(6, wide ? (void*)mine32.data() : (void*)mine16.data(), bytes, format);
                        reference::Render(ref, g_converted[6], 48000, wide ? (void*)ref32.data() : (void*)ref16.data(),
                                          bytes, format);
                        for (int i = 0; i < 2 * frames; ++i) {
                            const int d = wide ? std::abs(mine32[i] - ref32[i]) : std::abs(mine16[i] - ref16[i]);
                            worst = std::max(worst, d);
                            differing += d != 0;
                        }
                    }
                    std::printf("  format %d, %4d frames, noise %d: %d of %d samples differ, at most %d\n", format,
                                frames, noiseType, differing, 2 * rendered, worst);
                    EXPECT_LE(worst, 1);
                });
            }
        }
    }
}
