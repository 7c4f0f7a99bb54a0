// Speed of the script engine on what pages and user scripts do most: loops with arithmetic,
// text building, calls of script procedures, methods of script classes and dictionary use.
// Prints nanoseconds per loop iteration and fails when one misses its target.
//
// Usage: bench_script [iterations]   (default 200000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "script/ScriptControl.h"
#include "vb/Conversions.h"

namespace {

struct Case {
    const char* name;
    const char* body;  // the loop body; i counts from 1
    double targetNs;   // per iteration, on the project's machine size
};

const Case kCases[] = {
    {"arithmetic", "n = n + i * 2 - (i \\ 3)", 600},
    {"text", "s = Left(s & Chr(65 + i Mod 26), 64)", 1500},
    {"procedure call", "n = Add(n, i)", 1500},
    {"class method", "c.Bump i", 2000},
    {"dictionary", "d(i Mod 100) = i : n = n + d(i Mod 50)", 2500},
    {"array element", "a(i Mod 100) = a((i + 1) Mod 100) + 1", 800},
};

const char* kSetUp =
    "Function Add(x, y) : Add = x + y : End Function\r\n"
    "Class Counter : Public total : Public Sub Bump(v) : total = total + v : End Sub : End Class\r\n"
    "Dim n, s, c, d, a(99), i\r\n"
    "Set c = New Counter : c.total = 0\r\n"
    "Set d = CreateObject(\"Scripting.Dictionary\")\r\n";

}  // namespace

int main(int argc, char** argv) {
    long iterations = argc > 1 ? std::atol(argv[1]) : 200000;
    bool ok = true;
    for (const Case& c : kCases) {
        script::ScriptControl sc;
        sc.setTimeout(-1);
        sc.AddCode(kSetUp);
        std::string loop = "For i = 1 To " + std::to_string(iterations) + " : " + c.body + " : Next";
        auto start = std::chrono::steady_clock::now();
        sc.AddCode(loop);
        auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        double per = ns / static_cast<double>(iterations);
        bool pass = per <= c.targetNs;
        ok = ok && pass;
        std::printf("%-16s %8.1f ns/iteration (target %6.0f) %s\n", c.name, per, c.targetNs, pass ? "ok" : "SLOW");
    }
    return ok ? 0 : 1;
}
