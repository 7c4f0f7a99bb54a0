#include "web/SlideshowPage.h"

namespace zephra {

// The slideshow page comes with the web server; until then the page is empty.
std::string ZephraSlideshow_ASP(PluginState&, const vb::Variant&, const vb::Variant&) { return ""; }

}  // namespace zephra
