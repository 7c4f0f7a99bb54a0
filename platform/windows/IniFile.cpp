#include "windows/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

// Writes `text` as the whole of `file`; the system's error number when that fails, else 0.
int WriteWhole(const fs::path& file, const std::string& text) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int failed = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return failed;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 ? 0 : errno;
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
    // Written with the system's calls, so that a failure keeps the system's reason for it.
    if (const int failed = WriteWhole(temporary, text); failed != 0) {
        fs::remove(temporary, ec);
        throw PathFileAccessError(failed);
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        const int failed = ec.value();
        fs::remove(temporary, ec);
        throw PathFileAccessError(failed);
    }
}

}  // namespace windows
