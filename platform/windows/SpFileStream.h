#pragma once
// A WAV file that a voice speaks into (`sapi.SpFileStream`). Its format is 22 050 Hz,
// 16-bit, mono (format type 22, SAFT22kHz16BitMono), the only one the plug-in uses.
// Releasing an open stream closes it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace windows {

constexpr int SAFT22kHz16BitMono = 22;
constexpr int SSFMCreateForWrite = 3;  // create the file, or empty it when it exists

// The stream's audio format (`Format`).
class SpAudioFormat {
public:
    int Type() const;
    // Raises 5 for any format type but 22.
    void Type(int type);

private:
    int type_ = SAFT22kHz16BitMono;
};

class SpFileStream {
public:
    SpFileStream() = default;
    ~SpFileStream();
    SpFileStream(const SpFileStream&) = delete;
    SpFileStream& operator=(const SpFileStream&) = delete;

    SpAudioFormat& Format();
    // Opens a Windows path (mapped under the application folder) for writing. Raises 5 for
    // a file mode other than SSFMCreateForWrite, 76 when the folder is missing, 70 when the
    // file cannot be written.
    void Open(const std::string& fileName, int fileMode = SSFMCreateForWrite, bool doEvents = false);
    // Completes the WAV file. Closing a closed stream does nothing.
    void Close();

    // What the voice writes: samples of the stream's format. False once the file is full
    // (a WAV file counts at most 4 GiB); raises 5 on a closed stream.
    bool WriteSamples(std::span<const int16_t> samples);

private:
    SpAudioFormat format_;
    std::ofstream file_;
    uint64_t dataBytes_ = 0;
};

}  // namespace windows
