#include "web/StatusPage.h"

namespace zephra {

// The status page comes with its own module; until then the page is empty.
std::string StatusPage(PluginState&, const vb::Variant&, const vb::Variant&) { return ""; }

}  // namespace zephra
