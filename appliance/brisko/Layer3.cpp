// Layer III: set-up, side information, bit reservoir and the per-granule pipeline.
#include <cstring>

#include "brisko/DecoderState.h"
#include "brisko/L3Dequant.h"
#include "brisko/L3Huffman.h"
#include "brisko/L3Hybrid.h"

namespace brisko {

namespace {

using State = MpegDecoder::State;
using L3 = State::L3;

// Bits a channel's Huffman data may run past its part 2/3 length (the last count-1 code and its
// signs) before the granule counts as damaged.
constexpr int kOverrunSlack = 16;

BandTable bandTable(const L3& d) { return BandTable{d.sfBandIndex[0], d.sfBandIndex[1], d.nBand[0], d.nBand[1]}; }

// Reads the frame header and side information; returns the bytes of both, or 0 when the frame is
// not of the stream set up.
int unpack_side(State& s, const std::uint8_t* bs, std::size_t avail, int granule)
{
    L3& d = s.l3;
    SideInfo& side = d.side;
    BitLoader b;
    b.init(bs, bs + (avail < 64 ? avail : 64));
    unsigned sync = b.load(12);
    int mpeg25 = sync == 0xFFE ? 1 : 0;
    if (sync != 0xFFF && sync != 0xFFE) return 0;
    d.id = b.load(1);
    int layer = b.load(2);
    int prot = b.load(1);
    int br_index = b.load(4);
    int sr_index = b.load(2);
    d.pad = b.load(1);
    b.skip(1);
    side.mode = b.load(2);
    side.mode_ext = b.load(2);
    if (layer != 1 || br_index == 15 || sr_index != s.setup.sr_index || d.id != s.setup.id ||
        mpeg25 != (s.setup.sync == 2 ? 1 : 0) || (side.mode == 3) != (s.setup.mode == 3))
        return 0;
    d.mpeg25_flag = mpeg25;
    if (side.mode != 1) side.mode_ext = 0;
    d.ms_mode = side.mode_ext >> 1;
    d.is_mode = side.mode_ext & 1;
    d.crcbytes = prot ? 0 : 2;
    b.skip(4);
    if (!prot) b.skip(16);
    if (br_index != 0) {
        FrameHeader h;
        std::uint8_t head[4] = {bs[0], bs[1], bs[2], bs[3]};
        d.framebytes = head_info(head, 4, h);
    } else {
        d.framebytes = s.info.framebytes;  // free format keeps the set-up's length
    }
    d.nchan = side.mode == 3 ? 1 : 2;
    d.stereo_flag = d.nchan - 1;
    const int nch = d.nchan;
    const int gainAdjust = d.gain_adjust - (d.ms_mode ? 2 : 0);
    auto readChannel = [&](GranuleChannel& g) {
        g.part2_3_length = b.load(12);
        g.big_values = b.load(9);
        g.global_gain = static_cast<int>(b.load(8)) + gainAdjust;
        g.scalefac_compress = b.load(d.id ? 4 : 9);
        g.window_switching_flag = b.load(1);
        if (g.window_switching_flag) {
            g.block_type = b.load(2);
            g.mixed_block_flag = b.load(1);
            g.table_select[0] = b.load(5);
            g.table_select[1] = b.load(5);
            g.table_select[2] = 0;
            for (int w = 0; w < 3; ++w) g.subblock_gain[w] = b.load(3);
            if (d.id) {
                g.region0_count = 7;
                g.region1_count = 13;
            } else {
                g.region0_count = g.block_type == 2 ? 5 : 7;
                g.region1_count = g.block_type == 2 ? 15 : 13;
            }
        } else {
            g.block_type = 0;
            g.mixed_block_flag = 0;
            for (int k = 0; k < 3; ++k) g.table_select[k] = b.load(5);
            g.subblock_gain[0] = g.subblock_gain[1] = g.subblock_gain[2] = 0;
            g.region0_count = b.load(4);
            g.region1_count = b.load(3);
        }
        g.preflag = d.id ? static_cast<int>(b.load(1)) : 0;
        g.scalefac_scale = b.load(1);
        g.count1table_select = b.load(1);
    };
    if (d.id) {
        side.main_data_begin = b.load(9);
        side.private_bits = b.load(nch == 1 ? 5 : 3);
        for (int ch = 0; ch < nch; ++ch) side.scfsi[ch] = b.load(4);
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < nch; ++ch) readChannel(side.gr[gr][ch]);
        return nch == 1 ? 21 : 36;
    }
    side.main_data_begin = b.load(8);
    side.private_bits = b.load(nch == 1 ? 1 : 2);
    side.scfsi[0] = side.scfsi[1] = 0;
    for (int ch = 0; ch < nch; ++ch) readChannel(side.gr[granule][ch]);
    return nch == 1 ? 13 : 21;
}

// Appends this frame's main data to the reservoir and finds where the frame's own begins.
void fillReservoir(L3& d, const std::uint8_t* data, int n)
{
    const int mdb = d.side.main_data_begin;
    if (n < 0) n = 0;
    if (n > L3::kResSize) n = L3::kResSize;
    if (d.buf_ptr1 + n > L3::kResSize) {
        // Keep only what the frame may reach back to.
        int keep = mdb < d.buf_ptr1 ? mdb : d.buf_ptr1;
        if (keep > L3::kResSize - n) keep = L3::kResSize - n;
        std::memmove(d.buf, d.buf + d.buf_ptr1 - keep, keep);
        d.buf_ptr1 = keep;
    }
    d.buf_ptr0 = d.buf_ptr1 - mdb;
    std::memcpy(d.buf + d.buf_ptr1, data, n);
    d.buf_ptr1 += n;
    std::memset(d.buf + d.buf_ptr1, 0, L3::kGuard);
}

// Decodes one channel's main data of a granule into its spectral lines; false when damaged.
bool decodeChannel(State& s, int gr, int ch)
{
    L3& d = s.l3;
    GranuleChannel& gc = d.side.gr[gr][ch];
    const int start = d.main_pos_bit;
    const int end = start + gc.part2_3_length;
    d.main_pos_bit = end;
    if (end > 8 * d.buf_ptr1) return false;  // main data beyond what the reservoir holds

    BitGetter& b = d.bitdat;
    b.init(d.buf + start / 8);
    b.get(start & 7);
    b.end_bit = (start & 7) + gc.part2_3_length + kOverrunSlack;

    ScaleFactors& sf = d.sf[gr][ch];
    if (d.id) unpack_sf_sub_MPEG1(b, sf, d.sf[0][ch], gc, d.side.scfsi[ch], gr);
    else unpack_sf_sub_MPEG2(b, sf, gc, ch & d.is_mode, d.is_sf_info);

    int* ix = d.ix;
    const int limit = d.band_limit;
    int bvl = 2 * gc.big_values;
    if (bvl > limit) bvl = limit;
    int r0 = gc.region0_count;
    int r12 = gc.region0_count + gc.region1_count + 1;
    if (r0 > 21) r0 = 21;
    if (r12 > 21) r12 = 21;
    int r1start = d.sfBandIndex[0][r0 + 1];
    int r2start = d.sfBandIndex[0][r12 + 1];
    if (r1start > bvl) r1start = bvl;
    if (r2start > bvl) r2start = bvl;
    if (r2start < r1start) r2start = r1start;
    unpack_huff(b, ix, r1start, gc.table_select[0]);
    if (!b.overrun()) unpack_huff(b, ix + r1start, r2start - r1start, gc.table_select[1]);
    if (!b.overrun()) unpack_huff(b, ix + r2start, bvl - r2start, gc.table_select[2]);
    int nsamp = bvl;
    if (!b.overrun()) {
        int budget = gc.part2_3_length - (b.bits_used() - (start & 7));
        nsamp = bvl + unpack_huff_quad(b, ix + bvl, limit - bvl, budget, gc.count1table_select);
    }
    if (b.overrun()) return false;
    int top = gc.block_type == 2 ? d.band_limit12 : d.band_limit21;
    int zeroFrom = nsamp < top ? nsamp : top;
    std::memset(ix + zeroFrom, 0, sizeof(int) * (576 - zeroFrom));

    float* x = d.sample[ch][gr];
    CbInfo& cb = d.cb_info[gr][ch];
    BandTable band = bandTable(d);
    int reached = dequant(x, ix, nsamp, sf, gc, cb, d.ncbl_mixed, band, d.re_buf);
    std::memset(x + reached, 0, sizeof(float) * (576 - reached));
    d.nsamp[gr][ch] = nsamp;
    return true;
}

void silenceChannel(State& s, int gr, int ch)
{
    L3& d = s.l3;
    std::memset(d.sample[ch][gr], 0, sizeof d.sample[ch][gr]);
    d.nsamp[gr][ch] = 0;
    CbInfo& cb = d.cb_info[gr][ch];
    cb = CbInfo{0, -1, 0, 12, 21, {11, 11, 11}};
}

int longLines(const L3& d, const GranuleChannel& gc, int nsamp)
{
    int n;
    if (gc.block_type != 2) n = nsamp;
    else if (gc.mixed_block_flag) n = d.sfBandIndex[0][d.ncbl_mixed];
    else n = 0;
    return n < d.band_limit ? n : d.band_limit;
}

inline int clampLimit(const L3& d, int n) { return n < d.band_limit ? n : d.band_limit; }

void hybridChannel(State& s, int gr, int ch)
{
    L3& d = s.l3;
    const GranuleChannel& gc = d.side.gr[gr][ch];
    int ntot = clampLimit(d, d.nsamp[gr][ch]);
    int n = hybrid(d.sample[ch][gr], d.sample[ch][gr ^ 1], d.yout, gc.block_type, gc.mixed_block_flag != 0,
                   longLines(d, gc, ntot), ntot, d.nsamp[gr ^ 1][ch], d.band_limit_nsb);
    d.nsamp[gr][ch] = n;
    FreqInvert(d.yout, n);
}

void Xform(State& s, std::uint8_t* pcm, int gr)
{
    L3& d = s.l3;
    switch (d.conversion) {
    case 0:  // keep the channels (or the single channel of a mono stream)
        for (int ch = 0; ch < d.nchan; ++ch) {
            hybridChannel(s, gr, ch);
            d.sbt(s.synth, d.yout, pcm, ch);
        }
        break;
    case 2:  // left only
        hybridChannel(s, gr, 0);
        d.sbt(s.synth, d.yout, pcm, 0);
        break;
    case 3: {  // right only: the second channel's transform into the output's one channel
        const GranuleChannel& gc = d.side.gr[gr][1];
        int ntot = clampLimit(d, d.nsamp[gr][1]);
        int n = hybrid(d.sample[1][gr], d.sample[1][gr ^ 1], d.yout, gc.block_type, gc.mixed_block_flag != 0,
                       longLines(d, gc, ntot), ntot, d.nsamp[gr ^ 1][1], d.band_limit_nsb);
        d.nsamp[gr][1] = n;
        FreqInvert(d.yout, n);
        d.sbt(s.synth, d.yout, pcm, 0);
        break;
    }
    default: {  // mix to mono
        const GranuleChannel& g0 = d.side.gr[gr][0];
        const GranuleChannel& g1 = d.side.gr[gr][1];
        if (g0.block_type == g1.block_type && !g0.mixed_block_flag && !g1.mixed_block_flag) {
            int n = d.nsamp[gr][0] > d.nsamp[gr][1] ? d.nsamp[gr][0] : d.nsamp[gr][1];
            n = clampLimit(d, n);
            sum_f_bands(d.sample[0][gr], d.sample[1][gr], n);
            int m = hybrid(d.sample[0][gr], d.sample[0][gr ^ 1], d.yout, g0.block_type, false,
                           g0.block_type == 2 ? 0 : n, n, d.nsamp[gr ^ 1][0], d.band_limit_nsb);
            d.nsamp[gr][0] = m;
            FreqInvert(d.yout, m);
        } else {
            int n0 = clampLimit(d, d.nsamp[gr][0]);
            int m0 = hybrid(d.sample[0][gr], d.sample[0][gr ^ 1], d.yout, g0.block_type, g0.mixed_block_flag != 0,
                            longLines(d, g0, n0), n0, d.nsamp[gr ^ 1][0], d.band_limit_nsb);
            int n1 = clampLimit(d, d.nsamp[gr][1]);
            int m1 = hybrid_sum(d.sample[1][gr], d.sample[0][gr], d.yout, g1.block_type, g1.mixed_block_flag != 0,
                                longLines(d, g1, n1), n1);
            int m = m0 > m1 ? m0 : m1;
            d.nsamp[gr][0] = m;
            FreqInvert(d.yout, m);
        }
        d.sbt(s.synth, d.yout, pcm, 0);
        break;
    }
    }
}

// One granule: entropy decoding and dequantisation per channel, stereo, antialias, output.
void unpack_main(State& s, std::uint8_t* pcm, int gr)
{
    L3& d = s.l3;
    for (int ch = 0; ch < d.nchan; ++ch)
        if (!decodeChannel(s, gr, ch)) silenceChannel(s, gr, ch);

    BandTable band = bandTable(d);
    if (d.nchan == 2) {
        float* left = d.sample[0][gr];
        float* right = d.sample[1][gr];
        int& nl = d.nsamp[gr][0];
        int& nr = d.nsamp[gr][1];
        if (d.ms_mode) {
            int n;
            if (d.is_mode) {
                const CbInfo& cb = d.cb_info[gr][1];
                n = cb.cbtype == 0 ? d.sfBandIndex[0][cb.cbmax + 1] : d.sfBandIndex[1][cb.cbmax + 1];
            } else {
                n = nl > nr ? nl : nr;
            }
            ms_process(left, right, n);
        }
        if (d.is_mode) {
            if (d.id) is_process_MPEG1(left, right, d.sf[gr][1], d.cb_info[gr][1], nl, d.ms_mode, band);
            else is_process_MPEG2(left, right, d.sf[gr][1], d.cb_info[gr], d.is_sf_info, nl, d.ms_mode, band);
        }
        if (d.side.mode_ext) nl = nr = nl > nr ? nl : nr;
    }
    for (int ch = 0; ch < d.nchan; ++ch) {
        const CbInfo& cb = d.cb_info[gr][ch];
        if (cb.ncbl == 0) continue;
        int& n = d.nsamp[gr][ch];
        int bounds = cb.lb_type == 2 ? 1 : (n + 7) / 18;
        if (bounds > 31) bounds = 31;
        antialias(d.sample[ch][gr], bounds);
        if (n < 18 * bounds + 8) n = 18 * bounds + 8;
    }
    Xform(s, pcm, gr);
}

DecodeResult L3audio_decode_frame(State& s, const std::uint8_t* bs, std::size_t avail, void* pcmOut)
{
    L3& d = s.l3;
    auto* pcm = static_cast<std::uint8_t*>(pcmOut);
    const int gr = d.mpeg1 ? 0 : d.igr;
    int sideBytes = unpack_side(s, bs, avail, gr);
    if (sideBytes == 0 || d.framebytes <= 0) return {};
    d.padframebytes = d.framebytes + d.pad;
    if (static_cast<std::size_t>(d.padframebytes) > avail) return {};
    if (!d.mpeg1) d.igr ^= 1;

    int mainBytes = d.padframebytes - sideBytes - d.crcbytes;
    fillReservoir(d, bs + sideBytes + d.crcbytes, mainBytes);
    if (d.buf_ptr0 < 0) {
        std::memset(pcm, d.zero_level_pcm, d.outbytes);
        return {d.padframebytes, d.outbytes};
    }
    d.main_pos_bit = 8 * d.buf_ptr0;
    if (d.mpeg1) {
        unpack_main(s, pcm, 0);
        unpack_main(s, pcm + d.half_outbytes, 1);
    } else {
        unpack_main(s, pcm, gr);
    }
    return {d.padframebytes, d.outbytes};
}

// The output layout of the stream's channel mode: channel conversion, the gain of a mix, the
// synthesis member and the output sizes.
void setLayout(State& s, const FrameHeader& h, int framebytes, int reduction, int convert)
{
    L3& d = s.l3;
    const bool bits8 = (convert & 8) != 0;
    const bool mono = h.mode == 3;
    d.conversion = mono ? 0 : convert & 3;
    d.gain_adjust = !mono && d.conversion == 1 ? -4 : 0;
    int outvalues = (1152 >> reduction) / (d.mpeg1 ? 1 : 2);
    const int channels = mono || d.conversion != 0 ? 1 : 2;
    d.sbt = SelectSbtL3(bits8, reduction, channels == 2);
    outvalues *= channels;
    d.outbytes = bits8 ? outvalues : 2 * outvalues;
    d.zero_level_pcm = bits8 ? 0x80 : 0;
    d.half_outbytes = d.outbytes / 2;
    s.info = DecodeInfo{channels, outvalues, HeaderSampleRate(h) >> reduction, bits8 ? 8 : 16, framebytes, 0};
}

}  // namespace

int L3audio_decode_mode(State& s, const FrameHeader& h)
{
    s.setup.mode = h.mode;
    s.setup.mode_ext = h.mode_ext;
    setLayout(s, s.setup, s.info.framebytes, s.reduction, s.convert);
    return 1;
}

int L3audio_decode_init(State& s, const FrameHeader& h, int framebytes, int reduction, int convert, int frequency_limit)
{
    L3& d = s.l3;
    d.buf_ptr0 = d.buf_ptr1 = 0;
    std::memset(d.buf, 0, sizeof d.buf);
    if (h.option != 1 || h.sr_index > 2) return 0;
    s.setup = h;
    d.mpeg1 = h.id == 1 && h.sync == 1;
    d.id = h.id;
    d.ncbl_mixed = d.mpeg1 ? 8 : 6;
    d.framebytes = framebytes;
    const int rate = HeaderSampleRate(h);

    int nsb = (64 * frequency_limit + rate / 2) / rate;
    int cap = reduction == 0 ? 31 : reduction == 1 ? 15 : 8;
    d.nsb_limit = nsb < cap ? nsb : cap;

    const int row = 3 * (h.sync == 2 ? 2 : h.id ? 0 : 1) + h.sr_index;
    for (int k = 0; k < 23; ++k) d.sfBandIndex[0][k] = tables::kSfbLong[row][k];
    for (int k = 0; k < 14; ++k) d.sfBandIndex[1][k] = 3 * tables::kSfbShort[row][k];
    for (int k = 0; k < 22; ++k) d.nBand[0][k] = tables::kSfbLong[row][k + 1] - tables::kSfbLong[row][k];
    for (int k = 0; k < 13; ++k) d.nBand[1][k] = tables::kSfbShort[row][k + 1] - tables::kSfbShort[row][k];
    d.band_limit12 = d.sfBandIndex[1][12];
    d.band_limit21 = d.sfBandIndex[0][21];
    d.band_limit = d.band_limit21 + 8;
    if (d.band_limit > 18 * d.nsb_limit) d.band_limit = 18 * d.nsb_limit;
    d.band_limit_nsb = (d.band_limit + 17) / 18;

    setLayout(s, h, framebytes, reduction, convert);

    std::memset(d.yout, 0, sizeof d.yout);
    std::memset(d.sample, 0, sizeof d.sample);
    std::memset(d.nsamp, 0, sizeof d.nsamp);
    std::memset(d.sf, 0, sizeof d.sf);
    for (auto& g : d.cb_info)
        for (auto& c : g) c = CbInfo{0, -1, 0, 12, 21, {11, 11, 11}};
    sbt_init(s.synth);
    s.decode = L3audio_decode_frame;
    return 1;
}

}  // namespace brisko
