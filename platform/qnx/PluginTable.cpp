// Which media plug-in plays a URL or a MIME type: a table of MIME types, plug-in files and
// URL endings.
#include "qnx/MediaLibrary.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qnx {

namespace {

constexpr const char *kTableVariable = "ZEPHRA_MEDIA_PLUGINS";

// The table in force when no table file is named. The plug-ins go by the names the media
// player's kind rules know (brisko.so, plimsa.so), which the build puts beside Brisko_rave.so and
// Plimsa_rave.so.
constexpr const char *kBuiltInTable =
    "# MIME type      plug-in         URL endings\n"
    "audio/mpeg       brisko.so       mp3 mp2 mp1 mpa mpga http:\n"
    "audio/x-wav      plimsa.so       wav\n"
    "audio/basic      plimsa.so       au snd\n"
    "audio/x-aiff     plimsa.so       aif aiff aifc\n"
    "audio/x-8svx     plimsa.so       iff 8svx svx\n";

struct Entry {
    std::string mime;
    std::string plugin;
    std::vector<std::string> endings;  // lower case; "scheme:" for a whole scheme
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<Entry> ParseTable(std::istream &in)
{
    std::vector<Entry> table;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        Entry entry;
        if (!(words >> entry.mime >> entry.plugin))
            continue;
        for (std::string ending; words >> ending;)
            entry.endings.push_back(Lower(ending));
        table.push_back(std::move(entry));
    }
    return table;
}

std::vector<Entry> Table()
{
    if (const char *path = std::getenv(kTableVariable); path && *path) {
        std::ifstream file(path);
        if (file)
            return ParseTable(file);
    }
    std::istringstream builtIn(kBuiltInTable);
    return ParseTable(builtIn);
}

// Copies a text into a kMediaTextSize buffer; non-zero when it fitted.
int Answer(char *buffer, const std::string &text)
{
    if (!buffer || text.size() >= kMediaTextSize)
        return 0;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

// The URL's path without query and fragment, in lower case.
std::string PathOf(const std::string &url)
{
    std::string path = url.substr(0, url.find_first_of("?#"));
    return Lower(path);
}

std::string SchemeOf(const std::string &url)
{
    std::size_t colon = url.find("://");
    return colon == std::string::npos ? "" : Lower(url.substr(0, colon + 1));
}

bool EndsWithExtension(const std::string &path, const std::string &ending)
{
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return path.compare(dot + 1, std::string::npos, ending) == 0;
}

}  // namespace

int MvGetPluginFromUrl(char *plugin, const char *url, int, char *text)
{
    if (text)
        text[0] = '\0';
    if (!url)
        return 0;
    const std::vector<Entry> table = Table();
    const std::string path = PathOf(url);
    for (const Entry &entry : table)
        for (const std::string &ending : entry.endings)
            if (ending.back() != ':' && EndsWithExtension(path, ending))
                return Answer(plugin, entry.plugin);
    const std::string scheme = SchemeOf(url);
    for (const Entry &entry : table)
        if (!scheme.empty() && std::find(entry.endings.begin(), entry.endings.end(), scheme) != entry.endings.end())
            return Answer(plugin, entry.plugin);
    return 0;
}

int MvGetPluginFromMime(char *plugin, const char *mime, int)
{
    if (!mime)
        return 0;
    const std::string wanted = Lower(mime);
    for (const Entry &entry : Table())
        if (Lower(entry.mime) == wanted)
            return Answer(plugin, entry.plugin);
    return 0;
}

int MvGetMimeFromPlugin(char *mime, const char *plugin, int)
{
    if (mime)
        mime[0] = '\0';
    if (!plugin)
        return 0;
    // A path names the same plug-in as its file name, in the question and in the table.
    auto fileName = [](const std::string &path) { return path.substr(path.find_last_of('/') + 1); };
    const std::string name = fileName(plugin);
    for (const Entry &entry : Table())
        if (fileName(entry.plugin) == name)
            return Answer(mime, entry.mime);
    return 0;
}

}  // namespace qnx
