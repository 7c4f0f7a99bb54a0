// Request items read from either request object, and HTML stripped to text.

#include "core/RequestItems.h"

#include <gtest/gtest.h>

#include <map>

#include "automation/Class.h"
#include "core/tests/PluginTestBed.h"
#include "vb/ErrorNumbers.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

// The plug-in's own request: QueryString and Form take the item's name.
class OwnRequest : public automation::Dispatch<OwnRequest> {
public:
    static constexpr std::string_view className = "request";
    static void describe(automation::Members<OwnRequest>& m) {
        m.method<&OwnRequest::QueryString>("QueryString");
        m.method<&OwnRequest::Form>("Form");
    }
    std::string QueryString(const std::string& name) { return "own query " + name; }
    std::string Form(const std::string& name) { return "own form " + name; }
};

// A collection of the host's request: read through its `item` member.
class HostItems : public automation::Dispatch<HostItems> {
public:
    static constexpr std::string_view className = "IRequestDictionary";
    static void describe(automation::Members<HostItems>& m) { m.method<&HostItems::Item>("item"); }
    explicit HostItems(std::string kind, bool fails = false) : kind_(std::move(kind)), fails_(fails) {}
    std::string Item(const std::string& name) {
        if (fails_) vb::raise(vb::errors::NotSupported);
        return "host " + kind_ + " " + name;
    }

private:
    std::string kind_;
    bool fails_;
};

// The host's request: QueryString and Form answer collections; indexing them by name is the
// fallback the form reader takes when `item` fails.
class HostRequest : public automation::Dispatch<HostRequest> {
public:
    static constexpr std::string_view className = "IRequest";
    static void describe(automation::Members<HostRequest>& m) {
        m.method<&HostRequest::QueryString>("QueryString", 0);
        m.method<&HostRequest::Form>("Form", 0);
    }
    explicit HostRequest(bool formItemFails = false) : formItemFails_(formItemFails) {}
    vb::Variant QueryString(const vb::Variant& name) {
        if (!name.isMissing()) return "host indexed query " + vb::CStr(name);
        return vb::ObjectRef(std::make_shared<HostItems>("query"));
    }
    vb::Variant Form(const vb::Variant& name) {
        if (!name.isMissing()) return "host indexed form " + vb::CStr(name);
        return vb::ObjectRef(std::make_shared<HostItems>("form", formItemFails_));
    }

private:
    bool formItemFails_;
};

TEST(RequestItems, TheItemFormServesOnlyANewerHostWhoseWebServerRunsThePage) {
    PluginTestBed bed;
    vb::Variant own = vb::ObjectRef(std::make_shared<OwnRequest>());
    vb::Variant host = vb::ObjectRef(std::make_shared<HostRequest>());

    bed.state.UseDeviceRefs = true;
    bed.state.settings.OwnWebServer = false;
    EXPECT_EQ(vb::CStr(GetQueryStringItem(bed.state, host, "x")), "host query x");
    EXPECT_EQ(vb::CStr(GetFormItem(bed.state, host, "y")), "host form y");

    // The plug-in's own web server, or an older host: indexed, whatever the other says.
    bed.state.settings.OwnWebServer = true;
    EXPECT_EQ(vb::CStr(GetQueryStringItem(bed.state, own, "x")), "own query x");
    EXPECT_EQ(vb::CStr(GetFormItem(bed.state, own, "y")), "own form y");
    bed.state.UseDeviceRefs = false;
    bed.state.settings.OwnWebServer = false;
    EXPECT_EQ(vb::CStr(GetQueryStringItem(bed.state, host, "x")), "host indexed query x");
    EXPECT_EQ(vb::CStr(GetFormItem(bed.state, host, "y")), "host indexed form y");
}

TEST(RequestItems, AFormItemThatCannotBeReadThroughItemIsReadByIndexAndErrorsOfTheQueryReachThePage) {
    PluginTestBed bed;
    bed.state.UseDeviceRefs = true;
    vb::Variant host = vb::ObjectRef(std::make_shared<HostRequest>(true));
    EXPECT_EQ(vb::CStr(GetFormItem(bed.state, host, "y")), "host indexed form y");
    EXPECT_EQ(vb::Err().Number, 0);

    // The plug-in's own request has no `item`: the query reader lets the error go to the page.
    vb::Variant own = vb::ObjectRef(std::make_shared<OwnRequest>());
    EXPECT_THROW(GetQueryStringItem(bed.state, own, "x"), vb::Error);
    EXPECT_EQ(vb::CStr(GetFormItem(bed.state, own, "y")), "own form y");
    EXPECT_TRUE(bed.Log().empty());
}

TEST(StripHTML, TagsAndNonBreakingSpacesGoTheRestStays) {
    PluginTestBed bed;
    const std::map<std::string, std::string> cases = {
        {"a&nbsp;b", "ab"},
        {"a&NBSP;b&Nbsp;c", "abc"},
        {"a&nbspb", "ab"},
        {"<b>bold</b> word", "bold word"},
        {"x <i>y</i> z", "x y z"},
        {"keep <this", "keep <this"},
        {"a <b>c</b> d <e", "a c d <e"},
        {"text<br>", "text"},
        {"<p>", ""},
        {"a > b &amp; c &lt;", "a > b &amp; c &lt;"},
        {"line1\r\n<br>line2  end", "line1\r\nline2  end"},
        {"", ""},
        {"<a href='x'>link</a><", "link<"},
    };
    for (const auto& [html, text] : cases) EXPECT_EQ(StripHTML(bed.state, html), text) << html;
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
