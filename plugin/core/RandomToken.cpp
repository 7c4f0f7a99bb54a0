#include "core/RandomToken.h"

#include "vb/Conversions.h"
#include "vb/Math.h"

namespace zephra {

std::string RandomToken() { return vb::singleText(vb::Rnd() + 1.0f); }

}  // namespace zephra
