#include "params.h"

#include <cmath>

namespace kelvane {

ParamState g_params;
ConvertedParams g_converted[kAssignmentCount];

const float FrequencyTable[kFrequencyTableSize] = {
    5.5f, 8, 11, 14, 16, 19, 22, 25, 28, 31, 35, 40, 45, 50, 56, 63, 71, 80, 90, 100,
    113, 126, 142, 159, 180, 200, 226, 250, 280, 315, 350, 400, 450, 500, 565, 630, 710, 800,
    900, 1000, 1130, 1260, 1420, 1590, 1800, 2000, 2260, 2500, 2800, 3150, 3500, 4000, 4500,
    5000, 5650, 6300, 7100, 8000, 9000, 10000, 11300, 12600, 14200, 15900, 18000, 20000,
};

// Level index = position - 5, with the 32-bit wrap-around of the host's
// integers: a stored word may hold anything, and signed overflow is undefined.
static int32_t LevelIndex(int32_t position) {
    return static_cast<int32_t>(static_cast<uint32_t>(position) - static_cast<uint32_t>(kLevelPositionOffset));
}

// The product is formed in double precision and rounded once, when stored.
static float Hundredths(int32_t value) {
    return static_cast<float>(FromHundredths(value));
}

int32_t DefaultSlotValue(int slot) {
    switch (slot) {
    case kSlotToneLevel:
    case kSlotSweepLevel:
    case kSlotNoiseLevel: return kDefaultGeneratorLevel;
    case kSlotInputLevel: return kDefaultInputLevel;
    case kSlotToneFrequency: return kDefaultToneFrequencyHundredthsHz;
    case kSlotSweepStart: return kDefaultSweepStartHundredthsHz;
    case kSlotSweepStop: return kDefaultSweepStopHundredthsHz;
    case kSlotSweepLength: return kDefaultSweepLengthHundredthsSeconds;
    default: return 0;  // switches, noise type and the reserved slot
    }
}

void ResetParams(int assignment) {
    if (assignment != kAllAssignments && (assignment < 0 || assignment >= kAssignmentCount)) return;
    int first = assignment == kAllAssignments ? 0 : assignment;
    int last = assignment == kAllAssignments ? kAssignmentCount - 1 : assignment;
    for (int a = first; a <= last; ++a) {
        for (int slot : kStoredSlots) {
            g_params.live[a].slot[slot] = DefaultSlotValue(slot);
            g_params.stored[a].slot[slot] = DefaultSlotValue(slot);
        }
    }
}

static void ApplySlot(int assignment, int slot) {
    const int32_t value = g_params.live[assignment].slot[slot];
    ConvertedParams& c = g_converted[assignment];
    switch (slot) {
    case kSlotToneOn: c.toneOn = value; break;
    case kSlotToneLevel: c.toneLevelIndex = LevelIndex(value); break;
    case kSlotToneFrequency: c.toneFrequencyHz = Hundredths(value); break;
    case kSlotSweepOn: c.sweepOn = value; break;
    case kSlotSweepLevel: c.sweepLevelIndex = LevelIndex(value); break;
    case kSlotSweepStart: c.sweepStartHz = Hundredths(value); break;
    case kSlotSweepStop: c.sweepStopHz = Hundredths(value); break;
    case kSlotSweepLength: c.sweepLengthSeconds = Hundredths(value); break;
    case kSlotNoiseOn: c.noiseOn = value; break;
    case kSlotNoiseLevel: c.noiseLevelIndex = LevelIndex(value); break;
    case kSlotNoiseType: c.noiseType = value; break;
    case kSlotInputOn: c.inputOn = value; break;
    case kSlotInputLevel: c.inputLevelIndex = LevelIndex(value); break;
    default: break;  // 0, 4, 13 and 16 have no converted value
    }
}

void ApplyParams(int assignment, int slot) {
    if (assignment < 0 || assignment >= kAssignmentCount) return;
    if (slot == kAllSlots) {
        for (int s = 0; s < kSlotCount; ++s) ApplySlot(assignment, s);
    } else if (slot >= 0 && slot < kSlotCount) {
        ApplySlot(assignment, slot);
    }
}

double LevelGain(int32_t levelIndex) {
    return std::pow(static_cast<double>(levelIndex), 4.0) / std::pow(100.01, 4.0);
}

int FrequencyStep(int32_t toneFrequencyHundredthsHz) {
    const float hz = Hundredths(toneFrequencyHundredthsHz);
    for (int n = 0; n + 1 < kFrequencyTableSize; ++n) {
        if (FrequencyTable[n] <= hz && hz < FrequencyTable[n + 1]) return n;
    }
    return kFrequencyTableSize - 1;
}

int32_t FrequencyForKnobPosition(int position) {
    const int last = kFrequencyKnobFirst + kFrequencyTableSize - 1;
    if (position < kFrequencyKnobFirst) position = kFrequencyKnobFirst;
    if (position > last) position = last;
    return ToHundredths(FrequencyTable[position - kFrequencyKnobFirst]);
}

}  // namespace kelvane
