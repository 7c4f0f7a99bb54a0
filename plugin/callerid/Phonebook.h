#pragma once
// The phone books the caller-ID lookup reads: one in-memory index from the number's digits
// to its entry, rebuilt from the host phone's address book and the file "Friends.txt" at
// every load of the settings.

#include <map>
#include <string>

#include "vb/Object.h"

namespace zephra {

class PluginState;

// One phone-book entry.
class Phonebook {
public:
    std::string PhoneNumber = "0000000000";  // as written in its source
    std::string FirstName;
    std::string LastName;
    std::string Location;  // "home", "cell", "work" or ""
    std::string Wav;       // WAV file to play for this caller
    std::string Icon;      // kept, always ""

    // The display name with every "&" replaced by "and".
    std::string Name() const;
    void Name(const std::string& name) { name_ = name; }
    // PhoneNumber without "-", "(", ")" and blanks.
    std::string Key() const;

private:
    std::string name_;
};

// Key (exact compare) to entry; the first entry stored for a key stays.
using PhonebookIndex = std::map<std::string, Phonebook>;

// The number with every "-", "(", ")" and blank removed: the index's key.
std::string PhonebookKey(const std::string& number);

// Replaces the index by a new one: the host phone's address book when "useHSPPhoneBook" is
// on, then "Friends.txt" when "useFriends" is on (the address book wins for a number both hold).
void BuildPhonebook(PluginState& state);
// Adds every home, cell and business number of the host phone's address book.
void BuildHSPPhonebook(PluginState& state);
// Adds one number of an address-book entry (a late-bound object with `First`, `last` and
// `announce_local_wav`); a number already present gets the entry's name joined with " or ".
void AddHSP(PluginState& state, const vb::Variant& entry, const std::string& number, const std::string& label);
// Adds the entries of FriendsLocation & "Friends.txt" whose number is not present yet.
void BuildFriendsPhonebook(PluginState& state);

}  // namespace zephra
