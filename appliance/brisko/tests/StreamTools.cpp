#include "StreamTools.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "brisko/ByteSource.h"
#include "brisko/MpegReader.h"

namespace brisko::test {

std::string workDir()
{
    static const std::string dir = [] {
        std::string d = BRISKO_TEST_WORKDIR;
        ::mkdir(d.c_str(), 0755);
        return d;
    }();
    return dir;
}

bool run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

namespace {

std::uint32_t littleEndian(const std::vector<std::uint8_t>& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}

}  // namespace

Wav readWav(const std::string& path)
{
    Wav wav;
    const std::vector<std::uint8_t> b = readFile(path);
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = littleEndian(b, at + 4, 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && at + 24 <= b.size()) {
            wav.channels = static_cast<int>(littleEndian(b, at + 10, 2));
            wav.rate = static_cast<int>(littleEndian(b, at + 12, 4));
            wav.bits = static_cast<int>(littleEndian(b, at + 22, 2));
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            const std::size_t end = std::min<std::size_t>(b.size(), at + 8 + size);
            wav.data.assign(b.begin() + static_cast<long>(at + 8), b.begin() + static_cast<long>(end));
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string makeSource(const std::string& name, int rate, int channels, double seconds, int lowpassHz)
{
    std::string path = workDir() + "/" + name + ".wav";
    char cmd[512];
    std::snprintf(cmd, sizeof cmd,
                  "sox -D -R -n -r %d -c %d -b 16 '%s' synth %.2f pinknoise synth %.2f sine %d-%d gain -9 "
                  "sinc -%d fade 0.05 %.2f 0.1",
                  rate, channels, path.c_str(), seconds, seconds, lowpassHz / 20, lowpassHz / 3, lowpassHz, seconds);
    if (!run(cmd)) return "";
    return path;
}

std::string makeStream(const std::string& name, int rate, int channels, const std::string& encode, double seconds)
{
    std::string out = workDir() + "/" + name;
    int lowpass = rate * 3 / 10;  // below every layer's band limit
    std::string src = makeSource("src_" + name, rate, channels, seconds, lowpass);
    if (src.empty()) return "";
    char cmd[1024];
    std::snprintf(cmd, sizeof cmd, encode.c_str(), src.c_str(), out.c_str());
    return run(cmd) ? out : "";
}

std::string makeTone(const std::string& name, int rate, int channels, int hz, double seconds)
{
    std::string path = workDir() + "/" + name + ".wav";
    char cmd[512];
    std::snprintf(cmd, sizeof cmd, "sox -D -R -n -r %d -c %d -b 16 '%s' synth %.2f sine %d gain -6 fade 0.02 %.2f 0.02",
                  rate, channels, path.c_str(), seconds, hz, seconds);
    return run(cmd) ? path : "";
}

std::vector<std::string> makeOtherFiles(const std::string& prefix)
{
    const std::string base = workDir() + "/" + prefix;
    const std::string wav = base + "_tone.wav", aiff = base + "_tone.aiff", text = base + "_notes.txt";
    if (!run("sox -R -n -r 48000 -c 2 -b 16 '" + wav + "' synth 3 sine 1000 vol 0.9") ||
        !run("sox -R '" + wav + "' '" + aiff + "'"))
        return {};
    std::string words;
    while (words.size() < 20000) words += "A text file is no sound: \xFF\xFB\x90\x64 heard as noise is a fault.\n";
    writeFile(text, std::vector<std::uint8_t>(words.begin(), words.end()));
    return {wav, aiff, text};
}

Decoded decodeBytes(const std::vector<std::uint8_t>& bytes, int reduction, int convert, int freqLimit)
{
    Decoded out;
    MemoryBytes mem{bytes.data(), bytes.size(), 0};
    MpegReader reader(MemoryByteSource(mem));
    reader.setLog(nullptr);
    reader.setMode(reduction, convert, freqLimit, 0xFFFFFFFFu);
    PcmFrame frame;
    int r;
    while ((r = reader.next(frame)) > 0) {
        if (frame.format_changed) ++out.formatChanges;
        out.format = frame.format;
        if (frame.format.bits == 8) {
            auto* p = static_cast<const std::uint8_t*>(frame.data);
            out.pcm8.insert(out.pcm8.end(), p, p + frame.bytes);
        } else {
            auto* p = static_cast<const std::int16_t*>(frame.data);
            out.pcm16.insert(out.pcm16.end(), p, p + frame.bytes / 2);
        }
    }
    out.result = r;
    out.errors = reader.errors();
    return out;
}

Decoded decodeFile(const std::string& path, int reduction, int convert)
{
    return decodeBytes(readFile(path), reduction, convert);
}

std::vector<float> ffmpegReference(const std::string& path, const std::string& codec)
{
    std::string out = path + "." + codec + ".f32";
    if (!run("ffmpeg -v error -y -c:a " + codec + " -i '" + path + "' -f f32le '" + out + "'")) return {};
    auto bytes = readFile(out);
    std::vector<float> v(bytes.size() / 4);
    std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

namespace {

unsigned getBits(const std::uint8_t* bytes, std::size_t at, int n)
{
    unsigned v = 0;
    for (int k = 0; k < n; ++k) v = v << 1 | ((bytes[(at + k) / 8] >> (7 - (at + k) % 8)) & 1);
    return v;
}

struct Layer3Frame {
    std::vector<std::uint8_t> head;  // header and side information
    std::vector<std::uint8_t> main;  // the frame's main data, from its first byte
    std::size_t area = 0;            // bytes after the side information
};

// The frames of a stream with their main data taken out of the reservoir.
std::vector<Layer3Frame> splitLayer3(const std::vector<std::uint8_t>& s)
{
    static const int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    std::vector<Layer3Frame> frames;
    std::vector<std::uint8_t> reservoir;
    std::size_t pos = 0;
    while (pos + 36 <= s.size() && s[pos] == 0xFF && (s[pos + 1] & 0xFF) == 0xFB) {
        const std::size_t size = 144000 * kKbps[s[pos + 2] >> 4] / 44100 + ((s[pos + 2] >> 1) & 1);
        const int nch = (s[pos + 3] >> 6) == 3 ? 1 : 2;
        const std::size_t side = 4 + (nch == 1 ? 17 : 32);
        if (size <= side || pos + size > s.size()) break;
        const std::uint8_t* f = s.data() + pos;
        const std::size_t begin = getBits(f, 32, 9);
        std::size_t at = 32 + 9 + (nch == 1 ? 5 : 3) + 4 * nch, bits = 0;
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < nch; ++ch, at += 59) bits += getBits(f, at, 12);
        if (begin > reservoir.size()) break;
        const std::size_t start = reservoir.size() - begin;
        reservoir.insert(reservoir.end(), f + side, f + size);
        Layer3Frame frame;
        frame.head.assign(f, f + side);
        frame.main.assign(reservoir.begin() + static_cast<long>(start),
                          reservoir.begin() + static_cast<long>(start + (bits + 7) / 8));
        frame.area = size - side;
        frames.push_back(std::move(frame));
        pos += size;
    }
    return frames;
}

}  // namespace

std::vector<std::uint8_t> joinLayer3(const std::vector<JoinPart>& parts)
{
    std::vector<Layer3Frame> frames;
    for (const JoinPart& part : parts) {
        std::vector<Layer3Frame> all = splitLayer3(part.stream);
        if (part.first + part.count > all.size()) return {};
        frames.insert(frames.end(), all.begin() + static_cast<long>(part.first),
                      all.begin() + static_cast<long>(part.first + part.count));
    }
    // Each frame's data begins where the one before ended, or as far back as the 9-bit main data
    // begin reaches, and must end within the frame's own bytes.
    std::vector<std::size_t> starts;
    std::size_t areaPos = 0, end = 0;
    for (const Layer3Frame& f : frames) {
        const std::size_t start = std::max(end, areaPos > 511 ? areaPos - 511 : 0);
        if (start + f.main.size() > areaPos + f.area) return {};
        starts.push_back(start);
        end = start + f.main.size();
        areaPos += f.area;
    }
    std::vector<std::uint8_t> areas(areaPos, 0);
    for (std::size_t i = 0; i < frames.size(); ++i)
        std::copy(frames[i].main.begin(), frames[i].main.end(), areas.begin() + static_cast<long>(starts[i]));
    std::vector<std::uint8_t> out;
    areaPos = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<std::uint8_t> head = frames[i].head;
        const std::size_t begin = areaPos - starts[i];
        for (int k = 0; k < 9; ++k) {
            const std::size_t bit = 32 + static_cast<std::size_t>(k);
            const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
            if ((begin >> (8 - k)) & 1) head[bit / 8] |= mask;
            else head[bit / 8] &= static_cast<std::uint8_t>(~mask);
        }
        out.insert(out.end(), head.begin(), head.end());
        out.insert(out.end(), areas.begin() + static_cast<long>(areaPos),
                   areas.begin() + static_cast<long>(areaPos + frames[i].area));
        areaPos += frames[i].area;
    }
    return out;
}

std::vector<float> mpg123Reference(const std::string& path, const std::string& args)
{
    std::string out = path + ".mpg123.f32";
    if (!run("mpg123 -q -e f32 " + args + " -O '" + out + "' '" + path + "'")) return {};
    auto bytes = readFile(out);
    std::vector<float> v(bytes.size() / 4);
    std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

std::vector<std::int16_t> madplayReference(const std::string& path)
{
    std::string out = path + ".madplay.raw";
    if (!run("madplay -Q --no-dither -b 16 -o 'raw:" + out + "' '" + path + "'")) return {};
    auto bytes = readFile(out);
    std::vector<std::int16_t> v(bytes.size() / 2);
    std::memcpy(v.data(), bytes.data(), v.size() * 2);
    return v;
}

Accuracy compare(const std::vector<std::int16_t>& ours, const std::vector<float>& ref)
{
    Accuracy a;
    std::size_t n = ours.size() < ref.size() ? ours.size() : ref.size();
    double s = 0, sr = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double exact = ref[i] * 32768.0;
        if (exact > 32767) exact = 32767;
        if (exact < -32768) exact = -32768;
        double aligned = std::trunc(exact);
        double d = ours[i] - aligned;
        double dr = ours[i] - exact;
        s += d * d;
        sr += dr * dr;
        if (std::fabs(d) > a.max) a.max = std::fabs(d);
        if (std::fabs(dr) > a.maxRaw) a.maxRaw = std::fabs(dr);
    }
    if (n) {
        a.rms = std::sqrt(s / n);
        a.rmsRaw = std::sqrt(sr / n);
    }
    return a;
}

Accuracy compare(const std::vector<std::int16_t>& ours, const std::vector<std::int16_t>& ref)
{
    std::vector<float> f(ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i) f[i] = static_cast<float>(ref[i] / 32768.0);
    Accuracy a = compare(ours, f);
    return a;
}

}  // namespace brisko::test
