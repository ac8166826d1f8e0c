// The settings that the native engine and the 32-bit DLL both render for the
// agreement test, and the one driver that renders them: agreement_render.exe
// runs it on the DLL through the stand-in host, agreement_test runs it on the
// engine natively, and the two results must agree within one output step.
//
// Cases run in this order in one thread of a fresh process on both sides: the
// white-noise generator (per thread, starting at 1) and the pink seed (per
// process) then give both sides the same noise.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace agreement {

constexpr uint32_t kSampleRate = 48000;
// More than one whole pass of the 1-second sweeps (48001 samples) and its restart.
constexpr int kFramesPerCase = 60000;
constexpr int kBufferFrames[] = {37, 512, 5024};
constexpr int kFormats[] = {32, 16};
constexpr int kGlideEveryBuffers = 2;
// Tone frequencies (Hz x 100) the glide cases move through, wide jumps both ways.
constexpr int32_t kGlideFrequencies[] = {100000, 315000, 6300, 1999900, 44000, 550, 1250000};

struct Slot {
    int slot;
    int32_t value;
};

struct Case {
    const char* name;
    Slot slots[13];      // every slot the host may set, in message-104 order
    bool glide;          // change the tone frequency every kGlideEveryBuffers buffers
};

// Slots: input on, input level, tone on, level, frequency, sweep on, level,
// start, stop, length, noise on, level, type.
constexpr Case kCases[] = {
    {"tone_glide", {{14, 0}, {15, 105}, {1, 1}, {2, 105}, {3, 100000}, {5, 0}, {6, 5}, {7, 2000}, {8, 2000000},
                    {9, 100}, {10, 0}, {11, 5}, {12, 0}}, true},
    {"sweep", {{14, 0}, {15, 105}, {1, 0}, {2, 5}, {3, 100000}, {5, 1}, {6, 105}, {7, 2000}, {8, 2000000},
               {9, 100}, {10, 0}, {11, 5}, {12, 0}}, false},
    {"white", {{14, 0}, {15, 105}, {1, 0}, {2, 5}, {3, 100000}, {5, 0}, {6, 5}, {7, 2000}, {8, 2000000},
               {9, 100}, {10, 1}, {11, 105}, {12, 0}}, false},
    {"pink", {{14, 0}, {15, 105}, {1, 0}, {2, 5}, {3, 100000}, {5, 0}, {6, 5}, {7, 2000}, {8, 2000000},
              {9, 100}, {10, 1}, {11, 105}, {12, 1}}, false},
    {"input", {{14, 1}, {15, 90}, {1, 0}, {2, 5}, {3, 100000}, {5, 0}, {6, 5}, {7, 2000}, {8, 2000000},
               {9, 100}, {10, 0}, {11, 5}, {12, 0}}, false},
    {"all", {{14, 1}, {15, 80}, {1, 1}, {2, 89}, {3, 100000}, {5, 1}, {6, 76}, {7, 1600000}, {8, 4000},
             {9, 100}, {10, 1}, {11, 55}, {12, 1}}, true},
};
constexpr int kCaseCount = sizeof kCases / sizeof kCases[0];
constexpr int kRenderCount = kCaseCount * 2 * 3;   // cases x formats x buffer sizes

// The host's incoming samples: a fixed pseudo-random signal at about -6 dBFS.
inline int32_t InputSample(uint32_t& state, int bits) {
    state = state * 1664525u + 1013904223u;
    const int32_t v = static_cast<int32_t>(state) >> (bits == 32 ? 9 : 17);
    return v;
}

// Renders one case in one format and buffer size; every sample comes back as
// a 32-bit integer (16-bit samples sign-extended). Renderer provides
// SetSlot(slot, value), Start() and Process(buffer, bytes, formatWord).
template <typename Renderer>
std::vector<int32_t> Render(Renderer& r, const Case& c, int bits, int bufferFrames) {
    for (const Slot& s : c.slots) r.SetSlot(s.slot, s.value);
    r.Start();
    std::vector<int32_t> out;
    out.reserve(2 * static_cast<size_t>(kFramesPerCase));
    std::vector<int32_t> b32(2 * static_cast<size_t>(bufferFrames));
    std::vector<int16_t> b16(2 * static_cast<size_t>(bufferFrames));
    uint32_t inputState = 12345;
    size_t glide = 0;
    for (int done = 0, buffer = 0; done < kFramesPerCase; ++buffer) {
        if (c.glide && buffer > 0 && buffer % kGlideEveryBuffers == 0) {
            glide = (glide + 1) % (sizeof kGlideFrequencies / sizeof kGlideFrequencies[0]);
            r.SetSlot(3, kGlideFrequencies[glide]);
        }
        const int frames = bufferFrames < kFramesPerCase - done ? bufferFrames : kFramesPerCase - done;
        if (bits == 32) {
            for (int i = 0; i < 2 * frames; ++i) b32[i] = InputSample(inputState, 32);
            r.Process(b32.data(), static_cast<uint32_t>(frames * 8), 4);
            out.insert(out.end(), b32.begin(), b32.begin() + 2 * frames);
        } else {
            for (int i = 0; i < 2 * frames; ++i) b16[i] = static_cast<int16_t>(InputSample(inputState, 16));
            r.Process(b16.data(), static_cast<uint32_t>(frames * 4), 2);
            out.insert(out.end(), b16.begin(), b16.begin() + 2 * frames);
        }
        done += frames;
    }
    return out;
}

// Every case, format and buffer size in the fixed order, one after another.
template <typename Renderer, typename Sink>
void RenderAll(Renderer& r, Sink sink) {
    for (const Case& c : kCases) {
        for (int bits : kFormats) {
            for (int frames : kBufferFrames) sink(c, bits, frames, Render(r, c, bits, frames));
        }
    }
}

}  // namespace agreement
