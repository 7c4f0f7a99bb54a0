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

    std::string run() {
        state_.ShuttingDown = false;
        const HostInterfaceState& flags = state_.hostInterface;
        if (flags.X10Initialized || flags.IRInitialized || flags.IOInitialized) return "";
        step([&] { resetFlags(); });
        step([&] { state_.HostVersionNumber = HostVersionNumberOf(state_.host().Version()); });
        step([&] { resetModuleState(); });
        step([&] { WriteSlideshowStub(state_); });
        step([&] { resetTables(); });
        step([&] { state_.hostInterface.AppPath = state_.host().GetAppPath(); });
        step([&] { state_.QueueTimerForm(); });
        step([&] { InitFilterDictionary(state_); });
        step([&] { InitDeviceDictionary(state_); });
        step([&] { RunScriptFile(state_); });
        step([&] { InitUDP(state_); });
        step([&] { InitZephraUtilities(state_); });
        step([&] { syncAppliances(); });
        step([&] { state_.xap.XapSendQueue.emplace(); });
        step([&] { LoadEchoWindow(state_); });
        step([&] { ReadStatusOptions(state_); });
        step([&] { SetValueCallback(state_); });
        if (failed_) return firstError_;
        step([&] { WriteLog(state_.host(), kSource, kStartupComplete); });
        state_.InitComplete = true;
        return "";
    }

private:
    void step(const std::function<void()>& body) {
        if (vb::Try(body)) return;
        if (!failed_) firstError_ = vb::Err().Description;
        failed_ = true;
        vb::Try([&] { WriteLog(state_.host(), kSource, kInitHWTag); });
        vb::Err().Clear();
    }

    void resetFlags() {
        state_.InitComplete = false;
        state_.modem.CommPortOpen = false;
        state_.xap.XapCIDSent = false;
    }

    // The daily power cycle's sweep, the random order of slideshows and tokens, and the
    // slideshow's minute countdown start afresh.
    void resetModuleState() {
        state_.housekeeping.PowerCycleIndex = -1;
        vb::Randomize();
        state_.housekeeping.SlideshowMinutesLeft = 0;
    }

    void resetTables() {
        state_.timerPool.clear();
        state_.appliances.AppendedSlotMark = 0;
        state_.appliances.reset();
        state_.web.NextPictureIndex = 0;
        state_.web.ConvertedPages.assign(1, std::string());
    }

    // The commands the synchronisation queues go out as page requests, never as datagrams.
    void syncAppliances() {
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

bool isTrue(const std::string& value) { return vb::UCase(value) == "TRUE"; }

}  // namespace

std::string InitHW(PluginState& state, int32_t /*port*/) { return StartUp(state).run(); }

int32_t HostVersionNumberOf(const std::string& version) {
    const std::vector<std::string> parts = vb::Split(version, ".");
    if (parts.size() < 3) return 0;
    auto part = [&](std::size_t i) { return static_cast<int32_t>(vb::CInt(vb::Variant(parts[i]))); };
    return part(0) * kMajorWeight + part(1) * kMinorWeight + part(2);
}

void WriteSlideshowStub(PluginState& state) {
    windows::FileSystemObject files;
    std::shared_ptr<windows::TextStream> page =
        files.CreateTextFile(state.host().GetAppPath() + kSlideshowStubFile, true);
    for (std::string_view line : kSlideshowStub) page->WriteLine(std::string(line));
    page->Close();
}

void ReadStatusOptions(PluginState& state) {
    homeseer::Host& hs = state.host();
    HostInterfaceState& options = state.hostInterface;
    auto read = [&](const char* key, const char* defaultValue) {
        return hs.GetIniSetting(kStatusSection, key, defaultValue, kIniFile);
    };
    options.ShowControl = isTrue(read("ShowControl", "FALSE"));
    options.ShowSetup = isTrue(read("ShowSetup", "TRUE"));
    options.ShowStatus = vb::CInt(vb::Variant(read("ShowStatus", "2")));
    options.ShowReceiveMessages = isTrue(read("ShowReceiveMessages", "TRUE"));
    options.ShowReceiveDetail = isTrue(read("ShowReceiveDetail", "TRUE"));
}

bool InitHSP(PluginState& state) {
    HostInterfaceState& hi = state.hostInterface;
    if (!hi.HostPhone && state.settings.useHSPPhoneBook) {
        if (!vb::Try([&] {
                hi.HostPhone =
                    state.UseDeviceRefs ? state.host().GetHSPRef() : automation::CreateObject(kHostPhoneClass);
            })) {
            const int32_t number = vb::Err().Number;
            vb::Err().Clear();
            state.settings.CIDLineNumber = 0;
            vb::Try([&] {
                WriteLog(state.host(), kSource,
                         std::string(kNoHostPhone) + kNoHostPhoneNumber + std::to_string(number));
            });
        }
    }
    if (state.settings.DebugLog) {
        vb::Try([&] {
            const std::string type = vb::TypeName(vb::Variant(hi.HostPhone));
            WriteLog(state.host(), kDebugSource,
                     kHostPhoneType + type + kHostPhoneApplication + (type == "Application" ? "True" : "False"));
        });
    }
    return hi.HostPhone != nullptr;
}

}  // namespace zephra
