#pragma once
// The host's INI files: bare file names in the application folder's "Config" folder,
// found without regard to case. A missing or damaged file never fails a read. Each file is kept
// parsed and read again only when it changed on disk.

#include <array>
#include <functional>
#include <map>
#include <set>
#include <vector>
#include <mutex>
#include <string>
#include <string_view>

#include "windows/CachedIniFile.h"
#include "windows/IniDocument.h"

namespace homeseer {

// The host's own settings file.
inline constexpr const char* kHostSettingsFile = "settings.ini";

class IniStore {
public:
    // A file name holding a path ("\", "/", ":") raises 52 "Bad file name or number"; values
    // that could not be read back (line breaks, NUL) raise 5. Get and Save read an empty file
    // name as the host's own settings file; Section and Clear refuse it with 52.
    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& file) const;
    void Save(const std::string& section, const std::string& key, const std::string& value, const std::string& file);
    // One step of SaveAll: a key stored, or its section emptied.
    struct Entry {
        std::string section, key, value;
        bool clearSection = false;
    };
    // The entries stored in order and written as one file (a temporary file renamed over it):
    // when one entry cannot be stored, the file is left as it was and the error raised.
    void SaveAll(const std::vector<Entry>& entries, const std::string& file);
    std::string Section(const std::string& section, const std::string& file) const;
    void Clear(const std::string& section, const std::string& file);

    // Told one line, naming the file (and the line), each time a file read from disk holds a
    // damaged line, and when one of the `expected` files is missing, empty or unreadable. The
    // notice is called with the store's lock held: it must not call the store.
    using Notice = std::function<void(const std::string&)>;
    void setNotice(Notice notice, std::set<std::string> expected);

private:
    windows::CachedIniFile& cached(const std::string& file) const;
    // The file's document, with what a fresh read of it found told.
    const windows::IniDocument& read(const std::string& file) const;
    windows::IniDocument& readForUpdate(const std::string& file);
    void tell(windows::CachedIniFile& cache, const windows::IniDocument& document, const std::string& file) const;

    Notice notice_;
    std::set<std::string> expected_;  // lower case
    mutable std::mutex mutex_;
    mutable std::map<std::string, windows::CachedIniFile> files_;  // by path
};

// The entries of a section as the host hands them out: "key=value" joined by NUL.
std::string SectionText(const windows::IniDocument& document, std::string_view section);

}  // namespace homeseer
