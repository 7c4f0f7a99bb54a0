// The state of one decoder object, shared by the layer routines. Internal to the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brisko/MpegDecoder.h"
#include "brisko/Synthesis.h"
#include "brisko/Tables.h"

namespace brisko {

// Bit reader of Layers I and II: reads whole bytes below `end`, zeros past it.
struct BitLoader {
    const std::uint8_t* ptr = nullptr;
    const std::uint8_t* end = nullptr;
    std::uint32_t bitbuf = 0;
    int bits = 0;

    void init(const std::uint8_t* p, const std::uint8_t* e)
    {
        ptr = p;
        end = e;
        bitbuf = 0;
        bits = 0;
    }
    unsigned load(int n)  // n <= 24
    {
        if (bits < n) {
            while (bits <= 24) {
                bitbuf = bitbuf << 8 | (ptr < end ? *ptr : 0u);
                ++ptr;
                bits += 8;
            }
        }
        bits -= n;
        unsigned v = bitbuf >> bits;
        bitbuf -= v << bits;
        return v;
    }
    void skip(int n)
    {
        while (n > 24) {
            load(24);
            n -= 24;
        }
        if (n > 0) load(n);
    }
};

// Bit reader of Layer III main data: a 64-bit buffer refilled four bytes at a time. It reads up to
// eight bytes ahead of its position, which the reservoir's zeroed guard bytes keep inside the
// buffer. `end_bit` is where the channel's data ends (with a little slack for the last count-1
// code); reading past it marks the granule damaged.
struct BitGetter {
    std::uint64_t bitbuf = 0;
    int bits = 0;
    const std::uint8_t* bs_ptr = nullptr;
    const std::uint8_t* bs_ptr0 = nullptr;
    int end_bit = 0;

    void init(const std::uint8_t* p)
    {
        bs_ptr0 = bs_ptr = p;
        bits = 0;
        bitbuf = 0;
    }
    int bits_used() const { return static_cast<int>(bs_ptr - bs_ptr0) * 8 - bits; }
    bool overrun() const { return bits_used() > end_bit; }
    void check(int n)  // n <= 32
    {
        if (bits < n) {
            std::uint32_t w = std::uint32_t(bs_ptr[0]) << 24 | std::uint32_t(bs_ptr[1]) << 16 |
                              std::uint32_t(bs_ptr[2]) << 8 | bs_ptr[3];
            bitbuf = bitbuf << 32 | w;
            bs_ptr += 4;
            bits += 32;
        }
    }
    unsigned get(int n)  // n <= 32
    {
        check(n);
        return take(n);
    }
    unsigned take(int n)  // the bits must be buffered
    {
        bits -= n;
        std::uint64_t v = bitbuf >> bits;
        bitbuf -= v << bits;
        return static_cast<unsigned>(v);
    }
    unsigned peek(int n) const { return static_cast<unsigned>(bitbuf >> (bits - n)); }
};

struct GranuleChannel {
    int part2_3_length;
    int big_values;
    int global_gain;
    int scalefac_compress;
    int window_switching_flag;
    int block_type;
    int mixed_block_flag;
    int table_select[3];
    int subblock_gain[3];
    int region0_count;
    int region1_count;
    int preflag;
    int scalefac_scale;
    int count1table_select;
};

struct SideInfo {
    int mode;
    int mode_ext;
    int main_data_begin;
    int private_bits;
    int scfsi[2];
    GranuleChannel gr[2][2];
};

struct ScaleFactors {
    int l[23];
    int s[3][13];
};

struct IsSfInfo {
    int nr[3];
    int slen[3];
    int intensity_scale;
};

struct CbInfo {
    int cbtype;
    int cbmax;
    int lb_type;
    int cbs0;
    int ncbl;
    int cbmax_s[3];
};

struct MpegDecoder::State {
    using LayerFn = DecodeResult (*)(State& s, const std::uint8_t* bs, std::size_t avail, void* pcm);

    bool ready = false;
    LayerFn decode = nullptr;
    DecodeInfo info;
    FrameHeader setup;  // the header the decoder was set up with
    int reduction = 0;  // the set-up's output wishes, for a change of channel mode
    int convert = 0;
    int frequency_limit = 0;
    SynthState synth;

    // ---- Layers I and II ----
    struct L12 {
        BitLoader bits;
        const tables::L2AllocTable* alloc = nullptr;
        int alloc_index = -1;  // allocation table in use (Layer II)
        int max_sb = 0;        // coded subbands
        int nsb_limit = 0;     // subbands decoded
        int framebytes = 0;
        int outbytes = 0;
        int reduction = 0;
        int freq_limit = 0;
        SbtFn sbt = nullptr;
        int cls[2][32];  // quantiser class per channel and subband
        float cs_factor[2][3][32];
        float sample[36 * 64];
    } l12;

    // ---- Layer III ----
    struct L3 {
        static constexpr int kResSize = 8192;
        static constexpr int kGuard = 64;
        std::uint8_t buf[kResSize + kGuard];
        int buf_ptr0 = 0;
        int buf_ptr1 = 0;
        int main_pos_bit = 0;
        BitGetter bitdat;

        int id = 1;
        int mpeg25_flag = 0;
        int sr_index = 0;
        int pad = 0;
        int framebytes = 0;
        int padframebytes = 0;
        int crcbytes = 0;
        int nchan = 1;
        int stereo_flag = 0;
        int ms_mode = 0;
        int is_mode = 0;
        int igr = 0;  // granule of MPEG-2 frames, flips every frame
        int gain_adjust = 0;
        int ncbl_mixed = 8;
        int band_limit = 0;
        int band_limit21 = 0;
        int band_limit12 = 0;
        int band_limit_nsb = 0;
        int nsb_limit = 0;
        int conversion = 0;  // convert & 3 (0 for a single-channel stream)
        int zero_level_pcm = 0;
        int outbytes = 0;
        int half_outbytes = 0;
        bool mpeg1 = true;
        SbtL3Fn sbt = nullptr;

        int sfBandIndex[2][23];  // [long, short x 3] band starts, 23 / 14 entries
        int nBand[2][22];        // widths of the long and short bands
        SideInfo side;
        ScaleFactors sf[2][2];
        IsSfInfo is_sf_info;
        CbInfo cb_info[2][2];
        int nsamp[2][2];
        int ix[576 + 8];          // Huffman-decoded integers of one channel
        float sample[2][2][576];  // [channel][granule]: this granule's lines, the other's overlap
        float yout[576];
        float re_buf[576];
    } l3;
};

// Layer routines (Layer12.cpp, Layer3.cpp).
int L12audio_decode_init(MpegDecoder::State& s, const FrameHeader& h, int framebytes, int reduction, int convert,
                         int frequency_limit);
int L3audio_decode_init(MpegDecoder::State& s, const FrameHeader& h, int framebytes, int reduction, int convert,
                        int frequency_limit);
int L3audio_decode_mode(MpegDecoder::State& s, const FrameHeader& h);

}  // namespace brisko
