// A straightforward double-precision rendering of the engine's signals, kept
// beside the tests as the yardstick for the fast production renderer: library
// cos, log and exp, one step at a time, no shortcuts.
#pragma once

#include <cstdint>
#include <vector>

#include "params.h"

namespace reference {

struct State {
    // tone
    double tonePhase = 0.0;
    float previousToneFrequency = 0.0f;
    // sweep
    float appliedStart = 0.0f, appliedStop = 0.0f, appliedLength = 0.0f;
    bool restart = true;
    int32_t position = 0;
    double sweepPhase = 0.0, sweepIncrement = 0.0;
    // noise: its own copies of both generators
    int32_t pinkCounter = 0;
    int32_t pinkRows[16] = {};
    int32_t pinkSum = 0;
    uint32_t pinkSeed = 22222;
    uint32_t whiteState = 1;
    // work buffers, one block
    std::vector<float> tone, sweep, noise;
};

// The state after a processing start with these parameters; the generator
// seeds are given so that the reference can follow the production sequences.
void Start(State& s, const kelvane::ConvertedParams& p, uint32_t pinkSeed, uint32_t whiteState);

// Renders one host buffer in place, as the production renderer must.
void Render(State& s, const kelvane::ConvertedParams& p, uint32_t sampleRate, void* buffer,
            uint32_t bufferBytes, int32_t sampleFormat);

}  // namespace reference
