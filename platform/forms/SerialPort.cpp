#include "forms/SerialPort.h"

#include <array>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>

#include <boost/asio/serial_port.hpp>
#include <boost/asio/write.hpp>

#include "forms/detail/LoopInternals.h"
#include "vb/Error.h"

namespace forms {

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

// Reading pauses while this many received characters wait for Input.
constexpr std::size_t kInboxLimit = 1 << 16;
constexpr std::size_t kReadChunk = 4096;
constexpr int32_t kMaxPort = 255;

const char* errorText(int32_t number) {
    switch (number) {
    case comInvalidPropertyValue: return "Invalid property value";
    case comPortOpen: return "Operation not valid while the port is opened";
    case comPortInvalid: return "Invalid port number";
    case comPortAlreadyOpen: return "Port already open";
    case comBadComm: return "The hardware is not available (locked by another device)";
    case comPortNotOpen: return "Operation valid only when the port is open";
    default: return "";
    }
}

vb::Error commError(int32_t number) { return vb::Error(number, errorText(number)); }

std::map<int32_t, std::string>& configuredDevices() {
    static std::map<int32_t, std::string> devices;
    return devices;
}

struct LineSettings {
    unsigned baud;
    asio::serial_port::parity::type parity;
    unsigned dataBits;
    asio::serial_port::stop_bits::type stopBits;
};

bool standardBaud(unsigned long baud) {
    static constexpr unsigned long rates[] = {50,   75,   110,  134,  150,   200,   300,   600,    1200,
                                              1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
    for (auto rate : rates)
        if (rate == baud) return true;
    return false;
}

// "9600,n,8,1": baud, parity letter, data bits, stop bits.
std::optional<LineSettings> parseSettings(const std::string& text) {
    std::array<std::string, 4> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == fields.size() - 1)) return std::nullopt;
        fields[i] = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma + 1;
    }
    char* end = nullptr;
    unsigned long baud = std::strtoul(fields[0].c_str(), &end, 10);
    if (fields[0].empty() || *end != '\0' || !standardBaud(baud)) return std::nullopt;
    LineSettings line{static_cast<unsigned>(baud), asio::serial_port::parity::none, 8,
                      asio::serial_port::stop_bits::one};
    if (fields[1] == "n" || fields[1] == "N") line.parity = asio::serial_port::parity::none;
    else if (fields[1] == "e" || fields[1] == "E") line.parity = asio::serial_port::parity::even;
    else if (fields[1] == "o" || fields[1] == "O") line.parity = asio::serial_port::parity::odd;
    else return std::nullopt;
    if (fields[2].size() != 1 || fields[2][0] < '5' || fields[2][0] > '8') return std::nullopt;
    line.dataBits = static_cast<unsigned>(fields[2][0] - '0');
    if (fields[3] == "1") line.stopBits = asio::serial_port::stop_bits::one;
    else if (fields[3] == "2") line.stopBits = asio::serial_port::stop_bits::two;
    else return std::nullopt;
    return line;
}

}  // namespace

std::string CommPortDevice(int32_t port) {
    auto configured = configuredDevices().find(port);
    if (configured != configuredDevices().end()) return configured->second;
    if (const char* fromEnvironment = std::getenv(("ZEPHRA_COMM" + std::to_string(port)).c_str()))
        return fromEnvironment;
    return "/dev/ttyS" + std::to_string(port - 1);
}

void setCommPortDevice(int32_t port, std::string devicePath) { configuredDevices()[port] = std::move(devicePath); }

struct SerialPort::Impl : std::enable_shared_from_this<Impl> {
    Impl(Loop& loop, SerialPort* owner) : loop(loop), owner(owner), port(detail::io(loop)) {}

    Loop& loop;
    SerialPort* owner;  // none once the control is destroyed
    asio::serial_port port;
    std::uint64_t generation = 0;
    std::string inbox;
    bool reading = false;
    std::deque<std::string> outbox;
    bool writing = false;
    std::array<char, kReadChunk> chunk{};

    void close() {
        ++generation;
        error_code ignored;
        port.close(ignored);
        inbox.clear();
        outbox.clear();
        reading = writing = false;
    }

    void open(const std::string& device, const LineSettings& line, int32_t handshaking) {
        error_code ec;
        port.open(device, ec);
        // A missing device (a USB modem not plugged in) is named, so that the log says what to look for.
        if (ec == boost::system::errc::no_such_file_or_directory)
            throw vb::Error(comPortInvalid,
                            std::string(errorText(comPortInvalid)) + ": the device " + device + " is missing");
        if (ec) throw commError(comBadComm);
        try {
            apply(line);
            flowControl(handshaking);
        } catch (...) {
            close();
            throw;
        }
        readMore();
    }

    void apply(const LineSettings& line) {
        error_code ec;
        port.set_option(asio::serial_port::baud_rate(line.baud), ec);
        if (!ec) port.set_option(asio::serial_port::parity(line.parity), ec);
        if (!ec) port.set_option(asio::serial_port::character_size(line.dataBits), ec);
        if (!ec) port.set_option(asio::serial_port::stop_bits(line.stopBits), ec);
        if (ec) throw commError(comInvalidPropertyValue);
    }

    void flowControl(int32_t handshaking) {
        using flow = asio::serial_port::flow_control;
        flow::type type = handshaking == 0 ? flow::none : handshaking == 1 ? flow::software : flow::hardware;
        error_code ec;
        port.set_option(flow(type), ec);
        if (ec) throw commError(comInvalidPropertyValue);
    }

    void readMore() {
        if (reading || !port.is_open() || inbox.size() >= kInboxLimit) return;
        reading = true;
        port.async_read_some(asio::buffer(chunk),
                             [self = shared_from_this(), gen = generation](const error_code& ec, std::size_t n) {
                                 if (self->generation != gen) return;
                                 self->reading = false;
                                 if (ec) return self->lost(ec);  // the device went away: nothing more comes from it
                                 self->inbox.append(self->chunk.data(), n);
                                 self->readMore();
                                 self->received();
                             });
    }

    // A read or a write failed: the port is closed, so that it can be opened again, and the
    // owner is told.
    void lost(const error_code& ec) {
        const std::string why = ec == asio::error::eof ? std::string("the line hung up") : ec.message();
        close();
        if (owner) detail::raise(loop, owner->OnLost, why);
    }

    void received() {
        if (!owner || owner->RThreshold <= 0 || inbox.size() < static_cast<std::size_t>(owner->RThreshold)) return;
        owner->commEvent_ = comEvReceive;
        detail::raise(loop, owner->OnComm);
    }

    void writeNext() {
        writing = true;
        asio::async_write(port, asio::buffer(outbox.front()),
                          [self = shared_from_this(), gen = generation](const error_code& ec, std::size_t) {
                              if (self->generation != gen) return;
                              self->writing = false;
                              if (ec) return self->lost(ec);
                              self->outbox.pop_front();
                              if (!self->outbox.empty()) self->writeNext();
                          });
    }

    std::string take(std::size_t count) {
        std::string taken = inbox.substr(0, count);
        inbox.erase(0, taken.size());
        readMore();
        return taken;
    }
};

SerialPort::SerialPort(Loop& loop) : impl_(std::make_shared<Impl>(loop, this)) {}

SerialPort::~SerialPort() {
    impl_->owner = nullptr;
    impl_->close();
}

void SerialPort::CommPort(int32_t port) {
    if (PortOpen()) throw commError(comPortOpen);
    if (port < 1 || port > kMaxPort) throw commError(comPortInvalid);
    commPort_ = port;
}

void SerialPort::Settings(const std::string& settings) {
    auto line = parseSettings(settings);
    if (!line) throw commError(comInvalidPropertyValue);
    if (PortOpen()) impl_->apply(*line);
    settings_ = settings;
}

bool SerialPort::PortOpen() const { return impl_->port.is_open(); }

void SerialPort::PortOpen(bool open) {
    if (!open) return impl_->close();
    if (PortOpen()) throw commError(comPortAlreadyOpen);
    impl_->open(CommPortDevice(commPort_), *parseSettings(settings_), Handshaking);
}

void SerialPort::Output(std::string_view text) {
    if (!PortOpen()) throw commError(comPortNotOpen);
    if (text.empty()) return;
    impl_->outbox.emplace_back(text);
    if (!impl_->writing) impl_->writeNext();
}

std::string SerialPort::Input() {
    if (!PortOpen()) throw commError(comPortNotOpen);
    std::size_t count = impl_->inbox.size();
    if (InputLen > 0) count = std::min(count, static_cast<std::size_t>(InputLen));
    return impl_->take(count);
}

int32_t SerialPort::InBufferCount() const { return static_cast<int32_t>(impl_->inbox.size()); }

}  // namespace forms
