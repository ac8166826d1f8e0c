#include "calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "band_meter.h"
#include "render.h"
#include "white_state.h"

namespace kelvane {

namespace {

constexpr int kBlockFrames = 4800;            // 100 ms at kCalibrationRate, the input loss's buffers
constexpr double kFullScale32 = 8388608.0;    // 2^23
constexpr int32_t kInputSample = 8388608;     // the input fed to INPUT: full scale
constexpr int16_t kInputSample16 = 32767;     // on 16-bit tracks, as near as the format goes
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
MeasuredLevel Render(const ParamSet& params, int seconds, std::vector<double>* perSecond = nullptr,
                     bool band = false, const CalibrationHost& host = {}) {
    g_params.live[0] = params;
    ApplyParams(0, kAllSlots);
    g_engine.sampleRate = host.rate;
    g_engine.processingMode = 1;
    g_engine.pinkSeed = kPinkSeedAtLoad;
    StoreWhiteState(1);
    if (!StartGenerators(0)) {
        std::fprintf(stderr, "calibration: no memory for the work buffers\n");
        std::exit(1);
    }
    const bool wide = host.sampleFormat == kSampleFormat32;
    const double fullScale = wide ? kFullScale32 : 32768.0;
    std::vector<int32_t> block(2 * host.bufferFrames);
    std::vector<int16_t> block16(wide ? 0 : block.size());
    // The band is read on one channel: the right one reads the noise
    // backwards within each buffer, so its spectrum depends on the host's
    // buffer size.
    BandMeter meter{static_cast<double>(host.rate), kBandLowHz, kBandHighHz, {}};
    double sumOfSquares = 0.0;
    int64_t peak = 0;
    const int64_t frames = static_cast<int64_t>(seconds) * host.rate;
    for (int64_t done = 0; done + host.bufferFrames <= frames; done += host.bufferFrames) {
        if (perSecond != nullptr && done % host.rate == 0) perSecond->push_back(sumOfSquares);
        if (wide) {
            std::fill(block.begin(), block.end(), kInputSample);
            RenderBuffer(0, block.data(), static_cast<uint32_t>(block.size() * sizeof(int32_t)), kSampleFormat32);
        } else {
            std::fill(block16.begin(), block16.end(), kInputSample16);
            RenderBuffer(0, block16.data(), static_cast<uint32_t>(block16.size() * sizeof(int16_t)), kSampleFormat16);
            std::copy(block16.begin(), block16.end(), block.begin());
        }
        for (int32_t x : block) {
            sumOfSquares += static_cast<double>(x) * x;
            peak = std::max<int64_t>(peak, std::llabs(static_cast<int64_t>(x)));
        }
        for (size_t i = host.bandChannel; band && i < block.size(); i += 2) AddSample(meter, block[i] / fullScale);
    }
    if (perSecond != nullptr) perSecond->push_back(sumOfSquares);
    const double samples = static_cast<double>(frames - frames % host.bufferFrames) * 2.0;
    return {Db(std::sqrt(sumOfSquares / samples) / fullScale), Db(peak / fullScale),
            band ? 10.0 * std::log10(BandMeanSquare(meter)) : 0.0};
}

// A preset's file name: its template with the figure it renders, to as many
// decimals as the figure holds over a render (a noise's RMS wanders by a few
// hundredths even over minutes).
std::string NameWithFigure(const char* pattern, double db, int decimals) {
    char figure[32], name[160];
    std::snprintf(figure, sizeof figure, "%.*f", decimals, db);
    std::snprintf(name, sizeof name, pattern, figure);
    return name;
}

CalibrationRecipe Recipe(const char* pattern, int decimals, const char* purpose, CalibrationSource source,
                         double targetDb, RecipeFigure figure, int32_t position, int seconds) {
    CalibrationRecipe r{"", purpose, source, targetDb, figure, position, {}, SourceAlone(source, position)};
    r.level = Render(r.params, seconds, nullptr, figure == RecipeFigure::kRmsBand || figure == RecipeFigure::kRmsFullBand);
    r.file = NameWithFigure(pattern, RecipeFigureDb(r), decimals);
    // The name states what is rendered; the position must still be the one
    // nearest the level the recipe is for: within half a fader step of it.
    const double halfStep = (Db(LevelGain(position + 1 - kLevelPositionOffset)) -
                             Db(LevelGain(position - 1 - kLevelPositionOffset))) / 4.0;
    if (std::fabs(RecipeFigureDb(r) - targetDb) > halfStep + 0.05) {
        std::fprintf(stderr, "calibration: %s lies %.2f dB from the %.2f dBFS it is for\n", r.file.c_str(),
                     RecipeFigureDb(r) - targetDb, targetDb);
        std::exit(1);
    }
    return r;
}

}  // namespace

MeasuredLevel MeasureSource(CalibrationSource source, int32_t position, int seconds, bool band,
                            const CalibrationHost& host) {
    return Render(SourceAlone(source, position), seconds, nullptr, band, host);
}

double RecipeFigureDb(const CalibrationRecipe& r) {
    switch (r.figure) {
    case RecipeFigure::kRmsFullBand: return r.level.rmsDb;
    case RecipeFigure::kRmsBand: return r.level.bandRmsDb;
    default: return r.level.peakDb;   // a peak, or a gain on a full-scale input
    }
}

double InputLossDb(double inputDbfs, int32_t position, int32_t sampleFormat) {
    g_params.live[0] = SourceAlone(CalibrationSource::kInput, position);
    ApplyParams(0, kAllSlots);
    g_engine.sampleRate = kCalibrationRate;
    g_engine.processingMode = 1;
    StartGenerators(0);
    const bool wide = sampleFormat == kSampleFormat32;
    const double amplitude = std::sqrt(2.0) * std::pow(10.0, inputDbfs / 20.0) * (wide ? kFullScale32 : 32768.0);
    double in = 0.0, out = 0.0;
    std::vector<int32_t> block32(2 * kBlockFrames);
    std::vector<int16_t> block16(2 * kBlockFrames);
    for (int b = 0; b < kCalibrationRate / kBlockFrames; ++b) {
        for (int i = 0; i < 2 * kBlockFrames; ++i) {
            const double x = std::round(amplitude * std::cos(2.0 * kBandMeterPi * 1000.0 * (b * kBlockFrames + i / 2) /
                                                             kCalibrationRate));
            in += x * x;
            block32[i] = static_cast<int32_t>(x);
            block16[i] = static_cast<int16_t>(x);
        }
        void* samples = wide ? static_cast<void*>(block32.data()) : static_cast<void*>(block16.data());
        RenderBuffer(0, samples, static_cast<uint32_t>(block32.size() * (wide ? 4 : 2)), sampleFormat);
        for (int i = 0; i < 2 * kBlockFrames; ++i) {
            const double y = wide ? block32[i] : block16[i];
            out += y * y;
        }
    }
    return 10.0 * std::log10(out / in);
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
    // A tone or a sweep peaks at its fader level; the pink noise's RMS, full
    // band and within the band, lies a fixed distance below it, measured
    // once at the top.
    const int32_t top = kTopPosition;
    const MeasuredLevel pink = MeasureSource(CalibrationSource::kPinkNoise, top, kCalibrationSeconds, true);
    const double topLevel = Db(LevelGain(top - kLevelPositionOffset));
    return {
        Recipe("Tone 1 kHz %s dBFS peak.plg", 2, "alignment tone, nearest the EBU level (&minus;18&nbsp;dBFS)",
               CalibrationSource::kTone, -18.0, RecipeFigure::kPeak, NearestPosition(-18.0), 1),
        Recipe("Tone 1 kHz %s dBFS peak.plg", 2, "alignment tone, nearest the SMPTE reference level (&minus;20&nbsp;dBFS)",
               CalibrationSource::kTone, -20.0, RecipeFigure::kPeak, NearestPosition(-20.0), 1),
        Recipe("Pink noise %s dBFS RMS full band.plg", 1, "loudspeaker and room calibration by a full-band meter",
               CalibrationSource::kPinkNoise, -20.0, RecipeFigure::kRmsFullBand,
               NearestPosition(-20.0, pink.rmsDb - topLevel), kCalibrationSeconds),
        Recipe("Pink noise %s dBFS RMS 20 Hz-20 kHz.plg", 1,
               "loudspeaker and room calibration by a meter or analyser that reads 20&nbsp;Hz to 20&nbsp;kHz",
               CalibrationSource::kPinkNoise, -20.0, RecipeFigure::kRmsBand,
               NearestPosition(-20.0, pink.bandRmsDb - topLevel), kCalibrationSeconds),
        Recipe("Sweep 20 Hz-20 kHz %s dBFS peak.plg", 2, "frequency response, 20 Hz to 20 kHz in 30 s",
               CalibrationSource::kSweep, -12.0, RecipeFigure::kPeak, NearestPosition(-12.0), 1),
        Recipe("Input only, gain %s dB, not bit-transparent.plg", 4,
               "the track's own signal, every generator off", CalibrationSource::kInput, 0.0, RecipeFigure::kGain,
               top, 1),
    };
}

}  // namespace kelvane
