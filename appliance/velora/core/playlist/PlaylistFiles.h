// Named playlists as ".qpl" files: the folder they live in, reading one file's entries and writing
// them back, and the names a playlist may take.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velora {

struct QplEntry {
    std::string url, mime, title;
};

// The playlist folder, worked out once and kept: PLAYLIST_DIR as it is (ending in '/'), else
// HOME + "/.ph/playlist/"; empty when neither is set.
const std::string& GetPlaylistDirName();
// Forgets the kept folder (tests that change the environment).
void ResetPlaylistDirName();

// The entries of a ".qpl" file in file order; an entry is complete at its "TITLE" line. `whole`,
// when given, tells whether the file held nothing else: no line too long or unreadable, no
// comment, no value cut short, no entry without its title, no read error. Only such a file may
// be written back from its entries without losing anything.
std::vector<QplEntry> ReadQpl(FILE* in, bool* whole = nullptr);
// Writes the entries as "URL   n=", "MIME  n=", "TITLE n=" lines. Line breaks in a value are
// written as the two characters backslash-n, which reading turns back into a line break.
void WriteQpl(FILE* out, const std::vector<QplEntry>& entries);

// Whether a playlist name may hold the character: letters, digits, blank, '-', '_', '(' and ')'.
bool IsPlaylistNameChar(unsigned char c);
// Whether a text typed into the name field is accepted (every character allowed).
bool IsPlaylistNameText(const char* text, size_t length);

// Creates each missing folder on the path with mode 0777 (creation mask cleared), stopping at the
// first failure. true when the folder exists afterwards.
bool MakePlaylistDir(const std::string& dir);

}  // namespace velora
