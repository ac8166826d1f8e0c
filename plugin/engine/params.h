// Generator parameters: the 17-slot ParamSet of every assignment, its three
// copies, and the conversion of slots into the values the renderer reads.
#pragma once

#include <cstdint>

namespace kelvane {

constexpr int kAssignmentCount = 8;
constexpr int kAllAssignments = -1;
constexpr int kSlotCount = 17;
constexpr int kAllSlots = -1;

// Slot numbers are the parameter numbers of the host protocol.
enum Slot : int {
    kSlotToneOn = 1,
    kSlotToneLevel = 2,
    kSlotToneFrequency = 3,     // Hz x 100
    kSlotSweepOn = 5,
    kSlotSweepLevel = 6,
    kSlotSweepStart = 7,        // Hz x 100
    kSlotSweepStop = 8,         // Hz x 100
    kSlotSweepLength = 9,       // seconds x 100
    kSlotNoiseOn = 10,
    kSlotNoiseLevel = 11,
    kSlotNoiseType = 12,        // 0 = white, anything else = pink
    kSlotReserved = 13,         // stored and loaded, read by nothing
    kSlotInputOn = 14,
    kSlotInputLevel = 15,
};

// The slots that settings chunks and preset files carry, in their stored order.
constexpr int kStoredSlots[] = {
    kSlotToneOn,  kSlotToneLevel,  kSlotToneFrequency,
    kSlotSweepOn, kSlotSweepLevel, kSlotSweepStart, kSlotSweepStop, kSlotSweepLength,
    kSlotNoiseOn, kSlotNoiseLevel, kSlotNoiseType,  kSlotReserved,
    kSlotInputOn, kSlotInputLevel,
};
constexpr int kStoredSlotCount = sizeof kStoredSlots / sizeof kStoredSlots[0];

// Level faders give knob positions 5..105; the level index is position - 5.
constexpr int32_t kLevelPositionOffset = 5;
constexpr int32_t kLevelPositionMax = 105;
constexpr int32_t kDefaultGeneratorLevel = 27;
constexpr int32_t kDefaultInputLevel = 105;
constexpr int32_t kDefaultToneFrequencyHundredthsHz = 45000;
constexpr int32_t kDefaultSweepStartHundredthsHz = 2000;
constexpr int32_t kDefaultSweepStopHundredthsHz = 2000000;
constexpr int32_t kDefaultSweepLengthHundredthsSeconds = 3000;

// Frequencies and lengths are kept in hundredths of their unit (Hz, s).
constexpr double FromHundredths(int32_t hundredths) { return hundredths * 0.01; }
// Truncated toward zero, so 8.2 gives 819: the double nearest 8.2 lies below it.
constexpr int32_t ToHundredths(double value) { return static_cast<int32_t>(value * 100.0); }

struct ParamSet {
    int32_t slot[kSlotCount];
};

// The three copies per assignment.
struct ParamState {
    ParamSet live[kAssignmentCount];    // in force: edited, applied, saved to presets
    ParamSet stored[kAssignmentCount];  // the host's project copy: settings chunks
    ParamSet drawn[kAssignmentCount];   // snapshot taken by host message 100
};
extern ParamState g_params;

// Converted values. Each field is one aligned 32-bit word written by a single
// store on the user-interface thread and read once per buffer by the renderer.
struct ConvertedParams {
    int32_t toneOn;
    int32_t toneLevelIndex;
    float toneFrequencyHz;
    int32_t sweepOn;
    int32_t sweepLevelIndex;
    float sweepStartHz;
    float sweepStopHz;
    float sweepLengthSeconds;
    int32_t noiseOn;
    int32_t noiseLevelIndex;
    int32_t noiseType;
    int32_t inputOn;
    int32_t inputLevelIndex;
};
extern ConvertedParams g_converted[kAssignmentCount];

// The default value of a slot, for the slots that have one.
int32_t DefaultSlotValue(int slot);

// Slots 1..3 and 5..15 of both the live and the stored copy back to their
// defaults, for one assignment or all (-1). Converts nothing.
void ResetParams(int assignment);

// Converts one live slot (or all, -1) of an assignment into g_converted.
// Slots without a converted value are ignored.
void ApplyParams(int assignment, int slot);

// The level law: (index / 100.01)^4.
double LevelGain(int32_t levelIndex);

// The 66 frequencies of the FREQUENCY fader, in Hz.
constexpr int kFrequencyTableSize = 66;
extern const float FrequencyTable[kFrequencyTableSize];
constexpr int kFrequencyKnobFirst = 5;      // knob position of entry 0
constexpr int kDefaultFrequencyEntry = 32;  // 450 Hz

// The FrequencyTable index shown for a ToneFrequency slot value: the entry at
// or below it, or 65 when it lies outside 5.5 Hz .. below 20000 Hz.
int FrequencyStep(int32_t toneFrequencyHundredthsHz);

// Knob position (5..70) to slot value: the table entry x 100, truncated.
int32_t FrequencyForKnobPosition(int position);

}  // namespace kelvane
