#pragma once
// A pseudo-terminal whose slave side the plug-in opens as its modem's serial port.

#include <string>

namespace modem_sim {

class Pty {
public:
    // Opens the pair with the slave side in raw mode, so that nothing is echoed back before the
    // other side sets its own modes. Throws std::system_error on failure.
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // Bytes written to the master that the other side has not read yet.
    int unreadBySlave() const;

private:
    int master_ = -1;
    // Kept open so that the master stays usable while the other side closes and reopens the port.
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace modem_sim
