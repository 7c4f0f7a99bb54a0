#include "plimsa/decoders/MsAdpcm.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "plimsa/decoders/SampleOut.h"

namespace plimsa {

namespace {

constexpr int16_t coeff[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
constexpr int16_t adaption[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

constexpr uint8_t kPredictors = 7;
constexpr uint32_t kHeaderBytes = 7;  // per channel
constexpr int32_t kSmallestDelta = 16;

struct Channel {
    uint8_t predictor = 0;
    int32_t coeff1 = 0;  // the predictor's coefficient pair, looked up once a block
    int32_t coeff2 = 0;
    int32_t delta = 0;
    int32_t sample1 = 0;
    int32_t sample2 = 0;
};

int16_t Signed16(const uint8_t* bytes) { return static_cast<int16_t>(bytes[0] | (bytes[1] << 8)); }

// One step, inlined into the block loop.
inline int16_t Step(uint8_t nibble, uint8_t predictor, int32_t& sample1, int32_t& sample2, int32_t& delta) {
    const int32_t value = (nibble & 0x08) ? static_cast<int32_t>(nibble & 0x0F) - 16 : (nibble & 0x0F);
    const int16_t* pair = coeff[predictor < kPredictors ? predictor : 0];
    // 64-bit arithmetic: a hostile stream may grow delta without bound.
    const int64_t prediction = (static_cast<int64_t>(sample1) * pair[0] + static_cast<int64_t>(sample2) * pair[1]) >> 8;
    const int32_t predicted = Clamp16(prediction + static_cast<int64_t>(value) * delta);
    sample2 = sample1;
    sample1 = predicted;
    const int64_t adapted = (static_cast<int64_t>(delta) * adaption[value & 15]) >> 8;
    delta = static_cast<int32_t>(std::clamp<int64_t>(adapted, kSmallestDelta, std::numeric_limits<int32_t>::max()));
    return static_cast<int16_t>(predicted);
}

// The step of the block loop, with the channel's coefficients at hand; the same arithmetic.
inline int16_t BlockStep(uint8_t nibble, Channel& c) {
    const int32_t value = (nibble & 0x08) ? static_cast<int32_t>(nibble) - 16 : nibble;
    const int64_t prediction =
        (static_cast<int64_t>(c.sample1) * c.coeff1 + static_cast<int64_t>(c.sample2) * c.coeff2) >> 8;
    const int32_t predicted = Clamp16(prediction + static_cast<int64_t>(value) * c.delta);
    c.sample2 = c.sample1;
    c.sample1 = predicted;
    const int64_t adapted = (static_cast<int64_t>(c.delta) * adaption[nibble]) >> 8;
    c.delta = static_cast<int32_t>(adapted < kSmallestDelta                        ? kSmallestDelta
                                   : adapted > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                                                   : adapted);
    return static_cast<int16_t>(predicted);
}

// Reads the block header into the channel states; false when a predictor index is out of range.
bool ReadHeader(const uint8_t* block, uint16_t channels, Channel* states) {
    for (uint16_t ch = 0; ch < channels; ++ch) {
        Channel& state = states[ch];
        state.predictor = block[ch];
        if (state.predictor >= kPredictors) return false;
        state.coeff1 = coeff[state.predictor][0];
        state.coeff2 = coeff[state.predictor][1];
        state.delta = Signed16(block + channels + 2 * ch);
        state.sample1 = Signed16(block + 3 * channels + 2 * ch);
        state.sample2 = Signed16(block + 5 * channels + 2 * ch);
    }
    return true;
}

// Decodes one block of `length` bytes (at least the header); returns the output offset behind it,
// or -1 for a bad predictor.
int64_t DecodeBlock(const uint8_t* block, uint32_t length, uint8_t* output, uint32_t offset, uint32_t capacity,
                    uint16_t channels) {
    Channel states[2];
    if (!ReadHeader(block, channels, states)) return -1;
    for (uint16_t ch = 0; ch < channels; ++ch) offset = PutSample(output, offset, states[ch].sample2);
    for (uint16_t ch = 0; ch < channels; ++ch) offset = PutSample(output, offset, states[ch].sample1);
    // The high nibble belongs to the first channel, the low one to the second (mono: both to the
    // one). The states are worked on in locals, so that they stay in registers.
    uint32_t i = channels * kHeaderBytes;
    if (channels == 1) {
        Channel one = states[0];
        for (; i < length && offset + 4 <= capacity; ++i) {
            offset = PutSample(output, offset, BlockStep(block[i] >> 4, one));
            offset = PutSample(output, offset, BlockStep(block[i] & 0x0F, one));
        }
        return offset;
    }
    Channel high = states[0];
    Channel low = states[1];
    for (; i < length && offset + 4 <= capacity; ++i) {
        offset = PutSample(output, offset, BlockStep(block[i] >> 4, high));
        offset = PutSample(output, offset, BlockStep(block[i] & 0x0F, low));
    }
    return offset;
}

}  // namespace

int16_t ms_adpcm_decoder(uint8_t nibble, uint8_t predictor, int32_t& sample1, int32_t& sample2, int32_t& delta) {
    return Step(nibble, predictor, sample1, sample2, delta);
}

int msAdpcmDecompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, uint16_t channels,
                      uint16_t blockAlign) {
    const uint32_t headerBytes = channels * kHeaderBytes;
    if (channels < 1 || channels > 2 || blockAlign <= headerBytes || n < headerBytes) return -1;
    uint32_t offset = 0;
    while (n >= headerBytes && offset + 4 * channels <= capacity) {
        const uint32_t length = std::min<uint32_t>(n, blockAlign);
        const int64_t next = DecodeBlock(input, length, output, offset, capacity, channels);
        if (next < 0) return -1;
        offset = static_cast<uint32_t>(next);
        input += length;
        n -= length;
    }
    return static_cast<int>(offset);
}

}  // namespace plimsa
