// The real KelvaneFx.dll in the stand-in host: start-up, the buffer gates and
// the rendered signal measured against the textbook formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "stand_in_host.h"
#include "wine_test_util.h"

using minihost::HostField;
using minihost::StandInHost;

namespace {

constexpr double kTwoPi = 6.283185307179586;

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(host.Start(PluginPath().c_str()), ""); }
    void TearDown() override { host.Stop(); }

    // Message 11 for one assignment or all into a chunk buffer; returns the size.
    int32_t SaveChunk(int assignment, std::vector<uint8_t>& chunk) {
        chunk.assign(1016, 0xEE);
        host.Set(HostField::assignmentArg, assignment);
        host.Set(HostField::chunkAddress, static_cast<int32_t>(reinterpret_cast<uintptr_t>(chunk.data())));
        host.Message(kelvane::kMsgSaveSettings);
        return host.Get(HostField::trackArg);
    }

    static int32_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
        int32_t v;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    }

    StandInHost host;
};

TEST_F(PluginTest, StartUpWritesTheNameAndFreesEveryAssignment) {
    EXPECT_EQ(host.pluginName, reinterpret_cast<char*>(host.hostInfo + 0x9C));
    EXPECT_STREQ(host.pluginName, "Kelvane");
    std::vector<uint8_t> chunk;
    EXPECT_EQ(SaveChunk(-1, chunk), 0) << "no assignment is active after FxInit";
    EXPECT_EQ(chunk[0], 0xEE) << "an empty save leaves the buffer alone";
}

TEST_F(PluginTest, NewAssignmentHoldsTheDefaultParameters) {
    ASSERT_EQ(host.NewAssignment(3, 77), 0);
    std::vector<uint8_t> chunk;
    ASSERT_EQ(SaveChunk(0, chunk), 308 + 88 + 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(chunk.data()), "QuellMarsh Kelvane 002");
    const size_t entry = 308;
    EXPECT_EQ(Word(chunk, entry + 0), 0);
    EXPECT_EQ(Word(chunk, entry + 4), 3);
    EXPECT_EQ(Word(chunk, entry + 8), 77);
    // Slots 1, 2, 3, 5..15 in stored order.
    const int32_t defaults[14] = {0, 27, 45000, 0, 27, 2000, 2000000, 3000, 0, 27, 0, 0, 0, 105};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(Word(chunk, entry + 12 + 4 * i), defaults[i]) << "stored slot #" << i;
    EXPECT_EQ(Word(chunk, entry + 88), -1);
}

TEST_F(PluginTest, BuffersOutsideTheGatesAreLeftUnchanged) {
    const int a = host.NewAssignment(0);
    host.SetSlot(a, 1, 1);       // tone on
    host.SetSlot(a, 2, 105);
    std::vector<int32_t> buffer(2 * 64, 12345);
    const std::vector<int32_t> original = buffer;

    // Processing never started: no work buffers, nothing rendered.
    host.Set(HostField::processingFlag, 1);
    host.Process(a, buffer.data(), 64 * 8, 4);
    EXPECT_EQ(buffer, original) << "never started";

    host.StartProcessing(a);
    struct Gate { const char* what; int32_t flag; int32_t channels; int assignment; } gates[] = {
        {"processing flag 0", 0, 2, a}, {"processing flag 2", 2, 2, a}, {"one channel", 1, 1, a},
        {"six channels", 1, 6, a}, {"assignment 8", 1, 2, 8}, {"assignment -1", 1, 2, -1},
    };
    for (const Gate& g : gates) {
        host.Set(HostField::processingFlag, g.flag);
        host.Process(g.assignment, buffer.data(), 64 * 8, 4, g.channels);
        EXPECT_EQ(buffer, original) << g.what;
    }
    host.Set(HostField::processingFlag, 1);
    host.Process(a, buffer.data(), 64 * 8, 4);
    EXPECT_NE(buffer, original) << "inside the gates the tone is rendered";

    // Message 3 stops rendering although the host's flag still says 1.
    buffer = original;
    host.Set(HostField::assignmentArg, a);
    host.Message(kelvane::kMsgStop);
    host.Process(a, buffer.data(), 64 * 8, 4);
    EXPECT_EQ(buffer, original) << "after message 3";
    host.fxChangePosition();
    for (int m : {4, 5, 15, 16, 17, 99}) host.Message(m);
    host.Process(a, buffer.data(), 64 * 8, 4);
    EXPECT_EQ(buffer, original) << "position changes and unknown messages start nothing";
}

// A steady tone is cos(2 pi f n / rate) x gain from phase 0, in both sample
// formats, within one step of the format; frames past the byte count stay.
TEST_F(PluginTest, SteadyToneMatchesTheCosineInBothFormats) {
    const int a = host.NewAssignment(0);
    host.SetSlot(a, 1, 1);
    host.SetSlot(a, 2, 89);        // level index 84
    host.SetSlot(a, 3, 100000);    // 1000 Hz
    const double gain = static_cast<float>(std::pow(84.0, 4.0) / std::pow(100.01, 4.0));
    for (int format : {4, 2}) {
        host.StartProcessing(a);
        const double scale = format == 4 ? 8388608.0 : 32768.0;
        const int frames = 700, extra = 3;
        std::vector<int32_t> b32(2 * (frames + extra), 7);
        std::vector<int16_t> b16(2 * (frames + extra), 7);
        for (int block = 0; block < 3; ++block) {
            if (format == 4) host.Process(a, b32.data(), frames * 8 + 7, format);
            else host.Process(a, b16.data(), frames * 4 + 3, format);
            int worst = 0;
            for (int i = 0; i < frames; ++i) {
                const double n = block * frames + i;
                const double expected = std::cos(kTwoPi * 1000.0 * n / 48000.0) * gain * scale;
                for (int ch = 0; ch < 2; ++ch) {
                    const int got = format == 4 ? b32[2 * i + ch] : b16[2 * i + ch];
                    worst = std::max(worst, static_cast<int>(std::fabs(got - expected) + 0.999));
                }
            }
            EXPECT_LE(worst, 1) << "format " << format << " block " << block;
            for (int i = 2 * frames; i < 2 * (frames + extra); ++i) {
                EXPECT_EQ(format == 4 ? b32[i] : b16[i], 7) << "past the last whole frame";
            }
        }
    }
}

// A new sample rate reaches the renderer through message 13.
TEST_F(PluginTest, SampleRateChangeRetunesTheTone) {
    const int a = host.NewAssignment(0);
    host.SetSlot(a, 1, 1);
    host.SetSlot(a, 2, 105);
    host.SetSlot(a, 3, 300000);    // 3000 Hz
    host.Set(HostField::assignmentArg, 96000);
    host.Message(kelvane::kMsgSampleRate);
    host.StartProcessing(a);
    std::vector<int32_t> buffer(2 * 4800);
    host.Process(a, buffer.data(), 4800 * 8, 4);
    int crossings = 0;
    for (int i = 1; i < 4800; ++i) crossings += (buffer[2 * i - 2] < 0) != (buffer[2 * i] < 0);
    EXPECT_NEAR(crossings, 2 * 3000 * 4800 / 96000, 1);
}

}  // namespace
