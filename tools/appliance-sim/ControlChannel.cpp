#include "ControlChannel.h"

#include "simkit/PrintableText.h"
#include "simkit/WholeNumber.h"

#include <boost/algorithm/string/predicate.hpp>

#include <optional>

namespace appliance_sim {

namespace {

constexpr const char* plainText = "text/plain";
constexpr int slowestMs = 10 * 60 * 1000;
constexpr int mostDrops = 1000000;

HttpReply answer(unsigned status, std::string body) { return HttpReply{status, std::move(body), plainText, {}}; }

HttpReply okay() { return answer(200, "ok\n"); }
HttpReply error(const std::string& why) { return answer(400, "error: " + why + "\n"); }

std::map<std::string, std::string> parseQuery(std::string_view raw) {
    std::map<std::string, std::string> query;
    while (!raw.empty()) {
        const auto amp = raw.find('&');
        const auto pair = raw.substr(0, amp);
        const auto equals = pair.find('=');
        query[simkit::percentDecoded(pair.substr(0, equals))] =
            equals == std::string_view::npos ? std::string() : simkit::percentDecoded(pair.substr(equals + 1));
        raw = amp == std::string_view::npos ? std::string_view() : raw.substr(amp + 1);
    }
    return query;
}

std::optional<int> number(const std::map<std::string, std::string>& query, const std::string& key, int highest) {
    const auto found = query.find(key);
    if (found == query.end()) return std::nullopt;
    return simkit::wholeNumber(found->second, highest);
}

}  // namespace

ControlChannel::ControlChannel(boost::asio::io_context& io, simkit::SimLog& log,
                               const boost::asio::ip::tcp::endpoint& endpoint,
                               std::vector<std::unique_ptr<Appliance>>& appliances, std::function<void()> quit)
    : log_(log),
      appliances_(appliances),
      quit_(std::move(quit)),
      listener_(
          io, endpoint,
          [this](const std::string& method, const std::string& target, ReplyFn reply) {
              const auto mark = target.find('?');
              const std::string path = target.substr(0, mark);
              const auto query = parseQuery(mark == std::string::npos ? std::string_view()
                                                                      : std::string_view(target).substr(mark + 1));
              auto result = method == "GET" ? handle(path, query) : answer(405, "error: GET only\n");
              const auto firstLine = result.body.substr(0, result.body.find('\n'));
              log_.line("control", simkit::printable(target),
                        result.status == 200 && path == "/sim/state" ? "ok" : firstLine);
              if (path == "/sim/quit" && result.status == 200) result.afterWrite = quit_;
              reply(std::move(result));
          },
          [this](const std::string& notice) { log_.line("control", "-", notice); }) {}

HttpReply ControlChannel::handle(const std::string& path, const Query& query) {
    if (path == "/sim/state") return state(query);
    if (path == "/sim/mark") {
        const auto text = query.find("text");
        log_.line("-", "mark", text == query.end() ? std::string() : simkit::printable(text->second));
        return okay();
    }
    if (path == "/sim/quit") return okay();
    if (path != "/sim/slow" && path != "/sim/drop" && path != "/sim/silent" && path != "/sim/power" &&
        path != "/sim/subscribe" && path != "/sim/unsubscribe")
        return answer(404, "error: unknown page\n");
    const auto name = query.find("name");
    if (name == query.end()) return error("name missing");
    Appliance* appliance = find(name->second);
    if (!appliance) return error("no appliance " + simkit::printable(name->second));
    return onAppliance(path, *appliance, query);
}

HttpReply ControlChannel::state(const Query& query) {
    const auto name = query.find("name");
    if (name != query.end()) {
        Appliance* appliance = find(name->second);
        if (!appliance) return error("no appliance " + simkit::printable(name->second));
        return answer(200, appliance->report());
    }
    std::string all;
    for (const auto& appliance : appliances_) {
        if (!all.empty()) all += '\n';
        all += appliance->report();
    }
    return answer(200, all);
}

HttpReply ControlChannel::onAppliance(const std::string& path, Appliance& appliance, const Query& query) {
    if (path == "/sim/slow") {
        const auto ms = number(query, "ms", slowestMs);
        if (!ms) return error("ms must be 0 to " + std::to_string(slowestMs));
        appliance.setSlow(*ms);
        return okay();
    }
    if (path == "/sim/drop") {
        const auto count = number(query, "n", mostDrops);
        if (!count) return error("n must be 0 to " + std::to_string(mostDrops));
        appliance.setDrop(*count);
        return okay();
    }
    if (path == "/sim/silent" || path == "/sim/power") {
        const auto on = number(query, "on", 1);
        if (!on) return error("on must be 0 or 1");
        if (path == "/sim/silent") appliance.setSilent(*on == 1);
        else appliance.setPower(*on == 1);
        return okay();
    }
    const bool sent = path == "/sim/subscribe" ? appliance.subscribe() : appliance.unsubscribe();
    return sent ? okay() : error("no UDP client (start with --udp-server)");
}

Appliance* ControlChannel::find(const std::string& name) {
    for (const auto& appliance : appliances_)
        if (boost::algorithm::iequals(appliance->name(), name)) return appliance.get();
    return nullptr;
}

}  // namespace appliance_sim
