#include "FuzzEntry.h"

#include <vector>

#include "brisko/ByteSource.h"
#include "brisko/DecoderFront.h"
#include "brisko/FileInfo.h"
#include "brisko/MpegReader.h"

namespace brisko::test {

namespace {

int pullReader(const std::uint8_t* data, std::size_t size, int mode)
{
    MemoryBytes mem{data, size, 0};
    MpegReader reader(MemoryByteSource(mem));
    reader.setLog(nullptr);
    reader.setMode(mode & 3, (mode >> 2) & 11, 1000 + 1000 * ((mode >> 4) & 31), 0xFFFFFFFFu);
    PcmFrame frame;
    int frames = 0;
    // Every call must make progress: bound the loop by what the bytes could possibly hold.
    for (std::size_t guard = 0; guard < 4 * size + 16; ++guard) {
        int r = reader.next(frame);
        if (r <= 0) break;
        if (frame.bytes > MpegDecoder::kMaxPcmBytes) __builtin_trap();
        ++frames;
    }
    return frames;
}

// The plug-in's decode loop over a window of the data, as a ring buffer would present it.
int frontEnd(const std::uint8_t* data, std::size_t size, int mode)
{
    DecoderFront front;
    front.log = nullptr;
    InitAudioDecoderMode(front, (mode >> 1) & 3, 0, 0, mode & 11, 24000, mode & 64 ? 96000 : 0xFFFFFFFFu);
    std::vector<std::uint8_t> pcm(MpegDecoder::kMaxPcmBytes);
    std::size_t pos = 0;
    std::size_t len = size;
    int r = ParseSequenceHeader(front, data, len);
    if (r < 0) return 0;
    pos = static_cast<std::size_t>(r);
    int frames = 0;
    const std::size_t window = 6000;
    while (pos < size) {
        std::size_t avail = size - pos < window ? size - pos : window;
        std::size_t n = avail;
        int out = 0;
        front.end_of_data = avail == size - pos;
        r = DecodeAudioFrame(front, data + pos, n, pcm.data(), out);
        if (n > avail || out < 0 || out > static_cast<int>(pcm.size())) __builtin_trap();
        if (r == kFrontNeedData) {
            if (front.end_of_data) break;
            n = 1;
        }
        if (n == 0) break;
        pos += n;
        if (r >= 0) ++frames;
    }
    return frames;
}

}  // namespace

int BriskoFuzzOne(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    int mode = data[0];
    int frames = pullReader(data + 1, size - 1, mode);
    frames += frontEnd(data + 1, size - 1, mode);
    MemoryBytes mem{data + 1, size - 1, 0};
    MpegFileInfo info;
    get_info(MemoryByteSource(mem), info, nullptr);
    SeekTargetByte(info, 1234);
    return frames;
}

}  // namespace brisko::test
