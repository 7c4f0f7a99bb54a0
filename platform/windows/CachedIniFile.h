#pragma once
// An INI file kept parsed between calls: the file is read again only when it changed on disk
// (its size, modification time or identity differ from the last read or write), so that a
// large settings file costs one parse, not one per setting. A file modified within the last
// two seconds (file times are coarse) is compared by its text as well.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>

#include "windows/IniDocument.h"

namespace windows {

class CachedIniFile {
public:
    explicit CachedIniFile(std::filesystem::path file);

    const std::filesystem::path& path() const noexcept { return file_; }

    // The current document (see ReadIniFile): a missing file reads as empty.
    const IniDocument& Read();
    // The current document for a change that Write then stores; raises 75 for a file too large
    // to be read whole (see ReadIniFileForUpdate).
    IniDocument& ReadForUpdate();
    // Writes the document once (see WriteIniFile) and keeps it as the file's current text.
    void Write();
    // A number that changes whenever the document does (read anew, changed and written, dropped);
    // no two documents of any file share one.
    std::uint64_t Generation() const noexcept { return generation_; }
    // Drops the kept document (after a change that must not be written): the next call reads the file.
    void Forget() noexcept;

    // What the last read from disk found. TakeFreshRead is true once after each read that made a
    // new document from the file, so that what it found is told once, not at every setting.
    enum class Found { Text, Missing, Unreadable };
    bool TakeFreshRead() noexcept { return std::exchange(freshRead_, false); }
    Found LastFound() const noexcept { return found_; }

private:
    struct Stamp {
        bool exists = false;
        std::uintmax_t size = 0;
        std::uintmax_t inode = 0;
        std::uintmax_t device = 0;
        std::timespec modified{};
        bool operator==(const Stamp& other) const;
    };
    static Stamp stampOf(const std::filesystem::path& file);
    bool recentlyModified() const;
    void refresh();

    std::filesystem::path file_;
    IniDocument document_;
    std::string text_;  // the file's text the document was made from (or written as)
    Stamp stamp_;
    bool loaded_ = false;
    bool partial_ = false;  // only the start of a too-large file was read
    bool freshRead_ = false;
    Found found_ = Found::Missing;
    std::uint64_t generation_ = 0;
};

}  // namespace windows
