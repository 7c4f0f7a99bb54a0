// velora_qpl_fuzz_run: runs the playlist-file fuzz entry over a fixed, repeatable series of
// mutations of its seeds, so that every build (the sanitizer build above all) reads broken
// playlist files for a bounded time.
//
//   velora_qpl_fuzz_run [iterations]          run the mutations (default 20000)
//   velora_qpl_fuzz_run --write-seeds dir     write the seed files for a libFuzzer corpus

#include <random>
#include <string>

#include "QplFuzz.h"
#include "fuzzkit/MutationRun.h"

namespace {

// Pieces of the format, put where they do not belong.
const std::string kPieces[] = {"URL   ", "MIME  ", "TITLE ",     "=",    "\\n",
                               "\\",     "^",      "\r\n",       "\n",   "#",
                               ".",      "0",      "4294967296", "%s%n", std::string(1, '\0')};

void Mutate(std::string& input, std::mt19937& random)
{
    auto pick = [&random](size_t bound) { return fuzzkit::Pick(random, bound); };
    const int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        switch (pick(6)) {
        case 0:  // flip a byte
            if (!input.empty()) input[pick(input.size())] ^= static_cast<char>(1 + pick(255));
            break;
        case 1:  // a piece of the format somewhere
            input.insert(pick(input.size() + 1), kPieces[pick(std::size(kPieces))]);
            break;
        case 2:  // cut the file short
            input.resize(pick(input.size() + 1));
            break;
        case 3:  // drop a stretch
            if (!input.empty()) {
                const size_t at = pick(input.size());
                input.erase(at, pick(input.size() - at + 1));
            }
            break;
        case 4:  // a long run of one character (lines past the reader's limit)
            input.insert(pick(input.size() + 1), std::string(200 + pick(400), static_cast<char>(random())));
            break;
        default:  // a line again
            if (!input.empty()) {
                const size_t at = input.rfind('\n', pick(input.size()));
                const size_t from = at == std::string::npos ? 0 : at + 1;
                const size_t end = input.find('\n', from);
                input.insert(from, input.substr(from, end == std::string::npos ? std::string::npos : end - from + 1));
            }
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    return fuzzkit::MutationMain(argc, argv, "velora_qpl_fuzz_run", velora::fuzz::Seeds(), 20261209, Mutate,
                                 velora::fuzz::QplFuzzOne);
}
