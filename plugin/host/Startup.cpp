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
        Step([&] { ResetFlags(); });
        Step([&] { state_.HostVersionNumber = HostVersionNumberOf(state_.Host().Version()); });
        Step([&] { ResetModuleState(); });
        Step([&] { WriteSlideshowStub(state_); });
        Step([&] { ResetTables(); });
        Step([&] { state_.hostInterface.AppPath = state_.Host().GetAppPath(); });
        Step([&] { state_.QueueTimerForm(); });
        Step([&] { InitFilterDictionary(state_); });
        Step([&] { InitDeviceDictionary(state_); });
        Step([&] { RunScriptFile(state_); });
        Step([&] { InitUDP(state_); });
        Step([&] { InitZephraUtilities(state_); });
        Step([&] { SyncAppliances(); });
        Step([&] { state_.xap.XapSendQueue.emplace(); });
        Step([&] { LoadEchoWindow(state_); });
        Step([&] { ReadStatusOptions(state_); });
        Step([&] { SetValueCallback(state_); });
        if (failed_) return firstError_;
        Step([&] { WriteLog(state_.Host(), kSource, kStartupComplete); });
        state_.InitComplete = true;
        return "";
    }

private:
    void Step(const std::function<void()>& body) {
        if (vb::Try(body)) return;
        if (!failed_) firstError_ = vb::Err().Description;
        failed_ = true;
        vb::Try([&] { WriteLog(state_.Host(), kSource, kInitHWTag); });
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
    options.ShowStatus = vb::CInt(vb::Variant(read("ShowStatus", "2")));
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
