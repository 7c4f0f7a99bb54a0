// Layer III frequency-domain tools: dequantisation, mid/side and intensity stereo, antialias.
#pragma once

#include "brisko/DecoderState.h"

namespace brisko {

// Band starts of a stream: long[23] in lines, short[14] in lines x 3 (window-interleaved).
struct BandTable {
    const int* lb;
    const int* sb3;
    const int* widthL;
    const int* widthS;
};

// One channel of one granule: ix (integers) to x (floats); nsamp in lines with data, updated for
// short blocks; lines from the returned count to 576 are left for the caller to clear.
int dequant(float* x, const int* ix, int& nsamp, const ScaleFactors& sf, const GranuleChannel& gc, CbInfo& cb,
            int ncbl_mixed, const BandTable& band, float* re_buf);

void ms_process(float* left, float* right, int n);

void is_process_MPEG1(float* left, float* right, const ScaleFactors& sfRight, const CbInfo& cbRight, int nsampLeft,
                      int ms_mode, const BandTable& band);
void is_process_MPEG2(float* left, float* right, const ScaleFactors& sfRight, const CbInfo cb[2], const IsSfInfo& info,
                      int nsampLeft, int ms_mode, const BandTable& band);

void antialias(float* x, int n);

}  // namespace brisko
