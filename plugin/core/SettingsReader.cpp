#include "core/SettingsReader.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/ApplianceList.h"
#include "core/BuildFileList.h"
#include "core/FetchAddressNotice.h"
#include "core/HomeSeerDevices.h"
#include "core/Housekeeping.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsTable.h"
#include "core/TimerPool.h"
#include "core/WebServerState.h"
#include "core/Zephra.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTag = "InitZephraUtilities ";
constexpr const char* kTempFolder = "\\HTML\\ZephraTemp";
constexpr const char* kHtmlFolder = "\\HTML";
constexpr const char* kDebugFile = "\\Data\\dkvZephra\\dkvZephra_TCPServerDebug.txt";
constexpr const char* kStartupFirst = "InitUtilities";
constexpr const char* kStartupSecond = "170";
constexpr const char* kNoSlideshowPath = "Slideshow path has not been specified";
constexpr const char* kStatusPageOff =
    "The plug-in's web server and its status page are off; to turn them on, give \"ServerPort\" a port number "
    "and \"TCPServerOption\" any value but 1 in Config/dkvZephraUtilities.ini, then reload the settings";
constexpr const char* kSlideshowPathMissing = "Slideshow path ";
constexpr const char* kDoesNotExist = " does not exist";
constexpr const char* kGroupMissing = "Slideshow Group ";
constexpr const char* kFileOrFolder = " file or folder ";
constexpr const char* kComplete = "User Configuration Setup Initialization Complete";
constexpr const char* kCrLf = "\r\n";

constexpr int32_t kHousekeepingInterval = 60000;

class SettingsReading : settings::ReadingChecks {
public:
    explicit SettingsReading(PluginState& state) : state_(state), s_(state.settings) {}

    void Run() {
        Handled([&] { hs_ = &state_.Host(); });
        if (!hs_) return;
        Prepare();
        Handled([&] { ReadStepRows(ReadStep::PowerCycleHour); });
        Handled([&] { MakeTempFolder(); });
        ReadEach(ReadStep::WebServer);
        Handled([&] { OpenWebServerDebugLog(); });
        ReadEach(ReadStep::Keys);
        CollectSlideshowFiles();
        ReadEach(ReadStep::PowerAndDevices);
        Handled([&] { DefineZephras(state_); });
        ShutDownUncarried();
        Handled([&] { ArmHousekeeping(); });
        ReadSlideGroups();
        Handled([&] { OpenModem(); });
        Handled([&] { MakeCallerIdDevice(); });
        state_.xap.XapCIDSent = false;
        Handled([&] { state_.services.BuildPhonebook(state_); });
        state_.web.PageEngine.reset();
        state_.web.PageEngineReady = false;
        Handled([&] { TellFetchAddressChange(state_); });
        Handled([&] { WriteLog(*hs_, kSource, kComplete); });
    }

    // One row on its own.
    void ReadOne(const settings::Setting& row) {
        hs_ = &state_.Host();
        appPath_ = hs_->GetAppPath();
        ApplyRaising(row);
    }

private:
    using ReadStep = settings::ReadStep;

    template <class Step>
    void Handled(Step&& body) {
        if (vb::Try(std::forward<Step>(body))) return;
        if (!vb::Try([&] { WriteLog(state_.Host(), kSource, kTag); })) vb::Err().Clear();
    }

    std::string Read(const char* key, const char* defaultValue, const char* section = settings::kMain) {
        return vb::Replace(hs_->GetIniSetting(section, key, defaultValue, settings::FileOf(section)), "\"", "");
    }

    // One row: read, then converted and stored by its rule; a value that does not convert is
    // named in the log and the row's default taken. Other errors raise to the caller.
    void Apply(const settings::Setting& row) {
        const std::string text = settings::ReadText(*hs_, row);
        Convert(row.read.rule, text, 0, settings::NamedEntry(row.section, std::string(row.key) + "=" + text),
                row.read.fallback);
    }

    // One row as a caller asks for it: every error raises to the caller.
    void ApplyRaising(const settings::Setting& row) {
        const std::string text = settings::ReadText(*hs_, row);
        settings::ReadValue value{text, s_, *this};
        row.read.rule(value);
    }

    // A stored text through its rule. The settings are typed by hand: a text the rule cannot
    // convert is named (file, section, key and value) and `fallback` is converted instead.
    void Convert(void (*rule)(settings::ReadValue&), const std::string& text, int index, const std::string& named,
                 const char* fallback) {
        settings::ReadValue value{text, s_, *this, index};
        if (vb::Try([&] { rule(value); })) return;
        const std::string failed = kTag + TakePendingError();
        Handled([&] { Log(settings::BadValueLine(failed, named, fallback)); });
        const std::string fallbackText = fallback;
        settings::ReadValue fallbackValue{fallbackText, s_, *this, index};
        rule(fallbackValue);
    }

    // The rows of a step, each on its own: a failure keeps that setting's previous value.
    void ReadEach(ReadStep step) {
        for (const settings::Setting& row : settings::SettingsTable())
            if (row.read.step == step) Handled([&] { Apply(row); });
    }

    // The keys of one index of a family, all read before any is converted: a failure to read
    // keeps every value of that index as it was. A field that does not convert takes the
    // value its rule gives an empty key, named with its key and its column.
    void ReadFamilyIndex(const settings::Family& family, int index) {
        struct FieldText {
            const settings::FamilyField* field;
            std::string text;
            std::string named;
        };
        std::vector<FieldText> texts;
        for (const settings::FamilyKey& key : settings::KeysOf(family, index)) {
            const std::string value = Read(key.name.c_str(), "", family.section);
            const std::vector<std::string> fields = settings::FieldsOf(family, value);
            const std::string named = settings::NamedEntry(family.section, key.name + "=" + value);
            for (std::size_t i = 0; i < key.fields.size(); ++i) {
                const char* column = key.fields[i]->heading;
                texts.push_back(
                    {key.fields[i], fields[i], key.fields.size() > 1 && column ? named + " (" + column + ")" : named});
            }
        }
        for (const FieldText& f : texts) Convert(f.field->rule, f.text, index, f.named, "");
    }

    // The rows of a step as one: a failure ends the step.
    void ReadStepRows(ReadStep step) {
        for (const settings::Setting& row : settings::SettingsTable())
            if (row.read.step == step) Apply(row);
    }

    // What the rows' rules check.
    bool FolderExists(const std::string& path) override { return fso_.FolderExists(path); }
    bool FileExists(const std::string& path) override { return fso_.FileExists(path); }
    const std::string& AppPath() override { return appPath_; }
    void Log(const std::string& text) override { WriteLog(*hs_, kSource, text); }

    // 1. A new start: no slideshow state, no half-read caller, an empty appliance list, the
    // start-up log line, and the six timer pairs free.
    void Prepare() {
        state_.SlideshowMenuState = 0;
        state_.modem.NameDetected = false;
        state_.modem.NumberDetected = false;
        // The appliance objects are carried to the appliances defined anew, each keeping the
        // timers it holds: a timer handed on while its old owner still waits on it would tick for
        // the wrong object.
        std::vector<std::shared_ptr<Zephra>> carried;
        for (const ZephraEntry& slot : state_.appliances.slots)
            if (slot.Object) carried.push_back(slot.Object);
        state_.appliances.Reset();
        state_.appliances.Carried = carried;
        Handled([&] { WriteStartupLog(*hs_, kStartupFirst, kStartupSecond); });
        auto held = [&](const std::shared_ptr<Zephra>& owner) {
            return owner && std::find(carried.begin(), carried.end(), owner) != carried.end();
        };
        for (int16_t i = 0; i < kTimerPoolSize; ++i) {
            if (!held(state_.timerPool.TimerOwner[i])) ReleaseTimer(state_, i);
            if (!held(state_.timerPool.IETimerOwner[i])) ReleaseIETimer(state_, i);
        }
        Handled([&] { appPath_ = hs_->GetAppPath(); });
    }

    // The objects of appliances no longer configured give their timers back.
    void ShutDownUncarried() {
        std::vector<std::shared_ptr<Zephra>> left = std::move(state_.appliances.Carried);
        state_.appliances.Carried.clear();
        for (const std::shared_ptr<Zephra>& object : left)
            if (object) Handled([&] { object->Shutdown(); });
    }

    // 3.
    void MakeTempFolder() {
        s_.ZephraTempPath = appPath_ + kTempFolder;
        if (!fso_.FolderExists(s_.ZephraTempPath)) fso_.CreateFolder(s_.ZephraTempPath);
    }

    // 5.
    void OpenWebServerDebugLog() {
        if (!s_.OwnWebServer) {
            // Said once: a user who finds no status page learns why from the console.
            if (!state_.web.Loaded && !state_.web.OffTold) {
                state_.web.OffTold = true;
                Log(kStatusPageOff);
            }
            return;
        }
        ReadStepRows(ReadStep::ServerDebug);
        if (!state_.web.Loaded) LoadTCPServer(state_);
        if (!s_.TCPDebug) return;
        const std::string path = appPath_ + kDebugFile;
        state_.web.ServerDebugLog.reset();
        fso_.CreateTextFile(path)->Close();
        state_.web.ServerDebugLog = fso_.OpenTextFile(path, windows::ForAppending);
    }

    // 7. The main slideshow's pictures.
    void CollectSlideshowFiles() {
        s_.SlideFiles.Clear();
        Handled([&] {
            ReadStepRows(ReadStep::SlideshowFolder);
            if (s_.SlideshowPath.empty()) {
                s_.StartSlildeshow = false;
                Log(kNoSlideshowPath);
                return;
            }
            if (s_.ImagePath.empty()) s_.ImagePath = appPath_ + kHtmlFolder;
            if (s_.ImageServer.empty()) s_.ImageServer = settings::ApplianceServer(s_);
            const std::string folder = vb::Replace(s_.ImagePath + "\\" + s_.SlideshowPath, "/", "\\");
            if (fso_.FolderExists(folder)) {
                BuildFileList(state_, fso_.GetFolder(folder), s_.ImageServer, s_.ImagePath, s_.SlideFiles);
            } else {
                s_.StartSlildeshow = false;
                Log(kSlideshowPathMissing + folder + kDoesNotExist);
            }
        });
    }

    // 10. The one-minute housekeeping tick runs while there is a sleep poll or a daily
    // power cycle to keep.
    void ArmHousekeeping() {
        forms::Timer& timer = state_.QueueTimerForm().Timer2;
        if (s_.PowerCycleInterval.empty() && s_.SleepMonitorInterval == 0) {
            timer.Enabled(false);
            return;
        }
        s_.SleepCountdown = s_.SleepMonitorInterval;
        timer.Interval(kHousekeepingInterval);
        timer.Enabled(true);
    }

    // 11. Slide groups 1 to 3: each group's paths, then its rows.
    void ReadSlideGroups() {
        for (int g = 1; g <= kSlideGroups; ++g) s_.GroupFiles[g].Clear();
        for (int g = 1; g <= kSlideGroups; ++g) {
            std::string server, folder;
            Handled([&] {
                ReadFamilyIndex(settings::SlideGroupPaths(), g - 1);
                server = s_.GroupServerPath[g];
                folder = s_.GroupFolderPath[g];
            });
            for (int r = 0; r < kSlideRows; ++r) Handled([&] { ReadSlideRow(g, r, server, folder); });
        }
    }

    void ReadSlideRow(int g, int r, const std::string& server, const std::string& folder) {
        s_.SlideRowWidth[g][r] = -1;
        s_.SlideRowHeight[g][r] = -1;
        ReadFamilyIndex(settings::SlideRows(), (g - 1) * kSlideRows + r);
        const std::string path = s_.SlideRowPath[g][r];
        if (vb::Trim(path).empty()) return;
        const std::string full = folder + (path.rfind('\\', 0) == 0 ? path : "\\" + path);
        if (s_.ShowSlides)
            WriteLog(*hs_, kDebugSource,
                     "Group " + std::to_string(g) + ", Row " + std::to_string(r) + " for Slideshow ");
        if (!fso_.FolderExists(full) && !fso_.FileExists(full)) {
            Log(kGroupMissing + std::to_string(g) + kFileOrFolder + full + kDoesNotExist);
        } else if (path.find('.') == std::string::npos) {
            BuildFileList(state_, fso_.GetFolder(full), server, folder, s_.GroupFiles[g]);
        }
    }

    // 12. The modem port opens once per load; its init string follows a fresh opening only.
    void OpenModem() {
        if (state_.modem.CommPortOpen) return;
        state_.modem.CommPortOpen = state_.services.InitCommPort(state_, s_.CIDCommPort);
        if (state_.modem.CommPortOpen && !s_.CIDModemInitString.empty())
            state_.services.ModemSend(state_, s_.CIDModemInitString + kCrLf);
    }

    // 13.
    void MakeCallerIdDevice() {
        s_.CIDDeviceCode = state_.HouseCode + std::to_string(CallerIdUnit(state_));
        CIDDevice(state_, s_.CIDDeviceCode);
    }

    PluginState& state_;
    ZephraSettings& s_;
    homeseer::Host* hs_ = nullptr;
    windows::FileSystemObject fso_;
    std::string appPath_;
};

}  // namespace

void InitZephraUtilities(PluginState& state) { SettingsReading(state).Run(); }

void ReadSetting(PluginState& state, const settings::Setting& row) { SettingsReading(state).ReadOne(row); }

}  // namespace zephra
