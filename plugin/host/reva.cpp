#include "host/reva.h"

#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "callerid/UdpServer.h"
#include "callerid/UdpServerTexts.h"
#include "callerid/frmOptions.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "core/PluginVersion.h"
#include "core/Zephra.h"
#include "forms/MsgBox.h"
#include "homeseer/Host.h"
#include "host/ActionStrings.h"
#include "host/ConnectServices.h"
#include "host/DeviceCommands.h"
#include "host/HostTexts.h"
#include "host/MenuCommands.h"
#include "host/Startup.h"
#include "setup/ZephraSetup.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/Registry.h"

namespace zephra {

namespace {

using namespace hosttext;

const char* TruthText(bool value) { return value ? "True" : "False"; }

// The instance that does the plug-in's work: hosted by the xAP host application, or with
// "RunAsXapNode" empty.
bool Active(const PluginState& state) { return state.IsStandAlone || state.IsSetup; }

}  // namespace

reva::reva() : reva(std::make_shared<PluginState>()) {}

reva::reva(std::shared_ptr<PluginState> state) : state_(std::move(state)) { ConnectServices(*state_); }

reva::~reva() = default;

bool reva::Idle() const {
    for (const ZephraEntry& slot : state_->appliances.slots)
        if (slot.Object && (!slot.Object->QueueIdle() || slot.Object->CommandQueue().size() > 1)) return false;
    return true;
}

vb::Variant reva::RegisterCallback(const vb::ObjectRef& frm) {
    PluginState& s = *state_;
    s.hostInterface.PluginObject = weak_from_this();
    s.CallbackObject = frm;
    s.IsSetup = frm && frm->typeName() == kSetupTypeName;
    const vb::Variant hs = automation::callByName(vb::Variant(frm), "GetHSIface");
    std::shared_ptr<homeseer::Host> host =
        hs.isObject() ? std::dynamic_pointer_cast<homeseer::Host>(hs.object()) : nullptr;
    if (!host) {
        forms::MsgBox(kNoHost);
        vb::raise(vb::errors::ObjectNotSet);
    }
    s.hs = host;
    s.hostInterface.AppPath = host->GetAppPath();
    WriteLog(*host, kSource, kVersionLine + PluginVersionText() + kRegistered + TruthText(s.IsSetup));
    s.UseDeviceRefs = vb::Val(host->Version().substr(0, 1)) > 1 && !s.IsSetup;
    s.IsStandAlone = settings::StoredText(*host, settings::MainSetting("RunAsXapNode")).empty();
    s.Part<UdpServerState>().window = std::make_shared<frmOptions>(s);
    s.Part<UdpServerState>().ServerDebug =
        windows::GetSetting(kUdpAppName, udptext::kOptions, udptext::kDebug, "False") == "True";
    s.Part<UdpServerState>().ServerLogToHost = false;
    RegisterMenus(s);
    return {};
}

std::string reva::InitIO(int32_t port) {
    PluginState& s = *state_;
    std::string result;
    if (s.hostInterface.IOInitialized) return result;
    if (Active(s)) result = InitHW(s, port);
    else InitDevices(s);
    s.hostInterface.IOInitialized = true;
    return result;
}

void reva::ShutdownIO() {
    PluginState& s = *state_;
    if (!Active(s)) return;
    s.ShuttingDown = true;
    vb::Try([&] { CloseUDP(s); });
    if (s.appliances.slots[0].Object) {
        for (ZephraEntry& slot : s.appliances.slots) {
            std::shared_ptr<Zephra> zephra = std::move(slot.Object);
            if (zephra) vb::Try([&] { zephra->Shutdown(); });
        }
    }
    vb::Try([&] { s.UnloadQueueTimer(); });
    s.hostInterface.HostPhone.reset();
    s.xap.XapSendQueue.reset();
    vb::Err().Clear();
}

std::string reva::InitX10(int32_t) {
    state_->hostInterface.X10Initialized = true;
    return "";
}

std::string reva::InitIR(int32_t) {
    state_->hostInterface.IRInitialized = true;
    return "";
}

void reva::ConfigIO() {
    PluginState& s = *state_;
    if (Active(s)) return ShowZephraSetup(s);
    vb::Try([] {
        const vb::Variant xapHost(automation::CreateObject(kXapHostClass));
        const vb::Variant plugin = automation::callByName(xapHost, "GetPlugins", {vb::Variant(int16_t{1})});
        automation::callByName(plugin, "ConfigIO");
    });
    vb::Err().Clear();
}

void reva::ConfigX10() { ShowZephraSetup(*state_); }

void reva::ConfigIR() { ShowZephraSetup(*state_); }

void reva::SetIO(const vb::Variant&, const std::string& houseCode, const std::string& deviceCode, int16_t command,
                 int16_t brightness, int16_t data1, int16_t data2) {
    PluginState& s = *state_;
    if (!Active(s)) return;
    if (s.settings.DebugLog)
        vb::Try([&] {
            WriteLog(s.Host(), kDebugSource,
                     kSetIO + houseCode + deviceCode + ": " + std::to_string(command) + "," +
                         std::to_string(brightness) + "," + std::to_string(data1) + "," + std::to_string(data2));
        });
    std::string hc = houseCode;
    std::string dc = deviceCode;
    SetZephraIO(s, hc, dc, command, brightness);
}

// A missing companion version reads as the plug-in's own, which installs both together.
std::string reva::Version() {
    std::string companion = PluginVersionText();
    vb::Try([&] { companion = state_->Host().GetIniSetting(kVersionSection, kVersionKey, companion, kIniFile); });
    vb::Err().Clear();
    return PluginVersionText() + "/" + companion;
}

vb::Variant reva::LearnIR(int32_t) {
    vb::Try([] { forms::MsgBox(kLearnIR, forms::vbInformation + forms::vbOKOnly); });
    vb::Err().Clear();
    return {};
}

void reva::ButtonPress(const vb::Variant& buttonName) {
    std::string name;
    if (vb::Try([&] { name = vb::CStr(buttonName); })) zephra::ButtonPress(*state_, name);
    else vb::Try([&] { WriteLog(state_->Host(), kSource, kButtonPressTag); });
}

vb::Variant reva::SelectMenu(const vb::Variant& strMenu) {
    if (!vb::Try([&] { zephra::SelectMenu(*state_, vb::CStr(strMenu)); }))
        vb::Try([&] { WriteLog(state_->Host(), kSource, kSelectMenuTag); });
    return {};
}

std::string reva::ActionUI(const std::string&) { return ""; }

void reva::ModifyActionUI(const vb::ObjectRef& controls) { zephra::ModifyActionUI(*state_, controls); }

std::string reva::ActionUIFormat(const std::string& action) { return zephra::ActionUIFormat(*state_, action); }

void reva::TriggerAction(const std::string& actionStr) { zephra::TriggerAction(*state_, actionStr); }

}  // namespace zephra
