#pragma once
// The hidden form "ZephraQueue": it carries every timer, socket and the serial port of the
// plug-in and routes their events, to the appliance objects (through the timer pool), the
// housekeeping routines, the caller-ID and xAP services and the UDP server's client list.
// It is never shown. Made on first use through PluginState::QueueTimerForm().

#include <cstdint>
#include <memory>
#include <string>

#include "forms/ControlArray.h"
#include "forms/Form.h"
#include "forms/SerialPort.h"
#include "forms/TcpSocket.h"
#include "forms/Timer.h"
#include "forms/UdpSocket.h"
#include "script/ScriptControl.h"
#include "vb/Object.h"

namespace zephra {

class PluginState;
class QueueTimerEvents;

class QueueTimer : public forms::Form, public std::enable_shared_from_this<QueueTimer> {
public:
    static constexpr const char* kCaption = "ZephraQueue";
    // Elements 0 to 12 of each per-appliance timer array exist; the pool hands out 0 to 5.
    static constexpr int kTimerElements = 13;

    explicit QueueTimer(PluginState& state);
    ~QueueTimer() override;

    // Per-appliance timers: command time-outs (ticks go to the owner's Timeout) and page
    // completion (ticks stop the timer and go to the owner's ReceiveData).
    forms::ControlArray<forms::Timer> Timer1;
    forms::ControlArray<forms::Timer> IETimer;

    forms::Timer Timer2;             // housekeeping, once a minute
    forms::Timer Timer3;             // slideshow
    forms::Timer Timer4;             // caller-ID device back off after 10 s
    forms::Timer Timer5;             // modem input whose second line never came
    forms::Timer CommLineTimer;      // modem text holding a prefix that no line end follows
    forms::Timer BSCTimer;           // queued xAP messages, one per 200 ms
    forms::Timer ScriptQueueTimer;   // queued user-script runs
    forms::Timer ConnectTimer;       // jukebox connect retry
    forms::Timer SendTimer;          // jukebox send time-out
    forms::TcpSocket SorvexWinsock;  // jukebox client
    forms::UdpSocket Winsock1;       // the UDP server's socket
    forms::SerialPort Com1;          // the caller-ID modem
    // The user scripts' script control: "VBScript", time-out 10000 ms.
    std::shared_ptr<script::ScriptControl> ScriptControl1 = std::make_shared<script::ScriptControl>();

    int16_t ConnectAttempts = 0;

    // --- Jukebox client: one command text per connection to an appliance's jukebox -------
    // Each call returns only when its work is done or given up, letting every other event
    // run meanwhile. One command at a time: ConnectSorvex, then SendSorvex when it answered
    // true.

    // True when a connection to ip:port is up: at most two attempts of 12 s each, the
    // connect retried every 2 s. False at once, with a log line, for a port that is not a
    // number from 1 to 65535 and while another command is under way.
    bool ConnectSorvex(const std::string& ip, const std::string& port);
    // Sends the text byte for byte, nothing added, and closes the connection once it is
    // handed over (or after 2 s). A failing send raises to the caller.
    void SendSorvex(const std::string& text);
    // One connect attempt with its retries; true when connected.
    bool OpenSorvexPort();
    // Closes the jukebox socket, ignoring any failure.
    void CloseSorvexPort();
    // ConnectSorvex or SendSorvex is waiting on the jukebox socket.
    bool SorvexBusy() const noexcept { return sorvexBusy_; }

    // The host's X10 event callback: parms(1) house code, parms(2) unit, parms(3) command.
    // Nothing happens before the start-up has finished or once the form is unloaded.
    void HSEvent(const vb::Variant& parms);

protected:
    // Registers for the host's X10 events when "AwakenOnMotion" or "StartSlildeshow" is on.
    void Form_Load() override;
    // Stops every timer and closes the sockets and the serial port.
    void Form_Unload() override;

private:
    void Timer1_Timer(int index);
    void IETimer_Timer(int index);
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timer5_Timer();
    void CommLineTimer_Timer();
    void BSCTimer_Timer();
    void ScriptQueueTimer_Timer();
    void Winsock1_DataArrival(const forms::Datagram& datagram);
    void Com1_OnComm();
    void WireSorvex();
    void SorvexWinsock_Connect();
    void SorvexWinsock_SendComplete();
    void SorvexWinsock_Error(int32_t number, const std::string& description);
    void ConnectTimer_Timer();
    void SendTimer_Timer();

    PluginState& state_;
    bool sorvexBusy_ = false;
    // What the host holds to call HSEvent: it reaches this form only while the form lives.
    std::shared_ptr<QueueTimerEvents> events_;
};

}  // namespace zephra
