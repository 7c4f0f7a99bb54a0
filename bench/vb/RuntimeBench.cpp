// Speed of the language runtime where scripts and .asp pages spend their time: late-bound
// calls on a class with a hundred members, Variant arithmetic and text, conversions and the
// dictionary. Prints nanoseconds per operation and fails when one misses its target.
//
// Usage: bench_vb_runtime [iterations]   (default 1000000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "automation/Class.h"
#include "vb/Conversions.h"
#include "vb/Dictionary.h"
#include "vb/Operators.h"
#include "vb/Strings.h"

namespace {

// A class the size of the plug-in's: a hundred methods named "Member0" ... "Member99".
class Wide : public automation::Dispatch<Wide> {
public:
    static constexpr std::string_view className = "Wide";

    static void describe(automation::Members<Wide>& m) { describeAll(m, std::make_index_sequence<100>{}); }

    template <int N>
    static int32_t member(Wide&, int32_t a, const std::string& b) {
        return a + N + static_cast<int32_t>(b.size());
    }

private:
    template <std::size_t... N>
    static void describeAll(automation::Members<Wide>& m, std::index_sequence<N...>) {
        static const std::vector<std::string> names = [] {
            std::vector<std::string> n;
            for (int i = 0; i < 100; ++i) n.push_back("Member" + std::to_string(i));
            return n;
        }();
        (m.template method<&Wide::member<static_cast<int>(N)>>(names[N]), ...);
    }
};

struct Result {
    const char* name;
    double nanoseconds;
    double target;
};

volatile int64_t sink;

double measure(long iterations, const std::function<int64_t()>& step) {
    auto start = std::chrono::steady_clock::now();
    int64_t total = 0;
    for (long i = 0; i < iterations; ++i) total += step();
    auto elapsed = std::chrono::steady_clock::now() - start;
    sink = total;
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(iterations);
}

}  // namespace

int main(int argc, char** argv) {
    long iterations = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (iterations <= 0) iterations = 1000000;

    auto wide = std::make_shared<Wide>();
    std::vector<vb::Variant> args{int16_t{1}, "ab"};
    vb::DispId id = wide->memberId("member57");
    vb::Dictionary dictionary;
    for (int i = 0; i < 1000; ++i) dictionary.Add("key" + std::to_string(i), i);
    vb::Variant key("key500");
    vb::Variant a(int16_t{1200}), b(int16_t{34}), text("Response.Write"), other("response.write");

    std::vector<Result> results = {
        {"member lookup by name (100 members)", measure(iterations, [&] { return wide->memberId("MEMBER57"); }), 40},
        {"late-bound call by name, 2 arguments",
         measure(iterations, [&] { return wide->call("Member57", vb::Method, args).lng(); }), 250},
        {"late-bound call by id, 2 arguments",
         measure(iterations, [&] { return wide->invoke(id, vb::Method, args).lng(); }), 150},
        {"Integer + Integer", measure(iterations, [&] { return vb::add(a, b).integer(); }), 30},
        {"text & text",
         measure(iterations, [&] { return static_cast<int64_t>(vb::concatenate(text, b).str().size()); }), 120},
        {"text compare",
         measure(iterations, [&] { return static_cast<int64_t>(vb::compare(text, other, vb::CompareMethod::Text)); }),
         40},
        {"CStr of a Double", measure(iterations, [&] { return static_cast<int64_t>(vb::CStr(3.25).size()); }), 400},
        {"CInt of a text", measure(iterations, [&] { return static_cast<int64_t>(vb::CInt("  123 ")); }), 250},
        {"Dictionary item by text key (1000 keys)",
         measure(iterations, [&] { return static_cast<int64_t>(dictionary.Item(key).lng()); }), 200},
        {"Replace in a short text",
         measure(iterations, [&] { return static_cast<int64_t>(vb::Replace("a-b-c-d", "-", "+").size()); }), 300},
    };

    bool ok = true;
    std::printf("%-45s %12s %12s\n", "operation", "ns/op", "target");
    for (const Result& r : results) {
        bool met = r.nanoseconds <= r.target;
        ok = ok && met;
        std::printf("%-45s %12.1f %12.0f%s\n", r.name, r.nanoseconds, r.target, met ? "" : "  MISSED");
    }
    return ok ? 0 : 1;
}
