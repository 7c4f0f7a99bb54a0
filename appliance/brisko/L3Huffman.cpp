#include "brisko/L3Huffman.h"

#include <cstdint>
#include <cstring>

namespace brisko {

namespace {

// Bit lengths of the MPEG-1 scale factors by scale factor compression.
constexpr int slen_table[16][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {3, 0}, {1, 1}, {1, 2}, {1, 3},
                                   {2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3}, {4, 2}, {4, 3}};

// Scale-factor bands per group for MPEG-2 coding [block][long, short per window, mixed][group].
constexpr int nr_table[6][3][4] = {
    {{6, 5, 5, 5}, {3, 3, 3, 3}, {6, 3, 3, 3}},   {{6, 5, 7, 3}, {3, 3, 4, 2}, {6, 3, 4, 2}},
    {{11, 10, 0, 0}, {6, 6, 0, 0}, {6, 3, 6, 0}}, {{7, 7, 7, 0}, {4, 4, 4, 0}, {6, 5, 4, 0}},
    {{6, 6, 6, 3}, {4, 3, 3, 2}, {6, 4, 3, 2}},   {{8, 8, 5, 0}, {5, 4, 3, 0}, {6, 6, 3, 0}},
};

inline int readSf(BitGetter& b, int len) { return len ? static_cast<int>(b.get(len)) : 0; }

// The bit reader worked on as a local copy, written back when the function ends, so that the
// compiler keeps it in registers instead of reloading it after every store of a value.
struct LocalBits {
    BitGetter& home;
    BitGetter b;
    explicit LocalBits(BitGetter& bits) : home(bits), b(bits) {}
    ~LocalBits() { home = b; }
    LocalBits(const LocalBits&) = delete;
    LocalBits& operator=(const LocalBits&) = delete;
};

inline int signOf(BitGetter& b, int v)
{
    if (v == 0) return 0;
    b.check(1);
    return b.take(1) ? -v : v;
}

}  // namespace

void unpack_huff(BitGetter& bits, int* xy, int n, int table)
{
    LocalBits local(bits);
    BitGetter& b = local.b;
    if (n < 1) return;
    const int pairs = n / 2;
    const tables::HuffTable& t = tables::kHuffTables[table & 31];
    if (!t.words) {
        std::memset(xy, 0, sizeof(int) * 2 * pairs);
        return;
    }
    const int linbits = t.linbits;
    for (int i = 0; i < pairs; ++i) {
        const std::uint32_t* tab = t.words;
        std::uint32_t e;
        b.check(21);  // the longest code with its two sign bits
        for (;;) {
            int w = static_cast<int>(tab[0] & 0xFF);
            if (b.bits < w) b.check(w);
            e = tab[1 + b.peek(w)];
            if (e >> 24) {
                b.take(static_cast<int>(e >> 24));
                break;
            }
            b.take(w);
            tab += e;
        }
        int x = (e >> 8) & 0xFF;
        int y = (e >> 16) & 0xFF;
        if (linbits && x == 15) {
            b.check(linbits + 2);
            x += static_cast<int>(b.take(linbits));
        }
        x = signOf(b, x);
        if (linbits && y == 15) {
            b.check(linbits + 2);
            y += static_cast<int>(b.take(linbits));
        }
        y = signOf(b, y);
        xy[2 * i] = x;
        xy[2 * i + 1] = y;
        if (b.overrun()) return;
    }
}

namespace {

// The four values of a count-1 quadruple by its pattern and its sign bits (as many as it has
// non-zero values, v's sign first), so that decoding one takes no branches.
struct QuadValues {
    std::int8_t v[16][16][4];
};

constexpr QuadValues kQuadValues = [] {
    QuadValues t{};
    for (int p = 0; p < 16; ++p)
        for (int signs = 0; signs < 16; ++signs) {
            int nz = ((p >> 3) & 1) + ((p >> 2) & 1) + ((p >> 1) & 1) + (p & 1);
            for (int k = 0; k < 4; ++k) {
                int v = (p >> (3 - k)) & 1;
                if (v) v = (signs >> --nz) & 1 ? -1 : 1;
                t.v[p][signs][k] = static_cast<std::int8_t>(v);
            }
        }
    return t;
}();

}  // namespace

int unpack_huff_quad(BitGetter& bits, int* vwxy, int n, int budget, int tableB)
{
    LocalBits local(bits);
    BitGetter& b = local.b;
    // Non-zero values of each pattern (v = bit 3 .. y = bit 0).
    static constexpr std::uint8_t kCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
    const int quads = n / 4;
    int last = -1;
    int pattern = 15;
    int i = 0;
    for (; i < quads; ++i) {
        int p;
        if (tableB) {
            if (budget < 4) break;
            budget -= 4;
            b.check(8);
            p = static_cast<int>(b.take(4)) ^ 15;
        } else {
            if (budget < 1) break;
            b.check(10);
            int e = tables::kQuadA[b.peek(6)];
            int len = e >> 4;
            b.take(len);
            budget -= len;
            p = e & 15;
        }
        int* q = vwxy + 4 * i;
        if (p == 0) {
            q[0] = q[1] = q[2] = q[3] = 0;
        } else {
            last = i;
            pattern = p;
            // One sign bit for each non-zero value, v first.
            const int nz = kCount[p];
            const std::int8_t* v = kQuadValues.v[p][b.take(nz)];
            budget -= nz;
            for (int k = 0; k < 4; ++k) q[k] = v[k];
        }
        if (b.overrun()) {
            ++i;
            break;
        }
    }
    if (budget < 0 && i > 0) std::memset(vwxy + 4 * (i - 1), 0, 4 * sizeof(int));
    if (last < 0) return 0;
    int lines = 4 * (last + 1);
    if ((pattern & 3) == 0) lines -= 2;
    return lines;
}

void unpack_sf_sub_MPEG1(BitGetter& b, ScaleFactors& sf, const ScaleFactors& granule0, const GranuleChannel& gc,
                         int scfsi, int granule)
{
    const int slen1 = slen_table[gc.scalefac_compress & 15][0];
    const int slen2 = slen_table[gc.scalefac_compress & 15][1];
    if (gc.block_type == 2) {
        int first = 0;
        if (gc.mixed_block_flag) {
            for (int cb = 0; cb < 8; ++cb) sf.l[cb] = readSf(b, slen1);
            first = 3;
        }
        for (int cb = first; cb < 12; ++cb) {
            int len = cb < 6 ? slen1 : slen2;
            for (int w = 0; w < 3; ++w) sf.s[w][cb] = readSf(b, len);
        }
        return;
    }
    static constexpr int group[5] = {0, 6, 11, 16, 21};
    for (int g = 0; g < 4; ++g) {
        int len = g < 2 ? slen1 : slen2;
        bool copy = granule == 1 && (scfsi >> (3 - g)) & 1;
        for (int cb = group[g]; cb < group[g + 1]; ++cb) sf.l[cb] = copy ? granule0.l[cb] : readSf(b, len);
    }
}

void unpack_sf_sub_MPEG2(BitGetter& b, ScaleFactors& sf, GranuleChannel& gc, int rightIntensity, IsSfInfo& info)
{
    int c = gc.scalefac_compress;
    int slen[4] = {0, 0, 0, 0};
    int block;
    gc.preflag = 0;
    if (rightIntensity) {
        info.intensity_scale = c & 1;
        c >>= 1;
        if (c < 180) {
            slen[0] = c / 36, slen[1] = (c % 36) / 6, slen[2] = (c % 36) % 6;
            block = 3;
        } else if (c < 244) {
            int d = c - 180;
            slen[0] = d >> 4, slen[1] = (d >> 2) & 3, slen[2] = d & 3;
            block = 4;
        } else {
            int d = c - 244;
            slen[0] = d / 3, slen[1] = d % 3;
            block = 5;
        }
    } else if (c < 400) {
        slen[0] = (c >> 4) / 5, slen[1] = (c >> 4) % 5, slen[2] = (c & 15) >> 2, slen[3] = c & 3;
        block = 0;
    } else if (c < 500) {
        int d = c - 400;
        slen[0] = (d >> 2) / 5, slen[1] = (d >> 2) % 5, slen[2] = d & 3;
        block = 1;
    } else {
        int d = c - 500;
        slen[0] = d / 3, slen[1] = d % 3;
        if (gc.block_type == 2 && gc.mixed_block_flag) slen[0] = d / 3, slen[1] = d / 3, slen[2] = d % 3;
        block = 2;
        gc.preflag = 1;
    }
    int kind = gc.block_type != 2 ? 0 : gc.mixed_block_flag ? 2 : 1;
    const int* nr = nr_table[block][kind];
    if (rightIntensity) {
        for (int g = 0; g < 3; ++g) {
            info.nr[g] = nr[g];
            info.slen[g] = slen[g];
        }
    }
    if (kind == 0) {
        int cb = 0;
        for (int g = 0; g < 4; ++g)
            for (int k = 0; k < nr[g] && cb < 22; ++k) sf.l[cb++] = readSf(b, slen[g]);
    } else if (kind == 1) {
        int cb = 0;
        for (int g = 0; g < 4; ++g)
            for (int k = 0; k < nr[g] && cb < 13; ++k, ++cb)
                for (int w = 0; w < 3; ++w) sf.s[w][cb] = readSf(b, slen[g]);
    } else {
        for (int cb = 0; cb < 6; ++cb) sf.l[cb] = readSf(b, slen[0]);
        int cb = 3;
        for (int g = 1; g < 4; ++g)
            for (int k = 0; k < nr[g] && cb < 13; ++k, ++cb)
                for (int w = 0; w < 3; ++w) sf.s[w][cb] = readSf(b, slen[g]);
    }
}

}  // namespace brisko
