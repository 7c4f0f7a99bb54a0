#pragma once
// zephra-host on an xAP network: its settings (section "xAP" of Config/settings.ini, each
// overridden by its command-line option), the host kind the plug-in sees, and the node that
// carries the plug-in's messages and hands it the messages received.
//
//   [xAP]                  option             default
//   enabled=1              --xap              0: no network; the plug-in's messages are logged
//   kind=xap|homeseer      --xap-kind         xap: the xAP host application (callback "Setup")
//   broadcast=IP           --xap-broadcast    255.255.255.255
//   port=N                 --xap-port         3639
//   listen=IP              --xap-listen       every address
//   source=v.d.i           --xap-source       dkv.zephra.<this machine's name>
//   uid=FFDDDD             --xap-uid          FF and four digits made from the machine's name
//   interval=S             --xap-interval     60 (heartbeat, seconds)

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/Loop.h"
#include "homeseer/XapNode.h"
#include "vb/Object.h"

namespace homeseer {

class RealHost;

// The xAP options of the command line: the settings they give, by key of section "xAP".
struct XapOptions {
    std::map<std::string, std::string> given;
};

// When args[i] is an xAP option, takes it (and its value) into `options` and answers true;
// `message` then says what is wrong, if anything.
bool ParseXapOption(const std::vector<std::string>& args, std::size_t& i, XapOptions& options, std::string& message);

struct XapConfig {
    bool enabled = false;
    bool hostApplication = true;  // the plug-in is hosted by the xAP host application
    XapSettings settings;
    std::vector<std::string> notes;  // settings that were refused, and what is used instead
};

// The settings: option, else configuration (through `setting`, "" when absent), else default.
XapConfig ReadXapConfig(const XapOptions& options, const std::function<std::string(const char* key)>& setting,
                        const std::string& machineName);

// The defaults made from this machine's name: the source's instance and the UID's device digits.
std::string DefaultXapSource(const std::string& machineName);
std::string DefaultXapUidPrefix(const std::string& machineName);

class XapConnection {
public:
    using Log = std::function<void(const std::string& text)>;

    // Reads the settings (logging refused ones) and, when the network is on and the kind is
    // the xAP host application, gives the callback object the type name "Setup".
    XapConnection(const XapOptions& options, RealHost& host, Log log);
    ~XapConnection();

    bool enabled() const noexcept { return config_.enabled; }
    // Starts the node: the plug-in's messages go out on it, received ones reach the plug-in's
    // ZephraOnXapMessage on the loop.
    void start(forms::Loop& loop, vb::ObjectRef plugin);
    // The plug-in's messages are logged again and the node closes.
    void stop();

private:
    RealHost& host_;
    Log log_;
    XapConfig config_;
    vb::ObjectRef plugin_;
    std::unique_ptr<XapNode> node_;
};

}  // namespace homeseer
