#pragma once
// The language's math functions and its random number generator.

#include <cstdint>

namespace vb {

// Errors carry the language's numbers, which scripts test: Sqr of a negative number and Log
// of zero or less raise 5, results too large for a Double raise 6.
double Sqr(double x);
double Exp(double x);
double Log(double x);
double Atn(double x);
double Sin(double x);
double Cos(double x);
double Tan(double x);

// Rnd: the next number of the language's 24-bit generator, from 0 up to 1. A negative
// argument seeds the generator from the number and answers from it; 0 repeats the last number.
float Rnd(float argument = 1.0f);
// Randomize: a new seed from the number, or from the time of day when none is given.
void Randomize();
void Randomize(double seed);

}  // namespace vb
