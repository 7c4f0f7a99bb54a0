#include "web/PageScriptObjects.h"

#include <vector>

#include "core/PluginState.h"
#include "vb/Array.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrame.h"

namespace zephra {

// A script class, so that `New FastString` works; its work is done by the native buffer.
const char* const kFastStringClass =
    "Class FastString\r\n"
    "Private buffer\r\n"
    "Private Sub Class_Initialize()\r\n"
    "Set buffer = NewPageBuffer()\r\n"
    "End Sub\r\n"
    "Public Sub add(text)\r\n"
    "buffer.add text\r\n"
    "End Sub\r\n"
    "Public Sub Reset()\r\n"
    "buffer.Reset\r\n"
    "End Sub\r\n"
    "Public Property Get value()\r\n"
    "value = buffer.value\r\n"
    "End Property\r\n"
    "End Class\r\n";

void PageBuffer::describe(automation::Members<PageBuffer>& m) {
    m.method<&PageBuffer::Add>("add");
    m.method<&PageBuffer::Reset>("Reset");
    m.get<&PageBuffer::value>("value");
}

void PageFrameObject::describe(automation::Members<PageFrameObject>& m) {
    m.method<&PageFrameObject::NewPageBuffer>("NewPageBuffer");
    m.method<&PageFrameObject::startmiscfunctionsasp>("startmiscfunctionsasp");
    m.method<&PageFrameObject::SecurityCheck>("SecurityCheck");
    m.method<&PageFrameObject::startheaderasp>("startheaderasp");
    m.method<&PageFrameObject::FormatCell>("FormatCell", 0);
    m.method<&PageFrameObject::CustomHeader>("CustomHeader");
    m.method<&PageFrameObject::CustomFooter>("CustomFooter");
}

vb::ObjectRef PageFrameObject::NewPageBuffer() const { return std::make_shared<PageBuffer>(); }

void PageFrameObject::startmiscfunctionsasp() { XStartMiscFunctionsASP(state_); }

void PageFrameObject::SecurityCheck() { XSecurityCheck(state_); }

bool PageFrameObject::startheaderasp() { return xStartHeaderASP(state_); }

std::string PageFrameObject::FormatCell(const std::string& text, const std::string& style, const std::string& colspan,
                                        const std::string& align) {
    return html_includes::FormatCell(state_, text, style, colspan, align);
}

std::string PageFrameObject::CustomHeader(vb::Args args) {
    if (args.size() <= 1) return html_includes::CustomHeader(state_, args.empty() ? vb::Variant() : args[0]);
    std::vector<vb::Variant> positions;
    for (const vb::Variant& arg : args) positions.push_back(arg.isMissing() ? vb::Variant("") : arg);
    return html_includes::CustomHeader(state_, vb::Array::of(std::move(positions)));
}

std::string PageFrameObject::CustomFooter() { return html_includes::CustomFooter(state_); }

}  // namespace zephra
