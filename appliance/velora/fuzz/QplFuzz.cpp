#include "QplFuzz.h"

#include <cstdio>
#include <cstdlib>

#include "playlist/PlaylistFiles.h"

namespace velora::fuzz {

namespace {

// A value never holds more than one line's worth (254 characters), nor the characters that end it.
void Check(const std::string& value)
{
    if (value.size() > 254 || value.find('\r') != std::string::npos || value.find('^') != std::string::npos) abort();
}

}  // namespace

void QplFuzzOne(const uint8_t* data, size_t size)
{
    if (size == 0) return;
    FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!in) return;
    const std::vector<QplEntry> entries = ReadQpl(in);
    fclose(in);
    // Three lines make an entry at most: no entry comes out of nothing.
    if (entries.size() > size / 2 + 1) abort();
    for (const QplEntry& entry : entries) {
        Check(entry.url);
        Check(entry.mime);
        Check(entry.title);
    }
    char* text = nullptr;
    size_t length = 0;
    if (FILE* out = open_memstream(&text, &length)) {
        WriteQpl(out, entries);
        fclose(out);
    }
    free(text);
}

std::vector<std::string> Seeds()
{
    return {
        "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=a.mp3\n"
        "URL   1=http://127.0.0.1:8000/radio\nMIME  1=audio/mpeg\nTITLE 1=\n",
        "# a comment\n.hidden\n\r\nURL   0=file:///music/two\\nlines.wav\r\nMIME  0=audio/x-wav\r\n"
        "TITLE 0=Two\\nlines^rest\r\n",
        "TITLE 0=no url\nURL   7=file:///x\nURL   8=file:///y\nMIME  9=\nTITLE 3=last\nURL   4=dangling\n",
        "URL   0=" + std::string(300, 'u') + "\nMIME  0=m\nTITLE 0=" + std::string(250, 't') + "\n",
        "URL 0=short key\nMIMEX 0=odd\n=novalue\nTITLE =\nTITLE 12345678901234567890=big number\n",
    };
}

}  // namespace velora::fuzz
