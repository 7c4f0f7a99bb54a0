#pragma once
// For the jukebox's tests: a scratch folder, the GLib loop run until a condition holds, a
// loopback TCP client, and a view that records what the jukebox shows.

#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "JukeboxView.h"

namespace sorvex::testing {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvex-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }
    std::string write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }
    std::string read(const std::string& relative) const { return readFile((path_ / relative).string()); }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    std::filesystem::path path_;
};

// Runs the default main context until `done` holds; false at time-out.
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs the loop for a while, for what must not happen.
inline void RunFor(std::chrono::milliseconds time) {
    RunUntil([] { return false; }, time);
}

inline bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A blocking TCP client on loopback whose reads never wait: the loop runs between them.
class Client {
public:
    Client(const char* address, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address, &to.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~Client() { close(); }
    bool connected() const { return connected_; }
    void send(const std::string& text) { (void)!::send(fd_, text.data(), text.size(), MSG_NOSIGNAL); }
    void shutdownWrite() { ::shutdown(fd_, SHUT_WR); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Collects what has arrived; true when the peer closed.
    bool poll() {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0) {
                received_.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0) closedByPeer_ = true;
            return closedByPeer_;
        }
    }
    // Runs the loop until `text` has arrived in full.
    bool awaitReceived(const std::string& text) {
        return RunUntil([&] {
            poll();
            return received_.size() >= text.size();
        });
    }
    bool awaitClosed() {
        return RunUntil([&] { return poll(); });
    }
    const std::string& received() const { return received_; }
    void clearReceived() { received_.clear(); }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closedByPeer_ = false;
    std::string received_;
};

// Records what the jukebox shows.
class RecordingView : public JukeboxView {
public:
    void clearRows() override { rows.clear(); }
    void appendRow(const std::string& title) override { rows.push_back(title); }
    void setRows(const std::vector<std::string>& titles) override { rows = titles; }
    void deleteRow(int row) override {
        if (row >= 1 && row <= static_cast<int>(rows.size())) rows.erase(rows.begin() + (row - 1));
    }
    void showPosition(int position, int) override { shownPosition = position; }
    void setTrackLabel(const std::string& text) override { track = text; }
    void setArtistLabel(const std::string& text) override { artist = text; }
    void setAlbumLabel(const std::string& text) override { album = text; }
    void setElapsed(int, const std::string& text) override { elapsed = text; }
    void setLength(int, const std::string& text, bool) override { length = text; }
    void updateControls(bool hasEntries, bool isPlaying) override {
        entries = hasEntries;
        playing = isPlaying;
    }
    void showProgress(const std::string& text, int n) override { progress.push_back(text + " " + std::to_string(n)); }
    void showDirectory(const std::string& path, bool record) override {
        directories.push_back(path + (record ? " recorded" : ""));
    }
    void alert(const std::string& text) override { alerts.push_back(text); }

    std::vector<std::string> rows, progress, directories, alerts;
    int shownPosition = -1;
    std::string track, artist, album, elapsed, length;
    bool entries = false, playing = false;
};

}  // namespace sorvex::testing
