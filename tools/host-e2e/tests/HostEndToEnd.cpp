#include "HostEndToEnd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace host_e2e {

namespace {

constexpr const char* kConfigHome = "XDG_CONFIG_HOME";

std::vector<std::string> simArgs(const std::filesystem::path& log, const std::vector<std::string>& more) {
    std::vector<std::string> args{"--appliance", "kitchen=127.0.0.2:0", "--appliance", "hall=127.0.0.3:0",
                                  "--log",       log.string()};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace

Appliances::Appliances(const std::filesystem::path& log, const std::vector<std::string>& more)
    : log_(log), process_(APPLIANCE_SIM_PATH, simArgs(log, more)) {
    for (;;) {
        std::optional<std::string> line = process_.readLine();
        if (!line) throw std::runtime_error("appliance-sim did not start");
        if (*line == "ready") break;
        std::istringstream words(*line);
        std::string kind, name, socket, address;
        words >> kind >> name >> socket >> address;
        if (kind == "appliance" && socket == "http") sockets_[name] = address;
    }
}

Lines Appliances::lines(const std::string& name) const {
    Lines found;
    std::istringstream all(fileText(log_));
    const std::string mark = " " + name + " ";
    for (std::string line; std::getline(all, line);) {
        std::size_t at = line.find(mark);
        if (at != std::string::npos && line.find(' ') == at) found.push_back(line.substr(at + mark.size()));
    }
    return found;
}

Lines Appliances::matching(const std::string& name, const std::string& text) const {
    Lines found;
    for (const std::string& line : lines(name))
        if (holds(line, text)) found.push_back(line);
    return found;
}

bool Appliances::waitFor(const std::string& name, const std::string& text, std::size_t count,
                         std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (matching(name, text).size() >= count) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The plug-in builds the appliances' URLs from the configured ports, so the host's web server
// cannot take "any free port" itself: it is given a reserved one.
HostFolder::HostFolder(const Appliances& appliances, const Lines& names, const Lines& more) {
    app_.write("Config/settings.ini", "[Settings]\r\nsvrport=" + std::to_string(webPort_.port()) + "\r\n");
    std::string settings = "[Zephra Utilities]\r\nHomeseerIP=127.0.0.1\r\nIncludeHeaderLinks=0\r\n";
    for (const std::string& line : more) settings += line + "\r\n";
    settings += "[Zephra Names]\r\n";
    const char* const order[] = {"kitchen", "hall"};
    for (std::size_t i = 0; i < names.size() && i < 2; ++i) {
        std::string address = appliances.http(order[i]);
        settings += address.substr(0, address.find(':')) + "/" + address + "=\"" + names[i] + "\"\r\n";
    }
    app_.write("Config/dkvZephraUtilities.ini", settings);
    // The plug-in's registry settings, kept apart from the user's.
    app_.write("registry/zephra/registry.ini", "[Zephra\\Options]\r\nLocalPort=0\r\n");
    if (const char* previous = std::getenv(kConfigHome)) previousConfigHome_ = previous;
    setenv(kConfigHome, (app_.path() / "registry").c_str(), 1);
}

HostFolder::~HostFolder() {
    if (previousConfigHome_) setenv(kConfigHome, previousConfigHome_->c_str(), 1);
    else unsetenv(kConfigHome);
}

std::vector<std::string> HostFolder::args(const std::vector<std::string>& more) const {
    std::vector<std::string> a{"--app-dir", app_.path().string(), "--plugin", ZEPHRA_PLUGIN_LIBRARY};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

std::vector<int> childrenOf(int parent) {
    std::vector<int> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string stat = fileText(entry.path() / "stat");
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        int ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) children.push_back(std::stoi(name));
    }
    return children;
}

bool accepts(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0) close(s);
    return ok;
}

bool raiseOpenFileLimit(rlim_t wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
    if (limit.rlim_cur >= wanted) return true;
    limit.rlim_cur = limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted ? limit.rlim_max : wanted;
    return setrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= wanted;
}

std::string answerTo(int port, const std::string& request, std::chrono::seconds ceiling) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{ceiling.count(), 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(s, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[8192];
        for (ssize_t n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(s);
    return answer;
}

namespace {

bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

}  // namespace

bool MapOwnUser(uid_t uid, gid_t gid) {
    WriteProcFile("/proc/self/setgroups", "deny");
    return WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
           WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

}  // namespace host_e2e
