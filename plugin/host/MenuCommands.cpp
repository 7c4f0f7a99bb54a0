#include "host/MenuCommands.h"

#include <functional>
#include <memory>
#include <vector>

#include "automation/CallByName.h"
#include "callerid/EchoWindow.h"
#include "callerid/ModemInput.h"
#include "callerid/UdpServer.h"
#include "callerid/frmOptions.h"
#include "core/Checkout.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "core/QueueTimer.h"
#include "core/Zephra.h"
#include "host/HostTexts.h"
#include "setup/ZephraSetup.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

using namespace hosttext;

constexpr int16_t kSlideshowStarted = 1;
constexpr int16_t kSlideshowStopped = 2;
constexpr int16_t kDataReceived = 2;

// Runs `work` on every appliance of the table, in table order.
void EachAppliance(PluginState& state, const std::function<void(Zephra&)>& work) {
    std::vector<std::shared_ptr<Zephra>> appliances;
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object) appliances.push_back(slot.Object);
    for (const std::shared_ptr<Zephra>& zephra : appliances) work(*zephra);
}

// This host has no browser to start; the address it would open goes to the log.
void OpenInBrowser(PluginState& state, const std::string& address) {
    WriteLog(state.Host(), kSource, kOpenAddress + address);
}

void ShowServerWindow(PluginState& state) {
    if (!state.Part<UdpServerState>().window) state.Part<UdpServerState>().window = std::make_shared<frmOptions>(state);
    state.Part<UdpServerState>().window->Show(forms::vbModal);
}

void ShowModemWindow(PluginState& state) {
    ShowEchoWindow(state);
    if (state.settings.DebugLog) ProcessCommData(state, kSampleCallerId, kDataReceived);
}

}  // namespace

void RegisterMenus(PluginState& state) {
    if (settings::ReadText(state.Host(), settings::MainSetting("inMenu")) == "0") return;
    const vb::Variant callback(state.CallbackObject);
    auto add = [&](const char* caption) {
        automation::callByName(callback, "RegisterMenu", {vb::Variant(kPluginName), vb::Variant(caption)});
    };
    if (state.IsSetup) add(kMenuBrowser);
    for (const char* caption : kMenuEntries) add(caption);
}

void SelectMenu(PluginState& state, const std::string& caption) {
    if (!state.IsStandAlone && !state.IsSetup) return;
    if (caption == kMenuBrowser) {
        if (state.IsSetup) OpenInBrowser(state, kLocalhost + state.settings.ServerPort + kStatusPage);
    } else if (caption == kMenuSetup) {
        ShowZephraSetup(state);
    } else if (caption == kMenuServer) {
        ShowServerWindow(state);
    } else if (caption == kMenuStartSlideshow) {
        state.SlideshowMenuState = kSlideshowStarted;
        EachAppliance(state, [](Zephra& z) { z.ShowSlideshow(""); });
    } else if (caption == kMenuStopSlideshow) {
        state.SlideshowMenuState = kSlideshowStopped;
        state.QueueTimerForm().Timer3.Enabled(false);
        EachAppliance(state, [](Zephra& z) { z.LetSlideshow(false); });
    } else if (caption == kMenuResetQueue) {
        EachAppliance(state, [](Zephra& z) { z.ResetQueue(); });
    } else if (caption == kMenuTest) {
        EachAppliance(state, [&](Zephra& z) { MainTest(state, z); });
    } else if (caption == kMenuDisable) {
        EachAppliance(state, [](Zephra& z) { z.LetDisablePlugin(true); });
    } else if (caption == kMenuEnable) {
        EachAppliance(state, [](Zephra& z) { z.LetDisablePlugin(false); });
    } else if (caption == kMenuModem) {
        ShowModemWindow(state);
    } else if (caption == kMenuHelp) {
        OpenInBrowser(state, state.hostInterface.AppPath + kHelpPage);
    }
}

}  // namespace zephra
