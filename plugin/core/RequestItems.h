#pragma once
// Small helpers of the plug-in's web pages: one named item of a page request, read in the
// way that works with either request object a page may be given (PageRequest.h), and HTML
// reduced to plain text.

#include <string>

#include "vb/Variant.h"

namespace zephra {

class PluginState;

// The named query-string item of `request`, as the request object answers it (no default
// is applied). Through the collection's `item` member on a newer host while the plug-in's
// own web server is not in use; else by indexing QueryString with the name. Errors of the
// request object reach the caller.
vb::Variant GetQueryStringItem(PluginState& state, const vb::Variant& request, const std::string& item);

// The named form item of `request`: as GetQueryStringItem, except that a failing read
// through `item` is tried again by indexing.
vb::Variant GetFormItem(PluginState& state, const vb::Variant& request, const std::string& item);

// The text without tags and without non-breaking-space entities ("&nbsp;" and "&nbsp" in any
// case, removed without a blank in their place). An unclosed "<" and what follows it stay;
// other entities, line breaks and a ">" without "<" stay as they are.
std::string StripHTML(PluginState& state, const std::string& text);

}  // namespace zephra
