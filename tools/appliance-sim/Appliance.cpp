#include "Appliance.h"

#include "LoopbackAddress.h"
#include "LoopbackFetch.h"
#include "ServerDatagram.h"
#include "simkit/PrintableText.h"

#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <fstream>
#include <sstream>

namespace appliance_sim {

namespace asio = boost::asio;

namespace {

constexpr std::size_t wavHeadBytes = 64 * 1024;  // enough for every chunk before "data"
constexpr const char* markerText = "BROWSER\r\n";
constexpr int maxRedirects = 5;  // a browser gives up on a loop of redirects

}  // namespace

Appliance::Appliance(asio::io_context& io, simkit::SimLog& log, ApplianceConfig config)
    : io_(io),
      log_(log),
      config_(std::move(config)),
      faults_(config_.faults),
      listener_(
          io, config_.http,
          [this](const std::string& method, const std::string& target, ReplyFn reply) {
              onRequest(method, target, std::move(reply));
          },
          [this](const std::string& notice) { log_.line(config_.name, "-", notice); }) {
    if (config_.udpLocal && config_.udpServer)
        udp_ = std::make_unique<UdpClient>(io, *config_.udpLocal, *config_.udpServer,
                                           [this](std::span<const std::uint8_t> bytes,
                                                  const asio::ip::udp::endpoint& from) { onDatagram(bytes, from); });
}

std::optional<asio::ip::udp::endpoint> Appliance::udpEndpoint() const {
    if (!udp_) return std::nullopt;
    return udp_->localEndpoint();
}

void Appliance::start() {
    listener_.start();
    writeMarker();
    if (udp_) {
        udp_->start();
        subscribe();
    }
}

void Appliance::stop() {
    listener_.stop();
    if (udp_) {
        if (udp_->subscribed()) unsubscribe();
        udp_->stop();
    }
}

void Appliance::setSlow(int ms) { faults_.slowMs = ms; }
void Appliance::setDrop(int count) { faults_.dropNext = count; }
void Appliance::setSilent(bool on) { faults_.silent = on; }

void Appliance::setPower(bool on) {
    if (on == poweredOn_) return;
    poweredOn_ = on;
    log_.line(config_.name, "power", on ? "on" : "off");
    if (!on) return;
    state_ = ApplianceState{};
    writeMarker();
    if (udp_) subscribe();
}

bool Appliance::subscribe() {
    if (!udp_) return false;
    const auto error = udp_->subscribe();
    log_.line(
        config_.name, "udp",
        "subscribe to=" + endpointText(udp_->server()) + (error.empty() ? "" : " failed " + simkit::quoted(error)));
    return true;
}

bool Appliance::unsubscribe() {
    if (!udp_) return false;
    const auto error = udp_->unsubscribe();
    log_.line(
        config_.name, "udp",
        "unsubscribe to=" + endpointText(udp_->server()) + (error.empty() ? "" : " failed " + simkit::quoted(error)));
    return true;
}

std::optional<std::string> Appliance::unansweredBecause() {
    if (!poweredOn_) return "off";
    if (faults_.silent) return "silent";
    if (faults_.dropNext > 0) {
        --faults_.dropNext;
        return "dropped left=" + std::to_string(faults_.dropNext);
    }
    return std::nullopt;
}

void Appliance::onRequest(const std::string& method, const std::string& target, ReplyFn reply) {
    ++requests_;
    if (const auto why = unansweredBecause()) {
        log_.line(config_.name, simkit::printable(target), *why);
        return reply(std::nullopt);
    }
    if (method != "GET") {
        PageAnswer refused;
        refused.status = 405;
        refused.body = "<html><body>Method Not Allowed</body></html>";
        refused.outcome = "method-not-allowed " + simkit::printable(method);
        return deliver(target, std::move(refused), std::move(reply));
    }
    followUp(target, answerControlPage(state_, target), std::move(reply));
}

void Appliance::followUp(const std::string& target, PageAnswer answer, ReplyFn reply) {
    switch (answer.followUp) {
    case FollowUp::fetchWav: {
        // The page answers once the player has the file.
        const auto url = answer.url;
        fetchFromLoopback(
            io_, config_.http.address(), url, wavHeadBytes,
            [this, target, url, answer = std::move(answer), reply = std::move(reply)](FetchResult fetched) mutable {
                answer.outcome = recordWavFetch(state_, url, fetched);
                deliver(target, std::move(answer), std::move(reply));
            });
        return;
    }
    case FollowUp::browse: browse(answer.url); break;
    case FollowUp::none: break;
    }
    deliver(target, std::move(answer), std::move(reply));
}

void Appliance::deliver(const std::string& target, PageAnswer answer, ReplyFn reply) {
    auto send = [this, target, answer = std::move(answer), reply = std::move(reply)](const std::string& delay) {
        log_.line(config_.name, simkit::printable(target), answer.outcome + delay);
        reply(HttpReply{answer.status, answer.body, "text/html", {}});
    };
    if (faults_.slowMs <= 0) return send({});
    auto timer = std::make_shared<asio::steady_timer>(io_, std::chrono::milliseconds(faults_.slowMs));
    const std::string delay = " slow=" + std::to_string(faults_.slowMs);
    timer->async_wait([timer, send = std::move(send), delay](boost::system::error_code) { send(delay); });
}

void Appliance::browse(const std::string& url, const std::string& shown, int hops) {
    const std::string page = shown.empty() ? url : shown;
    fetchFromLoopback(io_, config_.http.address(), url, 0, [this, url, page, hops](FetchResult fetched) {
        if (state_.currentUrl != page) return;  // the browser has moved on meanwhile
        const unsigned s = fetched.status;
        const bool redirect = s == 301 || s == 302 || s == 303 || s == 307 || s == 308;
        if (redirect && !fetched.location.empty() && hops < maxRedirects) {
            // A page handed on elsewhere is loaded from there, as a browser does.
            std::string next = fetched.location;
            if (next.starts_with("/")) next = url.substr(0, url.find('/', url.find("//") + 2)) + next;
            log_.line(config_.name, "browse",
                      simkit::quoted(url) + " redirect status=" + std::to_string(s) + " to=" + simkit::quoted(next));
            browse(next, page, hops + 1);
            return;
        }
        log_.line(config_.name, "browse", simkit::quoted(url) + " " + recordBrowse(state_, fetched));
    });
}

void Appliance::onDatagram(std::span<const std::uint8_t> bytes, const asio::ip::udp::endpoint& from) {
    std::string line = describe(decodeServerDatagram(bytes)) + " from=" + endpointText(from);
    if (!poweredOn_ || faults_.silent) {
        log_.line(config_.name, "udp", line + (poweredOn_ ? " ignored=silent" : " ignored=off"));
        return;
    }
    ++datagrams_;
    lastDatagram_ = line;
    log_.line(config_.name, "udp", line);
}

void Appliance::writeMarker() {
    if (config_.markerDir.empty()) return;
    const std::string path = config_.markerDir + "/" + config_.name + ".txt";
    std::ofstream marker(path, std::ios::binary | std::ios::trunc);
    marker << markerText;
    log_.line(config_.name, "marker", marker ? simkit::quoted(path) : "failed " + simkit::quoted(path));
}

std::string Appliance::report() const {
    std::ostringstream out;
    auto line = [&out](const char* key, const auto& value) { out << key << '=' << value << '\n'; };
    auto flag = [](bool on) { return on ? 1 : 0; };
    line("appliance", config_.name);
    line("http", endpointText(httpEndpoint()));
    line("power", poweredOn_ ? "on" : "off");
    line("silent", flag(faults_.silent));
    line("slow", faults_.slowMs);
    line("drop", faults_.dropNext);
    line("requests", requests_);
    line("awake", flag(state_.awake));
    line("backlight", state_.backlight ? "on" : "off");
    line("topled", state_.topLed);
    line("mailled", state_.mailLed);
    line("fullscreen", flag(state_.fullScreen));
    line("volume", state_.volume);
    line("soundsvolume", state_.soundsVolume);
    line("sound", state_.lastSound);
    line("url", simkit::printable(state_.currentUrl));
    line("browsed", state_.browsed);
    line("wav", simkit::printable(state_.wavUrl));
    line("wavms", state_.wavMs);
    line("wavformat", state_.wavFormat);
    line("waverror", state_.wavError);
    line("udp", udp_ ? endpointText(udp_->localEndpoint()) : std::string());
    line("udpserver", udp_ ? endpointText(udp_->server()) : std::string());
    line("subscribed", flag(udp_ && udp_->subscribed()));
    line("datagrams", datagrams_);
    line("lastdatagram", lastDatagram_);
    return out.str();
}

}  // namespace appliance_sim
