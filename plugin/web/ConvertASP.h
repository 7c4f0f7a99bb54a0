#pragma once
// .asp page conversion (module `ConvertASP`): a page file becomes one script function, the
// page function, that returns the page's HTML (script/AspPage.h), and the page refreshes to the
// slideshow after the slide's time.

#include <string>

#include "core/FastString.h"
#include "script/AspPage.h"

namespace zephra {

class PluginState;

// The conversion state of one page; the runner resets it before each page.
struct ConvertASPState {
    FastString PageOutput;
    std::string PageFunctionName;
};

// Converts the page file and adds it to the page engine (through AccumulateHTMLString).
void ASPAdd(PluginState& state, ConvertASPState& page, const std::string& path, const std::string& dwell);
// The converted script of a page's text, as ASPAdd adds it.
std::string ConvertPage(PluginState& state, ConvertASPState& page, const std::string& text, const std::string& dwell);
using script::WithCrLf;
// Replaces the first refresh value of the script by the dwell time, or inserts a refresh tag.
void metaReplace(PluginState& state, std::string& script, const std::string& dwell);
// The page function's name for a page path: "dkvZephra" and the lower-cased path, letters and
// digits kept, every other character written as "_" and its two hexadecimal digits.
std::string PageFunctionNameOf(const std::string& page);

}  // namespace zephra
