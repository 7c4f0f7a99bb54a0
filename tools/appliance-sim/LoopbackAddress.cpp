#include "LoopbackAddress.h"

#include <boost/asio/ip/address.hpp>

#include "simkit/WholeNumber.h"

#include <cctype>
#include <cstdio>

namespace appliance_sim {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

std::optional<unsigned short> portNumber(std::string_view text) {
    const auto value = simkit::wholeNumber(text, 65535);
    if (!value) return std::nullopt;
    return static_cast<unsigned short>(*value);
}

std::optional<asio::ip::address> loopbackAddress(std::string_view host) {
    std::string text(host);
    if (text.size() > 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    std::string lower;
    for (const char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "localhost") return asio::ip::make_address_v4("127.0.0.1");
    boost::system::error_code ec;
    const auto address = asio::ip::make_address(text, ec);
    if (ec || !address.is_loopback()) return std::nullopt;
    return address;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

std::string requestTarget(std::string_view pathAndQuery) {
    std::string target;
    for (const char c : pathAndQuery) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            target += escape;
        } else {
            target += c;
        }
    }
    return target.empty() || target.front() != '/' ? "/" + target : target;
}

}  // namespace

std::optional<tcp::endpoint> parseLoopbackEndpoint(std::string_view text, std::string& why) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        why = "expected IP:PORT";
        return std::nullopt;
    }
    const auto port = portNumber(text.substr(colon + 1));
    if (!port) {
        why = "bad port";
        return std::nullopt;
    }
    const auto address = loopbackAddress(text.substr(0, colon));
    if (!address) {
        why = "not a loopback address";
        return std::nullopt;
    }
    return tcp::endpoint(*address, *port);
}

std::optional<LoopbackUrl> parseLoopbackUrl(std::string_view url, std::string& why) {
    constexpr std::string_view scheme = "http://";
    if (!startsWithNoCase(url, scheme)) {
        why = "not-http";
        return std::nullopt;
    }
    const auto rest = url.substr(scheme.size());
    const auto authorityEnd = rest.find_first_of("/?#");
    const auto authority = rest.substr(0, authorityEnd);
    if (authority.find('@') != std::string_view::npos) {
        why = "not-loopback";
        return std::nullopt;
    }
    std::string_view host = authority;
    unsigned short port = 80;
    const auto colon = authority.rfind(':');
    if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        const auto number = portNumber(authority.substr(colon + 1));
        if (!number || *number == 0) {
            why = "bad-port";
            return std::nullopt;
        }
        port = *number;
        host = authority.substr(0, colon);
    }
    const auto address = loopbackAddress(host);
    if (!address) {
        why = "not-loopback";
        return std::nullopt;
    }
    LoopbackUrl parsed;
    parsed.server = tcp::endpoint(*address, port);
    parsed.host = std::string(authority);
    std::string_view pathAndQuery =
        authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    pathAndQuery = pathAndQuery.substr(0, pathAndQuery.find('#'));
    parsed.target = requestTarget(pathAndQuery);
    return parsed;
}

}  // namespace appliance_sim
