#include "Prefs.h"

#include <fcntl.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "RegularFile.h"
#include "SorvexTexts.h"

namespace sorvex {

namespace {

constexpr int kLineSize = 1000;
constexpr const char* kSeparators = " \t";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int flagOr(const std::optional<std::string>& value, int without) { return value ? std::atoi(value->c_str()) : without; }

void applyLine(Prefs& prefs, const std::string& key, const std::optional<std::string>& value,
               const std::function<void(int)>& openPort) {
    auto is = [&](const char* name) { return strcasecmp(key.c_str(), name) == 0; };
    if (is("shuffle")) prefs.shuffle = flagOr(value, 1);
    else if (is("repeat")) prefs.repeat = flagOr(value, 1);
    else if (is("autoclear")) prefs.autoclear = flagOr(value, 1);
    else if (is("save-on-exit")) prefs.saveOnExit = flagOr(value, 1);
    else if (is("default-list-mode")) prefs.defaultListMode = flagOr(value, 0);
    else if (is("replay-gain")) prefs.replayGain = flagOr(value, 0);
    else if (is("add-decibels")) prefs.addDecibels = value ? std::strtod(value->c_str(), nullptr) : 0.0;
    else if (is("covers")) {
        if (value && std::atoi(value->c_str()) != 0) {
            prefs.coverNames.clear();
            AddCoverNames(prefs, texts::kDefaultCovers);
        }
    } else if (is("cover-file")) {
        if (value) AddCoverNames(prefs, *value);
    } else if (is("directory")) {
        if (!prefs.directory && value) prefs.directory = *value;
    } else if (is("fs-charset")) {
        if (value) prefs.fsCharset = *value;
    } else if (is("data-charset")) {
        if (value) prefs.dataCharset = *value;
    } else if (is("port")) {
        if (value) {
            prefs.commandPortNumber = std::atoi(value->c_str());
            if (openPort) openPort(prefs.commandPortNumber);
        }
    } else if (is("map-dir")) {
        if (value) AddMapDir(prefs, *value);
    } else if (is("default-list")) {
        if (value && !prefs.defaultList) prefs.defaultList = *value;
    }
}

}  // namespace

std::optional<std::string> InitPrefsPath() {
    const char* home = std::getenv("HOME");
    if (!home) {
        std::fputs(texts::kNoHome, stderr);
        return std::nullopt;
    }
    return std::string(home) + "/.sorvex";
}

void AddCoverNames(Prefs& prefs, const std::string& commaSeparated) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = commaSeparated.find(',', start);
        const std::string name =
            trimmed(commaSeparated.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (name.size() >= 2) prefs.coverNames.push_back(name);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

std::string JoinedCoverNames(const Prefs& prefs) {
    std::string joined;
    for (const std::string& name : prefs.coverNames) {
        if (!joined.empty()) joined += ',';
        joined += name;
    }
    return joined;
}

void ReadPrefs(Prefs& prefs, const std::string& path, const std::function<void(int)>& openPort) {
    File file(OpenRegularStream(path, O_RDONLY, "r"));
    if (!file) {
        if (errno == EINVAL) std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        else if (errno != ENOENT) std::perror(path.c_str());
        return;
    }
    char buffer[kLineSize];
    while (std::fgets(buffer, sizeof buffer, file.get())) {
        buffer[std::strcspn(buffer, "\r\n")] = '\0';
        if (buffer[0] == '\0' || buffer[0] == '#') continue;
        std::string line(buffer);
        const std::size_t keyStart = line.find_first_not_of(kSeparators);
        if (keyStart == std::string::npos) continue;
        const std::size_t keyEnd = line.find_first_of(kSeparators, keyStart);
        const std::string key =
            line.substr(keyStart, keyEnd == std::string::npos ? std::string::npos : keyEnd - keyStart);
        std::optional<std::string> value;
        if (keyEnd != std::string::npos && keyEnd + 1 < line.size()) value = line.substr(keyEnd + 1);
        applyLine(prefs, key, value, openPort);
    }
    if (!prefs.defaultList) {
        const char* home = std::getenv("HOME");
        if (!home || std::strcmp(home, "/") == 0) prefs.defaultList = texts::kDefaultListName;
        else prefs.defaultList = std::string(home) + texts::kDefaultListName;
    }
}

bool WritePrefs(const Prefs& prefs, const std::string& path) {
    File file(OpenRegularStream(path, O_WRONLY | O_CREAT | O_TRUNC, "w"));
    if (!file) {
        if (errno == EINVAL) std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        else std::perror(path.c_str());
        return false;
    }
    std::FILE* f = file.get();
    std::fprintf(f, "shuffle %d\n", prefs.shuffle);
    std::fprintf(f, "repeat %d\n", prefs.repeat);
    std::fprintf(f, "autoclear %d\n", prefs.autoclear);
    const std::string covers = JoinedCoverNames(prefs);
    if (!covers.empty()) std::fprintf(f, "cover-file %s\n", covers.c_str());
    std::fprintf(f, "save-on-exit %d\n", prefs.saveOnExit);
    std::fprintf(f, "default-list-mode %d\n", prefs.defaultListMode);
    std::fprintf(f, "directory %s\n", prefs.directory.value_or("").c_str());
    std::fprintf(f, "default-list %s\n", prefs.defaultList.value_or("").c_str());
    std::fprintf(f, "add-decibels %f\n", prefs.addDecibels);
    std::fprintf(f, "replay-gain %d\n", prefs.replayGain);
    std::fprintf(f, "fs-charset %s\n", prefs.fsCharset.c_str());
    std::fprintf(f, "data-charset %s\n", prefs.dataCharset.c_str());
    // Oldest first, so that reading the file back puts the mappings in the same order again.
    for (auto map = prefs.mapDirs.rbegin(); map != prefs.mapDirs.rend(); ++map)
        std::fprintf(f, "map-dir %s=%s\n", map->from.c_str(), map->to.c_str());
    if (prefs.commandPortNumber > 0) std::fprintf(f, "port %d\n", prefs.commandPortNumber);
    if (std::fflush(f) != 0 || std::ferror(f)) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

void AddMapDir(Prefs& prefs, const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 >= value.size()) return;
    prefs.mapDirs.insert(prefs.mapDirs.begin(), MapDir{value.substr(0, equals), value.substr(equals + 1)});
}

void ApplyMapDir(const Prefs& prefs, std::string& path) {
    for (const MapDir& map : prefs.mapDirs) {
        if (path.size() >= map.from.size() && strncasecmp(path.c_str(), map.from.c_str(), map.from.size()) == 0) {
            path = map.to + path.substr(map.from.size());
            return;
        }
    }
}

}  // namespace sorvex
