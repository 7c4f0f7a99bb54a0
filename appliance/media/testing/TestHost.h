// What the media tests' hosts share: a simulated sound card that plays as fast as it is fed, the
// settings a test host gives a plug-in, commands sent as a host sends them, and the end of a test.
#pragma once

#include <cstdint>
#include <memory>

#include "mediaapi/MvPlugin.h"
#include "qnx/SimulatedSound.h"

namespace media::testing {

// Prepares the zero-filled `ctrl` for binding: the simulated card in place of the output, moving
// its clock itself; `callback` as the status callback; volume 60 and no card for digital output.
// Returns the card.
std::shared_ptr<qnx::SimulatedSound> PrepareHost(MvPluginCtrl &ctrl, MvViewerCallbackF_t callback);

// Terminates a plug-in that is still bound, closes its library when one was loaded, and puts the
// environment's output back.
void EndHost(MvPluginCtrl &ctrl);

// Sends one command as a host does, with `params` as its parameter block and `url`, when given,
// as its one URL. The plug-in's answer.
int SendCommand(MvPluginCtrl &ctrl, uint32_t code, MvPlaybackParams &params, uint32_t which = 0,
                const char *url = nullptr);

}  // namespace media::testing
