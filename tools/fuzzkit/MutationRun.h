// Runs a fuzz entry over a fixed, repeatable series of mutations of its seeds, so that every build
// (the sanitizer build above all) exercises it with broken input for a bounded time.
//
//   PROGRAM [iterations]          run the seeds, then the mutations (default 20000)
//   PROGRAM --write-seeds dir     write the seeds for a libFuzzer corpus
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace fuzzkit {

// A draw below bound (0 when bound is 0), from the run's own generator.
inline std::size_t Pick(std::mt19937& random, std::size_t bound) {
    return bound ? static_cast<std::size_t>(random() % bound) : 0;
}

template <class Input>
int WriteSeeds(const std::vector<Input>& seeds, const std::string& dir) {
    int index = 0;
    for (const Input& seed : seeds) {
        const std::string path = dir + "/seed" + std::to_string(index++);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) {
            std::perror(path.c_str());
            return 1;
        }
        const bool written = std::fwrite(seed.data(), 1, seed.size(), out) == seed.size();
        if (std::fclose(out) != 0 || !written) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

// mutate(Input&, std::mt19937&) changes one input; run(const uint8_t*, size_t) feeds the entry.
template <class Input, class Mutate, class Run>
int MutationMain(int argc, char** argv, const char* name, const std::vector<Input>& seeds, std::uint32_t start,
                 Mutate mutate, Run run) {
    if (argc == 3 && std::strcmp(argv[1], "--write-seeds") == 0) return WriteSeeds(seeds, argv[2]);
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    if (seeds.empty() || iterations < 0) {
        std::fprintf(stderr, "%s: no seeds or a negative count\n", name);
        return 2;
    }
    auto feed = [&run](const Input& input) { run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()); };
    for (const Input& seed : seeds) feed(seed);
    std::mt19937 random(start);
    for (long i = 0; i < iterations; ++i) {
        Input input = seeds[static_cast<std::size_t>(i) % seeds.size()];
        mutate(input, random);
        feed(input);
    }
    std::printf("%s: %ld mutated inputs run\n", name, iterations);
    return 0;
}

}  // namespace fuzzkit
