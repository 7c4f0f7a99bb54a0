#include "plimsa/decoders/GsmDecoder.h"

#include <gsm.h>

#include "plimsa/decoders/SampleOut.h"

namespace plimsa {

GsmDecoder::GsmDecoder() : handle_(gsm_create()) {
    if (!handle_) return;
    int on = 1;
    gsm_option(handle_, GSM_OPT_WAV49, &on);
    restartBlock();
}

GsmDecoder::~GsmDecoder() {
    if (handle_) gsm_destroy(handle_);
}

void GsmDecoder::restartBlock() {
    if (!handle_) return;
    int index = 0;
    gsm_option(handle_, GSM_OPT_FRAME_INDEX, &index);
}

void GsmDecoder::decodeFrame(const uint8_t* frame, int16_t* samples) {
    // libgsm only reads the frame; its prototype predates const.
    gsm_decode(handle_, const_cast<gsm_byte*>(frame), samples);
}

int GSMDecompress(GsmDecoder* decoder, const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity) {
    if (!decoder || !decoder->usable() || n < kGsmFirstHalfBytes) return -1;
    int16_t frame[kGsmFrameSamples];
    uint32_t written = 0;
    const uint32_t frameBytes = kGsmFrameSamples * 2;
    while (n >= kGsmFirstHalfBytes && written + frameBytes <= capacity) {
        decoder->decodeFrame(input, frame);
        written = PutSamples(output, written, frame, kGsmFrameSamples);
        if (n < kGsmBlockBytes || written + frameBytes > capacity) break;
        decoder->decodeFrame(input + kGsmFirstHalfBytes, frame);
        written = PutSamples(output, written, frame, kGsmFrameSamples);
        input += kGsmBlockBytes;
        n -= kGsmBlockBytes;
    }
    return static_cast<int>(written);
}

}  // namespace plimsa
