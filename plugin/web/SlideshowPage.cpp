#include "web/SlideshowPage.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "core/LogWriter.h"
#include "core/PageRequest.h"
#include "core/PluginState.h"
#include "core/RequestItems.h"
#include "core/StatusText.h"
#include "core/UrlPath.h"
#include "core/Zephra.h"
#include "script/ImageResizeObject.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Math.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/HtmlEncode.h"
#include "web/ImageInfo.h"
#include "web/PageFrameDetail.h"
#include "web/Response.h"
#include "web/ServerTexts.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"

namespace zephra {

namespace {

constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr int32_t kScreenWidth = 620;
constexpr int32_t kScreenHeight = 460;
// Below the ZephraTemp folder: the pictures copied whole for browsers that are no appliance.
constexpr const char* kOriginalsFolder = "\\Originals";

constexpr const char* kLinksFileUnread = "ZephraSlideshow_ASP: links file ";
constexpr const char* kResizeFailed = "Resize ";

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) vb::Try([&] { state.Host().Writelog(kDebugSource, text); });
}

std::string Backslashed(const std::string& path) { return vb::Replace(path, "/", "\\"); }

// A picture's path as an address in the page: "/" between names, a leading "/" kept, every other
// byte that could end or change the address ("'", "#", "%", blanks...) percent-encoded, and the
// whole written so that it cannot end the attribute it stands in.
std::string PictureAddress(const std::string& server, const std::string& path) {
    const std::string slashed = vb::Replace(path, "\\", "/");
    const std::size_t first = std::min(slashed.find_first_not_of('/'), slashed.size());
    return HTMLEncode(server + slashed.substr(0, first) + UrlEncodedPath(slashed));
}

// A picture below a server path: the two joined by exactly one "/", whether the row's name came
// with a leading separator or not and whether the server path ends with one.
std::string PictureBelow(const std::string& server, const std::string& path) {
    const std::size_t end = server.find_last_not_of('/');
    const std::string base = end == std::string::npos ? std::string() : server.substr(0, end + 1);
    return HTMLEncode(base + "/" + UrlEncodedPath(path));
}

// The size and last-change time of a file; none when it cannot be read.
std::optional<FileStamp> StampOf(const std::string& path) {
    std::optional<FileStamp> stamp;
    vb::Try([&] {
        const std::filesystem::path file = windows::MapPath(path).native;
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        if (ec) return;
        const auto modified = std::filesystem::last_write_time(file, ec);
        if (ec) return;
        stamp = FileStamp{static_cast<int64_t>(size), static_cast<int64_t>(modified.time_since_epoch().count())};
    });
    vb::Err().Clear();
    return stamp;
}

// The copy in ZephraTemp was shrunk from this very picture, unchanged since, to this width, and
// nothing has written over it.
bool CopyStillHolds(PluginState& state, const std::string& copy, const std::string& source, double width) {
    const auto known = state.web.ResizedCopies.find(copy);
    if (known == state.web.ResizedCopies.end()) return false;
    const ResizedCopy& made = known->second;
    return made.source == source && made.width == width && StampOf(source) == made.sourceStamp &&
           StampOf(copy) == made.copyStamp;
}

void RememberCopy(PluginState& state, const std::string& copy, const std::string& source, double width) {
    const std::optional<FileStamp> sourceStamp = StampOf(source);
    const std::optional<FileStamp> copyStamp = StampOf(copy);
    if (sourceStamp && copyStamp) state.web.ResizedCopies[copy] = {source, *sourceStamp, width, *copyStamp};
}

// Measures a picture once: its size is cached in the list (or slide row) it belongs to.
void Measure(PluginState& state, const std::string& path, int32_t& width, int32_t& height) {
    ImageInfo info(state);
    info.ReadImageInfo(Backslashed(path));
    width = info.Width();
    height = info.Height();
}

// The picture kinds the resizer is asked to shrink, by the name's extension (exact case).
bool IsResizedKind(const std::string& extension) {
    for (const char* kind : {"jpg", "jpeg", "gif", "png", "bmp"})
        if (extension == kind) return true;
    return false;
}

bool InGroup(int16_t group) { return group >= 1 && group <= kSlideGroups; }

std::string GroupRandom(PluginState& state, int16_t group) {
    ZephraSettings& s = state.settings;
    if (InGroup(group) && !s.GroupFiles[static_cast<std::size_t>(group)].files[0].empty()) {
        const auto g = static_cast<std::size_t>(group);
        return BuildRandomSlideshow(state, s.GroupFiles[g], s.GroupServerPath[g], s.GroupFolderPath[g]);
    }
    return BuildRandomSlideshow(state, s.SlideFiles, s.ImageServer, s.ImagePath);
}

std::string LinksAnswer(PluginState& state, const ZephraEntry* appliance) {
    ZephraSettings& s = state.settings;
    if (appliance) {
        Zephra& z = *appliance->Object;
        z.LetSlideshow(false);
        z.LetMailLED("off");
        z.LetTopLED("Off");
        state.Host().SetDeviceString(appliance->ZephraDC, FormatValue(state, 0, s.Links));
        state.Host().SetDeviceLastChange(appliance->ZephraDC, vb::Now());
    }
    windows::FileSystemObject fso;
    // A links file that cannot be read is named in the log; the answer is then empty.
    bool read = true;
    auto fileText = [&](const std::string& name) {
        const std::string path = state.Host().GetAppPath() + "\\HTML\\" + name;
        std::string text;
        read = vb::Try([&] {
            auto stream = fso.OpenTextFile(path);
            text = stream->ReadAll();
            stream->Close();
        });
        if (!read) vb::Try([&] { WriteLog(state.Host(), webtext::kSource, kLinksFileUnread + path); });
        return text;
    };
    if (s.Links == s.LinksFile) {
        const std::string text = fileText(s.Links);
        return read ? "<html><Body bgcolor='black'>" + text + "</body></html>" : std::string();
    }
    if (vb::InStr(s.Links, ".asp", vb::CompareMethod::Text) == 0) return fileText(s.Links);
    return "<HTML><BODY onload='document.status.submit()'><form name='status' action='" + s.Links +
           "'><input type='hidden' name='dkvZephraSlideshow' value='Stopped' ></form><BODY></HTML>";
}

// The next slide of an appliance's group: rows visited in order, wrapping at the first empty
// row or after row 4; a folder row shows one picture per request while its count lasts.
std::string ApplianceSlide(PluginState& state, const vb::Variant& request, const vb::Variant& response, Zephra& z) {
    ZephraSettings& s = state.settings;
    z.LetSlideshow(true);
    z.LetSlideshowTime(vb::Now());
    const int16_t group = z.SlideGroup();
    const auto g = static_cast<std::size_t>(InGroup(group) ? group : 0);
    // No group has no rows.
    auto rowName = [&](int16_t row) {
        return g == 0 ? std::string() : s.SlideRowPath[g][static_cast<std::size_t>(row)];
    };
    auto rowSeconds = [&](int16_t row) {
        return g == 0 ? int16_t{30} : s.SlideRowSeconds[g][static_cast<std::size_t>(row)];
    };
    int16_t row = z.SlideGroupIndex();
    if (row < 0 || row >= kSlideRows) row = 0;
    std::string name = rowName(row);

    if (vb::InStr(name, ".") == 0) {
        if (z.SlideCount() > 0) {
            z.LetSlideCount(static_cast<int16_t>(z.SlideCount() - 1));
            return GroupRandom(state, group);
        }
        const int16_t interval = s.SlideshowUpdateSeconds > 0 ? s.SlideshowUpdateSeconds : int16_t{1};
        z.LetSlideCount(static_cast<int16_t>(vb::roundToInteger(static_cast<double>(rowSeconds(row)) / interval)));
    }
    const int16_t next = static_cast<int16_t>(row + 1);
    row = next < kSlideRows && !rowName(next).empty() ? next : int16_t{0};
    z.LetSlideGroupIndex(row);
    name = rowName(row);

    if (vb::InStr(name, ".") == 0) {
        z.LetSlideCount(static_cast<int16_t>(z.SlideCount() - 1));
        return GroupRandom(state, group);
    }
    const std::string extension = vb::Mid(name, vb::InStr(name, "."));
    const std::string seconds = std::to_string(rowSeconds(row));
    if (vb::InStr(".asp .htm .html", extension, vb::CompareMethod::Text) > 0)
        return ASPSlide(state, request, response, name, seconds);
    int32_t& width = s.SlideRowWidth[g][static_cast<std::size_t>(row)];
    int32_t& height = s.SlideRowHeight[g][static_cast<std::size_t>(row)];
    if (width < 0 && !s.Wallpaper) Measure(state, s.GroupFolderPath[g] + "\\" + name, width, height);
    return BuildSlideshow(state, name, s.GroupServerPath[g], width, height, seconds, s.GroupFolderPath[g]);
}

}  // namespace

std::string ZephraSlideshow_ASP(PluginState& state, const vb::Variant& request, const vb::Variant& response) {
    std::string answer;
    std::string address;
    page_frame::Trapped(state, "ZephraSlideshow_ASP: ", [&] {
        address = vb::CStr(
            automation::callByName(request, page_request::kServerVariables, {vb::Variant(page_request::kRemoteAddr)}));
        Debug(state, "Enter SlideshowASP " + address);
        const ZephraEntry* appliance = nullptr;
        for (const ZephraEntry& entry : state.appliances.slots) {
            if (entry.Object && !entry.IP.empty() && entry.IP == address) {
                appliance = &entry;
                break;
            }
        }
        state.web.SlideClientIsAppliance = appliance != nullptr;
        if (vb::CStr(GetQueryStringItem(state, request, "ClientAction")) == "links" || state.SlideshowMenuState == 2) {
            answer = LinksAnswer(state, appliance);
        } else if (!appliance) {
            answer = BuildRandomSlideshow(state, state.settings.SlideFiles, state.settings.ImageServer,
                                          state.settings.ImagePath);
        } else {
            answer = ApplianceSlide(state, request, response, *appliance->Object);
        }
    });
    Debug(state, "Exit SlideshowASP " + address);
    return answer;
}

std::string BuildRandomSlideshow(PluginState& state, PictureList& list, const std::string& server,
                                 const std::string& folder) {
    std::string page;
    page_frame::Trapped(state, "BuildRandomSlideshow: ", [&] {
        const auto count = static_cast<int32_t>(list.files.size());
        int32_t& index = state.web.NextPictureIndex;
        if (state.settings.DontRandomize) {
            // One index serves every list: past the end of a shorter list it wraps too.
            index = index + 1 < count ? index + 1 : 0;
        } else {
            index = std::min(count - 1, static_cast<int32_t>(vb::Rnd() * static_cast<float>(count)));
        }
        const auto i = static_cast<std::size_t>(index);
        if (list.widths[i] < 0 && !state.settings.Wallpaper)
            Measure(state, folder + "\\" + list.files[i], list.widths[i], list.heights[i]);
        page = BuildSlideshow(state, list.files[i], server, list.widths[i], list.heights[i],
                              state.settings.SlideshowUpdateInterval, folder);
    });
    return page;
}

std::string SlideHead(const std::string& seconds) {
    return "<html><head><meta http-equiv=\"Refresh\" content=\"" + seconds + "; URL=/ZephraSlideshow.asp\"></head>";
}

std::string BuildSlideshow(PluginState& state, const std::string& name, const std::string& server, int32_t width,
                           int32_t height, const std::string& refresh, const std::string& folder) {
    const ZephraSettings& s = state.settings;
    std::string page;
    page_frame::Trapped(state, "BuildSlideshow: ", [&] {
        Debug(state, "Now Showing slide " + name + " with original size of " + std::to_string(width) + "x" +
                         std::to_string(height));
        const std::string port = s.OwnWebServer ? s.ServerPort : s.svrport;
        page += SlideHead(refresh) + "<body bgcolor='black'";
        if (s.Wallpaper) page += " background='" + PictureAddress("", name) + "'";
        page +=
            "><div align='center'>  <center>  <table height='460' border='0' cellpadding='0' cellspacing='0'>"
            "    <tr>      <td valign='center' align='center'><a href=\"http://" +
            s.HomeseerIP + ":" + port + "/ZephraSlideshow.asp?ClientAction=links\"><img border='0' ";
        const int64_t a = vb::roundToInteger(static_cast<double>(height) * 1000 / kScreenHeight);
        const int64_t b = vb::roundToInteger(static_cast<double>(width) * 1000 / kScreenWidth);
        page += width < 1 || !(b > a) ? " height = '460'" : " width = '620'";
        page += " src='";
        if (s.Wallpaper) {
            page += "/images/Zephra/blank5x5.gif' width='625'>";
        } else {
            const std::string picture = Resize(state, name, height, width, folder);
            page += (picture.empty() ? std::string() : PictureBelow(server, picture)) + "'>";
        }
        page += "</a></td>    </tr>  </table>  </center></div></body></html>";
        if (s.DebugLog) DumpStringToFile(state, "ac", page);
    });
    return page;
}

std::string Resize(PluginState& state, const std::string& name, int32_t height, int32_t width,
                   const std::string& folder) {
    const ZephraSettings& s = state.settings;
    // After a failure the original picture is used.
    std::string address = name;
    page_frame::Trapped(state, "Resize ", [&] {
        windows::FileSystemObject fso;
        if (!state.web.SlideClientIsAppliance) {
            const std::string source = vb::Replace(Backslashed(folder + "\\" + name), "\\\\", "\\");
            const std::string shortName = vb::Mid(source, vb::InStrRev(source, "\\") + 1);
            // Apart from the copies resized for the appliances, which bear the same names.
            const std::string copies = s.ZephraTempPath + kOriginalsFolder;
            if (!fso.FolderExists(copies)) fso.CreateFolder(copies);
            fso.CopyFile(source, copies + "\\" + shortName, true);
            address = "/ZephraTemp" + vb::Replace(kOriginalsFolder, "\\", "/") + "/" + shortName;
            return;
        }
        const std::string extension = vb::Mid(name, vb::InStrRev(name, ".") + 1);
        const bool tooLarge = static_cast<int64_t>(height) * width >= s.MaxPixels;
        // A picture of unknown height cannot be given a width for its pixel budget. A phone names
        // its photos ".JPG": the kind is read in any case.
        if (!tooLarge || height <= 0 || !IsResizedKind(vb::LCase(extension))) return;
        const int32_t separator = std::max(vb::InStrRev(name, "\\"), vb::InStrRev(name, "/"));
        const std::string shortName = separator > 0 ? vb::Mid(name, separator) : "\\" + name;
        // The resizer is an outside component: without it the picture is shown as it is.
        vb::Variant resizer;
        if (!vb::Try([&] { resizer = vb::Variant(automation::CreateObject(script::kImageResizeProgId)); })) {
            vb::Err().Clear();
            return;
        }
        const std::string source = Backslashed(folder + "\\" + name);
        const std::string copy = s.ZephraTempPath + shortName;
        const double newWidth = static_cast<double>(s.MaxPixels) / height;
        // Shrinking a photo takes a second or more, and every other request waits meanwhile:
        // the copy made before serves while the picture is the same.
        if (CopyStillHolds(state, copy, source, newWidth)) {
            address = "/ZephraTemp" + shortName;
            return;
        }
        state.web.ResizedCopies.erase(copy);
        const bool shrunk = vb::Try([&] {
            automation::callByName(resizer, "LoadFromFile", {vb::Variant(source)});
            automation::letProperty(resizer, "Width", vb::Variant(newWidth));
            automation::callByName(resizer, "DoResize");
            automation::callByName(resizer, "SaveToFile", {vb::Variant(copy)});
        });
        if (!shrunk) {
            // Too large for the appliance and not shrunk: it gets no picture rather than this one.
            vb::Try([&] { WriteLog(state.Host(), webtext::kSource, kResizeFailed + name + ":"); });
            address.clear();
            return;
        }
        RememberCopy(state, copy, source, newWidth);
        address = "/ZephraTemp" + shortName;
        if (s.DebugLog) {
            ImageInfo info(state);
            info.ReadImageInfo(copy);
            Debug(state,
                  "Resized " + name + " to " + std::to_string(info.Width()) + "x" + std::to_string(info.Height()));
        }
    });
    return address;
}

void DumpStringToFile(PluginState& state, const std::string& name, const std::string& text) {
    page_frame::Trapped(state, "DumpStringToFile: ", [&] {
        windows::FileSystemObject fso;
        const std::string path = state.Host().GetAppPath() + "\\HTML\\" + name + ".html";
        auto stream = fso.OpenTextFile(path, windows::ForAppending, true);
        stream->Write(text);
        stream->Close();
    });
}

}  // namespace zephra
