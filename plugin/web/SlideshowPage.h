#pragma once
// The slideshow page for the appliances' browsers (module `SlideshowAsp`): each answer is one
// slide whose refresh loads the same page again after the slide's time. An appliance steps
// through the rows of its slide group (.asp pages, single pictures, picture folders); any
// other browser gets pictures of the general list.

#include <cstdint>
#include <string>
#include <vector>

#include "vb/Variant.h"

namespace zephra {

class PluginState;
struct PictureList;

// The slideshow page for the appliance that sent `request` (found by its "REMOTE_ADDR");
// the host web server's request and response objects serve as well as the plug-in's own.
std::string ZephraSlideshow_ASP(PluginState& state, const vb::Variant& request, const vb::Variant& response);
// The page of the next picture of a list, measuring it first when its size is not known.
std::string BuildRandomSlideshow(PluginState& state, PictureList& list, const std::string& server,
                                 const std::string& folder);
// The start of every slide up to its body: the refresh that loads the slideshow page again
// after `seconds`.
std::string SlideHead(const std::string& seconds);
// The page of one picture, fitted into 620 by 460 pixels, refreshing after `refresh` seconds.
std::string BuildSlideshow(PluginState& state, const std::string& name, const std::string& server, int32_t width,
                           int32_t height, const std::string& refresh, const std::string& folder);
// The picture's address below the server path: shrunk into "\HTML\ZephraTemp" for an
// appliance when it is too large (once while the picture stays the same), copied there for any
// other browser; "" for a picture too large for the appliance that could not be shrunk.
std::string Resize(PluginState& state, const std::string& name, int32_t height, int32_t width,
                   const std::string& folder);
// Appends the text to application folder & "\HTML\" & name & ".html".
void DumpStringToFile(PluginState& state, const std::string& name, const std::string& text);

}  // namespace zephra
