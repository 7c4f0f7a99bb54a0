#include "callerid/Phonebook.h"

#include <memory>
#include <vector>

#include "automation/CallByName.h"
#include "callerid/CallerIdPart.h"
#include "callerid/CallerIdTexts.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"
#include "windows/TextStream.h"

namespace zephra {

using namespace cidtext;

namespace {

// Longest "Friends.txt" line taken; longer ones are skipped with a log line.
constexpr std::size_t kMaxFriendsLine = 4096;

// The routine's tag (and the pending error) into the host log; a failing host is ignored.
void LogTag(PluginState& state, const char* tag) {
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

std::string Member(const vb::Variant& object, const char* name) {
    return vb::CStr(automation::getProperty(object, name));
}

// One line of "Friends.txt": the number (field 1, unchanged), the name (the first non-empty
// field after it) and the WAV file (the next non-empty field); no name when the line has
// none.
struct FriendsLine {
    std::string number;
    std::string name;
    std::string wav;
};

FriendsLine ParseFriendsLine(const std::string& line) {
    FriendsLine parsed;
    const std::vector<std::string> fields = vb::Split(line, "\t");
    if (fields.empty()) return parsed;
    parsed.number = fields[0];
    std::size_t i = 1;
    for (; i < fields.size() && parsed.name.empty(); ++i) parsed.name = vb::Trim(fields[i]);
    for (; i < fields.size() && parsed.wav.empty(); ++i) parsed.wav = vb::Trim(fields[i]);
    return parsed;
}

// A WAV file without a drive or a network path lies in the friends folder.
std::string FriendsWav(const std::string& wav, const std::string& folder) {
    if (wav.empty() || vb::InStr(wav, "\\\\") > 0 || vb::InStr(wav, ":") > 0) return wav;
    return folder + wav;
}

// The friends file's name as the folder holds it, found without regard to case: a folder typed
// as a Linux path is taken as it stands, so its file's case is not looked after by the mapping.
std::string FriendsFileName(const windows::FileSystemObject& files, const std::string& folder) {
    if (files.FileExists(folder + kFriendsFile) || !files.FolderExists(folder)) return kFriendsFile;
    for (const windows::File& file : files.GetFolder(folder).Files())
        if (vb::equalsFolded(file.Name(), kFriendsFile)) return file.Name();
    return kFriendsFile;
}

}  // namespace

std::string Phonebook::Name() const { return vb::Replace(name_, "&", "and"); }

std::string Phonebook::Key() const { return PhonebookKey(PhoneNumber); }

std::string PhonebookKey(const std::string& number) {
    std::string key;
    for (char c : number)
        if (c != '-' && c != '(' && c != ')' && c != ' ') key += c;
    return key;
}

void BuildPhonebook(PluginState& state) {
    state.Part<CallerIdPart>().phonebookIndex = PhonebookIndex();
    if (!vb::Try([&] {
            if (state.settings.useHSPPhoneBook) BuildHSPPhonebook(state);
            if (state.settings.useFriends) BuildFriendsPhonebook(state);
        }))
        LogTag(state, kBuildPhonebookTag);
}

void BuildHSPPhonebook(PluginState& state) {
    if (!vb::Try([&] {
            if (!state.services.InitHSP(state)) return;
            const vb::Variant phone(state.hostInterface.HostPhone);
            const int32_t count = vb::CLng(automation::callByName(phone, "ADRCount"));
            for (int32_t i = 1; i <= count; ++i) {
                const vb::Variant entry = automation::callByName(phone, "ADRGet", {vb::Variant(i)});
                const std::pair<const char*, const char*> numbers[] = {
                    {"home_phone", kHome}, {"cell_phone", kCell}, {"business_phone", kWork}};
                for (const auto& [name, label] : numbers) {
                    const std::string number = Member(entry, name);
                    if (!number.empty()) AddHSP(state, entry, number, label);
                }
            }
        }))
        LogTag(state, kBuildHSPTag);
}

void AddHSP(PluginState& state, const vb::Variant& entry, const std::string& number, const std::string& label) {
    if (!vb::Try([&] {
            const std::string first = Member(entry, "First");
            const std::string last = Member(entry, "last");
            PhonebookIndex& index = state.Part<CallerIdPart>().phonebookIndex;
            const std::string key = PhonebookKey(number);
            auto found = index.find(key);
            if (found != index.end()) {
                Phonebook& e = found->second;
                if (e.LastName == last) {
                    e.FirstName = e.FirstName + kOr + first;
                    e.Name(e.FirstName + " " + e.LastName);
                } else {
                    e.Name(e.Name() + kOr + first + " " + last);
                }
                return;
            }
            Phonebook e;
            e.FirstName = first;
            e.LastName = last;
            e.Name(first + " " + last);
            e.Location = state.settings.ExcludeHSPLocation ? std::string() : label;
            e.PhoneNumber = number;
            e.Wav = Member(entry, "announce_local_wav");
            index.emplace(key, std::move(e));
        }))
        LogTag(state, kAddHSPTag);
}

void BuildFriendsPhonebook(PluginState& state) {
    if (!vb::Try([&] {
            const std::string& folder = state.settings.FriendsLocation;
            if (folder.empty()) return;
            windows::FileSystemObject files;
            const std::string path = folder + FriendsFileName(files, folder);
            if (!files.FileExists(path)) {
                const std::string tried = windows::TextName(windows::MapPath(path).native.string());
                if (state.Part<CallerIdPart>().missingFriendsFiles.insert(tried).second)
                    WriteLog(state.Host(), kSource, kFriendsFileMissing + tried);
                return;
            }
            std::shared_ptr<windows::TextStream> in = files.OpenTextFile(path, windows::ForReading);
            PhonebookIndex& index = state.Part<CallerIdPart>().phonebookIndex;
            for (int32_t lineNumber = 1; !in->AtEndOfStream(); ++lineNumber) {
                const std::string line = in->ReadLine();
                if (line.size() > kMaxFriendsLine) {
                    WriteLog(state.Host(), kSource, kFriendsLineTooLong + std::to_string(lineNumber));
                    continue;
                }
                if (!line.empty() && line[0] == ';') continue;
                const FriendsLine parsed = ParseFriendsLine(line);
                const std::string key = PhonebookKey(parsed.number);
                // A line without a number would stand for every caller that gives none.
                if (parsed.name.empty() || key.empty() || index.count(key)) continue;
                Phonebook e;
                e.Name(parsed.name);
                e.Wav = FriendsWav(parsed.wav, folder);
                e.PhoneNumber = parsed.number;
                index.emplace(key, std::move(e));
            }
        }))
        LogTag(state, kBuildFriendsTag);
}

}  // namespace zephra
