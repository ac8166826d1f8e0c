// Buffer rendering: the tone with its glide, the repeating exponential sweep,
// white and pink noise, the input pass-through and the mix into the host's
// interleaved stereo samples.
#pragma once

#include <cstdint>

#include "params.h"

namespace kelvane {

constexpr int kWorkBufferFrames = 5024;
constexpr int32_t kSampleFormat32 = 4;   // any other format word means 16-bit
constexpr int32_t kSampleFormat16 = 2;
constexpr int kPinkRows = 16;            // rows in use of the 30 the state has room for
constexpr uint32_t kPinkSeedAtLoad = 22222;
// Each pink value is the top 24 bits of the generator, signed: -2^23 .. 2^23 - 1.
constexpr double kPinkValueHalfRange = 8388608.0;
// The sum of the rows and the fresh value, kPinkRows + 1 such values, scaled to -1..+1.
constexpr float kPinkScale = 1.0f / static_cast<float>((kPinkRows + 1) * kPinkValueHalfRange);
static_assert(kPinkScale == 1.0f / 142606336.0f, "17 signed 24-bit values to -1..+1");

// One assignment's generators: oscillator and sweep memories, pink-noise
// rows and the work buffers. Only the renderer, on the audio thread, and
// StartGenerators touch them.
struct GeneratorState {
    // tone
    double tonePhase;
    float previousToneFrequency;
    // sweep
    float appliedSweepStart;
    float appliedSweepStop;
    float appliedSweepLength;
    int32_t sweepRestart;
    int32_t sweepPosition;
    double sweepPhase;
    double sweepIncrement;
    // pink noise
    int32_t pinkCounter;
    int32_t pinkRows[30];
    int32_t pinkRunningSum;
    // the host's format at the last buffer rendered: a 16-bit one, or 32-bit or none yet
    int32_t rendered16Bit;
    // work buffers, kWorkBufferFrames samples each; null until the first start
    float* toneBuffer;
    float* sweepBuffer;
    float* noiseBuffer;
};

// The engine's process-wide state. ProcessingMode and the sample rate are
// written by host messages on the user-interface thread; the rest belongs to
// the renderer on the audio thread.
struct EngineState {
    GeneratorState generator[kAssignmentCount];
    uint32_t sampleRate;        // Hz, from FxInit and host message 13
    int32_t processingMode;     // 1 while processing runs (host messages 2 and 3)
    uint32_t pinkSeed;          // one pink sequence for the whole process
};
extern EngineState g_engine;

// Prepares an assignment's generators when processing starts: work buffers
// (allocated at the first start, reused afterwards), tone, sweep and pink
// memories. Returns false when the buffers cannot be allocated.
bool StartGenerators(int assignment);

// Frees every assignment's work buffers (host message 1).
void ReleaseGenerators();

// Replaces the host's buffer in place. bufferBytes is the byte length; the
// format word selects 32-bit (4) or 16-bit samples. Renders nothing unless
// processing runs and the assignment has work buffers.
void RenderBuffer(int assignment, void* buffer, uint32_t bufferBytes, int32_t sampleFormat);

// Fills the first `frames` samples of the generator's noise buffer: white
// noise from the rendering thread's generator (white_state.h), pink noise from
// the generator's rows and the process-wide pinkSeed, which it advances.
void RenderNoise(GeneratorState& g, const ConvertedParams& p, uint32_t& pinkSeed, int frames);

// Puts the assignment's pink-noise memories back to their state after a start.
void ResetPinkNoise(int assignment);

// The long-run RMS of a noise type (0 white, anything else pink) relative to
// its fader gain, from the generators' own constants: what a meter reads over
// a long render, the level a user calibrates with.
double NoiseRmsRatio(int32_t noiseType);

// The largest magnitude a noise type ever reaches relative to its fader gain.
double NoiseLargestRatio(int32_t noiseType);

}  // namespace kelvane
