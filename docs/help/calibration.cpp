#include "calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "render.h"
#include "white_state.h"

namespace kelvane {

namespace {

constexpr int kBlockFrames = 4800;            // 100 ms at kCalibrationRate
constexpr double kFullScale32 = 8388608.0;    // 2^23
constexpr int32_t kInputSample = 8388608;     // the input fed to INPUT: full scale
constexpr int32_t kTopPosition = kLevelPositionMax;

double Db(double ratio) { return 20.0 * std::log10(ratio); }

// Everything off and muted, the other slots at their defaults, then the one
// source on at `position`.
ParamSet SourceAlone(CalibrationSource source, int32_t position) {
    ResetParams(0);
    ParamSet p = g_params.live[0];
    p.slot[kSlotToneFrequency] = kCalibrationToneHundredthsHz;
    switch (source) {
    case CalibrationSource::kTone:
        p.slot[kSlotToneOn] = 1;
        p.slot[kSlotToneLevel] = position;
        break;
    case CalibrationSource::kSweep:
        p.slot[kSlotSweepOn] = 1;
        p.slot[kSlotSweepLevel] = position;
        break;
    case CalibrationSource::kWhiteNoise:
    case CalibrationSource::kPinkNoise:
        p.slot[kSlotNoiseOn] = 1;
        p.slot[kSlotNoiseLevel] = position;
        p.slot[kSlotNoiseType] = source == CalibrationSource::kPinkNoise;
        break;
    case CalibrationSource::kInput:
        p.slot[kSlotInputOn] = 1;
        p.slot[kSlotInputLevel] = position;
        break;
    }
    return p;
}

// Renders `params` on assignment 0 as the plug-in does after loading and
// measures both channels together; `perSecond`, when given, receives the sum
// of squares of each second.
MeasuredLevel Render(const ParamSet& params, int seconds, std::vector<double>* perSecond = nullptr) {
    g_params.live[0] = params;
    ApplyParams(0, kAllSlots);
    g_engine.sampleRate = kCalibrationRate;
    g_engine.processingMode = 1;
    g_engine.pinkSeed = kPinkSeedAtLoad;
    StoreWhiteState(1);
    if (!StartGenerators(0)) {
        std::fprintf(stderr, "calibration: no memory for the work buffers\n");
        std::exit(1);
    }
    std::vector<int32_t> block(2 * kBlockFrames);
    double sumOfSquares = 0.0;
    int64_t peak = 0;
    constexpr int kBlocksPerSecond = kCalibrationRate / kBlockFrames;
    const int blocks = seconds * kBlocksPerSecond;
    for (int b = 0; b < blocks; ++b) {
        std::fill(block.begin(), block.end(), kInputSample);
        RenderBuffer(0, block.data(), static_cast<uint32_t>(block.size() * sizeof(int32_t)), kSampleFormat32);
        if (perSecond != nullptr && b % kBlocksPerSecond == 0) perSecond->push_back(sumOfSquares);
        for (int32_t x : block) {
            sumOfSquares += static_cast<double>(x) * x;
            peak = std::max<int64_t>(peak, std::llabs(static_cast<int64_t>(x)));
        }
    }
    if (perSecond != nullptr) perSecond->push_back(sumOfSquares);
    const double samples = static_cast<double>(blocks) * block.size();
    return {Db(std::sqrt(sumOfSquares / samples) / kFullScale32), Db(peak / kFullScale32)};
}

CalibrationRecipe Recipe(const char* file, const char* purpose, CalibrationSource source, double targetDb,
                         bool rms, int32_t position, int seconds) {
    CalibrationRecipe r{file, purpose, source, targetDb, rms, position, {}, SourceAlone(source, position)};
    r.level = Render(r.params, seconds);
    return r;
}

}  // namespace

MeasuredLevel MeasureSource(CalibrationSource source, int32_t position, int seconds) {
    return Render(SourceAlone(source, position), seconds);
}

double NoiseRmsSpread(CalibrationSource noise, int windowSeconds) {
    std::vector<double> running;   // sum of squares before each second, and the total
    const double whole = Render(SourceAlone(noise, kTopPosition), kCalibrationSeconds, &running).rmsDb;
    const double samplesPerSecond = 2.0 * kCalibrationRate;
    double spread = 0.0;
    for (size_t s = 0; s + windowSeconds < running.size(); ++s) {
        const double squares = running[s + windowSeconds] - running[s];
        const double rms = Db(std::sqrt(squares / (samplesPerSecond * windowSeconds)) / kFullScale32);
        spread = std::max(spread, std::fabs(rms - whole));
    }
    return spread;
}

int32_t NearestPosition(double db, double offsetDb) {
    int32_t best = kTopPosition;
    for (int32_t p = kTopPosition; p > kLevelPositionOffset; --p) {
        const double level = Db(LevelGain(p - kLevelPositionOffset)) + offsetDb;
        const double bestLevel = Db(LevelGain(best - kLevelPositionOffset)) + offsetDb;
        if (std::fabs(level - db) <= std::fabs(bestLevel - db)) best = p;
    }
    return best;
}

std::vector<CalibrationRecipe> CalibrationRecipes() {
    // A tone or a sweep peaks at its fader level; the pink noise's RMS lies a
    // fixed distance below it, measured once at the top.
    const int32_t top = kTopPosition;
    const double pinkBelowFader = MeasureSource(CalibrationSource::kPinkNoise, top, kCalibrationSeconds).rmsDb -
                                  Db(LevelGain(top - kLevelPositionOffset));
    return {
        Recipe("Tone 1 kHz -18 dBFS peak.plg", "alignment tone at the EBU level", CalibrationSource::kTone, -18.0,
               false, NearestPosition(-18.0), 1),
        Recipe("Tone 1 kHz -20 dBFS peak.plg", "alignment tone at the SMPTE reference level", CalibrationSource::kTone,
               -20.0, false, NearestPosition(-20.0), 1),
        Recipe("Pink noise -20 dBFS RMS.plg", "loudspeaker and room calibration", CalibrationSource::kPinkNoise, -20.0,
               true, NearestPosition(-20.0, pinkBelowFader), kCalibrationSeconds),
        Recipe("Sweep 20 Hz-20 kHz -12 dBFS peak.plg", "frequency response, 20 Hz to 20 kHz in 30 s",
               CalibrationSource::kSweep, -12.0, false, NearestPosition(-12.0), 1),
        Recipe("Input only.plg", "the track's own signal, every generator off", CalibrationSource::kInput, 0.0, false,
               top, 1),
    };
}

}  // namespace kelvane
