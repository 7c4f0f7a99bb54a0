#include "homeseer/Contacts.h"

namespace homeseer {

namespace {

std::string trimmed(std::string_view s) {
    std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    std::size_t end = s.find_last_not_of(" \t");
    return std::string(s.substr(begin, end - begin + 1));
}

std::vector<std::string> fieldsOf(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(
            trimmed(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start)));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    fields.resize(6);
    return fields;
}

bool ignored(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == ';' || line[first] == '#';
}

}  // namespace

ContactsReading ParseContacts(std::string_view text) {
    ContactsReading reading;
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ignored(line)) continue;
        if (line.size() > kMaxContactLine) {
            reading.notes.push_back("line " + std::to_string(number) + ": too long");
            continue;
        }
        std::vector<std::string> f = fieldsOf(line);
        Contact c{f[0], f[1], f[2], f[3], f[4], f[5]};
        if ((c.First.empty() && c.last.empty()) ||
            (c.home_phone.empty() && c.cell_phone.empty() && c.business_phone.empty())) {
            reading.notes.push_back("line " + std::to_string(number) + ": no name or no number");
            continue;
        }
        if (reading.contacts.size() >= kMaxContacts) {
            reading.notes.push_back("line " + std::to_string(number) + ": too many contacts");
            continue;
        }
        reading.contacts.push_back(std::move(c));
    }
    return reading;
}

}  // namespace homeseer
