#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "player/Velora.h"

namespace velora {

using namespace photon;

MPlayer mplayer;

namespace {
void RealSleep(unsigned ms) { ::usleep(ms * 1000); }
uint64_t RealClockMs()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}
}  // namespace

void (*HostSleep)(unsigned ms) = RealSleep;
uint64_t (*HostClockMs)() = RealClockMs;

PtWidget_t* W(const char* name)
{
    if (PtWidget_t* base = ApWidget("base"))
        if (PtWidget_t* widget = ApGetWidgetPtr(base, name)) return widget;
    return ApWidget(name);
}

int SendCommand(uint32_t cmdType, uint32_t which, const char** urls)
{
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (!ctrl || !ctrl->ctrl.calls || !ctrl->ctrl.calls->command) return -1;
    MvCommandData command{};
    command.cmdType = cmdType;
    command.pluginCtrl = &ctrl->ctrl;
    command.urls = urls;
    command.which = which;
    command.param = &mplayer.params;
    if (cmdType == CMD_PLUGIN_OPEN_URLS) {
        command.nodeString = std::getenv("HOSTNAME");
        command.displayString = "PHOTON";
    }
    return ctrl->ctrl.calls->command(&command);
}

}  // namespace velora
