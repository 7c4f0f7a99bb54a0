#include "core/WrapHTML.h"

#include <functional>
#include <memory>
#include <string>

#include "core/FastString.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kTag = "WrapHTML ";
constexpr const char* kHtmlFolder = "/html/";
constexpr const char* kLinksFile = "links file ";
constexpr const char* kHead = "<HTML><HEAD>";
constexpr const char* kScriptStart = "<SCRIPT LANGUAGE='JavaScript'>function delaySubmit(){setTimeout('restore()',";
constexpr const char* kScriptEnd = "000);}function restore(){history.go(-1);}</SCRIPT></HEAD><BODY BGCOLOR='";
constexpr const char* kOnLoad = " onload='delaySubmit()'";
constexpr const char* kCentre = "<BR><BR><BR><p align='center'>";
constexpr const char* kReturnButton =
    "<br><br><div align=\"center\"><form><input type=button value=\"Return\" onClick=\"history.go(-1)\"></form></div>";
constexpr const char* kBodyEnd = "</BODY>";
constexpr const char* kHiddenFrame =
    "<div><center><IFRAME frameborder=0 align='middle' scrolling='no' name='hiddenframe' "
    "src='http://localhost/toggleBrowser.shtml'></IFRAME></center></div>";
constexpr const char* kEnd = "</HTML>";

void Handled(PluginState& state, const std::function<void()>& body) {
    if (!vb::Try(body)) vb::Try([&] { WriteLog(state.Host(), kSource, kTag); });
}

// The links file that could not be read, told once: every text page would say it again.
struct WrapHTMLState {
    std::string missingLinksTold;
};

void IncludeLinks(PluginState& state, windows::FileSystemObject& fso, const std::shared_ptr<windows::TextStream>& page,
                  const std::string& path) {
    std::string& told = state.Part<WrapHTMLState>().missingLinksTold;
    if (vb::Try([&] {
            if (!page) vb::raise(vb::errors::ObjectNotSet);
            std::string links = fso.OpenTextFile(path)->ReadAll();
            page->WriteLine(links);
        })) {
        told.clear();
        return;
    }
    if (told == path) {
        vb::Err().Clear();
        return;
    }
    told = path;
    vb::Try([&] { WriteLog(state.Host(), kSource, kTag + std::string(kLinksFile) + path + " "); });
}

}  // namespace

void WrapHTML(PluginState& state, const std::string& fileName, const std::string& background,
              const std::string& foreground, const std::string& fontSize, const std::string& fontFace,
              const std::string& text, int16_t delay) {
    windows::FileSystemObject fso;
    const std::string shown = vb::Replace(text, "\r\n", "<BR>");
    std::string appPath;
    std::shared_ptr<windows::TextStream> page;
    Handled(state, [&] { appPath = state.Host().GetAppPath(); });
    Handled(state, [&] { page = fso.CreateTextFile(appPath + kHtmlFolder + fileName, true); });
    auto line = [&](const std::string& text) {
        Handled(state, [&] {
            if (!page) vb::raise(vb::errors::ObjectNotSet);
            page->WriteLine(text);
        });
    };
    line(kHead);
    FastString body;
    body.Add(kScriptStart);
    body.Add(int64_t{delay});
    body.Add(kScriptEnd);
    body.Add(background + "'");
    if (delay != 0) body.Add(kOnLoad);
    body.Add(">");
    line(body.value());
    if (state.settings.IncludeHeaderLinks)
        IncludeLinks(state, fso, page, appPath + kHtmlFolder + state.settings.LinksFile);
    line(kCentre);
    FastString message;
    message.Add("<FONT SIZE=" + fontSize + " FACE=" + fontFace + " COLOR=" + foreground + "><B>");
    message.Add(shown);
    message.Add("</B></FONT>");
    message.Add(kReturnButton);
    message.Add("</p>");
    line(message.value());
    line(kBodyEnd);
    if (delay == 0) line(kHiddenFrame);
    line(kEnd);
    Handled(state, [&] {
        if (page) page->Close();
    });
}

}  // namespace zephra
