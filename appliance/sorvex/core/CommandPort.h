#pragma once
// The TCP command port: one-line text commands from the local network, each answered with a
// short text, on the GLib main loop. Sockets are non-blocking with a buffer per connection, so
// a client that sends half a line holds nothing up; replies to a vanished peer are dropped.

#include <glib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandGate.h"
#include "SaveTarget.h"

namespace sorvex {

// What the commands do; the jukebox implements it.
class CommandActions {
public:
    virtual ~CommandActions() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void prev() = 0;
    virtual void next() = 0;
    virtual void launch(const std::string& path) = 0;
    virtual void clear() = 0;
    // Saves the play list as `name` in `directory`, which is relative to the jukebox's music
    // root ("." for the root itself); or says why the target is refused.
    virtual SaveRefusal save(const std::string& directory, const std::string& name) = 0;
    // The reason to give for a name refused as a way out of the music folder (see WayOutOf).
    virtual SaveRefusal wayOut(const std::string&) { return SaveRefusal::Outside; }
    virtual std::string status() = 0;
    // Stops, writes the preferences and saves the default list as set.
    virtual void quit() = 0;
    // Ends the program, after the reply to "quit" went out.
    virtual void exitProgram() = 0;
    // After each command's reply went out (or was dropped): what must not hold a reply back,
    // such as a modal alert, comes now.
    virtual void replied() {}
    // The gate every command passes (none: lines run as they come).
    virtual CommandGate* gate() { return nullptr; }
};

// A playlist name from the network as {directory, file name}, the directory relative to the
// music root ("." for the root); none when it is absolute, climbs with "..", names a hidden
// file or would not be written as an ".m3u" file (`why` then says which).
std::optional<std::pair<std::string, std::string>> NetworkPlaylistName(const std::string& argument,
                                                                       SaveRefusal* why = nullptr);

class CommandPort {
public:
    explicit CommandPort(CommandActions& actions) : actions_(actions) {}
    ~CommandPort();
    CommandPort(const CommandPort&) = delete;
    CommandPort& operator=(const CommandPort&) = delete;

    // Listens on the port (0: a port the system chooses) on every address; 0, or -1 after
    // perror with the failing step (its reason then in failure()).
    int open(int port);
    // Why the last open failed; empty after a success.
    const std::string& failure() const { return failure_; }
    // The port the last opened socket listens on; 0 when none.
    int boundPort() const { return boundPort_; }
    std::size_t connections() const { return clients_.size(); }

    // Runs one complete line and returns the reply ("" when it has none); for the tests.
    std::string runLine(const std::string& line, int fd = -1);

private:
    struct Client {
        int fd = -1;
        guint watch = 0;
        bool watchingWrite = false;
        std::string in;
        std::string out;
        std::uint64_t lastActive = 0;  // when it connected or last sent, in steps of activity_
        bool held = false;             // not watched while another command runs
    };

    static gboolean onAccept(gint fd, GIOCondition, gpointer self);
    static gboolean onRested(gpointer self);
    int failed(const char* step, int fd);
    // Stops watching the listeners for a moment (out of descriptors).
    void restListeners();
    static gboolean onClient(gint fd, GIOCondition condition, gpointer self);
    void accept(int listener);
    gboolean serve(int fd, GIOCondition condition);
    // Stops watching the client until the running command is done; its lines wait in the socket.
    gboolean hold(Client& client, guint source);
    // Takes the complete lines out of the client's buffer and runs them; false when the
    // connection was closed meanwhile.
    bool runLines(int fd);
    // Runs a line; `connected` false when the connection has already gone (no reply).
    void execute(int fd, const std::string& line, bool connected);
    void reply(int fd, const std::string& text);
    void flush(Client& client);
    void watch(Client& client);
    void closeClient(int fd);
    // The client that has connected or sent least recently; -1 when there is none.
    int idleLongest() const;

    CommandActions& actions_;
    std::vector<std::pair<int, guint>> listeners_;
    std::map<int, std::unique_ptr<Client>> clients_;
    int boundPort_ = 0;
    std::string failure_;
    bool acceptFailing_ = false;
    guint rest_ = 0;
    std::uint64_t activity_ = 0;
    // What waits in the gate checks that the port is still there.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sorvex
