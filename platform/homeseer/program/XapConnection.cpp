#include "program/XapConnection.h"

#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "automation/CallByName.h"
#include "homeseer/RealHost.h"
#include "program/AppLayout.h"

namespace homeseer {

namespace {

constexpr const char* kXapLogSource = "xAP";
constexpr const char* kDefaultVendorDevice = "dkv.zephra.";
constexpr int32_t kMaxInterval = 3600;

struct OptionKey {
    const char* option;
    const char* key;
};
constexpr OptionKey kValueOptions[] = {
    {"--xap-kind", "kind"},         {"--xap-broadcast", "broadcast"}, {"--xap-port", "port"},
    {"--xap-listen", "listen"},     {"--xap-source", "source"},       {"--xap-uid", "uid"},
    {"--xap-interval", "interval"},
};

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\"");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\"") - first + 1);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<int32_t> number(const std::string& text, int32_t low, int32_t high) {
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// vendor.device.instance: three levels of letters, digits, "-" and "_".
bool isSource(const std::string& text) {
    int levels = 1;
    char previous = '.';
    for (char c : text) {
        if (c == '.') {
            if (previous == '.') return false;
            ++levels;
        } else if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
            return false;
        }
        previous = c;
    }
    return levels == 3 && previous != '.';
}

bool isUidPrefix(const std::string& text) {
    if (text.size() != 6) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string machineName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

bool ParseXapOption(const std::vector<std::string>& args, std::size_t& i, XapOptions& options, std::string& message) {
    const std::string& a = args[i];
    if (a == "--xap") {
        options.given["enabled"] = "1";
        return true;
    }
    for (const OptionKey& o : kValueOptions) {
        if (a != o.option) continue;
        if (i + 1 >= args.size()) message = a + " needs a value";
        else options.given[o.key] = args[++i];
        return true;
    }
    return false;
}

std::string DefaultXapSource(const std::string& name) {
    std::string instance;
    for (char c : lower(name.substr(0, name.find('.'))))
        instance += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '-';
    return kDefaultVendorDevice + (instance.empty() ? std::string("host") : instance);
}

std::string DefaultXapUidPrefix(const std::string& name) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : lower(name)) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    const unsigned device = hash % 0xFFFE + 1;  // neither 0000 nor FFFF, which xAP reserves
    char text[8];
    std::snprintf(text, sizeof text, "FF%04X", device);
    return text;
}

XapConfig ReadXapConfig(const XapOptions& options, const std::function<std::string(const char* key)>& setting,
                        const std::string& name) {
    XapConfig config;
    auto value = [&](const char* key) {
        auto given = options.given.find(key);
        return trimmed(given != options.given.end() ? given->second : setting(key));
    };
    auto refused = [&](const char* key, const std::string& text, const std::string& used) {
        config.notes.push_back("The xAP setting " + std::string(key) + "=" + text + " is refused; " + used +
                               " is used");
    };
    config.enabled = value("enabled") == "1";
    const std::string kind = lower(value("kind"));
    if (kind == "homeseer") config.hostApplication = false;
    else if (!kind.empty() && kind != "xap") refused("kind", kind, "xap");

    XapSettings& s = config.settings;
    if (std::string text = value("broadcast"); !text.empty()) s.broadcast = text;
    if (std::string text = value("port"); !text.empty()) {
        if (auto port = number(text, 1, 65535)) s.port = *port;
        else refused("port", text, std::to_string(s.port));
    }
    s.listen = value("listen");
    if (s.listen == "0.0.0.0") s.listen.clear();
    s.identity.source = DefaultXapSource(name);
    if (std::string text = value("source"); !text.empty()) {
        if (isSource(text)) s.identity.source = text;
        else refused("source", text, s.identity.source);
    }
    s.identity.uidPrefix = DefaultXapUidPrefix(name);
    if (std::string text = value("uid"); !text.empty()) {
        if (isUidPrefix(text)) s.identity.uidPrefix = upper(text);
        else refused("uid", text, s.identity.uidPrefix);
    }
    if (std::string text = value("interval"); !text.empty()) {
        if (auto seconds = number(text, 1, kMaxInterval)) s.intervalSeconds = *seconds;
        else refused("interval", text, std::to_string(s.intervalSeconds));
    }
    return config;
}

XapConnection::XapConnection(const XapOptions& options, RealHost& host, Log log) : host_(host), log_(std::move(log)) {
    config_ = ReadXapConfig(
        options,
        [&host](const char* key) { return host.GetIniSetting(kXapSettingsSection, key, "", kHostSettingsFile); },
        machineName());
    for (const std::string& note : config_.notes) log_(note);
    if (config_.enabled && config_.hostApplication) {
        host_.callback()->setXapHostApplication(true);
        // The xAP host application's devices are found by index, as on older hosts.
        host_.devices().setReportIndices(true);
    }
}

XapConnection::~XapConnection() { stop(); }

void XapConnection::start(forms::Loop& loop, vb::ObjectRef plugin) {
    if (!config_.enabled) return;
    plugin_ = std::move(plugin);
    RealHost& host = host_;
    vb::ObjectRef* receiver = &plugin_;
    node_ = std::make_unique<XapNode>(
        loop, config_.settings, [&host](const std::string& text) { host.Writelog(kXapLogSource, text); },
        [&host, receiver](const std::shared_ptr<XapMessage>& message) {
            if (!*receiver) return;
            try {
                automation::callByName(vb::Variant(*receiver), "ZephraOnXapMessage",
                                       {vb::Variant(vb::ObjectRef(message))});
            } catch (const std::exception& e) {
                host.Writelog(kXapLogSource, "The plug-in did not take the message " + message->MsgClass() + " from " +
                                                 message->MsgSource() + ": " + e.what());
            }
        });
    XapNode* node = node_.get();
    host_.callback()->setXapSender(
        [node](const std::string& target, const std::string& messageClass, const std::string& section,
               const std::string& body, const std::string& subAddress,
               const std::string& uid) { node->send(target, messageClass, section, body, subAddress, uid); });
    node_->start();
}

void XapConnection::stop() {
    host_.callback()->setXapSender({});
    node_.reset();
    plugin_ = {};
}

}  // namespace homeseer
