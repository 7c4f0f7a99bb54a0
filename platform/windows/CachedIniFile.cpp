#include "windows/CachedIniFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "windows/FileErrors.h"
#include "windows/IniFile.h"

namespace windows {

namespace {

// File times advance in coarse steps: a change within this long of the last one may keep the time.
constexpr std::time_t kCoarseTime = 2;

std::uint64_t nextGeneration() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

}  // namespace

bool CachedIniFile::Stamp::operator==(const Stamp& other) const {
    return exists == other.exists && size == other.size && inode == other.inode && device == other.device &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

CachedIniFile::CachedIniFile(std::filesystem::path file) : file_(std::move(file)) {}

CachedIniFile::Stamp CachedIniFile::stampOf(const std::filesystem::path& file) {
    struct stat st {};
    Stamp stamp;
    if (::stat(file.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uintmax_t>(st.st_size);
    stamp.inode = static_cast<std::uintmax_t>(st.st_ino);
    stamp.device = static_cast<std::uintmax_t>(st.st_dev);
    stamp.modified = st.st_mtim;
    return stamp;
}

bool CachedIniFile::recentlyModified() const {
    std::timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return stamp_.exists && now.tv_sec - stamp_.modified.tv_sec <= kCoarseTime;
}

void CachedIniFile::refresh() {
    Stamp now = stampOf(file_);
    if (loaded_ && now == stamp_ && !recentlyModified()) return;
    bool tooLarge = false;
    std::string text = now.exists ? ReadIniText(file_, tooLarge) : std::string();
    std::error_code ec;
    const bool unreadable = ::access(file_.c_str(), R_OK) != 0 || std::filesystem::is_directory(file_, ec);
    const Found found = !now.exists ? Found::Missing : unreadable ? Found::Unreadable : Found::Text;
    stamp_ = now;
    if (loaded_ && text == text_ && found == found_) return;  // touched or rewritten as it was: the document stands
    found_ = found;
    freshRead_ = true;
    document_ = IniDocument(text);
    generation_ = nextGeneration();
    text_ = std::move(text);
    partial_ = tooLarge;
    loaded_ = true;
}

void CachedIniFile::Forget() noexcept {
    loaded_ = false;
    generation_ = nextGeneration();
}

const IniDocument& CachedIniFile::Read() {
    refresh();
    return document_;
}

IniDocument& CachedIniFile::ReadForUpdate() {
    refresh();
    if (partial_) throw PathFileAccessError();
    return document_;
}

void CachedIniFile::Write() {
    std::string text = document_.Text();
    try {
        WriteIniText(file_, text);
    } catch (...) {
        Forget();  // the change did not reach the file: read it again next time
        throw;
    }
    generation_ = nextGeneration();
    text_ = std::move(text);
    stamp_ = stampOf(file_);
    partial_ = false;
    found_ = Found::Text;
}

}  // namespace windows
