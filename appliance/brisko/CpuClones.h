// Marks the decoder's hottest loops for a second build with the wider vectors of newer x86-64
// processors, chosen when the program loads; other machines run the baseline build.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && defined(__linux__)
#define BRISKO_CLONES __attribute__((target_clones("arch=haswell", "default")))
#else
#define BRISKO_CLONES
#endif

#define BRISKO_INLINE inline __attribute__((always_inline))
