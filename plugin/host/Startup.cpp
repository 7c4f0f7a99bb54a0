#include "host/Startup.h"

#include <functional>
#include <vector>

#include "automation/Registry.h"
#include "callerid/EchoWindow.h"
#include "callerid/UdpServer.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsReader.h"
#include "core/Zephra.h"
#include "host/HostTexts.h"
#include "host/UserScripts.h"
#include "host/XapDictionaries.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Math.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

using namespace hosttext;

constexpr int32_t kMajorWeight = 10000;
constexpr int32_t kMinorWeight = 1000;

// The start-up's steps, each under its guard.
class StartUp {
public:
    explicit StartUp(PluginState& state) : state_(state) {}

    std::string Run() {
        state_.ShuttingDown = false;
        const HostInterfaceState& flags = state_.hostInterface;
        if (flags.X10Initialized || flags.IRInitialized || flags.IOInitialized) return "";
        Step("ResetFlags", [&] { ResetFlags(); });
        Step("HostVersion", [&] { state_.HostVersionNumber = HostVersionNumberOf(state_.Host().Version()); });
        Step("ResetModuleState", [&] { ResetModuleState(); });
        Step("WriteSlideshowStub", [&] { WriteSlideshowStub(state_); });
        Step("ResetTables", [&] { ResetTables(); });
        Step("GetAppPath", [&] { state_.hostInterface.AppPath = state_.Host().GetAppPath(); });
        Step("QueueTimerForm", [&] { state_.QueueTimerForm(); });
        Step("InitFilterDictionary", [&] { InitFilterDictionary(state_); });
        Step("InitDeviceDictionary", [&] { InitDeviceDictionary(state_); });
        Step("RunScriptFile", [&] { RunScriptFile(state_); });
        Step("InitUDP", [&] { InitUDP(state_); });
        Step("InitZephraUtilities", [&] { InitZephraUtilities(state_); });
        Step("TellFetchAddress", [&] { TellFetchAddress(state_); });
        Step("SyncAppliances", [&] { SyncAppliances(); });
        Step("XapSendQueue", [&] { state_.xap.XapSendQueue.emplace(); });
        Step("LoadEchoWindow", [&] { LoadEchoWindow(state_); });
        Step("ReadStatusOptions", [&] { ReadStatusOptions(state_); });
        Step("SetValueCallback", [&] { SetValueCallback(state_); });
        // A failed step switches off only what it would have set up: device commands and
        // host events must not be dropped for good because, say, a port was taken.
        Step("Complete", [&] { WriteLog(state_.Host(), kSource, kStartupComplete); });
        state_.InitComplete = true;
        return failed_ ? firstError_ : "";
    }

private:
    // A step that fails is logged under its name ("InitHW InitUDP Line 0 ...").
    void Step(const char* name, const std::function<void()>& body) {
        if (vb::Try(body)) return;
        if (!failed_) firstError_ = vb::Err().Description;
        failed_ = true;
        vb::Try([&] { WriteLog(state_.Host(), kSource, kInitHWTag + std::string(name)); });
        vb::Err().Clear();
    }

    void ResetFlags() {
        state_.InitComplete = false;
        state_.modem.CommPortOpen = false;
        state_.xap.XapCIDSent = false;
    }

    // The daily power cycle's sweep, the random order of slideshows and tokens, and the
    // slideshow's minute countdown start afresh.
    void ResetModuleState() {
        state_.housekeeping.PowerCycleIndex = -1;
        vb::Randomize();
        state_.housekeeping.SlideshowMinutesLeft = 0;
    }

    void ResetTables() {
        state_.timerPool.Clear();
        state_.appliances.AppendedSlotMark = 0;
        state_.appliances.Reset();
        state_.web.NextPictureIndex = 0;
        state_.web.ConvertedPages.assign(1, std::string());
    }

    // The commands the synchronisation queues go out as page requests, never as datagrams.
    void SyncAppliances() {
        struct Restore {
            bool& setting;
            bool kept;
            ~Restore() { setting = kept; }
        } restore{state_.settings.UseZephraServer, state_.settings.UseZephraServer};
        state_.settings.UseZephraServer = false;
        std::vector<ZephraEntry>& slots = state_.appliances.slots;
        if (!slots[0].Object) return;
        // Copies: a synchronisation may pump messages, and nothing may change the table under it.
        std::vector<std::shared_ptr<Zephra>> appliances;
        for (const ZephraEntry& slot : slots) appliances.push_back(slot.Object);
        for (const std::shared_ptr<Zephra>& zephra : appliances)
            if (zephra) zephra->SyncWithHomeseer();
    }

    PluginState& state_;
    bool failed_ = false;
    std::string firstError_;
};

bool IsTrue(const std::string& value) { return vb::UCase(value) == "TRUE"; }

constexpr const char* kDefaultShowStatus = "2";

// "ShowStatus" as a 16-bit number; a value that is none takes the default, with a log line
// naming the key, so that one typing error does not cost the rest of the start-up.
int16_t ShowStatusOf(PluginState& state, const std::string& text) {
    int16_t value = 0;
    if (vb::Try([&] { value = vb::CInt(vb::Variant(text)); })) return value;
    const std::string why = vb::Err().Description;
    vb::Err().Clear();
    vb::Try([&] {
        WriteLog(
            state.Host(), kSource,
            std::string(kBadStatusValue) + "ShowStatus=" + text + " (" + why + "), " + kDefaultShowStatus + " is used");
    });
    vb::Err().Clear();
    return vb::CInt(vb::Variant(kDefaultShowStatus));
}

}  // namespace

std::string InitHW(PluginState& state, int32_t /*port*/) { return StartUp(state).Run(); }

int32_t HostVersionNumberOf(const std::string& version) {
    const std::vector<std::string> parts = vb::Split(version, ".");
    if (parts.size() < 3) return 0;
    auto part = [&](std::size_t i) { return static_cast<int32_t>(vb::CInt(vb::Variant(parts[i]))); };
    return part(0) * kMajorWeight + part(1) * kMinorWeight + part(2);
}

void WriteSlideshowStub(PluginState& state) {
    windows::FileSystemObject files;
    std::shared_ptr<windows::TextStream> page =
        files.CreateTextFile(state.Host().GetAppPath() + kSlideshowStubFile, true);
    for (std::string_view line : kSlideshowStub) page->WriteLine(std::string(line));
    page->Close();
}

void ReadStatusOptions(PluginState& state) {
    homeseer::Host& hs = state.Host();
    HostInterfaceState& options = state.hostInterface;
    auto read = [&](const char* key, const char* defaultValue) {
        return hs.GetIniSetting(kStatusSection, key, defaultValue, kIniFile);
    };
    options.ShowControl = IsTrue(read("ShowControl", "FALSE"));
    options.ShowSetup = IsTrue(read("ShowSetup", "TRUE"));
    options.ShowStatus = ShowStatusOf(state, read("ShowStatus", kDefaultShowStatus));
    options.ShowReceiveMessages = IsTrue(read("ShowReceiveMessages", "TRUE"));
    options.ShowReceiveDetail = IsTrue(read("ShowReceiveDetail", "TRUE"));
}

bool InitHSP(PluginState& state) {
    HostInterfaceState& hi = state.hostInterface;
    if (!hi.HostPhone && state.settings.useHSPPhoneBook) {
        if (!vb::Try([&] {
                hi.HostPhone =
                    state.UseDeviceRefs ? state.Host().GetHSPRef() : automation::CreateObject(kHostPhoneClass);
            })) {
            const int32_t number = vb::Err().Number;
            vb::Err().Clear();
            state.settings.CIDLineNumber = 0;
            vb::Try([&] {
                WriteLog(state.Host(), kSource,
                         std::string(kNoHostPhone) + kNoHostPhoneNumber + std::to_string(number));
            });
        }
    }
    if (state.settings.DebugLog) {
        vb::Try([&] {
            const std::string type = vb::TypeName(vb::Variant(hi.HostPhone));
            WriteLog(state.Host(), kDebugSource,
                     kHostPhoneType + type + kHostPhoneApplication + (type == "Application" ? "True" : "False"));
        });
    }
    return hi.HostPhone != nullptr;
}

}  // namespace zephra
