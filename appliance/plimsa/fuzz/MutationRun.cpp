// plimsa_fuzz_run: runs the fuzz entry over a fixed, repeatable series of mutations of the seed
// files, so that every build (the sanitizer build above all) exercises the readers and decoders
// with broken input for a bounded time.
//
//   plimsa_fuzz_run [iterations]          run the mutations (default 20000)
//   plimsa_fuzz_run --write-seeds dir     write the seed files for a libFuzzer corpus

#include <random>
#include <vector>

#include "PlimsaFuzz.h"
#include "fuzzkit/MutationRun.h"

namespace {

using Input = std::vector<uint8_t>;

// Values that sit on the edges of the header fields.
constexpr uint32_t kEdges[] = {0,   1,      2,      3,      7,       8,          16,         65,         255,
                               256, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFF};

void Mutate(Input& input, std::mt19937& random) {
    auto pick = [&random](size_t bound) { return fuzzkit::Pick(random, bound); };
    const int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        switch (pick(6)) {
        case 0:  // flip a byte
            if (!input.empty()) input[pick(input.size())] ^= static_cast<uint8_t>(1 + pick(255));
            break;
        case 1:  // an edge value into a 16- or 32-bit field, either byte order
            if (input.size() >= 4) {
                const size_t at = pick(input.size() - 3);
                const uint32_t value = kEdges[pick(std::size(kEdges))];
                const bool big = pick(2) != 0;
                const size_t width = pick(2) ? 4 : 2;
                for (size_t i = 0; i < width; ++i)
                    input[at + i] = static_cast<uint8_t>(value >> (8 * (big ? width - 1 - i : i)));
            }
            break;
        case 2:  // cut the file short
            input.resize(pick(input.size() + 1));
            break;
        case 3:  // drop a stretch
            if (!input.empty()) {
                const size_t at = pick(input.size());
                input.erase(input.begin() + at, input.begin() + at + pick(input.size() - at + 1));
            }
            break;
        case 4:  // insert random bytes
        {
            const size_t at = pick(input.size() + 1);
            Input bytes(pick(64));
            for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
            input.insert(input.begin() + at, bytes.begin(), bytes.end());
        } break;
        default:  // an ADPCM block header byte out of range
            if (input.size() > 44) input[44 + pick(input.size() - 44)] = static_cast<uint8_t>(7 + pick(249));
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    return fuzzkit::MutationMain(argc, argv, "plimsa_fuzz_run", plimsa::fuzz::Seeds(), 20240611, Mutate,
                                 plimsa::fuzz::PlimsaFuzzOne);
}
