// briskodec: decodes an MPEG audio file to raw PCM (16-bit little-endian, interleaved) on standard
// output or into a file. Usage: briskodec [-o out.raw] [-r reduction] [-c convert] [-q] file.mp3
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "OwnUsage.h"
#include "brisko/ByteSource.h"
#include "brisko/MpegReader.h"

namespace {

int Usage(const char* complaint, const char* what) {
    return qnx::UsageError(kOwnUsage, complaint ? std::string(complaint) + " " + what : "a file is needed", 2);
}

}  // namespace

int main(int argc, char** argv) {
    const char* outPath = nullptr;
    const char* inPath = nullptr;
    int reduction = 0, convert = 0;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const bool valued = !std::strcmp(argv[i], "-o") || !std::strcmp(argv[i], "-r") || !std::strcmp(argv[i], "-c");
        if (valued && i + 1 >= argc) return Usage("a value is missing after", argv[i]);
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) return qnx::ShowUsage(kOwnUsage);
        if (!std::strcmp(argv[i], "-o")) outPath = argv[++i];
        else if (!std::strcmp(argv[i], "-r")) reduction = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "-c")) convert = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "-q")) quiet = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0') return Usage("unknown option", argv[i]);
        else if (inPath) return Usage("more than one file:", argv[i]);
        else inPath = argv[i];
    }
    if (!inPath) return Usage(nullptr, nullptr);
    std::FILE* in = std::fopen(inPath, "rb");
    if (!in) {
        std::perror(inPath);
        return 1;
    }
    std::FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
    if (!out) {
        std::perror(outPath);
        return 1;
    }
    static char outBuf[1 << 16];
    std::setvbuf(out, outBuf, _IOFBF, sizeof outBuf);
    brisko::MpegReader reader(brisko::FileByteSource(in));
    reader.setMode(reduction, convert, 24000, 0xFFFFFFFFu);
    if (quiet) reader.setLog(nullptr);
    brisko::PcmFrame frame;
    int r;
    unsigned long long written = 0;
    while ((r = reader.next(frame)) > 0) {
        // Raw samples carry no format: a change inside the output is told by where it begins.
        if (frame.format_changed && !quiet && written == 0)
            std::fprintf(stderr, "briskodec: %d Hz, %d channel(s), %d bits\n", frame.format.samprate,
                         frame.format.channels, frame.format.bits);
        else if (frame.format_changed && !quiet)
            std::fprintf(stderr, "briskodec: from byte %llu of the output: %d Hz, %d channel(s), %d bits\n", written,
                         frame.format.samprate, frame.format.channels, frame.format.bits);
        std::fwrite(frame.data, 1, frame.bytes, out);
        written += frame.bytes;
    }
    if (out != stdout) std::fclose(out);
    else std::fflush(out);
    std::fclose(in);
    if (r < 0) {
        std::fprintf(stderr, "briskodec: read error\n");
        return 1;
    }
    if (!reader.started()) {
        std::fprintf(stderr, "briskodec: no MPEG audio stream found\n");
        return 1;
    }
    if (written == 0) {
        std::fprintf(stderr, "briskodec: no frame could be decoded\n");
        return 1;
    }
    if (!quiet && reader.errors())
        std::fprintf(stderr, "briskodec: %llu frame(s) skipped\n", static_cast<unsigned long long>(reader.errors()));
    return 0;
}
