#pragma once
// The page engine (module `HTMLIncludes`): one script control that runs the slideshow's .asp
// pages, lives until the settings are read again, and holds the host's include files; the page
// runner ASPSlide; and the wrappers through which pages reach the page frame.

#include <string>

#include "vb/Variant.h"

namespace script {
class ScriptControl;
}

namespace zephra {

class PluginState;

// Creates the engine: language, the host object "hs" with its members, the time-out
// ("ScriptTimeout", default 60000 ms), the globals Request and Response with setObjects, and
// what the pages expect natively (FastString, fsg, the page frame's procedures).
void HTMLInit(PluginState& state);
// Adds the host's four include files.
void HTMLBuild(PluginState& state);
// Adds an include file of the HTML folder, each file it includes first.
void AccumulateHTMLReferences(PluginState& state, const std::string& name);
// The same for a script file of the Scripts folder.
void AccumulateReferences(PluginState& state, const std::string& name);
// Adds a converted page: the files its include directives name, then the page itself.
void AccumulateHTMLString(PluginState& state, const std::string& text);

// Runs a page of the HTML folder for the slideshow with the request's objects and returns its
// HTML; after a logged failure (naming the page), an empty slide that refreshes after `dwell`.
std::string ASPSlide(PluginState& state, const vb::Variant& request, const vb::Variant& response,
                     const std::string& page, const std::string& dwell);
// True (and recorded) the first time a page is asked for in the current engine.
bool isNewASPFile(PluginState& state, const std::string& page);

// The engine built by HTMLInit; raises 91 when there is none.
script::ScriptControl& PageEngine(PluginState& state);

namespace html_includes {
// The page frame's procedures as the pages call them.
std::string FormatCell(PluginState& state, const std::string& text, const std::string& style,
                       const std::string& colspan, const std::string& align);
std::string CustomHeader(PluginState& state, const vb::Variant& header);
// The footer with every quoted "powered.jpg" (any case) made "/powered.jpg".
std::string CustomFooter(PluginState& state);
}  // namespace html_includes

}  // namespace zephra
