#pragma once
// The text of an INI file as Windows programs write it: "[section]" lines, each followed
// by its "key=value" lines. Sections and keys are found without regard to case (blanks
// around them ignored); a value is everything after the first "=", byte for byte, quotes
// included. Lines that are neither, or that hold control characters other than tab
// (comments, damage, binary garbage), are kept as they are but never read as entries; entries before the first section belong to none.
// The first section of a name and its first entry of a key are the ones read and written.
// Sections and keys are found through indexes, so that a file of many sections or a section of
// many keys is read and changed quickly; reading builds the indexes, so one document is not for
// threads to share unlocked.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace windows {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);  // CR LF or LF line ends

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // The entries of the section in file order, as key (as stored) and value.
    std::vector<std::pair<std::string, std::string>> Section(std::string_view section) const;

    // Replaces the entry's value, or adds the entry at the end of its section, or the
    // section at the end of the text. A section, key or value holding a control character
    // (line breaks, NUL; tab is allowed), a key holding "=" or starting with "[" or ";", or
    // an empty section or key raises 5: such an entry could not be read back as written.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every entry (and every other line) of the section, keeping its header.
    void ClearSection(std::string_view section);
    // Remove an entry, or a section with its lines; false when there was none.
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    // The whole text, every line ended by CR LF.
    std::string Text() const;

    // The lines (numbered from 1) that are damaged: neither blank, a comment (";" or "#"), a
    // "[section]" header nor a "key=value" entry, or holding a control character other than tab.
    // Such lines are kept but never read.
    std::vector<size_t> DamagedLines() const;

private:
    struct Range {
        size_t section;  // index in headers_
        size_t header;   // index of the "[section]" line
        size_t end;      // one past the section's last line
    };
    struct Header {
        size_t line;  // index of the "[section]" line
        // Lower-case key to the line of its first entry, counted from the header; made when first needed.
        std::optional<std::unordered_map<std::string, size_t>> keys;
    };
    std::optional<Range> find(std::string_view section) const;
    std::optional<size_t> findKey(const Range& range, std::string_view key) const;
    void buildIndex() const;
    void insertLine(size_t at, std::string line);

    std::vector<std::string> lines_;
    // Every header line in file order (damaged and repeated ones too, as each ends the section
    // before it), and the lower-case section name to its first header there; made when first needed.
    mutable std::vector<Header> headers_;
    mutable std::unordered_map<std::string, size_t> index_;
    mutable bool indexed_ = false;
};

}  // namespace windows
