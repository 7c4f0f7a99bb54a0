// plimsa-decode: decodes a sound file into raw device samples (unsigned 8-bit or signed 16-bit
// little-endian), read unit by read unit as the plug-in plays it, and prints what the host would
// be told of it. With --stream the header is taken from memory as from a network stream.
//
//   plimsa-decode [--stream] file out.raw
//
// Prints one line: format=<code> channels=<n> rate=<Hz> bits=<8|16> duration=<ms> title=<text>.
// Exit status 0 when played, 2 when the format is not recognised, 3 when the file is refused.

#include <cstdio>
#include <cstring>

#include <string>

#include "DecodeSoundFile.h"
#include "OwnUsage.h"

namespace {

using namespace plimsa;

constexpr int kUsage = 1;

int WriteRaw(SoundStream& stream, const uint8_t* data, uint32_t length) {
    auto* out = static_cast<std::FILE*>(stream.owner);
    return std::fwrite(data, 1, length, out) == length ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qnx::AsksForHelp(argc, argv)) return qnx::ShowUsage(kOwnUsage);
    const bool fromStream = argc > 1 && std::strcmp(argv[1], "--stream") == 0;
    const int first = fromStream ? 2 : 1;
    if (first < argc && argv[first][0] == '-' && argv[first][1])
        return qnx::UsageError(kOwnUsage, std::string("unknown option ") + argv[first], kUsage);
    if (argc - first != 2) return qnx::UsageError(kOwnUsage, "a file and out.raw are needed", kUsage);
    std::FILE* out = std::fopen(argv[argc - 1], "wb");
    if (!out) {
        std::perror(argv[argc - 1]);
        return kUsage;
    }
    tools::DecodedFile decoded;
    const int status = tools::DecodeSoundFile(argv[argc - 2], fromStream, WriteRaw, out, decoded);
    std::fclose(out);
    if (status != tools::kPlayed) {
        // The decoder's text names the file only sometimes: the line always does.
        const std::string file = argv[argc - 2];
        std::string error = decoded.error;
        while (!error.empty() && error.back() == '\n') error.pop_back();
        if (error.find(file) == std::string::npos) error = file + ": " + error;
        std::fprintf(stderr, "plimsa-decode: %s\n", error.c_str());
        return status;
    }
    std::printf("format=%u channels=%u rate=%u bits=%u duration=%u title=%s\n", unsigned{decoded.sampleFormat},
                unsigned{decoded.channels}, decoded.sampleRate, decoded.sampleFormat == kFormatUnsigned8 ? 8u : 16u,
                decoded.duration, decoded.title.c_str());
    return status;
}
