#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "params.h"

using namespace kelvane;

TEST(Params, ResetGivesDefaultsAndKeepsUnstoredSlots) {
    for (int a = 0; a < kAssignmentCount; ++a) {
        for (int s = 0; s < kSlotCount; ++s) {
            g_params.live[a].slot[s] = 999;
            g_params.stored[a].slot[s] = 999;
            g_params.drawn[a].slot[s] = 999;
        }
    }
    ResetParams(kAllAssignments);
    const int32_t defaults[kSlotCount] = {999, 0, 27, 45000, 999, 0, 27, 2000, 2000000, 3000,
                                          0, 27, 0, 0, 0, 105, 999};
    for (int a = 0; a < kAssignmentCount; ++a) {
        for (int s = 0; s < kSlotCount; ++s) {
            EXPECT_EQ(g_params.live[a].slot[s], defaults[s]) << "assignment " << a << " slot " << s;
            EXPECT_EQ(g_params.stored[a].slot[s], defaults[s]) << "assignment " << a << " slot " << s;
            EXPECT_EQ(g_params.drawn[a].slot[s], 999);
        }
    }
    g_params.live[3].slot[kSlotToneLevel] = 60;
    g_params.live[4].slot[kSlotToneLevel] = 60;
    ResetParams(3);
    EXPECT_EQ(g_params.live[3].slot[kSlotToneLevel], 27);
    EXPECT_EQ(g_params.live[4].slot[kSlotToneLevel], 60);
    ResetParams(8);  // out of range: nothing
    EXPECT_EQ(g_params.live[4].slot[kSlotToneLevel], 60);
}

TEST(Params, ApplyConvertsWithDoubleHundredthRoundedToFloat) {
    ResetParams(kAllAssignments);
    ParamSet& live = g_params.live[2];
    live.slot[kSlotToneFrequency] = 100050;
    live.slot[kSlotSweepLength] = 229;
    live.slot[kSlotToneLevel] = 0;
    live.slot[kSlotNoiseType] = 7;
    ApplyParams(2, kAllSlots);
    const ConvertedParams& c = g_converted[2];
    EXPECT_EQ(c.toneFrequencyHz, static_cast<float>(100050 * 0.01));
    EXPECT_EQ(c.sweepLengthSeconds, static_cast<float>(229 * 0.01));
    EXPECT_EQ(c.sweepStartHz, 20.0f);
    EXPECT_EQ(c.sweepStopHz, 20000.0f);
    EXPECT_EQ(c.toneLevelIndex, -5);
    EXPECT_EQ(c.inputLevelIndex, 100);
    EXPECT_EQ(c.noiseType, 7);

    // Any stored word converts without overflow; the index wraps like the host's integers.
    live.slot[kSlotSweepLevel] = INT32_MIN;
    live.slot[kSlotNoiseLevel] = INT32_MAX;
    ApplyParams(2, kAllSlots);
    EXPECT_EQ(g_converted[2].sweepLevelIndex, INT32_MAX - 4);
    EXPECT_EQ(g_converted[2].noiseLevelIndex, INT32_MAX - 5);

    // A single slot converts alone; slots without a converted value change nothing.
    live.slot[kSlotToneFrequency] = 45000;
    live.slot[kSlotSweepStart] = 5000;
    ApplyParams(2, kSlotToneFrequency);
    EXPECT_EQ(g_converted[2].toneFrequencyHz, 450.0f);
    EXPECT_EQ(g_converted[2].sweepStartHz, 20.0f);
    ConvertedParams before = g_converted[2];
    for (int slot : {0, 4, 13, 16, 17, -2}) ApplyParams(2, slot);
    EXPECT_EQ(0, std::memcmp(&before, &g_converted[2], sizeof before));
}

TEST(Params, LevelLawTellingValues) {
    struct { int32_t position; double dB; } cases[] = {
        {105, -0.0035}, {89, -6.06}, {76, -11.90}, {55, -24.09}, {30, -48.17}, {27, -52.61},
    };
    for (auto c : cases) {
        double gain = LevelGain(c.position - kLevelPositionOffset);
        EXPECT_NEAR(20.0 * std::log10(gain), c.dB, 0.005) << "position " << c.position;
    }
    EXPECT_NEAR(LevelGain(100), 0.99960, 0.000005);
    EXPECT_EQ(LevelGain(0), 0.0);
    EXPECT_NEAR(LevelGain(-5), 6.2e-6, 0.05e-6);  // a level slot of 0 is not silence
}

TEST(Params, FrequencyStepsAndKnobPositions) {
    struct { int32_t value; int step; } cases[] = {
        {45000, 32}, {550, 0}, {2000000, 65}, {2500000, 65}, {545, 65}, {100050, 39},
        {799, 0}, {800, 1}, {1799999, 63}, {0, 65}, {-100, 65},
    };
    for (auto c : cases) EXPECT_EQ(FrequencyStep(c.value), c.step) << c.value;
    EXPECT_EQ(FrequencyTable[27], 250.0f);
    EXPECT_EQ(FrequencyTable[kDefaultFrequencyEntry], 450.0f);
    for (int p = 5; p <= 70; ++p) {
        int32_t v = FrequencyForKnobPosition(p);
        EXPECT_EQ(v, static_cast<int32_t>(std::lround(FrequencyTable[p - 5] * 100.0f))) << p;
        EXPECT_EQ(FrequencyStep(v) + kFrequencyKnobFirst, p) << p;
    }
    EXPECT_EQ(FrequencyForKnobPosition(5), 550);
    EXPECT_EQ(FrequencyForKnobPosition(70), 2000000);
    EXPECT_EQ(FrequencyForKnobPosition(4), 550) << "positions outside the track stay on it";
    EXPECT_EQ(FrequencyForKnobPosition(71), 2000000);
}
