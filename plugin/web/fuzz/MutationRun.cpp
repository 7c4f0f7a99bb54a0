// web_fuzz_run: runs the request parser's fuzz entry over a fixed, repeatable series of mutations
// of the seed requests, so that every build (the sanitizer build above all) exercises the parser
// with broken input for a bounded time.
//
//   web_fuzz_run [iterations]          run the mutations (default 20000)
//   web_fuzz_run --write-seeds dir     write the seed requests for a libFuzzer corpus

#include <random>
#include <string>

#include "RequestFuzz.h"
#include "fuzzkit/MutationRun.h"

namespace {

// Pieces that sit on the edges of the parser: separators, escapes and the version marker.
const char* const kPieces[] = {"%",           "%2",   "%0A",  "%zz", "+",
                               "&",           "=",    "?",    " ",   "\r\n",
                               "\r\n\r\n",    "HTTP", "http", ": ",  "Content-Length: ",
                               "99999999999", "-1",   "/..",  "\\",  "POST "};

void Mutate(std::string& input, std::mt19937& random) {
    auto pick = [&random](std::size_t bound) { return fuzzkit::Pick(random, bound); };
    const int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        switch (pick(5)) {
        case 0:  // flip a byte
            if (!input.empty()) input[pick(input.size())] ^= static_cast<char>(1 + pick(255));
            break;
        case 1:  // an edge piece in
            input.insert(pick(input.size() + 1), kPieces[pick(std::size(kPieces))]);
            break;
        case 2:  // cut short
            input.resize(pick(input.size() + 1));
            break;
        case 3:  // drop a stretch
            if (!input.empty()) {
                const std::size_t at = pick(input.size());
                input.erase(at, pick(input.size() - at + 1));
            }
            break;
        default:  // random bytes in
        {
            std::string bytes(pick(32), '\0');
            for (char& byte : bytes) byte = static_cast<char>(random());
            input.insert(pick(input.size() + 1), bytes);
        } break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    return fuzzkit::MutationMain(argc, argv, "web_fuzz_run", zephra::fuzz::Seeds(), 20261209, Mutate,
                                 zephra::fuzz::RequestFuzzOne);
}
