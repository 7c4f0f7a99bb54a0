// Layer III hybrid filterbank: IMDCT, windowing and overlap-add into 18 x 32 subband samples.
#pragma once

namespace brisko {

// Transforms one channel's granule x (576 lines; overwritten with the new overlap) against the
// previous overlap prev into y[18][32]. Returns 18 x the subbands written. Subbands from there up
// to nsbLimit are zeroed in y. nlong: lines of long blocks (0 for short blocks, the long part of a
// mixed short block); mixed: the granule's mixed-block flag, whatever its block type.
int hybrid(float* x, const float* prev, float* y, int block_type, bool mixed, int nlong, int ntot, int nprev,
           int nsbLimit);

// Adds the transform of a second channel's lines x2 into y and its overlap into x1.
int hybrid_sum(float* x2, float* x1, float* y, int block_type, bool mixed, int nlong, int ntot);

void sum_f_bands(float* a, const float* b, int n);

void FreqInvert(float* y, int n);

}  // namespace brisko
