#include "windows/IniFile.h"

#include <fstream>
#include <string>
#include <system_error>

#include "windows/FileErrors.h"

namespace windows {

namespace {

namespace fs = std::filesystem;

constexpr std::streamsize kLargestFile = 16 * 1024 * 1024;

// The file's first bytes, up to one more than the limit so that the caller sees it is larger.
std::string readStart(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string text;
    char chunk[64 * 1024];
    while (text.size() <= static_cast<size_t>(kLargestFile) && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > static_cast<size_t>(kLargestFile) + 1) text.resize(static_cast<size_t>(kLargestFile) + 1);
    return text;
}

}  // namespace

IniDocument ReadIniFile(const fs::path& file) {
    bool tooLarge = false;
    return IniDocument(ReadIniText(file, tooLarge));
}

std::string ReadIniText(const fs::path& file, bool& tooLarge) {
    std::string text = readStart(file);
    tooLarge = text.size() > static_cast<size_t>(kLargestFile);
    if (tooLarge) text.resize(static_cast<size_t>(kLargestFile));
    return text;
}

IniDocument ReadIniFileForUpdate(const fs::path& file) {
    std::string text = readStart(file);
    if (text.size() > static_cast<size_t>(kLargestFile)) throw PathFileAccessError();
    return IniDocument(text);
}

void WriteIniFile(const fs::path& file, const IniDocument& document) { WriteIniText(file, document.Text()); }

void WriteIniText(const fs::path& file, const std::string& text) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    fs::path temporary = file;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            throw PathFileAccessError();
        }
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        fs::remove(temporary, ec);
        throw PathFileAccessError();
    }
}

}  // namespace windows
