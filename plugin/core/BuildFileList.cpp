#include "core/BuildFileList.h"

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kSource = "dkvZephra";
constexpr const char* kFolderList = "Folder Slideshow List: ";
constexpr const char* kBaseText = ", Base=";
constexpr const char* kAdded = "Added to Slideshow List: ";
constexpr const char* kTag = "BuildFileList ";

// The text as paths compare: lower case, every "/" a "\".
std::string Comparable(const std::string& path) { return vb::Replace(vb::LCase(path), "/", "\\"); }

bool IsPicture(const ZephraSettings& settings, const std::string& name) {
    if (name.size() <= 3) return false;
    const std::string ext = vb::LCase(vb::Right(name, 4));
    return ((ext == ".jpg" || ext == "jpeg") && settings.jpg) || (ext == ".gif" && settings.gif) ||
           (ext == ".bmp" && settings.bmp);
}

void Append(PictureList& list, const std::string& file) {
    if (list.files.size() == 1 && list.files[0].empty()) {
        list.files[0] = file;
        list.widths[0] = -1;
        list.heights[0] = -1;
        return;
    }
    list.files.push_back(file);
    list.widths.push_back(-1);
    list.heights.push_back(-1);
}

}  // namespace

std::string RemoveBasePath(const std::string& path, const std::string& base) {
    if (base.empty()) return path;
    const std::string folded = Comparable(path);
    const std::string key = Comparable(base);
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = folded.find(key); at != std::string::npos; at = folded.find(key, from)) {
        result += path.substr(from, at - from);
        from = at + key.size();
    }
    return result + path.substr(from);
}

void BuildFileList(PluginState& state, const windows::Folder& folder, const std::string& server,
                   const std::string& base, PictureList& files) {
    homeseer::Host& hs = state.Host();
    const ZephraSettings& settings = state.settings;
    if (settings.ShowSlides) WriteLog(hs, kDebugSource, kFolderList + folder.Name() + kBaseText + base);
    if (!vb::Try([&] {
            for (const windows::File& file : folder.Files()) {
                if (!IsPicture(settings, file.Name())) continue;
                Append(files, RemoveBasePath(file.Path(), base));
                if (settings.ShowSlides) WriteLog(hs, kDebugSource, kAdded + files.files.back());
            }
        }))
        WriteLog(hs, kSource, kTag);
    std::vector<windows::Folder> subFolders;
    if (!vb::Try([&] { subFolders = folder.SubFolders(); })) WriteLog(hs, kSource, kTag);
    for (const windows::Folder& sub : subFolders) BuildFileList(state, sub, server, base, files);
}

}  // namespace zephra
