#include "media/testing/TestHost.h"

#include "media/LoadDll.h"

namespace media::testing {

namespace {

constexpr uint32_t kVolume = 60;
constexpr uint32_t kNoCard = 0xFFFFFFFF;

}  // namespace

std::shared_ptr<qnx::SimulatedSound> PrepareHost(MvPluginCtrl &ctrl, MvViewerCallbackF_t callback)
{
    auto sim = qnx::SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    ctrl.cb = callback;
    ctrl.setup.audio.volume = kVolume;
    ctrl.setup.audio.spdifPlaybackCard = ctrl.setup.audio.spdifPlaybackDevice = kNoCard;
    return sim;
}

void EndHost(MvPluginCtrl &ctrl)
{
    if (ctrl.pdata)
        ctrl.calls->terminate(&ctrl);
    UnloadDll(&ctrl);
    qnx::SimulatedSound::Uninstall();
}

int SendCommand(MvPluginCtrl &ctrl, uint32_t code, MvPlaybackParams &params, uint32_t which, const char *url)
{
    const char *urls[] = {url, nullptr};
    MvCommandData cmd{};
    cmd.cmdType = code;
    cmd.pluginCtrl = &ctrl;
    cmd.urls = urls;
    cmd.which = which;
    cmd.param = &params;
    return ctrl.calls->command(&cmd);
}

}  // namespace media::testing
