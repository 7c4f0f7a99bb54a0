// Layer III entropy decoding: scale factors and Huffman-coded spectral values. Internal.
#pragma once

#include "brisko/DecoderState.h"

namespace brisko {

// Decodes n / 2 pairs with code table `table` into xy; stops after the pair that takes the reader
// past its end pointer.
void unpack_huff(BitGetter& b, int* xy, int n, int table);

// Decodes at most n / 4 quadruples within `budget` bits; returns the lines up to the last non-zero.
int unpack_huff_quad(BitGetter& b, int* vwxy, int n, int budget, int tableB);

void unpack_sf_sub_MPEG1(BitGetter& b, ScaleFactors& sf, const ScaleFactors& granule0, const GranuleChannel& gc,
                         int scfsi, int granule);
void unpack_sf_sub_MPEG2(BitGetter& b, ScaleFactors& sf, GranuleChannel& gc, int rightIntensity, IsSfInfo& info);

}  // namespace brisko
