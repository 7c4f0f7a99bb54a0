// Polyphase synthesis: 32 subband samples per time slot to PCM, at full, half or quarter rate,
// 16-bit signed or 8-bit unsigned output. Internal to the decoder.
#pragma once

namespace brisko {

// The history of one decoder's synthesis (both channels). Each transform is written twice, at
// vb_ptr and one region further, so that the window reads without wrapping.
struct SynthState {
    float vbuf[1024];
    float vbuf2[1024];
    int vb_ptr;
    int vb2_ptr;
};

// Layer I/II member: n time slots of 64 floats (channels interleaved per subband, or mono in the
// first 32) to PCM.
using SbtFn = void (*)(SynthState& s, const float* sample, void* pcm, int n);
// Layer III member: 18 time slots of 32 floats of one channel; ch selects the second history and
// the odd output positions in the two-channel members.
using SbtL3Fn = void (*)(SynthState& s, const float* sample, void* pcm, int ch);

// Channel variants of the Layer I/II members.
enum SbtVariant { kSbtMono = 0, kSbtDual = 1, kSbtDualMono = 2, kSbtLeft = 3, kSbtRight = 4 };
extern const int kSbtOutChannels[5];

// Clears the history; called at every decoder set-up.
void sbt_init(SynthState& s);

SbtFn SelectSbt(bool bits8, int reduction, int variant);
SbtL3Fn SelectSbtL3(bool bits8, int reduction, bool twoChannels);

// The window coefficients in walking order (264 floats) and the DCT coefficients (31 floats).
const float* wincoef_addr();
const float* dct_coef_addr();

}  // namespace brisko
