#pragma once
// For the end-to-end tests of the host program with the real plug-in library: two stand-in
// appliances, "kitchen" on 127.0.0.2 and "hall" on 127.0.0.3, logging to a file; and an
// application folder whose plug-in settings name them, so that zephra-host drives them over
// loopback as HomeSeer would drive real appliances.

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "simkit/testing/ChildProcess.h"
#include "simkit/testing/ReservedPort.h"
#include "windows/testing/TempAppFolder.h"

namespace host_e2e {

using Lines = std::vector<std::string>;
constexpr std::chrono::seconds kWait{20};

// The two appliances of appliance-sim, read up to its "ready" line; `more`: further options
// (fault modes such as {"--slow", "hall=1500"}).
class Appliances {
public:
    explicit Appliances(const std::filesystem::path& log, const std::vector<std::string>& more = {});

    // "127.0.0.2:port" of an appliance's pages.
    std::string http(const std::string& name) const { return sockets_.at(name); }
    // The log lines of one appliance so far, without their times ("/led.shtml?t1 ok topled=on").
    Lines lines(const std::string& name) const;
    // Waits until the appliance's log holds `count` lines that contain `text`; false at time-out.
    bool waitFor(const std::string& name, const std::string& text, std::size_t count = 1,
                 std::chrono::milliseconds timeout = kWait) const;
    // The appliance's log lines that contain `text`.
    Lines matching(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path log_;
    simkit::testing::ChildProcess process_;
    std::map<std::string, std::string> sockets_;
};

// An application folder for zephra-host: the host's settings with a reserved web port, the
// plug-in's settings with the appliances (and `more` lines of section "Zephra Utilities"),
// and a registry of its own whose UDP server takes any free port.
class HostFolder {
public:
    // `names`: lines of section "Zephra Names" after the key, e.g. {"Kitchen,,A3,B4", "Hall"}
    // for the kitchen and the hall in that order.
    HostFolder(const Appliances& appliances, const Lines& names, const Lines& more = {});
    ~HostFolder();

    const std::filesystem::path& path() const { return app_.path(); }
    std::filesystem::path write(const std::string& relative, const std::string& text) const {
        return app_.write(relative, text);
    }
    std::string read(const std::string& relative) const { return app_.read(relative); }
    int webPort() const { return webPort_.port(); }
    // The arguments of zephra-host for this folder, before `more`.
    std::vector<std::string> args(const std::vector<std::string>& more = {}) const;
    // The host's log so far.
    std::string log() const { return read("Data/zephra-host.log"); }

private:
    windows::testing::TempAppFolder app_;
    simkit::testing::ReservedPort webPort_;
    std::optional<std::string> previousConfigHome_;
};

// Room for `wanted` open files in this process, whatever the soft limit was (for crowds of
// sockets), as far as the hard limit allows; false when it allows less.
bool raiseOpenFileLimit(rlim_t wanted);

// True when `text` holds `part`.
inline bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The numbers of the processes whose parent is `parent`.
std::vector<int> childrenOf(int parent);
// True when a TCP connection to 127.0.0.1:port is accepted.
bool accepts(int port);
// Sends `request` to 127.0.0.1:port and returns the whole answer, read until the server closes
// the connection or `ceiling` passes without data; empty when nothing accepts it.
std::string answerTo(int port, const std::string& request, std::chrono::seconds ceiling = kWait);

// In a user namespace this process has just entered: maps its user and group to themselves, so
// that it may mount or set up its network there; false when the system refuses.
bool MapOwnUser(uid_t uid, gid_t gid);

}  // namespace host_e2e
