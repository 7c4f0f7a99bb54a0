// The media plug-in interface lives in platform/mediaapi, below the platform's media library and
// the players alike; this path still reaches it for code that names it here.
#pragma once

#include "mediaapi/MvPlugin.h"
