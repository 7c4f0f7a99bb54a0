#pragma once
// The serial-port control: opens port N (a device path from configuration, by default
// /dev/ttyS{N-1}) with a settings text such as "9600,n,8,1", writes text with Output, and
// keeps received text until Input takes it. With RThreshold above 0, OnComm is raised with
// CommEvent 2 (data received) once that many characters wait. A line that fails (a USB modem
// unplugged, the other end of a pseudo-terminal gone) closes the port and raises OnLost. Events
// run on the loop's thread; none after the port is closed or the control destroyed.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "forms/Loop.h"

namespace forms {

enum CommEventConstants : int { comEvReceive = 2 };

enum CommErrors : int32_t {
    comInvalidPropertyValue = 380,
    comPortOpen = 8000,
    comPortInvalid = 8002,
    comPortAlreadyOpen = 8005,
    comBadComm = 8010,
    comPortNotOpen = 8018,
};

// Device path of port N: set by setCommPortDevice, else the environment variable
// ZEPHRA_COMM<N>, else /dev/ttyS{N-1}.
std::string CommPortDevice(int32_t port);
void setCommPortDevice(int32_t port, std::string devicePath);

class SerialPort {
public:
    explicit SerialPort(Loop& loop = Loop::current());
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int32_t CommPort() const noexcept { return commPort_; }
    // 1 to 255; error 8002 for others, 8000 while the port is open.
    void CommPort(int32_t port);
    const std::string& Settings() const noexcept { return settings_; }
    // "baud,parity,data bits,stop bits" with a standard baud rate, parity n, e or o, data
    // bits 5 to 8, stop bits 1 or 2; error 380 for anything else (1.5 stop bits included:
    // the line discipline has none). Taken at once when the port is open.
    void Settings(const std::string& settings);

    int32_t InputLen = 0;     // characters Input takes; 0 = all
    int32_t RThreshold = 0;   // characters that raise OnComm; 0 = no receive events
    int32_t SThreshold = 0;   // kept; no send events are raised
    int32_t Handshaking = 0;  // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both (taken at opening)

    bool PortOpen() const;
    // Opens (error 8002 when the device does not exist, 8005 when already open, 8010 when
    // it cannot be used) or closes the port; closing drops text not yet taken.
    void PortOpen(bool open);
    // Queues text for the port; error 8018 when the port is closed.
    void Output(std::string_view text);
    // Takes the received text (InputLen characters at most, when set); error 8018 when
    // the port is closed.
    std::string Input();
    int32_t InBufferCount() const;
    int CommEvent() const noexcept { return commEvent_; }

    std::function<void()> OnComm;
    // The line failed on a read or a write: the port is closed already (PortOpen is false) and
    // may be opened again once the device is back. `why`: the system's words for the failure.
    std::function<void(const std::string& why)> OnLost;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
    int32_t commPort_ = 1;
    std::string settings_ = "9600,n,8,1";
    int commEvent_ = 0;
};

}  // namespace forms
