#pragma once
// The contacts file of the host's phone component ("Config/phone-contacts.txt"): one
// contact a line, fields separated by TAB in this order:
//
//   First  last  home_phone  cell_phone  business_phone  announce_local_wav
//
// Missing fields at the end are empty; fields are trimmed. Empty lines and lines that
// begin with ";" or "#" are ignored. A line without a name (first or last) or without a
// number, a line longer than kMaxContactLine and contacts beyond kMaxContacts are skipped,
// each with a note.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace homeseer {

struct Contact {
    std::string First;
    std::string last;
    std::string home_phone;
    std::string cell_phone;
    std::string business_phone;
    std::string announce_local_wav;
    bool operator==(const Contact&) const = default;
};

struct ContactsReading {
    std::vector<Contact> contacts;
    std::vector<std::string> notes;  // one line per skipped line ("line 7: too long")
};

constexpr std::size_t kMaxContactLine = 4096;
constexpr std::size_t kMaxContacts = 10000;

ContactsReading ParseContacts(std::string_view text);

}  // namespace homeseer
