#include "program/HostProgram.h"

#include <unistd.h>

#include <charconv>
#include <deque>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "automation/CallByName.h"
#include "forms/Loop.h"
#include "forms/MachineAddresses.h"
#include "forms/PortNotes.h"
#include "forms/Timer.h"
#include "homeseer/AspPages.h"
#include "homeseer/Contacts.h"
#include "homeseer/DeviceFile.h"
#include "homeseer/EventFile.h"
#include "homeseer/HostScriptControl.h"
#include "homeseer/HtmlServer.h"
#include "homeseer/Phone.h"
#include "homeseer/RealHost.h"
#include "program/AppLayout.h"
#include "program/InputLines.h"
#include "program/LoopMailbox.h"
#include "program/PluginLibrary.h"
#include "program/SignalWatcher.h"
#include "program/XapConnection.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "windows/AppFolder.h"

namespace homeseer {

namespace {

constexpr const char* kSource = "zephra-host";
constexpr const char* kStdinName = "stdin";
constexpr int32_t kIOPort = 0;  // the port InitIO is given: this host has no serial interface
constexpr int32_t kIdlePollMs = 100;
constexpr int32_t kSaveEveryMs = 5000;
constexpr std::size_t kMaxScriptFile = 4 * 1024 * 1024;
constexpr std::size_t kMaxInputLine = 65536;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";  // what Notepad puts before a UTF-8 text
constexpr const char* kResultMark = "= ";
constexpr const char* kWebServer = "the host's HTML server, \"svrport\" in Config/settings.ini";
constexpr const char* kLoopbackWebTail =
    "\" is a loopback address, which only this machine reaches: appliances elsewhere will fail to fetch the pages "
    "the plug-in hands over to HomeseerIP \"";
constexpr const char* kLoopbackWebAdvice = "\"; leave out --web-address, or give it \"";
constexpr const char* kServing = ": standard input holds no statements: serving until SIGTERM or SIGINT";

// Everything one run holds, torn down in the reverse order of its making.
class Program {
public:
    Program(const HostOptions& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    int run();

private:
    bool prepareFolder();
    void makeHost();
    void loadDevices();
    void loadEvents();
    void makePhone();
    void setLocation();
    void startWebServer();
    void warnOfLoopbackWebAddress();
    int tellPorts();
    bool loadPlugin();
    bool startPlugin();
    void startScript();
    std::optional<std::string> readScriptFile();
    void runScriptFile();
    void readInputLines();
    void queueInputLine(std::optional<std::string> line);
    void runInputLines();
    void runInputLine(const std::optional<std::string>& line);
    bool scriptDone() const { return inputEnded_ && pendingLines_.empty() && !runningLines_; }
    void startTimers();
    void checkIdle();
    void saveDevices();
    void saveEvents();
    void shutdown();

    void log(const std::string& text) { host_->Writelog(kSource, text); }
    std::filesystem::path config(const char* file) const {
        return std::filesystem::path(options_.appDir) / "Config" / file;
    }
    std::string hostSetting(const char* key, const char* defaultValue) {
        return host_->GetIniSetting(kHostSettingsSection, key, defaultValue, kHostSettingsFile);
    }

    const HostOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<forms::Loop> loop_;
    std::shared_ptr<LoopMailbox> mailbox_;
    std::shared_ptr<RealHost> host_;
    std::shared_ptr<Phone> phone_;
    std::unique_ptr<HtmlServer> web_;
    std::unique_ptr<XapConnection> xap_;
    PluginInstance plugin_;
    std::string pluginName_;
    std::shared_ptr<HostScriptControl> script_;
    std::unique_ptr<forms::Timer> idleTimer_;
    std::unique_ptr<forms::Timer> saveTimer_;
    std::string savedEvents_;  // the events' file text as last read or written
    // Lines of standard input run one after another: a line that arrives while another waits
    // (hs.WaitSecs serves events meanwhile) queues behind it. None: a line too long to run.
    std::deque<std::optional<std::string>> pendingLines_;
    bool runningLines_ = false;
    bool inputEnded_ = false;    // the script file ran, or standard input ended
    bool scriptFailed_ = false;  // the --run script, or the last line of standard input, failed
    bool endedIdle_ = false;
    int stdinLine_ = 0;
    // Started by a service manager or detached (no --run, standard input /dev/null or closed):
    // nothing is read, and the host serves until a signal stops it.
    bool service_ = false;
};

bool Program::prepareFolder() {
    try {
        PrepareAppFolder(options_.appDir);
    } catch (const std::exception& e) {
        err_ << kSource << ": cannot make the application folder " << options_.appDir << ": " << e.what() << std::endl;
        return false;
    }
    windows::SetAppFolder(options_.appDir);
    return true;
}

void Program::makeHost() {
    loop_ = std::make_unique<forms::Loop>();
    mailbox_ = std::make_shared<LoopMailbox>(*loop_);
    host_ = std::make_shared<RealHost>(out_);
    // A settings file that is missing or damaged is told, not silently read as defaults.
    host_->ini().setNotice([this](const std::string& text) { log(text); }, {kHostSettingsFile, kPluginSettingsFile});
    loop_->setUnhandledErrorHandler([this](const char* what) { log(std::string("Unhandled error: ") + what); });
    script_ = std::make_shared<HostScriptControl>(host_, [this](const std::string& line) { log(line); });
    host_->setScript(script_);
    // A power switch is saved as soon as it is made, not at the next save tick: after a crash
    // the plug-in must not take a device switched off for one never switched.
    host_->setX10Changed([this] { saveDevices(); });
}

void Program::loadDevices() {
    for (const std::string& note : LoadDevices(host_->devices(), config(kDevicesFile), &host_->x10())) log(note);
    host_->clearDevicesChanged();
}

void Program::loadEvents() {
    for (const std::string& note : LoadEvents(host_->events(), config(kEventsFile))) log(note);
    savedEvents_ = EventsText(host_->events());
}

void Program::makePhone() {
    std::ifstream file(config(kContactsFile), std::ios::binary);
    std::string text;
    if (file) {
        std::ostringstream all;
        all << file.rdbuf();
        text = all.str();
    }
    ContactsReading contacts = ParseContacts(text);
    for (const std::string& note : contacts.notes) log(std::string(kContactsFile) + " " + note);
    HostBase* host = host_.get();
    phone_ = std::make_shared<Phone>(std::move(contacts.contacts), [host](int32_t line) { host->phoneCall(line); });
    host_->setPhone(phone_);
    RegisterPhoneClass(phone_);
}

void Program::setLocation() {
    auto number = [this](const char* key, double fallback) {
        std::string text = hostSetting(key, "");
        char* end = nullptr;
        double value = std::strtod(text.c_str(), &end);
        return text.empty() || *end != '\0' || !std::isfinite(value) ? fallback : value;
    };
    host_->setLocation(number(kLatitudeKey, 51.48), number(kLongitudeKey, 0.0));
}

void Program::startWebServer() {
    std::string portText = hostSetting(kWebPortKey, kDefaultWebPort);
    uint16_t port = 0;
    auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size()) {
        log("The web server does not start: \"" + std::string(kWebPortKey) + "\" is not a port: " + portText);
        forms::NotePort({"TCP", options_.webAddress, 0, kWebServer, "\"" + portText + "\" is not a port number"});
        return;
    }
    std::shared_ptr<LoopMailbox> mailbox = mailbox_;
    RealHost* host = host_.get();
    auto writeLog = [host](const std::string& text) { host->Writelog(kSource, "Web server: " + text); };
    HtmlServer::Options web{
        std::filesystem::path(options_.appDir) / "HTML", options_.webAddress, port,
        [mailbox, writeLog](const std::string& text) { mailbox->post([writeLog, text] { writeLog(text); }); }};
    // The folder's .asp pages run on the loop, where they may call the host and the plug-in.
    auto pages = std::make_shared<AspPages>(host_, writeLog);
    auto runPage = [mailbox, pages](PageRequest request, std::function<void(PageAnswer)> done) {
        mailbox->post([pages, request = std::move(request), done = std::move(done)] { done(pages->Run(request)); });
    };
    try {
        web_ = std::make_unique<HtmlServer>(std::move(web), std::move(runPage));
        forms::NotePort({"TCP", options_.webAddress, web_->port(), kWebServer, {}});
    } catch (const std::exception& e) {
        log(std::string("The web server does not start: ") + e.what());
        forms::NotePort({"TCP", options_.webAddress, port, kWebServer, e.what()});
    }
}

// The pages the plug-in hands over go to "HomeseerIP": a server on a loopback address alone is
// out of reach of appliances elsewhere when that is a network address.
void Program::warnOfLoopbackWebAddress() {
    if (!forms::IsLoopbackAddress(options_.webAddress)) return;
    std::string address = host_->GetIniSetting(kPluginSettingsSection, kPluginAddressKey, "", kPluginSettingsFile);
    if (address.size() >= 2 && address.front() == '"' && address.back() == '"')
        address = address.substr(1, address.size() - 2);
    if (address.empty() || forms::IsLoopbackAddress(address)) return;
    log("Warning: --web-address \"" + options_.webAddress + kLoopbackWebTail + address + kLoopbackWebAdvice + address +
        "\"");
}

// Said on the console before "ready": a port another program holds shows here, not only in the
// log, with the setting that chose it. Answers how many ports could not be opened.
int Program::tellPorts() {
    int failed = 0;
    for (const forms::PortNote& note : forms::NotedPorts()) {
        out_ << kSource << ": " << forms::PortLine(note) << std::endl;
        if (!note.failure.empty()) ++failed;
    }
    return failed;
}

bool Program::loadPlugin() {
    std::string path = options_.plugin.empty() ? DefaultPluginPath() : options_.plugin;
    try {
        plugin_ = LoadPluginLibrary(path);
        return true;
    } catch (const std::exception& e) {
        err_ << kSource << ": " << e.what() << std::endl;
        log(e.what());
        return false;
    }
}

// The host's order: Name, Capabilities, AccessLevel, RegisterCallback, InitIO.
bool Program::startPlugin() {
    vb::Variant plugin(plugin_.object);
    try {
        pluginName_ = vb::CStr(automation::callByName(plugin, "Name"));
        automation::callByName(plugin, "Capabilities");
        automation::callByName(plugin, "AccessLevel");
        host_->addPlugin(pluginName_, plugin_.object);
        automation::callByName(plugin, "RegisterCallback", {vb::Variant(vb::ObjectRef(host_->callback()))});
    } catch (const std::exception& e) {
        err_ << kSource << ": the plug-in cannot be registered: " << e.what() << std::endl;
        log(std::string("The plug-in cannot be registered: ") + e.what());
        return false;
    }
    try {
        std::string result = vb::CStr(automation::callByName(plugin, "InitIO", {vb::Variant(kIOPort)}));
        if (!result.empty()) log("InitIO of " + pluginName_ + ": " + result);
    } catch (const std::exception& e) {
        log("InitIO of " + pluginName_ + " failed: " + e.what());
    }
    return true;
}

void Program::startScript() {
    script_->AddPlugin(pluginName_, plugin_.object);
    if (!options_.runFile.empty()) loop_->post([this] { runScriptFile(); });
    else if (service_) inputEnded_ = true;  // with --exit-when-idle it ends once the plug-in is idle
    else readInputLines();
}

std::optional<std::string> Program::readScriptFile() {
    std::ifstream file(options_.runFile, std::ios::binary);
    if (!file) {
        log("The script " + options_.runFile + " cannot be read");
        return std::nullopt;
    }
    std::string text(kMaxScriptFile + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxScriptFile) {
        log("The script " + options_.runFile + " is too large to run");
        return std::nullopt;
    }
    if (text.starts_with(kUtf8Mark)) text.erase(0, kUtf8Mark.size());
    return text;
}

void Program::runScriptFile() {
    std::optional<std::string> text = readScriptFile();
    scriptFailed_ = !text || !script_->RunScript(*text, std::filesystem::path(options_.runFile).filename().string());
    inputEnded_ = true;
}

void Program::readInputLines() {
    std::shared_ptr<LoopMailbox> mailbox = mailbox_;
    StartInputLines(
        STDIN_FILENO, kMaxInputLine,
        {[mailbox, this](std::string line) { mailbox->post([this, line = std::move(line)] { queueInputLine(line); }); },
         [mailbox, this] { mailbox->post([this] { queueInputLine(std::nullopt); }); },
         [mailbox, this] { mailbox->post([this] { inputEnded_ = true; }); }});
}

void Program::queueInputLine(std::optional<std::string> line) {
    pendingLines_.push_back(std::move(line));
    runInputLines();
}

void Program::runInputLines() {
    if (runningLines_) return;  // the line running now takes this one up when it is done
    runningLines_ = true;
    while (!pendingLines_.empty()) {
        std::optional<std::string> line = std::move(pendingLines_.front());
        pendingLines_.pop_front();
        runInputLine(line);
    }
    runningLines_ = false;
}

void Program::runInputLine(const std::optional<std::string>& line) {
    ++stdinLine_;
    if (!line) {
        log(std::string(kStdinName) + " line " + std::to_string(stdinLine_) + ": the line is too long and is not run");
        scriptFailed_ = true;
        return;
    }
    if (std::optional<std::string> value = script_->RunLine(*line, kStdinName, stdinLine_))
        out_ << kResultMark << *value << std::endl;
    scriptFailed_ = script_->LastLineFailed();
}

void Program::checkIdle() {
    if (!scriptDone()) return;
    bool idle = true;
    try {
        if (plugin_.idle) idle = plugin_.idle();
    } catch (const std::exception& e) {
        log(std::string("The plug-in cannot tell whether it is idle: ") + e.what());
    }
    if (!idle) return;
    endedIdle_ = true;
    loop_->stop();
}

void Program::saveDevices() {
    if (!host_->devicesChanged()) return;
    host_->clearDevicesChanged();
    try {
        SaveDevices(host_->devices(), config(kDevicesFile), &host_->x10());
    } catch (const std::exception& e) {
        log(std::string("The devices cannot be saved: ") + e.what());
    }
}

// Events change through their properties, unseen by the host: the file is written when its text would differ.
void Program::saveEvents() {
    std::string text = EventsText(host_->events());
    if (text == savedEvents_) return;
    try {
        SaveEvents(host_->events(), config(kEventsFile));
        savedEvents_ = std::move(text);
    } catch (const std::exception& e) {
        log(std::string("The events cannot be saved: ") + e.what());
    }
}

void Program::startTimers() {
    saveTimer_ = std::make_unique<forms::Timer>(*loop_);
    saveTimer_->OnTimer = [this] {
        saveDevices();
        saveEvents();
    };
    saveTimer_->Interval(kSaveEveryMs);
    // The end of standard input (a pipe, or Ctrl-D on a terminal) ends the host as the end of
    // a --run script does with --exit-when-idle.
    if (!options_.exitWhenIdle && (!options_.runFile.empty() || service_)) return;
    idleTimer_ = std::make_unique<forms::Timer>(*loop_);
    idleTimer_->OnTimer = [this] { checkIdle(); };
    idleTimer_->Interval(kIdlePollMs);
}

void Program::shutdown() {
    idleTimer_.reset();
    saveTimer_.reset();
    try {
        automation::callByName(vb::Variant(plugin_.object), "ShutdownIO");
    } catch (const std::exception& e) {
        log(std::string("ShutdownIO failed: ") + e.what());
    }
    xap_.reset();
    saveDevices();
    saveEvents();
    mailbox_->close();
    web_.reset();
    host_->setScript({});
    host_->removePlugins();
    script_.reset();
    plugin_ = {};
    log("Stopped");
}

int Program::run() {
    if (!prepareFolder()) return 1;
    makeHost();
    std::shared_ptr<LoopMailbox> mailbox = mailbox_;
    forms::Loop* loop = loop_.get();
    // A script busy in a loop never lets the loop see the stop: it is canceled from the
    // signal's thread, and a wait under way ends so that the script gets there.
    std::function<void()> cancelScripts = script_->canceller();
    RealHost* host = host_.get();
    SignalWatcher signals([mailbox, loop, host, cancelScripts](int) {
        cancelScripts();
        mailbox->post([loop, host] {
            host->endWaits();
            loop->stop();
        });
    });
    loadDevices();
    loadEvents();
    makePhone();
    setLocation();
    startWebServer();
    xap_ = std::make_unique<XapConnection>(options_.xap, *host_, [this](const std::string& text) { log(text); });
    const bool loaded = loadPlugin();
    if (loaded) xap_->start(*loop_, plugin_.object);  // before InitIO, which announces devices
    if (!loaded || !startPlugin()) {
        xap_.reset();
        mailbox_->close();
        host_->removePlugins();
        return 1;
    }
    warnOfLoopbackWebAddress();
    service_ = options_.runFile.empty() && KindOfInput(STDIN_FILENO) == InputKind::Nothing;
    startScript();
    startTimers();
    const int portsFailed = tellPorts();
    out_ << kSource << ": " << pluginName_ << " ready";
    if (portsFailed) out_ << " (" << portsFailed << (portsFailed == 1 ? " port" : " ports") << " not opened, above)";
    out_ << std::endl;
    if (service_ && !options_.exitWhenIdle) out_ << kSource << kServing << std::endl;
    loop_->run();
    shutdown();
    return endedIdle_ && scriptFailed_ ? 1 : 0;
}

}  // namespace

int RunHostProgram(const HostOptions& options, std::ostream& out, std::ostream& err) {
    Program program(options, out, err);
    return program.run();
}

}  // namespace homeseer
