// Playlist files: M3U playlists and pipe-separated track tables read into the play list, and
// the play list written as an M3U playlist.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "Jukebox.h"
#include "RegularFile.h"
#include "SorvexTexts.h"

namespace sorvex {

namespace {

constexpr int kLineSize = 1000;
constexpr int kHeaderSize = 500;
constexpr int kM3uProgressEvery = 100;
constexpr int kTableProgressEvery = 250;
constexpr int kSaveProgressEvery = 250;
constexpr const char* kExtInfPrefix = "#EXTINF:";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A playlist opened for reading, or none with the reason on standard error: a named pipe or a
// device is refused before it can hold the jukebox.
File openForReading(const std::string& path) {
    File file(OpenRegularStream(path, O_RDONLY, "r"));
    if (!file) {
        if (errno == EINVAL) std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        else std::perror(path.c_str());
    }
    return file;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The file name after the last '/' (or '\', for paths written on other machines), without its
// last extension.
std::string bareName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Each line of the file, read in pieces of at most `size` - 1 characters, cut at its first line end.
void forEachLine(std::FILE* file, int size, const std::function<void(const std::string&)>& take) {
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (std::fgets(buffer.data(), size, file)) {
        buffer[std::strcspn(buffer.data(), "\r\n")] = '\0';
        take(std::string(buffer.data()));
    }
}

void slashes(std::string& path) {
    for (char& c : path)
        if (c == '\\') c = '/';
}

// The texts between consecutive '|' characters; text after the last complete field is not one.
std::vector<std::string> tableFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t bar = line.find('|');
    while (bar != std::string::npos) {
        const std::size_t next = line.find('|', bar + 1);
        if (next == std::string::npos) break;
        fields.push_back(line.substr(bar + 1, next - bar - 1));
        bar = next;
    }
    return fields;
}

}  // namespace

int Jukebox::loadM3u(const std::string& path, bool show) {
    const std::string directory = directoryOf(path);
    File file = openForReading(path);
    if (!file) return 1;
    const Charsets sets = charsets();
    std::optional<std::string> pendingTitle;
    int lines = 0;
    forEachLine(file.get(), kLineSize, [&](const std::string& line) {
        if (line.starts_with(kExtInfPrefix)) {
            const std::size_t comma = line.find(',');
            if (comma != std::string::npos && comma + 1 < line.size()) {
                std::string title = line.substr(comma + 1);
                sets.nativeToUtf(title);
                pendingTitle = title;
            }
            return;
        }
        if (line.starts_with('#')) return;
        ++lines;
        if (lines % kM3uProgressEvery == 0) showProgress(texts::kLoading, lines);
        if (!findBackend(line.c_str())) return;
        std::string track = line;
        slashes(track);
        ApplyMapDir(prefs_, track);
        std::string title;
        if (pendingTitle) {
            title = *pendingTitle;
        } else {
            title = bareName(track);
            sets.nativeToUtf(title);
        }
        addEntry(directory, track, title, show);
        pendingTitle.reset();
    });
    file.reset();
    updateControls();
    return lines > 0 ? 0 : 1;
}

bool Jukebox::isTrackTable(const std::string& path) const {
    if (!HasExtension(path.c_str(), ".txt")) return false;
    File file = openForReading(path);
    if (!file) return false;
    char header[kHeaderSize];
    if (!std::fgets(header, sizeof header, file.get())) return false;
    const std::string line(header);
    return line.starts_with('|') && line.find("|Name|") != std::string::npos &&
           line.find("|Artist|") != std::string::npos && line.find("|Location|") != std::string::npos;
}

int Jukebox::loadTrackTable(const std::string& path, bool show) {
    const std::string directory = directoryOf(path);
    File file = openForReading(path);
    if (!file) return 1;
    const Charsets sets = charsets();
    // Field numbers (from 1) of the four columns; 0 when the header lacks one.
    std::size_t artistField = 0, albumField = 0, nameField = 0, locationField = 0;
    bool header = true;
    int rows = 0;
    forEachLine(file.get(), kLineSize, [&](const std::string& line) {
        const std::vector<std::string> fields = tableFields(line);
        if (header) {
            header = false;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i] == "Artist") artistField = i + 1;
                else if (fields[i] == "Album") albumField = i + 1;
                else if (fields[i] == "Name") nameField = i + 1;
                else if (fields[i] == "Location") locationField = i + 1;
            }
            return;
        }
        if (!line.starts_with('|')) return;
        auto column = [&](std::size_t field) {
            return field > 0 && field <= fields.size() ? fields[field - 1] : std::string();
        };
        const std::string artist = column(artistField), name = column(nameField);
        std::string location = column(locationField);
        (void)albumField;
        if (!findBackend(location.c_str())) return;
        ++rows;
        if (rows % kTableProgressEvery == 0) showProgress(texts::kLoading, rows);
        std::string title = name.empty() ? bareName(location) : artist + " - " + name;
        sets.nativeToUtf(title);
        slashes(location);
        ApplyMapDir(prefs_, location);
        addEntry(directory, location, title, show);
    });
    file.reset();
    updateControls();
    return rows > 0 ? 0 : 1;
}

void Jukebox::loadPlaylistFile(const std::string& path, bool start) {
    if (prefs_.autoclear) {
        stopPlayback();
        clearPlaylist();
    }
    const int before = count();
    int result = 1;
    if (HasExtension(path.c_str(), ".m3u")) result = loadM3u(path, false);
    else if (HasExtension(path.c_str(), ".txt")) result = loadTrackTable(path, false);
    if (result == 0) {
        relistPlaylist();
        if (before == 0 && start) playFile(nextEntry());
    }
    view_->endProgress();
}

void Jukebox::showHeldAlerts() {
    std::vector<std::string> held;
    held.swap(heldAlerts_);
    for (const std::string& text : held) view_->alert(text);
}

bool Jukebox::savePlaylist(const std::string& directory, const std::string& name, bool plainFileOnly) {
    if (count() > kSaveProgressEvery) showProgress(texts::kSaving, 0);
    std::string fileName = directory + "/" + name;
    if (name.find('.') == std::string::npos) fileName += ".m3u";
    // A link put in place after the port's checks fails (errno tells why) instead of being followed;
    // no save waits on a named pipe.
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | (plainFileOnly ? O_NOFOLLOW : 0);
    File file(OpenRegularStream(fileName, flags, "w"));
    auto fail = [&](const char* format) {
        char text[1200];
        std::snprintf(text, sizeof text, format, std::strerror(errno));
        alert(text);
        std::fprintf(stderr, "%s: %s\n", texts::kAlertTitle, text);
    };
    if (!file) {
        fail(texts::kCantOpenPlaylist);
        view_->endProgress();
        return false;
    }
    const Charsets sets = charsets();
    std::FILE* f = file.get();
    bool ok = std::fputs(texts::kM3uHeader, f) >= 0;
    // Only paths inside the playlist's folder are written relative to it.
    const std::string inside = directory + "/";
    for (std::size_t i = 0; ok && i < entries_.size(); ++i) {
        if (i > 0 && i % kSaveProgressEvery == 0) showProgress(texts::kSaving, static_cast<int>(i));
        const Entry& entry = entries_[i];
        std::string path = entry.path.starts_with(inside) ? entry.path.substr(inside.size()) : entry.path;
        sets.fsToUtf(path);
        const std::size_t slash = path.rfind('/');
        const std::string fileOnly = slash == std::string::npos ? path : path.substr(slash + 1);
        const bool titleIsName = fileOnly.starts_with(entry.title) && fileOnly.size() > entry.title.size() &&
                                 fileOnly[entry.title.size()] == '.';
        if (!titleIsName) {
            std::string title = entry.title;
            sets.utfToNative(title);
            // The line's full length is what must be written, however short the title.
            const int expected = static_cast<int>(std::strlen(texts::kExtInf) - 2 + title.size());
            ok = std::fprintf(f, texts::kExtInf, title.c_str()) == expected;
        }
        if (ok) {
            std::string written = path;
            if (!sets.utfToNative(written)) {
                written = path;
                if (!sets.utfToFs(written)) {
                    errno = EILSEQ;
                    ok = false;
                }
            }
            if (ok) ok = std::fprintf(f, "%s\r\n", written.c_str()) == static_cast<int>(written.size() + 2);
        }
    }
    if (ok && std::fflush(f) != 0) ok = false;
    if (!ok) fail(texts::kCantFinishPlaylist);
    file.reset();
    view_->endProgress();
    return ok;
}

}  // namespace sorvex
