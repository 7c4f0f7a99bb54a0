// Layer I and Layer II: set-up and frame decoding into subband samples, then synthesis.
#include <cmath>
#include <cstring>

#include "brisko/DecoderState.h"

namespace brisko {

namespace {

using State = MpegDecoder::State;

// Tables built once per process; read-only afterwards.
struct L12Tables {
    float look_c_value[18];    // 2 / levels for Layer II classes 1..17
    float look_c_valueL1[16];  // 2 / (2^(a+1) - 1) for Layer I allocations 1..15
    float sf_table[64];        // 65536 x 2^(-i/3): scale factors with the 16-bit full scale
    signed char group3[32][3];
    signed char group5[128][3];
    signed char group9[1024][3];
};

const L12Tables& l12Tables()
{
    static const L12Tables t = [] {
        L12Tables s{};
        const int levels[18] = {0, 3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535};
        for (int c = 1; c < 18; ++c) s.look_c_value[c] = static_cast<float>(2.0 / levels[c]);
        for (int a = 1; a < 16; ++a) s.look_c_valueL1[a] = static_cast<float>(2.0 / ((2 << a) - 1));
        for (int i = 0; i < 64; ++i) s.sf_table[i] = static_cast<float>(65536.0 * std::pow(2.0, -i / 3.0));
        for (int c = 0; c < 32; ++c)
            for (int k = 0, v = c; k < 3; ++k, v /= 3) s.group3[c][k] = static_cast<signed char>(v % 3 - 1);
        for (int c = 0; c < 128; ++c)
            for (int k = 0, v = c; k < 3; ++k, v /= 5) s.group5[c][k] = static_cast<signed char>(v % 5 - 2);
        for (int c = 0; c < 1024; ++c)
            for (int k = 0, v = c; k < 3; ++k, v /= 9) s.group9[c][k] = static_cast<signed char>(v % 9 - 4);
        return s;
    }();
    return t;
}

// Bits of one sample per Layer II class (grouped classes 1, 2, 4 read one code for three samples).
constexpr int kClassBits[18] = {0, 5, 7, 3, 10, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr bool kClassGrouped[18] = {false, true, true, false, true};
// Bits of one three-sample group per class.
constexpr int bat_bit_master[18] = {0, 5, 7, 9, 10, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45, 48};

// Allocation table by [mode == single channel][sample-rate index][bitrate index]; -1 not allowed.
int lookqt(int mode, int sr_index, int br_index)
{
    bool mono = mode == 3;
    int small = sr_index == 2 ? 3 : 2;
    int big = sr_index == 1 ? 0 : 1;
    if (!mono) {
        switch (br_index) {
        case 1:
        case 2:
        case 3:
        case 5:
        case 15: return -1;
        case 4:
        case 6: return small;
        case 7:
        case 8:
        case 9: return 0;
        default: return big;  // 0 (free format) and 10..14
        }
    }
    switch (br_index) {
    case 1:
    case 2: return small;
    case 3:
    case 4:
    case 5: return 0;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: return -1;
    default: return big;  // 0 and 6..10
    }
}

// Subbands coded separately for each channel before the joint-stereo bound.
int jointBound(int mode, int mode_ext) { return mode == 1 ? 4 * (mode_ext + 1) : 32; }

// Subbands decoded for the frequency limit and the reduction.
int subbandLimit(int rate, int freq_limit, int reduction)
{
    int n = (rate / 2 + 64 * freq_limit) / rate;
    int cap = reduction == 0 ? 31 : reduction == 1 ? 15 : 8;
    return n < cap ? n : cap;
}

// The frame length with padding from the frame's own header; free format keeps the set-up's.
int frameLength(const State& s, const std::uint8_t* bs, FrameHeader& h)
{
    h.id = (bs[1] >> 3) & 1;
    h.option = (bs[1] >> 1) & 3;
    h.sync = 1;
    h.br_index = bs[2] >> 4;
    h.sr_index = (bs[2] >> 2) & 3;
    h.pad = (bs[2] >> 1) & 1;
    h.mode = bs[3] >> 6;
    h.mode_ext = (bs[3] >> 4) & 3;
    if (h.option != s.setup.option || h.id != s.setup.id || h.sr_index != s.setup.sr_index) return 0;
    if ((h.mode == 3) != (s.setup.mode == 3) || h.br_index == 15) return 0;
    int bytes = s.l12.framebytes;
    if (h.br_index != 0) {
        FrameHeader full;
        std::uint8_t head[4] = {bs[0], bs[1], bs[2], bs[3]};
        bytes = head_info(head, 4, full);
        if (bytes <= 0) return 0;
    }
    return bytes + h.pad * (h.option == 3 ? 4 : 1);
}

// Puts the allocation table for a frame's bitrate and mode in place; false when not allowed.
bool chooseAlloc(State& s, int mode, int br_index)
{
    auto& d = s.l12;
    int index = s.setup.id ? lookqt(mode, s.setup.sr_index, br_index) : 4;
    if (index < 0) return false;
    if (index == d.alloc_index) return true;
    d.alloc_index = index;
    d.alloc = &tables::kL2Alloc[index];
    d.max_sb = d.alloc->sblimit;
    int rate = HeaderSampleRate(s.setup);
    int limit = subbandLimit(rate, d.freq_limit, d.reduction);
    d.nsb_limit = limit < d.max_sb ? limit : d.max_sb;
    std::memset(d.sample, 0, sizeof d.sample);
    return true;
}

void fillInfo(State& s, int framebytes, int variant, int outvalues, bool bits8, int rate, int reduction)
{
    outvalues *= kSbtOutChannels[variant];
    s.info = DecodeInfo{kSbtOutChannels[variant], outvalues, rate >> reduction, bits8 ? 8 : 16, framebytes, 0};
    s.l12.outbytes = bits8 ? outvalues : 2 * outvalues;
}

// ---- Layer II ---------------------------------------------------------------------------------

DecodeResult L2audio_decode(State& s, const std::uint8_t* bs, std::size_t avail, void* pcm)
{
    auto& d = s.l12;
    const auto& t = l12Tables();
    if (avail < 4 || bs[0] != 0xFF || (bs[1] & 0xF0) != 0xF0) return {};
    FrameHeader h;
    int total = frameLength(s, bs, h);
    if (total <= 0 || static_cast<std::size_t>(total) > avail) return {};
    if (!chooseAlloc(s, h.mode, h.br_index)) return {};
    const int nch = h.mode == 3 ? 1 : 2;
    const int bound = h.mode == 3 ? 32 : jointBound(h.mode, h.mode_ext);
    auto& b = d.bits;
    b.init(bs, bs + total);
    b.skip(32);
    if ((bs[1] & 1) == 0) b.skip(16);  // the CRC is not checked

    const auto& alloc = *d.alloc;
    const int sblimit = alloc.sblimit;
    for (int sb = 0; sb < sblimit; ++sb) {
        int nb = alloc.nbal[sb];
        if (sb < bound) {
            for (int ch = 0; ch < nch; ++ch) d.cls[ch][sb] = alloc.cls[sb][b.load(nb)];
        } else {
            d.cls[0][sb] = d.cls[1][sb] = alloc.cls[sb][b.load(nb)];
        }
    }
    int scfsi[2][32];
    for (int sb = 0; sb < sblimit; ++sb)
        for (int ch = 0; ch < nch; ++ch) scfsi[ch][sb] = d.cls[ch][sb] ? static_cast<int>(b.load(2)) : 4;
    for (int sb = 0; sb < sblimit; ++sb)
        for (int ch = 0; ch < nch; ++ch) {
            int c = d.cls[ch][sb];
            if (!c) continue;
            int i0, i1, i2;
            switch (scfsi[ch][sb]) {
            case 0:
                i0 = b.load(6);
                i1 = b.load(6);
                i2 = b.load(6);
                break;
            case 1:
                i0 = i1 = b.load(6);
                i2 = b.load(6);
                break;
            case 2: i0 = i1 = i2 = b.load(6); break;
            default:
                i0 = b.load(6);
                i1 = i2 = b.load(6);
                break;
            }
            float cv = t.look_c_value[c];
            d.cs_factor[ch][0][sb] = cv * t.sf_table[i0];
            d.cs_factor[ch][1][sb] = cv * t.sf_table[i1];
            d.cs_factor[ch][2][sb] = cv * t.sf_table[i2];
        }
    // Bits of the samples above the limit, skipped in one step per group.
    int bit_skip = 0;
    for (int sb = d.nsb_limit; sb < sblimit; ++sb) {
        bit_skip += bat_bit_master[d.cls[0][sb]];
        if (nch == 2 && sb < bound) bit_skip += bat_bit_master[d.cls[1][sb]];
    }

    const int stride = nch == 2 ? 2 : 1;
    const int nsb = d.nsb_limit;
    for (int part = 0; part < 3; ++part)
        for (int gr = 0; gr < 4; ++gr) {
            float* out = d.sample + (part * 12 + gr * 3) * 64;
            for (int sb = 0; sb < nsb; ++sb) {
                int v[2][3] = {};
                bool joint = sb >= bound;
                for (int ch = 0; ch < nch; ++ch) {
                    int c = d.cls[ch][sb];
                    if (joint && ch == 1) {
                        v[1][0] = v[0][0], v[1][1] = v[0][1], v[1][2] = v[0][2];
                        continue;
                    }
                    if (c == 0) continue;
                    if (kClassGrouped[c]) {
                        unsigned code = b.load(kClassBits[c]);
                        const signed char* g = c == 1   ? t.group3[code & 31]
                                               : c == 2 ? t.group5[code & 127]
                                                        : t.group9[code];
                        v[ch][0] = g[0], v[ch][1] = g[1], v[ch][2] = g[2];
                    } else {
                        int bits = kClassBits[c];
                        int off = (1 << (bits - 1)) - 1;
                        for (int k = 0; k < 3; ++k) v[ch][k] = static_cast<int>(b.load(bits)) - off;
                    }
                }
                for (int ch = 0; ch < nch; ++ch) {
                    float f = d.cls[ch][sb] ? d.cs_factor[ch][part][sb] : 0.0f;
                    for (int k = 0; k < 3; ++k) out[k * 64 + stride * sb + ch] = f * static_cast<float>(v[ch][k]);
                }
            }
            b.skip(bit_skip);
        }
    d.sbt(s.synth, d.sample, pcm, 36);
    return {total, d.outbytes};
}

// ---- Layer I ----------------------------------------------------------------------------------

DecodeResult L1audio_decode(State& s, const std::uint8_t* bs, std::size_t avail, void* pcm)
{
    auto& d = s.l12;
    const auto& t = l12Tables();
    if (avail < 4 || bs[0] != 0xFF || (bs[1] & 0xF0) != 0xF0) return {};
    FrameHeader h;
    int total = frameLength(s, bs, h);
    if (total <= 0 || static_cast<std::size_t>(total) > avail) return {};
    const int nch = h.mode == 3 ? 1 : 2;
    const int bound = h.mode == 3 ? 32 : jointBound(h.mode, h.mode_ext);
    auto& b = d.bits;
    b.init(bs, bs + total);
    b.skip(32);
    if ((bs[1] & 1) == 0) b.skip(16);

    int a[2][32];
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < nch; ++ch) a[ch][sb] = b.load(4);
        } else {
            a[0][sb] = a[1][sb] = b.load(4);
        }
    }
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (a[ch][sb]) d.cs_factor[ch][0][sb] = t.look_c_valueL1[a[ch][sb]] * t.sf_table[b.load(6)];
    int bit_skip = 0;
    for (int sb = d.nsb_limit; sb < 32; ++sb) {
        if (a[0][sb]) bit_skip += a[0][sb] + 1;
        if (nch == 2 && sb < bound && a[1][sb]) bit_skip += a[1][sb] + 1;
    }
    const int stride = nch == 2 ? 2 : 1;
    const int nsb = d.nsb_limit;
    for (int n = 0; n < 12; ++n) {
        float* out = d.sample + n * 64;
        for (int sb = 0; sb < nsb; ++sb) {
            int v[2] = {0, 0};
            bool joint = sb >= bound;
            for (int ch = 0; ch < nch; ++ch) {
                if (joint && ch == 1) {
                    v[1] = v[0];
                    continue;
                }
                int al = a[ch][sb];
                if (al) v[ch] = static_cast<int>(b.load(al + 1)) - ((1 << al) - 1);
            }
            for (int ch = 0; ch < nch; ++ch)
                out[stride * sb + ch] = a[ch][sb] ? d.cs_factor[ch][0][sb] * static_cast<float>(v[ch]) : 0.0f;
        }
        b.skip(bit_skip);
    }
    d.sbt(s.synth, d.sample, pcm, 12);
    return {total, d.outbytes};
}

}  // namespace

int L12audio_decode_init(State& s, const FrameHeader& h, int framebytes, int reduction, int convert,
                         int frequency_limit)
{
    auto& d = s.l12;
    if (h.option != 2 && h.option != 3) return 0;
    // Layers I and II exist for MPEG-1 and MPEG-2 only.
    if (h.sync != 1 || h.sr_index > 2) return 0;
    d.reduction = reduction;
    d.freq_limit = frequency_limit;
    d.framebytes = framebytes;
    d.alloc_index = -1;
    const int rate = HeaderSampleRate(h);
    std::memset(d.sample, 0, sizeof d.sample);
    s.setup = h;
    if (h.option == 2) {
        if (!chooseAlloc(s, h.mode, h.br_index)) return 0;
        s.decode = L2audio_decode;
    } else {
        d.max_sb = 32;
        d.nsb_limit = subbandLimit(rate, frequency_limit, reduction);
        s.decode = L1audio_decode;
    }
    const bool bits8 = (convert & 8) != 0;
    const int variant = h.mode == 3 ? kSbtMono : (convert & 3) + 1;
    d.sbt = SelectSbt(bits8, reduction, variant);
    fillInfo(s, framebytes, variant, (h.option == 2 ? 1152 : 384) >> reduction, bits8, rate, reduction);
    sbt_init(s.synth);
    return 1;
}

}  // namespace brisko
