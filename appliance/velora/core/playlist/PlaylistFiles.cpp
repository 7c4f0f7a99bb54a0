// The ".qpl" format: three lines per entry, each a six-character key, the entry's number, '='
// and the value.
#include "playlist/PlaylistFiles.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace velora {

namespace {

constexpr int kLineSize = 255;  // lines of up to 254 characters

std::string& KeptDir()
{
    static std::string dir;
    return dir;
}
bool& KeptDirKnown()
{
    static bool known = false;
    return known;
}

// Backslash-n in a stored value is a line break.
std::string Unescape(const char* value)
{
    std::string out;
    for (const char* p = value; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            out += '\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// A line break inside a value would end the line early and lose the entry on reading.
std::string Escape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r') {
            out += "\\n";
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else if (value[i] == '\n') {
            out += "\\n";
        } else {
            out += value[i];
        }
    }
    return out;
}

}  // namespace

const std::string& GetPlaylistDirName()
{
    if (!KeptDirKnown()) {
        KeptDirKnown() = true;
        const char* dir = getenv("PLAYLIST_DIR");
        const char* home = getenv("HOME");
        if (dir) KeptDir() = dir;
        else if (home) KeptDir() = std::string(home) + "/.ph/playlist/";
        else KeptDir().clear();
    }
    return KeptDir();
}

void ResetPlaylistDirName()
{
    KeptDirKnown() = false;
    KeptDir().clear();
}

namespace {

// One line of the file without its line end: false at the end of the file. `cut` is set when the
// line was longer than a line may be (the rest of it is passed over, never read as a line of its
// own), `nul` when it held a NUL byte.
bool NextLine(FILE* in, char (&line)[kLineSize], bool& cut, bool& nul)
{
    size_t length = 0;
    cut = nul = false;
    int c = 0;
    while ((c = getc(in)) != EOF && c != '\n') {
        if (c == '\0') nul = true;
        if (length + 1 < sizeof line) line[length++] = static_cast<char>(c);
        else cut = true;
    }
    line[length] = '\0';
    return c != EOF || length > 0 || cut || nul;
}

}  // namespace

std::vector<QplEntry> ReadQpl(FILE* in, bool* whole)
{
    std::vector<QplEntry> entries;
    QplEntry current;
    bool started = false, complete = true;
    char line[kLineSize];
    bool cut = false, nul = false;
    while (NextLine(in, line, cut, nul)) {
        if (cut || nul) complete = false;
        // Blank lines and comments ('.' or '#' first) are read past; they hold no entry.
        if (line[0] == '\0' || line[0] == '\r' || line[0] == '.' || line[0] == '#') continue;
        char key[kLineSize] = "";
        char value[kLineSize] = "";
        // A value that is empty does not convert; the key alone still counts.
        if (sscanf(line, "%254[AEILMPRSTUY0123456789 ]=%254[^\n^\r]", key, value) < 1 || strlen(key) < 6) {
            complete = false;
            continue;
        }
        // The value as written runs to the line's end (a CR before it aside).
        const char* written = line + strlen(key) + 1;
        size_t writtenLength = strlen(line) - strlen(key) - 1;
        if (writtenLength > 0 && written[writtenLength - 1] == '\r') --writtenLength;
        if (line[strlen(key)] != '=' || strlen(value) != writtenLength) complete = false;
        if (strncmp(key, "URL   ", 6) == 0) {
            current.url = Unescape(value);
            started = true;
        } else if (strncmp(key, "MIME  ", 6) == 0) {
            current.mime = Unescape(value);
            started = true;
        } else if (strncmp(key, "TITLE ", 6) == 0) {
            current.title = Unescape(value);
            entries.push_back(current);
            current = QplEntry{};
            started = false;
        } else {
            complete = false;
        }
    }
    // An entry without its title line is not kept.
    if (started || ferror(in)) complete = false;
    if (whole) *whole = complete;
    return entries;
}

void WriteQpl(FILE* out, const std::vector<QplEntry>& entries)
{
    int n = 0;
    for (const QplEntry& e : entries) {
        fprintf(out, "URL   %d=%s\n", n, Escape(e.url).c_str());
        fprintf(out, "MIME  %d=%s\n", n, Escape(e.mime).c_str());
        fprintf(out, "TITLE %d=%s\n", n, Escape(e.title).c_str());
        ++n;
    }
}

bool IsPlaylistNameChar(unsigned char c)
{
    return isalnum(c) || c == ' ' || c == '-' || c == '_' || c == '(' || c == ')';
}

bool IsPlaylistNameText(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (!IsPlaylistNameChar(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool MakePlaylistDir(const std::string& dir)
{
    const mode_t mask = umask(0);
    bool ok = true;
    for (size_t pos = 1; ok && pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/') continue;
        const std::string part = dir.substr(0, pos);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) continue;
        ok = mkdir(part.c_str(), 0777) == 0 || errno == EEXIST;
    }
    umask(mask);
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace velora
