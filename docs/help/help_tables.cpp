// Writes the help pages' computed parts from the engine itself, so that the
// pages cannot drift from what the plug-in renders: the level table (gains,
// decibels and the peak samples of a rendered tone in both host formats), the
// FREQUENCY fader's table, and the overload figures of the Full scale section.
//
// usage: help_tables OUTPUT_FOLDER
// Each fragment goes to OUTPUT_FOLDER/<name>.htm; build_chm.cmake puts it in
// place of the marker <!--#insert name--> in the staged pages.
//
// The Calibration page's table and recipes come from long renders of each
// source (calibration.cpp), the same recipes that make_presets writes.
//
// The program also fails (exit 1) when the rendered behaviour contradicts
// what the Full scale section says: 16-bit sums over full scale must hold at
// the limit, never wrap to the other sign, and 32-bit sums beyond the 32-bit
// range must be clamped.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "calibration.h"
#include "levels.h"
#include "params.h"
#include "render.h"

using namespace kelvane;

namespace {

constexpr uint32_t kRate = 48000;
constexpr int kFrames = 4800;  // one block: 100 ms at kRate
constexpr int kTopPosition = kLevelPositionMax;

struct Sources {
    int32_t tone;   // fader positions; 0 = off
    int32_t sweep;
    int32_t input;
};

// One block of the given sources over a constant input sample, from a fresh
// start of assignment 0, in the given format; returns the interleaved samples.
template <typename Sample>
std::vector<Sample> Render(const Sources& s, Sample inputSample) {
    ResetParams(0);
    int32_t* slot = g_params.live[0].slot;
    slot[kSlotToneOn] = s.tone != 0;
    slot[kSlotToneLevel] = s.tone;
    slot[kSlotSweepOn] = s.sweep != 0;
    slot[kSlotSweepLevel] = s.sweep;
    slot[kSlotInputOn] = s.input != 0;
    slot[kSlotInputLevel] = s.input;
    ApplyParams(0, kAllSlots);
    g_engine.sampleRate = kRate;
    g_engine.processingMode = 1;
    if (!StartGenerators(0)) {
        std::fprintf(stderr, "help_tables: no memory for the work buffers\n");
        std::exit(1);
    }
    std::vector<Sample> frames(2 * kFrames, inputSample);
    RenderBuffer(0, frames.data(), static_cast<uint32_t>(frames.size() * sizeof(Sample)),
                 sizeof(Sample) == 4 ? kSampleFormat32 : 2);
    return frames;
}

// The largest sample: the positive peak, as the level table gives it.
template <typename Sample>
int64_t Peak(const std::vector<Sample>& frames) {
    int64_t peak = 0;
    for (Sample x : frames) peak = std::max<int64_t>(peak, x);
    return peak;
}

// 1234567 as "1&nbsp;234&nbsp;567", as the pages write large numbers.
std::string Grouped(int64_t n) {
    std::string digits = std::to_string(std::llabs(n)), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += "&nbsp;";
        out += digits[i];
    }
    return (n < 0 ? "&minus;" : "") + out;
}

std::string Decibels(double gain) {
    if (gain <= 0.0) return "&minus;&infin; (silence)";
    const double db = 20.0 * std::log10(gain);
    char text[32];
    std::snprintf(text, sizeof text, std::fabs(db) < 0.1 ? "%.4f" : "%.2f", std::fabs(db));
    return std::string(db < 0 ? "&minus;" : "+") + text;
}

std::string Gain(double gain) {
    char text[32];
    if (gain == 0.0) return "0";
    std::snprintf(text, sizeof text, gain < 1e-4 ? "%.3e" : "%.6f", gain);
    return text;
}

std::string Cell(const std::string& text) { return "<td class=\"num\">" + text + "</td>"; }

void Write(const std::string& folder, const char* name, const std::string& text) {
    const std::string path = folder + "/" + name + ".htm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "help_tables: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void Fail(const char* what) {
    std::fprintf(stderr, "help_tables: %s; the help's Full scale section says otherwise\n", what);
    std::exit(1);
}

// Every row is rendered: a tone alone at the position, in both formats; its
// first sample is the cosine's peak. The last row is a tone and a sweep both
// at the top, the sum of two full-scale sources.
std::string LevelTable(int64_t sumPeak32, int64_t sumPeak16) {
    static const int kPositions[] = {5, 10, 20, 27, 30, 40, 55, 60, 70, 76, 80, 89, 90, 100, 105};
    std::string t =
        "<table>\n<tr><th class=\"num\">Position</th><th class=\"num\">Index</th><th class=\"num\">Gain</th>"
        "<th class=\"num\">Level, dB</th><th class=\"num\">Peak, 32-bit</th><th class=\"num\">Peak, 16-bit</th></tr>\n";
    for (int position : kPositions) {
        const int32_t index = position - kLevelPositionOffset;
        const double gain = LevelGain(index);
        std::string label = std::to_string(position);
        if (position == kLevelPositionOffset) label += " (bottom)";
        if (position == kDefaultGeneratorLevel) label += " (default of the generators)";
        if (position == kTopPosition) label += " (top; default of INPUT)";
        const Sources tone = {position, 0, 0};
        t += "<tr>" + Cell(label) + Cell(std::to_string(index)) + Cell(Gain(gain)) + Cell(Decibels(gain)) +
             Cell(std::to_string(Peak(Render<int32_t>(tone, 0)))) +
             Cell(std::to_string(Peak(Render<int16_t>(tone, 0)))) + "</tr>\n";
    }
    const double both = 2.0 * LevelGain(kTopPosition - kLevelPositionOffset);
    t += "<tr>" + Cell("tone and sweep both at " + std::to_string(kTopPosition)) + Cell("") + Cell(Gain(both)) +
         Cell(Decibels(both)) + Cell(std::to_string(sumPeak32)) + Cell("<b>" + std::to_string(sumPeak16) + "</b>") +
         "</tr>\n</table>\n";
    return t;
}

// Six columns of eleven steps; the default entry in bold.
std::string FrequencyTableHtml() {
    constexpr int kRows = 11, kColumns = kFrequencyTableSize / kRows;
    std::string t = "<table>\n<tr>";
    for (int c = 0; c < kColumns; ++c) t += "<th class=\"num\">Step</th><th class=\"num\">Hz</th>";
    t += "</tr>\n";
    for (int r = 0; r < kRows; ++r) {
        t += "<tr>";
        for (int c = 0; c < kColumns; ++c) {
            const int n = c * kRows + r;
            char hz[16];
            std::snprintf(hz, sizeof hz, "%g", static_cast<double>(FrequencyTable[n]));
            const std::string shown = n == kDefaultFrequencyEntry ? "<b>" + std::string(hz) + "</b>" : hz;
            t += Cell(std::to_string(n + 1)) + Cell(shown);
        }
        t += "</tr>\n";
    }
    return t + "</table>\n";
}

// A dBFS or dB figure with a real minus sign, two decimals (four near 0 dB).
std::string Figure(double db) {
    char text[32];
    std::snprintf(text, sizeof text, std::fabs(db) < 0.1 ? "%.4f" : "%.2f", std::fabs(db));
    return std::string(db < 0 ? "&minus;" : "") + text;
}

// Positions every 5 from 10 up, with the recipes' positions among them.
std::vector<int32_t> CalibrationPositions(const std::vector<CalibrationRecipe>& recipes) {
    std::vector<int32_t> positions;
    for (int32_t p = 10; p <= kTopPosition; p += 5) positions.push_back(p);
    for (const CalibrationRecipe& r : recipes) positions.push_back(r.position);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

// A 32-bit figure, with the 16-bit one beside it where the two differ by
// 0.01 dB or more.
std::string Formats(LevelSource source, int32_t p, bool rms) {
    const RenderedLevel wide = LevelAtPosition(source, p, kSampleFormat32);
    const RenderedLevel narrow = LevelAtPosition(source, p, 2);
    const auto text = [rms](const RenderedLevel& l) { return l.silent ? std::string("silent") : Figure(rms ? l.rmsDb : l.peakDb); };
    std::string cell = text(wide);
    if (narrow.silent != wide.silent || std::fabs((rms ? narrow.rmsDb - wide.rmsDb : narrow.peakDb - wide.peakDb)) >= 0.01) {
        cell += "<br>16-bit: " + text(narrow);
    }
    return Cell(cell);
}

// How far each noise's 20 Hz - 20 kHz RMS lies below its full-band RMS,
// measured at the top position at 48 and 44.1 kHz: white noise's share of
// the band depends on how far its spectrum reaches above 20 kHz.
struct BandDistances {
    double white48, pink48, white44, pink44;
};
constexpr CalibrationHost kHost44{44100, kSampleFormat32, 4410, 0};

// Pink noise's spectrum scales with the rate, its share of the band hardly
// changes; like the 16-bit figures, the one at 44.1 kHz is given where it
// differs by 0.01 dB or more.
bool BandsDiffer(double below48, double below44) { return std::fabs(below48 - below44) >= 0.01; }

// A band figure at 48 kHz, the one at 44.1 kHz beneath it where it differs.
std::string BandCell(double fullBandDb, double below48, double below44) {
    const std::string at44 = "<br>44.1&nbsp;kHz: " + Figure(fullBandDb - below44);
    return Cell(Figure(fullBandDb - below48) + (BandsDiffer(below48, below44) ? at44 : ""));
}

// Position by position, from the engine's figures of what each format
// renders: the tone's peak and RMS and the noises' RMS, with each noise's
// 20 Hz - 20 kHz RMS the measured distance below its full-band RMS; the
// noises' peaks, which depend on how long one listens, are measured over
// kCalibrationSeconds. Every row also renders the tone and the sweep, whose
// peaks must be the engine's figure.
std::string CalibrationTable(const std::vector<CalibrationRecipe>& recipes, const BandDistances& below) {
    std::string t =
        "<table>\n<tr><th class=\"num\">Position</th>"
        "<th class=\"num\">Tone and sweep peak</th><th class=\"num\">Tone RMS</th>"
        "<th class=\"num\">White RMS full band</th><th class=\"num\">White RMS 20&nbsp;Hz&ndash;20&nbsp;kHz, 48&nbsp;kHz</th>"
        "<th class=\"num\">White peak</th><th class=\"num\">White crest, dB</th>"
        "<th class=\"num\">Pink RMS full band</th><th class=\"num\">Pink RMS 20&nbsp;Hz&ndash;20&nbsp;kHz, 48&nbsp;kHz</th>"
        "<th class=\"num\">Pink peak</th><th class=\"num\">Pink crest, dB</th></tr>\n";
    for (int32_t p : CalibrationPositions(recipes)) {
        const RenderedLevel toneLevel = LevelAtPosition(LevelSource::kTone, p, kSampleFormat32);
        const MeasuredLevel tone = MeasureSource(CalibrationSource::kTone, p, 1);
        const MeasuredLevel sweep = MeasureSource(CalibrationSource::kSweep, p, 1);
        if (std::fabs(sweep.peakDb - tone.peakDb) > 0.005 || std::fabs(toneLevel.peakDb - tone.peakDb) > 0.005) {
            std::fprintf(stderr, "help_tables: at position %d the tone, the sweep and the engine's figure differ\n", p);
            std::exit(1);
        }
        const MeasuredLevel white = MeasureSource(CalibrationSource::kWhiteNoise, p, kCalibrationSeconds);
        const MeasuredLevel pink = MeasureSource(CalibrationSource::kPinkNoise, p, kCalibrationSeconds);
        const double whiteRms = LevelAtPosition(LevelSource::kWhiteNoise, p, kSampleFormat32).rmsDb;
        const double pinkRms = LevelAtPosition(LevelSource::kPinkNoise, p, kSampleFormat32).rmsDb;
        const bool recipe = std::any_of(recipes.begin(), recipes.end(),
                                        [p](const CalibrationRecipe& r) { return r.position == p; });
        const std::string position = recipe ? "<b>" + std::to_string(p) + "</b>" : std::to_string(p);
        t += "<tr>" + Cell(position) + Formats(LevelSource::kTone, p, false) + Formats(LevelSource::kTone, p, true) +
             Formats(LevelSource::kWhiteNoise, p, true) + BandCell(whiteRms, below.white48, below.white44) +
             Cell(Figure(white.peakDb)) + Cell(Figure(white.peakDb - whiteRms)) +
             Formats(LevelSource::kPinkNoise, p, true) + BandCell(pinkRms, below.pink48, below.pink44) +
             Cell(Figure(pink.peakDb)) + Cell(Figure(pink.peakDb - pinkRms)) + "</tr>\n";
    }
    return t + "</table>\n";
}

std::string Hertz(int32_t hundredths) {
    char text[32];
    std::snprintf(text, sizeof text, "%g&nbsp;Hz", hundredths / 100.0);
    return text;
}

// What a recipe sets, in the editor's words.
std::string Settings(const CalibrationRecipe& r) {
    const int32_t* s = r.params.slot;
    const std::string at = ", position " + std::to_string(r.position);
    switch (r.source) {
    case CalibrationSource::kTone:
        return "TONE GEN on" + at + ", FREQUENCY " + Hertz(s[kSlotToneFrequency]);
    case CalibrationSource::kSweep:
        return "SWEEP GEN on" + at + ", START FREQ " + Hertz(s[kSlotSweepStart]) + ", STOP FREQ " +
               Hertz(s[kSlotSweepStop]) + ", LENGTH " + std::to_string(s[kSlotSweepLength] / 100) + "&nbsp;s";
    case CalibrationSource::kWhiteNoise:
    case CalibrationSource::kPinkNoise:
        return "NOISE GEN on" + at + ", TYPE " + (s[kSlotNoiseType] != 0 ? "PINK" : "WHITE");
    case CalibrationSource::kInput:
        return "INPUT on" + at;
    }
    return "";
}

// What the recipe gives, peak or RMS said each time.
std::string Result(const CalibrationRecipe& r, const BandDistances& below) {
    switch (r.source) {
    case CalibrationSource::kTone:
        return Figure(r.level.peakDb) + "&nbsp;dBFS peak (" + Figure(r.level.rmsDb) + "&nbsp;dBFS RMS)";
    case CalibrationSource::kSweep:
        return Figure(r.level.peakDb) + "&nbsp;dBFS peak at every frequency";
    case CalibrationSource::kWhiteNoise:
    case CalibrationSource::kPinkNoise: {
        const bool pink = r.source == CalibrationSource::kPinkNoise;
        const double below48 = pink ? below.pink48 : below.white48, below44 = pink ? below.pink44 : below.white44;
        const std::string rates = BandsDiffer(below48, below44)
                                      ? " at 48&nbsp;kHz (" + Figure(r.level.rmsDb - below44) + " at 44.1&nbsp;kHz)"
                                      : " at 48 and 44.1&nbsp;kHz";
        return Figure(r.level.rmsDb) + "&nbsp;dBFS RMS full band, " + Figure(r.level.bandRmsDb) +
               "&nbsp;dBFS RMS 20&nbsp;Hz&ndash;20&nbsp;kHz" + rates + " (peaks " + Figure(r.level.peakDb) + "&nbsp;dBFS)";
    }
    case CalibrationSource::kInput:
        return "gain " + Figure(r.level.peakDb) + "&nbsp;dB; not bit-transparent (see below)";
    }
    return "";
}

std::string RecipeTable(const std::vector<CalibrationRecipe>& recipes, const BandDistances& below) {
    std::string t =
        "<table>\n<tr><th>Preset file</th><th>For</th><th>Settings (other sources off, INPUT muted)</th>"
        "<th>Result</th></tr>\n";
    for (const CalibrationRecipe& r : recipes) {
        std::string settings = Settings(r);
        if (r.source == CalibrationSource::kInput) settings += "; TONE GEN, SWEEP GEN and NOISE GEN off";
        t += "<tr><td><code>" + r.file + "</code></td><td>" + r.purpose + "</td><td>" + settings + "</td><td>" +
             Result(r, below) + "</td></tr>\n";
    }
    return t + "</table>\n";
}

// "position 64 gives &minus;18.34 and 65 &minus;17.75": the two positions
// whose tone peaks lie either side of a level.
std::string Neighbours(double db) {
    int32_t above = kLevelPositionOffset + 1;
    while (LevelAtPosition(LevelSource::kTone, above, kSampleFormat32).peakDb < db) ++above;
    const auto peak = [](int32_t p) { return Figure(LevelAtPosition(LevelSource::kTone, p, kSampleFormat32).peakDb); };
    return "position " + std::to_string(above - 1) + " gives " + peak(above - 1) + "&nbsp;dBFS and " +
           std::to_string(above) + " gives " + peak(above) + "&nbsp;dBFS";
}

// The input at the top position on a 1 kHz sine, in both formats; at
// -90 dBFS the 16-bit sine's samples are -1, 0 and 1, which all become 0.
std::string InputLossTable() {
    std::string t = "<table>\n<tr><th class=\"num\">Sine in, dBFS RMS</th><th class=\"num\">Change, 32-bit, dB</th>"
                    "<th class=\"num\">Change, 16-bit, dB</th></tr>\n";
    const auto change = [](double db) { return std::isinf(db) ? std::string("silent: every sample 0") : Figure(db); };
    for (double in : {-20.0, -40.0, -60.0, -80.0, -90.0}) {
        t += "<tr>" + Cell(Figure(in)) + Cell(change(InputLossDb(in, kTopPosition, kSampleFormat32))) +
             Cell(change(InputLossDb(in, kTopPosition, 2))) + "</tr>\n";
    }
    return t + "</table>\n";
}

// "12 for the tone and the sweep, 11 for white noise and 13 for pink noise":
// the highest position at which each source is silent in a format.
std::string SilentUpTo(int32_t sampleFormat) {
    const auto highest = [sampleFormat](LevelSource source) {
        int32_t p = kTopPosition;
        while (!LevelAtPosition(source, p, sampleFormat).silent) --p;
        return std::to_string(p);
    };
    return highest(LevelSource::kTone) + " for the tone and the sweep, " + highest(LevelSource::kWhiteNoise) +
           " for white noise and " + highest(LevelSource::kPinkNoise) + " for pink noise";
}

// How far a 1 kHz tone rendered at 48 kHz, whose 48 samples a period always
// fall on the same phases, reads from the RMS over all phases that the table
// and the tip give: "0.24&nbsp;dB lower and 0.12&nbsp;dB higher", the
// extremes over every position that is not silent.
std::string ToneRmsStray(int32_t sampleFormat) {
    double lower = 0.0, higher = 0.0;
    for (int32_t p = kLevelPositionOffset + 1; p <= kTopPosition; ++p) {
        const RenderedLevel level = LevelAtPosition(LevelSource::kTone, p, sampleFormat);
        if (level.silent) continue;
        const CalibrationHost host{kCalibrationRate, sampleFormat, 4800, 0};
        const double stray = MeasureSource(CalibrationSource::kTone, p, 1, false, host).rmsDb - level.rmsDb;
        lower = std::min(lower, stray);
        higher = std::max(higher, stray);
    }
    return Figure(-lower) + "&nbsp;dB lower and " + Figure(higher) + "&nbsp;dB higher";
}

// The right channel's band RMS of the pink 20 Hz - 20 kHz preset, which
// depends on the host's buffer size: "&minus;19.99 with 128-frame buffers,
// ... and &minus;19.85 with 5024".
std::string PinkRightBand(int32_t position) {
    static const int kBufferFrames[] = {128, 512, 2048, 5024};
    std::string text;
    for (int frames : kBufferFrames) {
        const CalibrationHost host{kCalibrationRate, kSampleFormat32, frames, 1};
        const MeasuredLevel right = MeasureSource(CalibrationSource::kPinkNoise, position, kCalibrationSeconds, true, host);
        if (!text.empty()) text += frames == kBufferFrames[3] ? " and " : ", ";
        text += Figure(right.bandRmsDb) + " with " + std::to_string(frames);
        if (frames == kBufferFrames[0]) text += "-frame buffers";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: help_tables OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];

    // 16-bit: a tone and a sweep at the top. Where the two sources rendered
    // alone add up beyond full scale, the sum must hold at the limit.
    const Sources both = {kTopPosition, kTopPosition, 0};
    const std::vector<int16_t> sum16 = Render<int16_t>(both, 0);
    const std::vector<int16_t> tone16 = Render<int16_t>({kTopPosition, 0, 0}, 0);
    const std::vector<int16_t> sweep16 = Render<int16_t>({0, kTopPosition, 0}, 0);
    int over = 0;
    for (size_t i = 0; i < sum16.size(); ++i) {
        const int alone = tone16[i] + sweep16[i];
        if (alone > 32767 + 1 && sum16[i] != 32767) Fail("a 16-bit sum over full scale did not hold at 32767");
        if (alone < -32768 - 1 && sum16[i] != -32768) Fail("a 16-bit sum under full scale did not hold at -32768");
        over += std::abs(alone) > 32768 + 1;
    }
    const int64_t sumPeak16 = Peak(sum16);
    if (over == 0 || sumPeak16 != 32767) Fail("a tone and a sweep at the top do not peak at 32767 on 16-bit");

    // 32-bit: the same sum passes full scale on; an input at the largest
    // 32-bit word plus the tone goes beyond the 32-bit range and is clamped.
    const int64_t sumPeak32 = Peak(Render<int32_t>(both, 0));
    if (sumPeak32 <= 8388608) Fail("a 32-bit sum over full scale was not passed on");
    const std::vector<int32_t> clamped = Render<int32_t>({kTopPosition, 0, kTopPosition}, INT32_MAX);
    if (clamped[0] != INT32_MAX) Fail("a 32-bit sum beyond the 32-bit range was not clamped");

    Write(folder, "level-table", LevelTable(sumPeak32, sumPeak16));
    Write(folder, "frequency-table", FrequencyTableHtml());
    Write(folder, "sum-peak-32", Grouped(sumPeak32));
    Write(folder, "sum-peak-16", Grouped(sumPeak16));
    Write(folder, "clamp-32", Grouped(clamped[0]));
    const std::vector<CalibrationRecipe> recipes = CalibrationRecipes();
    const double topLevel = 20.0 * std::log10(LevelGain(kTopPosition - kLevelPositionOffset));
    const MeasuredLevel white = MeasureSource(CalibrationSource::kWhiteNoise, kTopPosition, kCalibrationSeconds, true);
    const MeasuredLevel pink = MeasureSource(CalibrationSource::kPinkNoise, kTopPosition, kCalibrationSeconds, true);
    const MeasuredLevel white44 = MeasureSource(CalibrationSource::kWhiteNoise, kTopPosition, kCalibrationSeconds, true, kHost44);
    const MeasuredLevel pink44 = MeasureSource(CalibrationSource::kPinkNoise, kTopPosition, kCalibrationSeconds, true, kHost44);
    const BandDistances below = {white.rmsDb - white.bandRmsDb, pink.rmsDb - pink.bandRmsDb,
                                 white44.rmsDb - white44.bandRmsDb, pink44.rmsDb - pink44.bandRmsDb};
    const double pinkBandBelow = below.pink48;
    Write(folder, "calibration-table", CalibrationTable(recipes, below));
    Write(folder, "calibration-recipes", RecipeTable(recipes, below));
    Write(folder, "white-rms-below", Figure(topLevel - white.rmsDb));
    Write(folder, "pink-rms-below", Figure(topLevel - pink.rmsDb));
    Write(folder, "white-band-below", Figure(below.white48));
    Write(folder, "pink-band-below", Figure(below.pink48));
    Write(folder, "white-band-below-44", Figure(below.white44));
    Write(folder, "pink-band-below-44", Figure(below.pink44));
    Write(folder, "noise-minutes", std::to_string(kCalibrationSeconds / 60));
    Write(folder, "neighbours-18", Neighbours(-18.0));
    Write(folder, "neighbours-20", Neighbours(-20.0));
    Write(folder, "input-loss", InputLossTable());
    Write(folder, "silent-16", SilentUpTo(kSampleFormat16));
    Write(folder, "silent-32", SilentUpTo(kSampleFormat32));
    Write(folder, "tone-stray-16", ToneRmsStray(kSampleFormat16));
    Write(folder, "tone-stray-32", ToneRmsStray(kSampleFormat32));
    // The value tip and the table give each noise's RMS from the engine's
    // figures; rendered, it must say the same. Each preset renders, at its
    // own position, the band figure that the table gives there.
    const auto engineRms = [](LevelSource source) { return LevelAtPosition(source, kTopPosition, kSampleFormat32).rmsDb; };
    if (std::fabs(engineRms(LevelSource::kWhiteNoise) - white.rmsDb) > 0.05 ||
        std::fabs(engineRms(LevelSource::kPinkNoise) - pink.rmsDb) > 0.05) {
        std::fprintf(stderr, "help_tables: a measured noise RMS differs from the engine's by more than 0.05 dB\n");
        return 1;
    }
    for (const CalibrationRecipe& r : recipes) {
        if (r.figure == RecipeFigure::kRmsBand) {
            Write(folder, "pink-left-band", Figure(r.level.bandRmsDb));
            Write(folder, "pink-right-band", PinkRightBand(r.position));
        }
        const double table = LevelAtPosition(r.source, r.position, kSampleFormat32).rmsDb - pinkBandBelow;
        if (r.figure == RecipeFigure::kRmsBand && std::fabs(table - r.level.bandRmsDb) > 0.05) {
            std::fprintf(stderr, "help_tables: %s renders %.2f dBFS in the band, the table says %.2f\n",
                         r.file.c_str(), r.level.bandRmsDb, table);
            return 1;
        }
    }
    if (white.peakDb <= 0.0) {
        std::fprintf(stderr, "help_tables: white noise at the top no longer peaks above full scale; "
                             "the Calibration page says it does\n");
        return 1;
    }
    int32_t whiteOver = kTopPosition;   // the lowest position whose white noise peaks above full scale
    while (MeasureSource(CalibrationSource::kWhiteNoise, whiteOver - 1, kCalibrationSeconds).peakDb > 0.0) --whiteOver;
    Write(folder, "white-over-position", std::to_string(whiteOver));
    const auto spread = [](CalibrationSource noise, int seconds) {
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", NoiseRmsSpread(noise, seconds));
        return std::string(text);
    };
    for (int seconds : {1, 5, 20}) {
        const std::string window = std::to_string(seconds) + "s";
        Write(folder, ("white-spread-" + window).c_str(), spread(CalibrationSource::kWhiteNoise, seconds));
        Write(folder, ("pink-spread-" + window).c_str(), spread(CalibrationSource::kPinkNoise, seconds));
    }
    ReleaseGenerators();
    return 0;
}
