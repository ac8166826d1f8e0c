// Calibration figures measured from the engine, and the recipes of the
// factory presets. help_tables prints them on the Calibration page and
// make_presets writes the preset files from the same recipes, so the page
// and the files cannot disagree.
//
// Every measurement renders one source alone, into 32-bit buffers (full
// scale 2^23) at 48 kHz unless it asks for another host, from the state the
// plug-in has right after loading: pink seed 22222, white-noise state 1,
// fresh generators. Figures are in dB relative to full scale over both channels; an RMS figure is the plain RMS, so a
// full-scale sine reads -3.01 dBFS RMS, over the full band unless it says
// 20 Hz - 20 kHz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "levels.h"
#include "params.h"
#include "render.h"

namespace kelvane {

constexpr uint32_t kCalibrationRate = 48000;
// Noise is measured over ten minutes: pink noise's slowest rows change so
// rarely that one minute's RMS can lie 0.3 dB from the long-run figure the
// editor's value tip gives; ten minutes come within a few hundredths.
constexpr int kCalibrationSeconds = 600;
constexpr int32_t kCalibrationToneHundredthsHz = 100000;   // 1 kHz, a FREQUENCY fader step

// The band that loudspeakers, high-passed meters and room analysers read.
constexpr double kBandLowHz = 20.0, kBandHighHz = 20000.0;

// Levels of one rendered signal, in dBFS.
struct MeasuredLevel {
    double rmsDb;
    double peakDb;
    double bandRmsDb;   // RMS within kBandLowHz..kBandHighHz on one channel (the left unless asked), when asked for
};

// The source a figure describes; also selects the signal a recipe renders.
using CalibrationSource = LevelSource;

// How the host renders a measurement: its rate, sample format (figures are
// relative to that format's full scale) and buffer size, and the channel
// (0 left, 1 right) whose band RMS is read.
struct CalibrationHost {
    uint32_t rate = kCalibrationRate;
    int32_t sampleFormat = kSampleFormat32;
    int bufferFrames = 4800;
    int bandChannel = 0;
};

// A source alone at a fader position, with the other slots at their defaults
// (tone at 1 kHz); `seconds` of audio. The input is fed a constant at full
// scale. `band` also measures the band RMS (slower).
MeasuredLevel MeasureSource(CalibrationSource source, int32_t position, int seconds, bool band = false,
                            const CalibrationHost& host = {});

// How much lower a 1 kHz sine of `inputDbfs` (RMS, dBFS) comes out of INPUT
// at `position` with every generator off, in dB, in a host format: the gain
// and the truncation of every sample toward zero together.
double InputLossDb(double inputDbfs, int32_t position, int32_t sampleFormat);

// How far the RMS of any `windowSeconds` of a noise at the top position,
// windows starting every second over kCalibrationSeconds, strays from the
// RMS of the whole render: the largest difference in dB either way.
double NoiseRmsSpread(CalibrationSource noise, int windowSeconds);

// What a preset's name promises.
enum class RecipeFigure { kPeak, kRmsFullBand, kRmsBand, kGain };

// One factory preset: the whole ParamSet, what it is for, and the figure
// its rendering gives (peak or RMS, dBFS; for INPUT the gain in dB), which
// its file name states.
struct CalibrationRecipe {
    std::string file;         // preset file name with its figure, .plg included
    std::string purpose;      // one line for the help
    CalibrationSource source;
    double targetDb;          // the level asked for
    RecipeFigure figure;
    int32_t position;         // the fader position nearest the target
    MeasuredLevel level;      // rendered at that position
    ParamSet params;
};

// The figure a recipe's name states, as rendered.
double RecipeFigureDb(const CalibrationRecipe& r);

// The recipes, in the order the help lists them. Renders (a few seconds).
std::vector<CalibrationRecipe> CalibrationRecipes();

// The fader position (5..105) whose nominal gain in dB is nearest `db`
// (ties to the lower position), plus `offsetDb` for sources whose measured
// figure lies below the fader level.
int32_t NearestPosition(double db, double offsetDb = 0.0);

}  // namespace kelvane
