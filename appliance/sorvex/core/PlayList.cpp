// The play list: entries in the order of adding, the play order over them (shuffled or not),
// and the position of the current track in that order.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Jukebox.h"
#include "SorvexTexts.h"

namespace sorvex {

namespace {

constexpr std::size_t kPathLimit = 999;
constexpr int kShuffleProgressEvery = 100;
constexpr int kListingBatch = 500;
// Two selection notices closer than this play the row.
constexpr long long kDoubleTapMicroseconds = 700000;

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

void Jukebox::addEntry(const std::string& directory, const std::string& path, const std::optional<std::string>& title,
                       bool show) {
    Entry entry;
    entry.title = title ? *title : fileNameOf(path);
    entry.path = path.starts_with('/') ? path : directory + "/" + path;
    order_.push_back(count());
    entries_.push_back(std::move(entry));
    if (show) view_->appendRow(entries_.back().title);
}

void Jukebox::addFileEntry(const std::string& whole, bool show) {
    const std::string path = whole.substr(0, kPathLimit);
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string title = withoutExtension(name);
    charsets().fsToUtf(title);
    addEntry(directory, name, title, show);
}

void Jukebox::clearPlaylist() {
    entries_.clear();
    order_.clear();
    current_ = -1;
    view_->clearRows();
    selected_ = -1;
    updateControls();
}

void Jukebox::relistPlaylist() {
    const int n = count();
    const int playing = current_ >= 0 && current_ < n ? order_[current_] : -1;
    for (int i = 0; i < n; ++i) order_[i] = i;
    if (prefs_.shuffle && n > 0) {
        int start = 0;
        if (playing >= 0) {
            order_[0] = playing;
            order_[playing] = 0;
            current_ = 0;
            start = 1;
        }
        for (int i = start; i < n; ++i) {
            const int j = playing < 0 ? static_cast<int>(::random() % n) : 1 + static_cast<int>(::random() % (n - 1));
            std::swap(order_[i], order_[j]);
            if (i > 0 && i % kShuffleProgressEvery == 0) showProgress(texts::kShuffling, i);
        }
    } else {
        current_ = playing;
    }
    std::vector<std::string> titles;
    titles.reserve(n);
    for (int i = 0; i < n; ++i) {
        titles.push_back(entries_[order_[i]].title);
        if (titles.size() % kListingBatch == 0) showProgress(texts::kListing, static_cast<int>(titles.size()));
    }
    view_->setRows(titles);
    showPosition(current_);
    view_->endProgress();
}

std::optional<std::string> Jukebox::nextEntry() {
    if (count() == 0) return std::nullopt;
    ++current_;
    if (current_ >= count()) {
        current_ = -1;
        if (!prefs_.repeat) {
            showPosition(-1);
            return std::nullopt;
        }
        relistPlaylist();
        current_ = 0;
    }
    showPosition(current_);
    return entries_[order_[current_]].path;
}

std::optional<std::string> Jukebox::prevEntry() {
    if (count() == 0) return std::nullopt;
    // Without a current track this leaves the list at once, as from the first position.
    --current_;
    if (current_ < 0) {
        current_ = -1;
        if (!prefs_.repeat) return std::nullopt;
        relistPlaylist();
        current_ = count() - 1;
    }
    showPosition(current_);
    return entries_[order_[current_]].path;
}

std::optional<std::string> Jukebox::currentPath() const {
    if (current_ < 0 || current_ >= count()) return std::nullopt;
    return entries_[order_[current_]].path;
}

void Jukebox::showPosition(int position) {
    view_->showPosition(position, count());
    selected_ = position;
}

void Jukebox::deleteSelected() {
    // The Delete button stays enabled without a selection; then there is nothing to delete.
    const int p = selected_;
    if (p < 0 || p >= count()) return;
    const int e = order_[p];
    view_->deleteRow(p + 1);
    entries_.erase(entries_.begin() + e);
    order_.erase(order_.begin() + p);
    for (int& index : order_)
        if (index > e) --index;
    updateControls();
    if (p < count()) selected_ = p;
    else selected_ = p - 1;
    view_->showPosition(selected_, count());
    if (p == current_) {
        --current_;
        if (isPlaying()) playFile(nextEntry());
    } else if (p < current_) {
        --current_;
    }
}

void Jukebox::openPath(const std::string& path, bool start) {
    if (::access(path.c_str(), R_OK) != 0) return;
    // Folders are shown and regular files read or played; anything else (a named pipe, a
    // device) would hold the jukebox and is refused.
    if (struct stat info{}; ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) {
        std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        return;
    }
    if (HasExtension(path.c_str(), ".m3u") || HasExtension(path.c_str(), ".txt")) {
        loadPlaylistFile(path, start);
    } else if (findBackend(path.c_str())) {
        addFileEntry(path, true);
        updateControls();
        if (count() == 1) {
            relistPlaylist();
            playFile(nextEntry());
        }
    } else {
        view_->showDirectory(path, true);
    }
}

void Jukebox::addTracks(const std::vector<std::string>& targets) {
    const int before = count();
    for (const std::string& target : targets)
        if (findBackend(target.c_str())) addFileEntry(target, false);
    updateControls();
    relistPlaylist();
    if (before == 0) playFile(nextEntry());
}

void Jukebox::rowSelected(int row, bool withReason, long long microseconds) {
    selected_ = row - 1;
    const bool secondTap = withReason && microseconds - lastSelection_ < kDoubleTapMicroseconds;
    lastSelection_ = microseconds;
    if (secondTap && selected_ >= 0 && selected_ < count()) {
        current_ = selected_;
        playFile(currentPath());
    }
}

void Jukebox::toggleShuffle() {
    prefs_.shuffle = !prefs_.shuffle;
    relistPlaylist();
}

}  // namespace sorvex
