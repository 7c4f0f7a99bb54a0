#include "windows/IniDocument.h"

#include "windows/CaseFold.h"
#include "windows/FileErrors.h"

namespace windows {

namespace {

std::string_view trimmed(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// Control characters other than tab mark a damaged line.
bool isClean(std::string_view s) {
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f) return false;
    }
    return true;
}

// The section name of a "[name]" line. A damaged header still ends the section before it;
// its name matches no name that can be written.
std::optional<std::string_view> headerName(std::string_view line) {
    std::string_view t = trimmed(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    size_t close = t.rfind(']');
    if (close == 0 || close == std::string_view::npos) return std::nullopt;
    return trimmed(t.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// The key and value of a "key=value" line; comments and damaged lines have none.
std::optional<Entry> entryOf(std::string_view line) {
    if (!isClean(line)) return std::nullopt;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = trimmed(line.substr(0, eq));
    if (key.empty() || key.front() == ';' || key.front() == '[') return std::nullopt;
    return Entry{key, line.substr(eq + 1)};
}

void requireName(std::string_view name) {
    if (trimmed(name).empty() || !isClean(name)) throw InvalidProcedureCall();
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

void IniDocument::buildIndex() const {
    headers_.clear();
    index_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = headerName(lines_[i])) {
            headers_.push_back(Header{i, std::nullopt});
            index_.emplace(LowerCase(*name), headers_.size() - 1);  // the first one counts
        }
    }
    indexed_ = true;
}

std::optional<IniDocument::Range> IniDocument::find(std::string_view section) const {
    if (!indexed_) buildIndex();
    auto found = index_.find(LowerCase(trimmed(section)));
    if (found == index_.end()) return std::nullopt;
    const size_t at = found->second;
    const size_t end = at + 1 < headers_.size() ? headers_[at + 1].line : lines_.size();
    return Range{at, headers_[at].line, end};
}

// A line that is no header, inserted before `at`: the headers after it move down one. Keys are
// kept counted from their header, so only the section that gains the line could see its keys move.
void IniDocument::insertLine(size_t at, std::string line) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    if (!indexed_) return;
    for (auto header = headers_.rbegin(); header != headers_.rend() && header->line >= at; ++header) ++header->line;
}

std::optional<size_t> IniDocument::findKey(const Range& range, std::string_view key) const {
    auto& keys = headers_[range.section].keys;
    if (!keys) {
        keys.emplace();
        for (size_t i = range.header + 1; i < range.end; ++i)
            if (auto entry = entryOf(lines_[i])) keys->emplace(LowerCase(entry->key), i - range.header);
    }
    auto found = keys->find(LowerCase(trimmed(key)));
    if (found == keys->end()) return std::nullopt;
    return range.header + found->second;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    auto range = find(section);
    if (!range) return std::nullopt;
    auto line = findKey(*range, key);
    if (!line) return std::nullopt;
    return std::string(entryOf(lines_[*line])->value);
}

std::vector<std::pair<std::string, std::string>> IniDocument::Section(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    auto range = find(section);
    if (!range) return entries;
    for (size_t i = range->header + 1; i < range->end; ++i)
        if (auto entry = entryOf(lines_[i])) entries.emplace_back(entry->key, entry->value);
    return entries;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    requireName(section);
    requireName(key);
    if (key.find('=') != std::string_view::npos || trimmed(key).front() == ';' || trimmed(key).front() == '[')
        throw InvalidProcedureCall();
    if (!isClean(value)) throw InvalidProcedureCall();

    auto range = find(section);
    if (!range) {
        lines_.push_back("[" + std::string(trimmed(section)) + "]");
        headers_.push_back(Header{lines_.size() - 1, std::nullopt});
        index_.emplace(LowerCase(trimmed(section)), headers_.size() - 1);
        lines_.push_back(std::string(trimmed(key)) + "=" + std::string(value));
        return;
    }
    if (auto line = findKey(*range, key)) {
        lines_[*line] = std::string(entryOf(lines_[*line])->key) + "=" + std::string(value);
        return;
    }
    // After the section's last non-blank line, so that a blank line before the next section stays there.
    // Only blank lines follow it in the section, so no entry moves; the key index gains the new one.
    size_t at = range->end;
    while (at > range->header + 1 && trimmed(lines_[at - 1]).empty()) --at;
    insertLine(at, std::string(trimmed(key)) + "=" + std::string(value));
    headers_[range->section].keys->emplace(LowerCase(trimmed(key)), at - range->header);
}

void IniDocument::ClearSection(std::string_view section) {
    auto range = find(section);
    if (!range) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header + 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    indexed_ = false;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    auto range = find(section);
    if (!range) return false;
    auto line = findKey(*range, key);
    if (!line) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    indexed_ = false;
    return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
    auto range = find(section);
    if (!range) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    indexed_ = false;
    return true;
}

std::vector<size_t> IniDocument::DamagedLines() const {
    std::vector<size_t> damaged;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view line = lines_[i];
        const std::string_view t = trimmed(line);
        const bool fine = isClean(line) && (t.empty() || t.front() == ';' || t.front() == '#' ||
                                            headerName(line).has_value() || entryOf(line).has_value());
        if (!fine) damaged.push_back(i + 1);
    }
    return damaged;
}

std::string IniDocument::Text() const {
    size_t size = 0;
    for (const std::string& line : lines_) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines_) text.append(line).append("\r\n");
    return text;
}

}  // namespace windows
