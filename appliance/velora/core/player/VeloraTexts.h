#pragma once
// Every text the media player shows, prints or sends, in one place.

namespace velora::texts {

// Resolving URLs and loading plug-ins.
inline constexpr const char* kUnableToOpen = "Unable to open %s:%s";
inline constexpr const char* kUnableToOpenPls = "Unable to open %s: %s";
inline constexpr const char* kUnableToOpenMedia = "Unable to open ";  // the path, ": ", the reason
inline constexpr const char* kNotARegularFile = "not a regular file";
inline constexpr const char* kNoValidEntry = "Unable to extract a valid entry from %s";
inline constexpr const char* kNoPluginForUrl = "Unable to associate a plugin with url = '%s'\n";
inline constexpr const char* kCantLoadPlugin = "Can't load plugin '%s'";
inline constexpr const char* kCallingDlclose = "Calling dlclose(%p)\n";
inline constexpr const char* kPluginNeverDead = "Plugin '%s' did not end within %u ms; going on without it\n";
inline constexpr const char* kMimeMpeg = "audio/mpeg";
inline constexpr const char* kMimeDisc = "application/octet";
inline constexpr const char* kMimeUnknown = "unknown";
inline constexpr const char* kPluginDvd = "quenby.so";
inline constexpr const char* kPluginCd = "tarrow.so";
inline constexpr const char* kPlayerName = "Velora Media Player";
inline constexpr const char* kNoMemoryTitle = "Error No Memory";
inline constexpr const char* kNoMemoryText = "System is low on memory.. Velora is shutting down";
inline constexpr const char* kNoMemoryButton = "&OK";
inline constexpr const char* kAudioConflict =
    "Velora Media Player Audio setting conflict with Audio card capability\nInvalid Entries have been reset to default values.";
inline constexpr const char* kNoAudioDriver = " snd_cards() failed no audio driver running";

// Playlist controller.
inline constexpr const char* kNoPluginFor = "Unable to find a plugin for '%s'";
inline constexpr const char* kNeedUrl = "This plugin '%s' need an url";
inline constexpr const char* kWhichPlugin = "Unable to determine which plugin to load";
inline constexpr const char* kUnableToRemove = "Unable to remove the file %s  error: %s\n";

// Transport.
inline constexpr const char* kConnecting = "connecting... please wait";
inline constexpr const char* kNeedsVideoWindow = " Plugin needs Velora Video Window\nCheck Velora Setup Menu";
inline constexpr const char* kNoVideoWindowNeeded = "Plugin does not need Velora Video Window\nCheck Velora Setup Menu";
inline constexpr const char* kUnableToOpenDevice = "Unable to open device %s, error: %s \n";
inline constexpr const char* kLoadFailed =
    "in %s cbeject() devctl(fd = %d, DCMD_CAM_LOAD_MEDIA, NULL, 0, 0) failed err = %d\n";
inline constexpr const char* kEjectFailed =
    "in %s cbeject() devctl(fd = %d, DCMD_CAM_EJECT_MEDIA, NULL, 0, 0) failed err = %d\n";
inline constexpr const char* kSourceName = "../cb_mastercontrol";

// Sound pane.
inline constexpr const char* kOpenFailed = "Open failed";
inline constexpr const char* kNoClip = "No Clip";
inline constexpr const char* kOpening = "Opening";
inline constexpr const char* kOpened = "Opened";
inline constexpr const char* kStopped = "Stopped";
inline constexpr const char* kPaused = "Paused";
inline constexpr const char* kPrefetching = "Prefetching";
inline constexpr const char* kPlaying = "Playing";
inline constexpr const char* kUnknown = "Unknown";
inline constexpr const char* kElapsed = "Elapsed:%s:%s:%s";
inline constexpr const char* kDurationAndElapsed = "%s:%s:%s/%s:%s:%s";
inline constexpr const char* kRemaining = "Remaining:%s:%s:%s";
inline constexpr const char* kTimeError = "Time parsing error";

// Start-up and connector.
inline constexpr const char* kConnectorName = "velora";
inline constexpr const char* kOptions = "s:x:y:S:p:r:u";
inline constexpr const char* kFileScheme = "file://";
inline constexpr const char* kHttpScheme = "http://";

// Main window.
inline constexpr const char* kDvdProgram = "/usr/photon/bin/quenby";
inline constexpr const char* kDefaultSerialPort = "/dev/ser1";
inline constexpr const char* kNoDisplay = "Velora: no display (set DISPLAY)\n";

// Dialogs.
inline constexpr const char* kOpenFileTitle = "Open file";
inline constexpr const char* kOpenButton = "Open";
inline constexpr const char* kCancelButton = "Cancel";
inline constexpr const char* kDefaultFolder = "/usr/share";
inline constexpr const char* kFileSelectorFormat = "nsdo";

}  // namespace velora::texts
