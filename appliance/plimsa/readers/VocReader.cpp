// VOC files: recognised by their header so that no other reader takes them, and always refused.

#include <cstring>

#include "plimsa/readers/ByteOrder.h"
#include "plimsa/readers/ReaderMessages.h"
#include "plimsa/readers/ReaderSteps.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {

namespace {

using namespace steps;

constexpr size_t kHeaderBytes = 26;
constexpr uint16_t kSmallestHeader = 26;
constexpr uint16_t kVersionCheckSum = 0x1233;
constexpr char kSignature[] = "Creative Voice File";

int get_voc_header(ByteSource& source, SoundStream& stream) {
    uint8_t head[kHeaderBytes];
    if (!ReadExactly(source, head, sizeof head)) return kNotThisFormat;
    if (const int result = IsVoc(head, sizeof head); result != kAccepted) return result;
    stream.message = messages::kVocUnsupported;
    return kAccepted;
}

std::unique_ptr<SoundStream> voc_read(ByteSource& source) { return ReadWith(get_voc_header, source); }
std::unique_ptr<SoundStream> voc_open(const char* path) { return OpenWith(get_voc_header, path); }
uint64_t voc_seek(SoundStream& stream, uint32_t) { return stream.dataStart; }
int voc_play(SoundStream&, SoundWriter) { return 0; }
void voc_close(std::unique_ptr<SoundStream> stream) { CloseStream(std::move(stream)); }

}  // namespace

int IsVoc(const uint8_t* head, size_t length) {
    if (length < kHeaderBytes || std::memcmp(head, kSignature, sizeof kSignature - 1) != 0) return kNotThisFormat;
    if (LEtoHost16(head + 20) < kSmallestHeader) return kNotThisFormat;
    if (static_cast<uint16_t>(LEtoHost16(head + 22) + LEtoHost16(head + 24)) != kVersionCheckSum) return kNotThisFormat;
    return kAccepted;
}

const SoundDecoder vocfile_decoder = {"voc", voc_read, voc_open, voc_seek, voc_play, voc_close, IsVoc};

}  // namespace plimsa
