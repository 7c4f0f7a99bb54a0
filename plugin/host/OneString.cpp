#include "host/OneString.h"

#include "vb/Conversions.h"

namespace zephra {

OneString SplitOneString(const std::string& s) {
    const std::size_t p = s.find(';');
    if (p == std::string::npos) return {"", s, false};
    return {s.substr(0, p), s.substr(p + 1), true};
}

int16_t WholeNumberOf(const std::string& text) { return vb::CInt(vb::Variant(vb::Val(text))); }

bool TruthOf(const OneString& argument) { return !argument.split || vb::CBool(vb::Variant(argument.rest)); }

}  // namespace zephra
