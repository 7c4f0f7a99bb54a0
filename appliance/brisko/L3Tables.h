// Tables of the Layer III tools, computed once per process and read-only afterwards.
#pragma once

namespace brisko {

struct L3Tables {
    float look_global[262];      // 2^((i - 156) / 4): gain of a stored global gain i - 6
    float look_scale[2][4][32];  // 2^(-0.5 (scale + 1)(pretab + scale factor))
    float look_pow[64];          // signed 4/3 power of -32..31
    float look_subblock[8];      // 2^(-2 g)
    float csa[8][2];             // antialias (cs, ca)
    float lr[2][16][2];          // MPEG-1 intensity factors [mid/side][position]; 7..15 illegal
    float lr2[2][2][64][2];      // MPEG-2 intensity factors [intensity scale][mid/side][entry]
    int pretab[2][22];
    float win[4][36];     // IMDCT windows with the transform's signs folded in
    float cos18[18][20];  // 18-line transform: q[j] = sum_k X[k] cos18[k][j] (padded)
    float cos6[6][6];     // 6-line transform per short window
};

const L3Tables& l3Tables();

}  // namespace brisko
