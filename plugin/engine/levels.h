// What a level fader's source puts on the track at a fader position, as a
// meter reads the track: the renderer truncates every sample toward zero to
// the host's integers with no dither, so low levels come out lower than the
// level law says, and the lowest ones not at all. The value tip and the
// Calibration page both take their figures from here.
#pragma once

#include <cstdint>

namespace kelvane {

enum class LevelSource { kTone, kSweep, kWhiteNoise, kPinkNoise, kInput };

struct RenderedLevel {
    bool silent;     // every sample is 0, or fewer than one other is expected per hour at 48 kHz
    double peakDb;   // dBFS: the largest sample (tone, sweep, a full-scale input)
    double rmsDb;    // dBFS: the long-run RMS over the full band (a tone's over all phases)
};

// [any thread] The source alone at `position` (5..105) in the host's sample
// format (kSampleFormat32, or anything else for 16-bit). The input is taken
// as a steady full-scale signal, so its figures are the gain as rendered.
// Noise peaks depend on how long one listens and are not given (0).
RenderedLevel LevelAtPosition(LevelSource source, int32_t position, int32_t sampleFormat);

}  // namespace kelvane
