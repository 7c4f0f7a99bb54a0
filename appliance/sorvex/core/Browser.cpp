#include "Browser.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "RegularFile.h"
#include "SorvexTexts.h"

namespace sorvex {

namespace {

constexpr int kLineSize = 500;
constexpr unsigned long kTapMilliseconds = 400;
constexpr long kPageBackground = 0x606060;
constexpr long kFolderBackground = 0x0000A0;
constexpr long kTrackBackground = 0x00A000;
constexpr long kWhite = 0xFFFFFF;
constexpr long kYellow = 0xFFFF00;
constexpr long kGrey = 0xC0C0C0;
constexpr int kTrackHeight = 30;
constexpr const char* kBoldFont = "lub12b";
constexpr const char* kTrackFont = "TextFont07";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool lessNoCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

bool isPlaylist(const std::string& path, const Jukebox& jukebox) {
    return HasExtension(path.c_str(), ".m3u") || jukebox.isTrackTable(path);
}

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

std::string withoutLastFour(const std::string& name) { return name.size() > 4 ? name.substr(0, name.size() - 4) : ""; }

}  // namespace

long ParseColour(const std::string& text) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        int r = 0, g = 0, b = 0;
        std::sscanf(text.c_str(), "%d,%d,%d", &r, &g, &b);
        return ((r % 256 & 0xFF) << 16) | ((g % 256 & 0xFF) << 8) | (b % 256 & 0xFF);
    }
    const std::string name = text.substr(0, text.find_first_of("\r\n"));
    static const struct {
        const char* name;
        long colour;
    } kNames[] = {{"white", 0xFFFFFF},   {"grey", 0xC0C0C0},  {"gray", 0xC0C0C0},  {"black", 0x000000},
                  {"red", 0xFF0000},     {"green", 0x00FF00}, {"blue", 0x0000FF},  {"yellow", 0xFFFF00},
                  {"magenta", 0xFF00FF}, {"cyan", 0x00FFFF},  {"brown", 0x603600}, {"purple", 0x8500B6},
                  {"celidon", 0x127B088}};
    for (const auto& entry : kNames)
        if (strcasecmp(name.c_str(), entry.name) == 0) return entry.colour;
    std::printf(texts::kUnknownColour, name.c_str());
    std::fflush(stdout);
    return kGrey;
}

int DecideKind(const ItemOptions& item, const Jukebox& jukebox) {
    if (item.kind != kKindDecide || !item.target) return item.kind;
    if (jukebox.findBackend(item.target->c_str())) return kKindTrack;
    if (isPlaylist(*item.target, jukebox)) return kKindPlaylist;
    return kKindOther;
}

std::optional<PageItems> LoadPhjPage(const std::string& path, const Jukebox& jukebox) {
    std::unique_ptr<std::FILE, FileCloser> file(OpenRegularStream(path, O_RDONLY, "r"));
    if (!file) {
        if (errno == EINVAL) std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        else std::perror(path.c_str());
        return std::nullopt;
    }
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    auto relative = [&](const std::string& value) { return value.starts_with('/') ? value : directory + "/" + value; };
    PageItems page;
    std::optional<ItemOptions> pending;
    char buffer[kLineSize];
    while (std::fgets(buffer, sizeof buffer, file.get())) {
        buffer[std::strcspn(buffer, "\r\n")] = '\0';
        const std::string line(buffer);
        if (line.starts_with(';')) continue;
        if (line.starts_with('[')) {
            if (pending) page.items.push_back(*pending);
            pending = ItemOptions{};
            pending->label =
                line.substr(1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1);
            pending->background = kPageBackground;
            continue;
        }
        if (!pending) continue;
        auto key = [&](const char* name) { return strncasecmp(line.c_str(), name, std::strlen(name)) == 0; };
        auto value = [&](const char* name) { return line.substr(std::strlen(name)); };
        if (key("target=")) {
            pending->target = relative(value("target="));
            if (jukebox.findBackend(pending->target->c_str())) page.hasTracks = true;
        } else if (key("font=")) pending->font = value("font=");
        else if (key("height=")) pending->height = std::atoi(value("height=").c_str());
        else if (key("width=")) pending->width = std::atoi(value("width=").c_str());
        else if (key("bg=")) pending->background = ParseColour(value("bg="));
        else if (key("fg=")) pending->textColour = ParseColour(value("fg="));
        else if (key("arm=")) pending->armColour = ParseColour(value("arm="));
        else if (key("new-line=")) pending->newLine = std::atoi(value("new-line=").c_str()) != 0;
        else if (key("image=")) pending->image = relative(value("image="));
        else if (key("type=")) pending->kind = std::atoi(value("type=").c_str());
    }
    if (pending) page.items.push_back(*pending);
    return page;
}

std::optional<PageItems> ScanDirectory(const std::string& path, const Jukebox& jukebox) {
    const std::string index = path + "/index.phj";
    if (::access(index.c_str(), R_OK) == 0) {
        if (IsRegularFile(index)) return LoadPhjPage(index, jukebox);
        // A page description that is no regular file (a named pipe) is not read: the folder is listed.
        std::fprintf(stderr, texts::kNotARegularFile, index.c_str());
    }
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        std::perror(path.c_str());
        return std::nullopt;
    }
    std::vector<std::string> directories, pages, playlists, tracks;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.starts_with('.')) continue;
        const std::string full = path + "/" + name;
        struct stat info;
        if (::stat(full.c_str(), &info) != 0) {
            std::perror(full.c_str());
            continue;
        }
        if (S_ISDIR(info.st_mode)) directories.push_back(name);
        else if (HasExtension(name.c_str(), ".phj")) pages.push_back(name);
        else if (isPlaylist(full, jukebox)) playlists.push_back(name);
        else if (jukebox.findBackend(name.c_str())) tracks.push_back(name);
    }
    ::closedir(dir);
    for (auto* list : {&directories, &pages, &playlists, &tracks}) std::sort(list->begin(), list->end(), lessNoCase);

    const Charsets sets = jukebox.charsets();
    auto label = [&](std::string text) {
        sets.fsToUtf(text);
        return text;
    };
    PageItems page;
    for (const std::string& name : pages) {
        ItemOptions item;
        item.label = label(withoutLastFour(name));
        item.font = kBoldFont;
        item.background = kFolderBackground;
        item.textColour = kWhite;
        item.kind = kKindOther;
        item.target = path + "/" + name;
        page.items.push_back(item);
    }
    for (const std::string& name : directories) {
        ItemOptions item;
        item.label = label(name);
        item.font = kBoldFont;
        item.background = kFolderBackground;
        item.textColour = kYellow;
        item.kind = kKindOther;
        item.target = path + "/" + name;
        for (const std::string& cover : jukebox.prefsView().coverNames) {
            const std::string image = *item.target + "/" + cover;
            if (::access(image.c_str(), R_OK) == 0 && IsRegularFile(image)) {
                item.image = image;
                break;
            }
        }
        page.items.push_back(item);
    }
    for (const std::string& name : playlists) {
        ItemOptions item;
        item.label = label(withoutLastFour(name));
        item.background = kPageBackground;
        item.textColour = kWhite;
        item.kind = kKindPlaylist;
        item.target = path + "/" + name;
        page.items.push_back(item);
    }
    for (const std::string& name : tracks) {
        ItemOptions item;
        item.label = label(withoutLastFour(name));
        item.font = kTrackFont;
        item.background = kTrackBackground;
        item.textColour = kWhite;
        item.kind = kKindTrack;
        item.height = kTrackHeight;
        item.width = -1;
        item.target = path + "/" + name;
        page.items.push_back(item);
    }
    page.hasTracks = !tracks.empty();
    return page;
}

Browser::Browser(Jukebox& jukebox, std::string startingDirectory)
    : jukebox_(jukebox), startingDirectory_(std::move(startingDirectory)) {
    for (int i = 0; i < kPages; ++i) pages_[static_cast<std::size_t>(i)].container = i;
}

void Browser::bringToFront(std::size_t index) {
    std::rotate(pages_.begin(), pages_.begin() + static_cast<long>(index),
                pages_.begin() + static_cast<long>(index) + 1);
    view_->bringToFront(pages_[0].container);
}

void Browser::build(Page& page) {
    const std::string& path = *page.path;
    std::optional<PageItems> items;
    if (HasExtension(path.c_str(), ".phj")) items = LoadPhjPage(path, jukebox_);
    else if (struct stat info; ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        items = ScanDirectory(path, jukebox_);
    else std::fprintf(stderr, texts::kDontKnow, path.c_str());
    page.items = items.value_or(PageItems{});
    view_->buildPage(page.container, page.items);
    view_->setAddTracksEnabled(page.items.hasTracks);
}

void Browser::showDirectory(const std::string& path, bool record) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        std::perror(path.c_str());
        return;
    }
    if (record && pages_[0].path) history_.push_back(*pages_[0].path);
    view_->setBackEnabled(!history_.empty());
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i].path != path) continue;
        bringToFront(i);
        Page& page = pages_[0];
        if (sameTime(page.modified, info.st_mtim)) {
            view_->setAddTracksEnabled(page.items.hasTracks);
            return;
        }
        view_->clearPage(page.container);
        page.modified = info.st_mtim;
        build(page);
        return;
    }
    bringToFront(pages_.size() - 1);
    Page& page = pages_[0];
    view_->clearPage(page.container);
    page.path = path;
    page.modified = info.st_mtim;
    build(page);
}

void Browser::back() {
    if (history_.empty()) return;
    const std::string path = history_.back();
    showDirectory(path, false);
    history_.pop_back();
    view_->setBackEnabled(!history_.empty());
}

void Browser::tap(const std::string& target, unsigned long milliseconds) {
    if (lastTap_ && milliseconds - *lastTap_ < kTapMilliseconds) return;
    lastTap_ = milliseconds;
    jukebox_.openPath(target, true);
}

std::vector<std::string> Browser::frontTracks() const {
    std::vector<std::string> tracks;
    for (const ItemOptions& item : pages_[0].items.items)
        if (item.target && jukebox_.findBackend(item.target->c_str())) tracks.push_back(*item.target);
    return tracks;
}

}  // namespace sorvex
