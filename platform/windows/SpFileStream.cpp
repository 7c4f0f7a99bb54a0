#include "windows/SpFileStream.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include "wav/WavHeader.h"
#include "windows/FileErrors.h"
#include "windows/PathMap.h"

namespace windows {

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint16_t kChannels = 1;
constexpr uint16_t kBits = 16;
// The RIFF sizes are 32-bit: samples beyond what they can count are not written.
constexpr uint64_t kLargestData = std::numeric_limits<uint32_t>::max() - wav::kHeaderBytes;

void writeHeader(std::ofstream& file, uint32_t dataBytes) {
    const auto header = wav::Header(wav::PcmFormat(kRate, kChannels, kBits), dataBytes);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
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
    writeHeader(file_, 0);
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
    file_.seekp(0);
    writeHeader(file_, static_cast<uint32_t>(dataBytes_));
    file_.close();
    if (file_.fail()) {
        file_.clear();
        throw DeviceIOError();
    }
}

}  // namespace windows
