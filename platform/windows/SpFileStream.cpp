#include "windows/SpFileStream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <system_error>

#include "windows/FileErrors.h"
#include "windows/PathMap.h"

namespace windows {

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint16_t kChannels = 1;
constexpr uint16_t kBits = 16;
constexpr uint32_t kHeaderBytes = 44;
// The RIFF sizes are 32-bit: samples beyond what they can count are not written.
constexpr uint64_t kLargestData = std::numeric_limits<uint32_t>::max() - kHeaderBytes;

void put16(std::array<char, kHeaderBytes>& h, size_t at, uint16_t v) {
    h[at] = static_cast<char>(v & 0xff);
    h[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::array<char, kHeaderBytes>& h, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) h[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::array<char, kHeaderBytes> waveHeader(uint32_t dataBytes) {
    std::array<char, kHeaderBytes> h{};
    auto text = [&](size_t at, const char* four) {
        std::copy(four, four + 4, h.begin() + static_cast<std::ptrdiff_t>(at));
    };
    text(0, "RIFF");
    put32(h, 4, dataBytes + kHeaderBytes - 8);
    text(8, "WAVE");
    text(12, "fmt ");
    put32(h, 16, 16);
    put16(h, 20, 1);  // PCM
    put16(h, 22, kChannels);
    put32(h, 24, kRate);
    put32(h, 28, kRate * kChannels * kBits / 8);
    put16(h, 32, kChannels * kBits / 8);
    put16(h, 34, kBits);
    text(36, "data");
    put32(h, 40, dataBytes);
    return h;
}

}  // namespace

int SpAudioFormat::Type() const { return type_; }

void SpAudioFormat::Type(int type) {
    if (type != SAFT22kHz16BitMono) throw InvalidProcedureCall();
    type_ = type;
}

SpFileStream::~SpFileStream() {
    try {
        Close();
    } catch (...) {
        // Releasing never fails; a file that could not be completed stays as it is.
    }
}

SpAudioFormat& SpFileStream::Format() { return format_; }

void SpFileStream::Open(const std::string& fileName, int fileMode, bool /*doEvents*/) {
    if (fileMode != SSFMCreateForWrite) throw InvalidProcedureCall();
    Close();
    MappedPath path = MapPath(fileName);
    std::error_code ec;
    if (!std::filesystem::is_directory(path.native.parent_path(), ec)) throw PathNotFound();
    file_.open(path.native, std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) throw PermissionDenied();
    auto header = waveHeader(0);
    file_.write(header.data(), header.size());
    dataBytes_ = 0;
}

bool SpFileStream::WriteSamples(std::span<const int16_t> samples) {
    if (!file_.is_open()) throw InvalidProcedureCall();
    size_t count = static_cast<size_t>(std::min<uint64_t>(samples.size(), (kLargestData - dataBytes_) / 2));
    std::string bytes(count * 2, '\0');
    for (size_t i = 0; i < count; ++i) {
        auto s = static_cast<uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<char>(s & 0xff);
        bytes[2 * i + 1] = static_cast<char>(s >> 8);
    }
    file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file_) throw DeviceIOError();
    dataBytes_ += bytes.size();
    return count == samples.size() && dataBytes_ + 2 <= kLargestData;
}

void SpFileStream::Close() {
    if (!file_.is_open()) return;
    auto header = waveHeader(static_cast<uint32_t>(dataBytes_));
    file_.seekp(0);
    file_.write(header.data(), header.size());
    file_.close();
    if (file_.fail()) {
        file_.clear();
        throw DeviceIOError();
    }
}

}  // namespace windows
