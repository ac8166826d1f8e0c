// White noise: standard normal deviates by the polar method from a 15-bit
// uniform generator (the C library's rand() recurrence), scaled by a gain.
// One plain rendering of the method and one fast one, equal to the bit.
#pragma once

#include <cstdint>

namespace kelvane {

// The vector instructions the fast path may use: SSE2 always; AVX2 only where
// the processor has it and the operating system saves its registers.
enum class VectorWidth { kSse2, kAvx2 };

// The widest this processor and operating system allow; decided once, when
// the library is loaded.
VectorWidth WidestVectors();

// [audio thread] Fills out[0..frames) from the generator state `state` and
// returns the state after the last draw used. Allocates nothing, takes no
// lock. Buffers rendered one after another, whatever their lengths, give the
// same samples as one long buffer.
uint32_t WhiteNoise(uint32_t state, float* out, int frames, float gain, VectorWidth width);

// The same samples, one draw after another: the method as written, which the
// fast path must match to the bit.
uint32_t WhiteNoiseReference(uint32_t state, float* out, int frames, float gain);

}  // namespace kelvane
