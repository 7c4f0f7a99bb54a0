#pragma once
// Translation between UTF-8 and the two character sets the preferences name: "native" (tag
// texts, playlist titles and paths written into playlists) and the file-system one.

#include <string>

namespace sorvex {

class Charsets {
public:
    Charsets(std::string native, std::string fileSystem) : native_(std::move(native)), fs_(std::move(fileSystem)) {}

    // Each translates `text` in place and returns true; the result is cut to `size` - 1 bytes.
    // On failure the text is left as it was and false is returned (after perror for the
    // translations towards UTF-8 and for failed conversions).
    bool nativeToUtf(std::string& text, std::size_t size = kSize) const;
    bool fsToUtf(std::string& text, std::size_t size = kSize) const;
    bool utfToNative(std::string& text, std::size_t size = kSize) const;
    bool utfToFs(std::string& text, std::size_t size = kSize) const;

    static constexpr std::size_t kSize = 1000;

private:
    std::string native_;
    std::string fs_;
};

}  // namespace sorvex
