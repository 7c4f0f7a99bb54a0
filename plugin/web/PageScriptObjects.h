#pragma once
// What the converted .asp pages and the host's include files expect to find in the page engine
// and no page defines: a text buffer for `New FastString` and the object `fsg`, the page
// frame's start procedures under the names the pages call (startmiscfunctionsasp,
// SecurityCheck, startheaderasp), and the frame's FormatCell, CustomHeader and CustomFooter.
// They are native: the engine's scripts reach them as global names.

#include <string>

#include "automation/Class.h"
#include "core/FastString.h"
#include "vb/Variant.h"

namespace zephra {

class PluginState;

// A FastString that scripts call late-bound: add (or Add) appends, value returns the text.
class PageBuffer : public automation::Dispatch<PageBuffer> {
public:
    static constexpr std::string_view className = "FastString";
    static void describe(automation::Members<PageBuffer>& m);
    void Add(const std::string& text) { buffer_.Add(text); }
    void Reset() { buffer_.Reset(); }
    std::string value() const { return buffer_.value(); }

private:
    FastString buffer_;
};

// The page frame's procedures as global names of the page engine (added with its members).
class PageFrameObject : public automation::Dispatch<PageFrameObject> {
public:
    static constexpr std::string_view className = "PageFrame";
    static void describe(automation::Members<PageFrameObject>& m);
    explicit PageFrameObject(PluginState& state) : state_(state) {}

    vb::ObjectRef NewPageBuffer() const;
    void startmiscfunctionsasp();
    void SecurityCheck();
    bool startheaderasp();
    std::string FormatCell(const std::string& text, const std::string& style, const std::string& colspan,
                           const std::string& align);
    // One argument: the page frame's array or text. More (a converted page pads its call to seven
    // with the slide's time): the arguments are the array's positions.
    std::string CustomHeader(vb::Args args);
    std::string CustomFooter();

private:
    PluginState& state_;
};

// The script text that defines the class FastString on the native buffer; added once per engine.
extern const char* const kFastStringClass;

}  // namespace zephra
