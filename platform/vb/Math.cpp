#include "vb/Math.h"

#include <cmath>
#include <cstring>

#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

// The generator's state: 24 bits, stepped by the language's own formula so that a seeded
// Rnd gives scripts the sequence they were written against.
struct Generator {
    uint32_t state = 0x50000;
    float last = 0;
};

Generator& generator() {
    static Generator g;
    return g;
}

constexpr uint32_t kMask = 0xFFFFFF;

float step(Generator& g) {
    g.state = (g.state * 0x43FD43FDu + 0xC39EC3u) & kMask;
    g.last = static_cast<float>(g.state) / 16777216.0f;
    return g.last;
}

double checked(double d) {
    if (!std::isfinite(d)) raise(errors::Overflow);
    return d;
}

}  // namespace

double Sqr(double x) {
    if (x < 0) raise(errors::InvalidProcedureCall);
    return std::sqrt(x);
}

double Exp(double x) { return checked(std::exp(x)); }

double Log(double x) {
    if (x <= 0) raise(errors::InvalidProcedureCall);
    return std::log(x);
}

double Atn(double x) { return std::atan(x); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return checked(std::tan(x)); }

float Rnd(float argument) {
    Generator& g = generator();
    if (argument == 0) return g.last;
    if (argument < 0) {
        // Seeded from the number's bits: the same negative argument gives the same number.
        uint32_t bits;
        std::memcpy(&bits, &argument, sizeof bits);
        g.state = (bits + (bits >> 24)) & kMask;
    }
    return step(g);
}

void Randomize() { Randomize(static_cast<double>(Timer())); }

void Randomize(double seed) {
    Generator& g = generator();
    uint64_t bits;
    std::memcpy(&bits, &seed, sizeof bits);
    auto high = static_cast<uint32_t>(bits >> 32);
    uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
    g.state = (g.state & 0xFF) | (mixed & 0xFFFF00);
}

}  // namespace vb
