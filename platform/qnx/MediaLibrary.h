// The appliance platform's media library: the media player's saved settings and the choice of a
// media plug-in by URL or MIME type.
//
// Settings live in the file ZEPHRA_MEDIA_SETTINGS names, else in $HOME/.zephra/mediaplayer.conf:
// one "key = value" a line ("audio.volume = 80"); keys missing from the file keep their default.
// The plug-in table is the file ZEPHRA_MEDIA_PLUGINS names, else a built-in table; one line per
// MIME type: "MIME PLUGIN EXTENSION...", where an extension is matched without regard to case
// against the end of the URL's path and "scheme:" matches any URL of that scheme that no
// extension matched. '#' starts a comment.
#pragma once

#include "mediaapi/MvPlugin.h"

#include <cstddef>

namespace qnx {

constexpr std::size_t kMediaTextSize = 256;  // size of every text buffer these calls fill

// Reads the saved settings into *setup. 1 when settings were saved, else 0 (*setup untouched).
int MvGetMpSetting(MvSetup *setup);
// Fills *setup with the defaults. 1.
int MvGetMpDefaultSetting(MvSetup *setup);
// Saves *setup (creating the folder). 0, or -1 when the file cannot be written.
int MvSetMpSetting(const MvSetup *setup);

// The plug-in for `url` into `plugin` (kMediaTextSize bytes). Non-zero when found. `text`, when
// given, is left empty (there is no look-up text to show).
int MvGetPluginFromUrl(char *plugin, const char *url, int flags, char *text);
// The plug-in for a MIME type. Non-zero when found.
int MvGetPluginFromMime(char *plugin, const char *mime, int flags);
// The MIME type a plug-in file name is listed with first ("" when none). Non-zero when found.
int MvGetMimeFromPlugin(char *mime, const char *plugin, int flags);

}  // namespace qnx
