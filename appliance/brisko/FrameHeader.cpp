#include "brisko/FrameHeader.h"

#include "brisko/Tables.h"

namespace brisko {

namespace {

constexpr std::size_t kLookLimit = 10000;

// Sample rate in units of 50 Hz by [version bit][sample-rate index]; MPEG-2.5 uses the version-0
// row, so its length formulas are written for twice its real rate.
constexpr int kSr50[2][4] = {{441, 480, 320, -999}, {882, 960, 640, -999}};

int layerRow(int option) { return 3 - option; }  // 0 Layer I, 1 Layer II, 2 Layer III

}  // namespace

int HeaderKbps(const FrameHeader& h)
{
    if (h.option < 1 || h.option > 3) return 0;
    return tables::kBitrateKbps[layerRow(h.option)][h.id & 1][h.br_index & 15];
}

int HeaderSampleRate(const FrameHeader& h)
{
    if (h.sr_index < 0 || h.sr_index > 2) return 0;
    int kind = h.sync == 2 ? 2 : (h.id ? 0 : 1);
    return tables::kSampleRateHz[kind][h.sr_index];
}

int HeaderSamplesPerFrame(const FrameHeader& h)
{
    if (h.option == 3) return 384;
    if (h.option == 1 && (h.id == 0 || h.sync == 2)) return 576;
    return 1152;
}

int compare(const std::uint8_t* a, const std::uint8_t* b) { return a[0] == b[0] && a[1] == b[1]; }

int sync_scan(const std::uint8_t* buf, int limit, int start)
{
    for (int i = start; i < limit; ++i)
        if (compare(buf, buf + i)) return i;
    return 0;
}

int sync_test(const std::uint8_t* buf, int limit, int size, int slot)
{
    int p = size + ((buf[2] >> 1) & 1) * slot;
    if (p > limit) return 0;
    int count = 0;
    while (compare(buf, buf + p)) {
        ++count;
        p += size + ((buf[p + 2] >> 1) & 1) * slot;
        if (p > limit) return count;
    }
    return -count;
}

int find_sync(const std::uint8_t* buf, std::size_t length)
{
    if (length > kLookLimit) length = kLookLimit;
    if (length < 4) return 0;
    int slot = ((buf[1] >> 1) & 3) == 3 ? 4 : 1;
    int padding = ((buf[2] >> 1) & 1) * slot;
    int limit = static_cast<int>(length) - 3;
    for (int start = 24; start <= 1999;) {
        int position = sync_scan(buf, limit, start);
        int size = position - padding;
        if (size < 1) return 0;
        start = position + 1;
        if (sync_test(buf, limit, size, slot) >= 1) return size;
    }
    return 0;
}

int head_info(const std::uint8_t* buf, std::size_t length, FrameHeader& h)
{
    if (length > kLookLimit) length = kLookLimit;
    h.sync = 0;
    if (length < 4 || buf[0] != 0xFF) return 0;
    if ((buf[1] & 0xF0) == 0xF0) h.sync = 1;
    else if ((buf[1] & 0xF0) == 0xE0) h.sync = 2;
    else return 0;
    h.id = (buf[1] >> 3) & 1;
    h.option = (buf[1] >> 1) & 3;
    h.prot = buf[1] & 1;
    h.br_index = (buf[2] >> 4) & 15;
    h.sr_index = (buf[2] >> 2) & 3;
    h.pad = (buf[2] >> 1) & 1;
    h.private_bit = buf[2] & 1;
    h.mode = (buf[3] >> 6) & 3;
    h.mode_ext = (buf[3] >> 4) & 3;
    h.cr = (buf[3] >> 3) & 1;
    h.original = (buf[3] >> 2) & 1;
    h.emphasis = buf[3] & 3;
    if (h.sr_index == 3 || h.emphasis == 2 || h.option == 0) return 0;
    // MPEG-2.5 exists only with the version bit clear; the other combination is reserved.
    if (h.sync == 2 && h.id == 1) return 0;
    if (h.br_index == 0) return find_sync(buf, length);
    int kbps = HeaderKbps(h);
    int sr50 = kSr50[h.id][h.sr_index];
    switch (h.option) {
    case 3: return 4 * (240 * kbps / sr50);
    case 2: return 2880 * kbps / sr50;
    default: return (h.id == 1 || h.sync == 2 ? 2880 : 1440) * kbps / sr50;
    }
}

int head_info2(const std::uint8_t* buf, std::size_t length, FrameHeader& h, int& bitrate)
{
    bitrate = 0;
    int size = head_info(buf, length, h);
    if (size == 0) return 0;
    if (h.br_index != 0) {
        bitrate = 1000 * HeaderKbps(h);
        return size;
    }
    std::int64_t sr50 = kSr50[h.id][h.sr_index];
    std::int64_t n = size;
    std::int64_t b = 0;
    if (h.option == 3) b = sr50 * 1000 * n / 960;
    else if (h.option == 2) b = sr50 * 1000 * n / 2880;
    else if (h.id == 1) b = sr50 * 1000 * n / 2880;
    else if (h.sync == 2) b = sr50 * 500 * n / 1440;
    else b = sr50 * 1000 * n / 1440;
    bitrate = static_cast<int>(b);
    return size;
}

}  // namespace brisko
