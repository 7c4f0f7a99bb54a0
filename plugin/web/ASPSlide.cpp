// The .asp page runner: builds the page engine on the first page after the settings were read,
// converts each page once, and runs its page function.

#include <algorithm>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "script/ScriptControl.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/ConvertASP.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrame.h"
#include "web/SlideshowPage.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kFailedSlideBody = "<body bgcolor='black'></body></html>";

vb::Variant Run(PluginState& state, const std::string& procedure, std::vector<vb::Variant> args = {}) {
    return PageEngine(state).Run(procedure, args);
}

// The page frame's start procedures: the host include files' own when they define them, else
// the engine's native ones (which Run, knowing only script procedures, would not find).
void RunStart(PluginState& state, const std::string& procedure) { PageEngine(state).ExecuteStatement(procedure); }

std::string WithLeadingBackslash(const std::string& page) {
    const std::string lower = vb::LCase(page);
    return vb::Left(lower, 1) == "\\" ? lower : "\\" + lower;
}

}  // namespace

bool isNewASPFile(PluginState& state, const std::string& page) {
    bool isNew = false;
    if (!vb::Try([&] {
            const std::string name = WithLeadingBackslash(page);
            auto& pages = state.web.ConvertedPages;
            if (std::find(pages.begin(), pages.end(), name) != pages.end()) return;
            pages.push_back(name);
            isNew = true;
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, "isNewASPFile: "); });
    return isNew;
}

std::string ASPSlide(PluginState& state, const vb::Variant& request, const vb::Variant& response,
                     const std::string& page, const std::string& dwell) {
    std::string html;
    ConvertASPState& convert = state.Part<ConvertASPState>();
    if (!vb::Try([&] {
            convert = ConvertASPState();
            // One name whichever way the page is written ("\News.asp", "news.asp").
            convert.PageFunctionName = PageFunctionNameOf(WithLeadingBackslash(page));
            state.Part<PageFrameState>().Request = request;
            state.Part<PageFrameState>().Response = response;
            if (state.web.PageEngineReady) {
                Run(state, "setObjects", {request, response});
            } else {
                HTMLInit(state);
                state.web.PageEngineReady = true;
                Run(state, "setObjects", {request, response});
                state.web.ConvertedPages.assign(1, std::string());
                HTMLBuild(state);
                RunStart(state, "startmiscfunctionsasp");
            }
            RunStart(state, "SecurityCheck");
            RunStart(state, "startheaderasp");
            if (isNewASPFile(state, page)) ASPAdd(state, convert, state.Host().GetAppPath() + "\\HTML\\" + page, dwell);
            html = vb::CStr(Run(state, convert.PageFunctionName));
            if (state.settings.DebugLog) DumpStringToFile(state, "ZephraSlideshowHTML", html);
        })) {
        vb::Try([&] {
            WriteLog(state.Host(), kSource, "ASPSlide " + std::to_string(vb::Err().Number) + " " + page + " ");
        });
        // A black slide that still refreshes: the appliance's slideshow goes on to its next row.
        html = SlideHead(dwell) + kFailedSlideBody;
    }
    convert.PageOutput.Reset();
    return html;
}

}  // namespace zephra
