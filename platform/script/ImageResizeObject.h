#pragma once
// "SfImageResize.ImageResize" for late-bound callers: the Windows layer's picture resizer.
// It is installed with the platform, so CreateObject finds it once the script classes are
// registered (script::registerClasses).

#include <string_view>

#include "vb/Object.h"

namespace script {

constexpr std::string_view kImageResizeProgId = "SfImageResize.ImageResize";

// A new resizer: LoadFromFile(path), Width (Get and Let), DoResize, SaveToFile(path).
vb::ObjectRef makeImageResize();

}  // namespace script
