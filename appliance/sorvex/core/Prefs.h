#pragma once
// The jukebox's preferences: the program-wide settings, the ".sorvex" file that keeps them,
// and the path-prefix mappings that make other machines' playlist paths local.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvex {

// One FROM=TO path-prefix mapping.
struct MapDir {
    std::string from;
    std::string to;
};

struct Prefs {
    int shuffle = 1;
    int repeat = 1;
    int autoclear = 1;
    std::vector<std::string> coverNames;
    std::optional<std::string> directory;
    std::string fsCharset = "cp437";
    std::string dataCharset = "ISO-8859-1";
    // The port last asked for; -1 until a "port" line is read.
    int commandPortNumber = -1;
    std::vector<MapDir> mapDirs;  // the last one read first
    std::optional<std::string> defaultList;
    int saveOnExit = 0;
    int defaultListMode = 0;
    int replayGain = 1;
    double addDecibels = 7.0;
};

// "$HOME/.sorvex"; none (and a warning on standard error) without HOME.
std::optional<std::string> InitPrefsPath();

// Adds the comma-separated names, each trimmed; names shorter than two characters are dropped.
void AddCoverNames(Prefs& prefs, const std::string& commaSeparated);
// The cover names joined by ",".
std::string JoinedCoverNames(const Prefs& prefs);

// Reads the file into `prefs`; each "port" line calls `openPort` with its number (after
// storing it). A missing file is silent and leaves the default list unset.
void ReadPrefs(Prefs& prefs, const std::string& path, const std::function<void(int)>& openPort);
// Writes every preference in its fixed order; false (after perror) when the file cannot be written.
bool WritePrefs(const Prefs& prefs, const std::string& path);

// "FROM=TO": adds a mapping at the head of the list; a value without both parts is ignored.
void AddMapDir(Prefs& prefs, const std::string& value);
// Replaces the prefix of the first mapping (in list order) whose FROM begins the path, compared
// without regard to case.
void ApplyMapDir(const Prefs& prefs, std::string& path);

}  // namespace sorvex
