// Writes the decoder's numeric tables (Tables.h) as C++ from the plain-text data files of the
// MPEG audio standards. Usage: MpegTableGen <folder with the .txt files> <output .cpp>
// Fails loudly on any inconsistency so that a damaged data file never builds a decoder.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string g_dir;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "MpegTableGen: %s\n", what.c_str());
    std::exit(1);
}

// The data lines of one file, split into whitespace-separated fields; comments dropped.
std::vector<std::vector<std::string>> readRows(const std::string& name)
{
    std::ifstream in(g_dir + "/" + name);
    if (!in) fail("cannot open " + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::vector<std::string> row;
        std::string f;
        while (fields >> f) row.push_back(f);
        if (!row.empty()) rows.push_back(row);
    }
    return rows;
}

int num(const std::string& s)
{
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (!end || *end) fail("not a number: " + s);
    return static_cast<int>(v);
}

std::ostringstream out;

void writeBitrates()
{
    auto rows = readRows("bitrates.txt");
    if (rows.size() != 16) fail("bitrates.txt: 16 rows expected");
    // columns: index L1 L2 L3 (MPEG-1) L1 L2/L3 (MPEG-2)
    int v[3][2][16] = {};
    for (int i = 0; i < 16; ++i) {
        auto& r = rows[i];
        if (r.size() != 6 || num(r[0]) != i) fail("bitrates.txt: bad row");
        auto kb = [](int x) { return x < 0 ? 0 : x; };
        v[0][1][i] = kb(num(r[1]));
        v[1][1][i] = kb(num(r[2]));
        v[2][1][i] = kb(num(r[3]));
        v[0][0][i] = kb(num(r[4]));
        v[1][0][i] = kb(num(r[5]));
        v[2][0][i] = kb(num(r[5]));
    }
    out << "const int kBitrateKbps[3][2][16] = {\n";
    for (auto& layer : v) {
        out << "  {";
        for (auto& ver : layer) {
            out << "{";
            for (int i = 0; i < 16; ++i) out << ver[i] << (i < 15 ? "," : "");
            out << "},";
        }
        out << "},\n";
    }
    out << "};\n\n";
}

void writeSampleRates()
{
    auto rows = readRows("samplerates.txt");
    if (rows.size() != 4) fail("samplerates.txt: 4 rows expected");
    out << "const int kSampleRateHz[3][4] = {\n";
    for (int kind = 0; kind < 3; ++kind) {
        out << "  {";
        for (int i = 0; i < 4; ++i) out << num(rows[i][1 + kind]) << (i < 3 ? "," : "");
        out << "},\n";
    }
    out << "};\n\n";
}

void writeL2Alloc()
{
    out << "const L2AllocTable kL2Alloc[5] = {\n";
    for (int t = 0; t < 5; ++t) {
        auto rows = readRows("layer2_alloc_" + std::to_string(t) + ".txt");
        int nbal[32] = {};
        int cls[32][16] = {};
        int sblimit = 0;
        for (auto& r : rows) {
            if (r.size() != 7) fail("layer2 alloc: bad row");
            int sb = num(r[0]), nb = num(r[1]), code = num(r[2]), c = num(r[6]);
            if (sb < 0 || sb >= 32 || nb < 2 || nb > 4 || code < 0 || code >= (1 << nb)) fail("layer2 alloc: range");
            nbal[sb] = nb;
            cls[sb][code] = code == 0 ? 0 : c + 1;
            if (code != 0 && (c < 0 || c > 16)) fail("layer2 alloc: class");
            if (sb + 1 > sblimit) sblimit = sb + 1;
        }
        out << "  {" << sblimit << ", {";
        for (int sb = 0; sb < 32; ++sb) out << nbal[sb] << (sb < 31 ? "," : "");
        out << "}, {";
        for (int sb = 0; sb < 32; ++sb) {
            out << "{";
            for (int c = 0; c < 16; ++c) out << cls[sb][c] << (c < 15 ? "," : "");
            out << "}" << (sb < 31 ? "," : "");
        }
        out << "}},\n";
    }
    out << "};\n\n";
}

void writeSfb(const char* file, const char* name, size_t count, int last)
{
    auto rows = readRows(file);
    const int order[9] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};
    if (rows.size() != 9) fail(std::string(file) + ": 9 rows expected");
    out << "const short " << name << "[9][" << count << "] = {\n";
    for (int i = 0; i < 9; ++i) {
        auto& r = rows[i];
        if (r.size() != count + 1 || num(r[0]) != order[i]) fail(std::string(file) + ": bad row");
        if (num(r[1]) != 0 || num(r[count]) != last) fail(std::string(file) + ": bad ends");
        out << "  {";
        for (size_t k = 0; k < count; ++k) out << num(r[1 + k]) << (k + 1 < count ? "," : "");
        out << "},\n";
    }
    out << "};\n\n";
}

void writeWindow()
{
    auto rows = readRows("synthesis_window.txt");
    if (rows.size() != 512) fail("synthesis_window.txt: 512 rows expected");
    out << "const int kSynthWindow65536[512] = {";
    for (int i = 0; i < 512; ++i) {
        if (num(rows[i][0]) != i) fail("synthesis_window.txt: bad index");
        double d = std::strtod(rows[i][1].c_str(), nullptr);
        int k = num(rows[i][2]);
        if (std::fabs(d * 65536.0 - k) > 1e-3) fail("synthesis_window.txt: D and K disagree");
        out << (i % 16 == 0 ? "\n  " : "") << k << ",";
    }
    out << "\n};\n\n";
}

struct Code {
    int x, y, len;
    unsigned bits;  // the code word, first bit most significant
};

// Builds one (sub-)table of width w over codes whose first `used` bits are already consumed,
// appending its words to `words`; returns the head word's index.
size_t buildTable(std::vector<uint32_t>& words, const std::vector<Code>& codes, int used, int w, int subMax)
{
    size_t head = words.size();
    words.push_back(0xFF000000u | static_cast<uint32_t>(w));
    words.resize(head + 1 + (size_t(1) << w), 0);
    for (uint32_t v = 0; v < (1u << w); ++v) {
        std::vector<Code> longer;
        bool leaf = false;
        for (auto& c : codes) {
            int rest = c.len - used;
            unsigned restBits = c.bits & ((1u << rest) - 1);
            if (rest <= w) {
                if ((v >> (w - rest)) == restBits) {
                    if (leaf) fail("huffman: codes not prefix-free");
                    uint32_t nz = (c.x != 0) + (c.y != 0);
                    words[head + 1 + v] = nz | uint32_t(c.x) << 8 | uint32_t(c.y) << 16 | uint32_t(rest) << 24;
                    leaf = true;
                }
            } else if ((restBits >> (rest - w)) == v) {
                longer.push_back(c);
            }
        }
        if (leaf && !longer.empty()) fail("huffman: codes not prefix-free");
        if (!leaf) {
            if (longer.empty()) fail("huffman: incomplete table");
            int maxRest = 0;
            for (auto& c : longer) maxRest = std::max(maxRest, c.len - used - w);
            int sw = std::min(maxRest, subMax);
            size_t sub = buildTable(words, longer, used + w, sw, subMax);
            words[head + 1 + v] = static_cast<uint32_t>(sub - head);
        }
    }
    return head;
}

void writeHuffman()
{
    auto rows = readRows("layer3_huffman.txt");
    std::map<int, std::vector<Code>> tables;
    std::map<int, int> linbits, codesOf;
    std::vector<Code> quadA;
    size_t i = 0;
    while (i < rows.size()) {
        auto& h = rows[i++];
        if (h[0] == "table") {
            int n = num(h[1]);
            if (h.size() >= 3 && h[2] == "unused") continue;
            if (h.size() < 10) fail("huffman: bad table header");
            linbits[n] = num(h[7]);
            int entries = num(h[9]);
            codesOf[n] = h.size() >= 12 ? num(h[11]) : n;
            for (int e = 0; e < entries; ++e, ++i) {
                auto& r = rows.at(i);
                Code c{num(r[0]), num(r[1]), num(r[2]), 0};
                if (static_cast<int>(r[3].size()) != c.len) fail("huffman: length mismatch");
                for (char b : r[3]) c.bits = c.bits << 1 | unsigned(b == '1');
                tables[n].push_back(c);
            }
        } else if (h[0] == "count1") {
            int entries = num(h[3]);
            for (int e = 0; e < entries; ++e, ++i) {
                auto& r = rows.at(i);
                if (h[1] != "A") continue;
                int pattern = num(r[0]) << 3 | num(r[1]) << 2 | num(r[2]) << 1 | num(r[3]);
                Code c{pattern, 0, num(r[4]), 0};
                for (char b : r[5]) c.bits = c.bits << 1 | unsigned(b == '1');
                quadA.push_back(c);
            }
        } else {
            fail("huffman: unexpected line " + h[0]);
        }
    }
    // Top-level lookup widths: the small tables resolve every code in one lookup.
    const std::map<int, int> width = {{1, 3},  {2, 6},  {3, 6},  {5, 8},  {6, 7},  {7, 6},  {8, 8}, {9, 6},
                                      {10, 8}, {11, 8}, {12, 7}, {13, 6}, {15, 8}, {16, 8}, {24, 9}};
    for (auto& [n, w] : width) {
        std::vector<uint32_t> words;
        buildTable(words, tables.at(n), 0, w, 6);
        out << "static const std::uint32_t huff_table_" << n << "[" << words.size() << "] = {";
        for (size_t k = 0; k < words.size(); ++k)
            out << (k % 8 == 0 ? "\n  " : "") << "0x" << std::hex << words[k] << std::dec << "u,";
        out << "\n};\n";
    }
    out << "\nconst HuffTable kHuffTables[32] = {\n";
    for (int n = 0; n < 32; ++n) {
        int src = codesOf.count(n) ? codesOf[n] : -1;
        if (src <= 0 || !width.count(src)) out << "  {nullptr, 0},\n";
        else out << "  {huff_table_" << src << ", " << linbits[n] << "},\n";
    }
    out << "};\n\n";
    unsigned quad[64] = {};
    for (auto& c : quadA) {
        for (unsigned v = 0; v < 64; ++v)
            if ((v >> (6 - c.len)) == c.bits) {
                if (quad[v]) fail("count1 A: codes not prefix-free");
                quad[v] = unsigned(c.len) << 4 | unsigned(c.x);
            }
    }
    out << "const std::uint8_t kQuadA[64] = {";
    for (int v = 0; v < 64; ++v) {
        if (!quad[v]) fail("count1 A: incomplete");
        out << (v % 16 == 0 ? "\n  " : "") << quad[v] << ",";
    }
    out << "\n};\n\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) fail("usage: MpegTableGen <table folder> <output.cpp>");
    g_dir = argv[1];
    out << "// Generated by MpegTableGen from the data files in tables/; do not edit.\n"
        << "#include \"brisko/Tables.h\"\n\nnamespace brisko::tables {\n\n";
    writeBitrates();
    writeSampleRates();
    writeL2Alloc();
    writeSfb("layer3_sfband_long.txt", "kSfbLong", 23, 576);
    writeSfb("layer3_sfband_short.txt", "kSfbShort", 14, 192);
    writeWindow();
    writeHuffman();
    out << "}  // namespace brisko::tables\n";
    std::ofstream file(argv[2]);
    file << out.str();
    if (!file) fail(std::string("cannot write ") + argv[2]);
    return 0;
}
