#pragma once
// The host side of the media plug-in interface: resolving URLs and playlist files to items,
// choosing the viewer callback and pane by the plug-in's path, loading and unloading.

#include <cstddef>
#include <string>

#include "player/Velora.h"

namespace velora {

// The size of the text buffers the resolving callers pass.
inline constexpr std::size_t kItemBufferSize = 256;

// Fills item (url, mime, plugin) for a URL or a playlist file. buffer (size bytes, at least 256)
// receives the plug-in name, or the error text. Returns buffer, or null after showing the error.
const char* FindItemFromUrl(char* buffer, std::size_t size, PlaylistItem& item, const char* url, const char* mime);

// True when the URL's path names a regular file whose path holds a ':'.
bool IsPlaylistFile(const char* url);
// The title of a URL: its last path part (the one before a trailing slash).
std::string ExtractTitleFromUrl(const char* url);
// Hours (blank for a zero tens digit), minutes and seconds texts of a time in seconds.
void FrameTime(unsigned seconds, char hours[3], char minutes[3], char secondsText[3]);

// Sets the pane image, pane module and priority of the plug-in's kind; returns its callback.
MvViewerCallbackF_t FindPluginCallback(const std::string& path);
// Where a plug-in named in the table is: the program's folder, the lib folder beside it, or
// the name itself for the library search path.
std::string ResolvePluginPath(const std::string& name);

// The folder the running program is in ("" when unknown); SetProgramFolder puts another in its
// place (a test's).
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// A helper program to start (the mixer, the remote-control reader): the one beside the player
// when there is one, else the name as it is, to be found on PATH.
std::string HelperProgram(const char* name);

// Opens a list file for reading without waiting on a pipe or a device: null (errno set, EINVAL
// for a file that is not a regular one) when it cannot be read as a file.
FILE* OpenRegularFile(const char* path);

// Loads the plug-in and makes it current. The record, or null after showing an error.
HostPluginCtrl* load_plugin(const char* path, const char* url);
// Terminates the current plug-in, waits for its MV_DEAD, restores the idle pane and reopens the
// host mixer (its result).
int unload_plugin();
// Schedules the release of a plug-in that reported MV_DEAD while not current.
void UnloadDll(HostPluginCtrl* ctrl);

// Fills setup.drive from the mount point's device. 1 when it did.
int GetDriveFromMountPoint(const char* mountPoint);
// Resets card and device settings the sound driver cannot honour. 1 when it reset any.
int VerifyAudioSetting(MvAudioMediaInfo* audio);

// The alert for an allocation that failed, then the exit path.
[[noreturn]] void NoMemory();

}  // namespace velora
