#pragma once
// Texts the jukebox prints, writes or answers, in one place.

namespace sorvex::texts {

// Start-up and preferences.
constexpr const char* kPrefsName = "%s/.sorvex";
constexpr const char* kNoHome = "Warning: HOME not set, no preferences may be loaded or saved\n";
constexpr const char* kUsage = "Usage: %s [-x|y|w|h num] [-f config-file] [starting-dir]\n";
constexpr const char* kNoStartingDirectory = "Can't determine starting directory";
constexpr const char* kOutOfMemory = "Out of memory!  Aborting.\n";
constexpr const char* kDefaultListName = "/sorvex.m3u";
constexpr const char* kDefaultCovers = "cover.jpg,cover.gif,cover.bmp";

// Character-set translation failures.
constexpr const char* kNativeToUtf = "translating native to UTF";
constexpr const char* kFsToUtf = "translating fs to UTF";
constexpr const char* kUtfToNative = "translating UTF to native";
constexpr const char* kUtfToFs = "translating UTF to fs";

// Command port.
constexpr const char* kReplyOk = "200 OK\n";
constexpr const char* kReplyUnrecognized = "500 Unrecognized command\n";
constexpr const char* kUnrecognizedCommand = "Unrecognized network command: %s\n";
constexpr const char* kCantRead = "Can't read from network";
constexpr const char* kRefusedSave = "Refused network save outside the music folder: %s\n";
constexpr const char* kRefusedHiddenSave = "Refused network save of a hidden file: %s\n";
constexpr const char* kRefusedNameSave = "Refused network save of a name that is no .m3u playlist: %s\n";
constexpr const char* kRefusedAbsoluteSave =
    "Refused network save by an absolute path (a name inside the music folder is needed): %s\n";
constexpr const char* kRefusedUpLevelSave = "Refused network save of a path with \"..\" in it: %s\n";
constexpr const char* kRefusedLinkSave = "Refused network save over a link or a file that is not a plain file: %s\n";
constexpr const char* kPortNotOpened = "Command port %d could not be opened (%s): no network control\n";
constexpr const char* kPortAlert = "Couldn't open command port %d\n%s";
constexpr const char* kStatusMode = "mode %s\n";
constexpr const char* kStatusPlaying = "time %d\nlength %d\nartist %s\nalbum %s\ntrack %s\n";

// Decoder back-ends.
constexpr const char* kReadingFromMadplay = "reading from madplay";
constexpr const char* kReadingFromPlayer = "reading from player";
constexpr const char* kLookedIn = "Looked in the following directories:\n\t";
constexpr const char* kMakeSureInPath = "\nMake sure %s is in one of them and is executable.\n";
constexpr const char* kMakeSureExecutable = "Make sure %s is executable (run \"chmod +x\" on it.)\n";

// Transport.
constexpr const char* kPlayerEnded = "%s ended before playing %s: %s\n";
constexpr const char* kPlayerEndedAlert = "Couldn't play %s\n%s: %s";
constexpr const char* kPlayerSaidNothing = "it said nothing";
constexpr const char* kNotARegularFile = "%s: not a regular file\n";
constexpr const char* kNotFound = "File %s not found (also tried %s)\n";
constexpr const char* kTimeFormat = "%02d:%02d";
constexpr const char* kEntriesFormat = "%d entries...";

// Progress texts.
constexpr const char* kLoading = "Loading";
constexpr const char* kSaving = "Saving";
constexpr const char* kShuffling = "Shuffling";
constexpr const char* kListing = "Listing";
constexpr const char* kProcessing = "Processing...";

// Playlist files.
constexpr const char* kAlertTitle = "Sorvex Alert";
constexpr const char* kCantOpenPlaylist = "Couldn't open playlist file\n%s";
constexpr const char* kCantFinishPlaylist = "Couldn't finish writing playlist\n%s";
constexpr const char* kSaveOutsideMusic = "Playlists are saved inside the music folder\n%s";
constexpr const char* kSaveNoFolder = "Open a folder to save the playlist in";
constexpr const char* kSaveOverLink = "Couldn't save over a link or a file that is not a plain file\n%s";
constexpr const char* kM3uHeader = "#EXTM3U\r\n";
constexpr const char* kExtInf = "#EXTINF:-1,%s\r\n";

// Browser.
constexpr const char* kDontKnow = "Don't know what to do with %s\n";
constexpr const char* kUnknownColour = "Unknown color '%s'";

}  // namespace sorvex::texts
