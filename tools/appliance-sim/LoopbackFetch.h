#pragma once
// The appliance fetching a URL (a WAV file, a pushed page) from its own address, as its browser
// and player do; loopback URLs only.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace appliance_sim {

struct FetchResult {
    std::string error;               // empty when the body came with status 200
    unsigned status = 0;             // HTTP status, 0 when none came
    std::uint64_t bodyBytes = 0;     // length of the body received
    std::vector<std::uint8_t> head;  // the first bytes of the body, as many as asked for
    std::string location;            // the "Location" field of the answer, when it has one
};

// Limits of one fetch: nothing may grow without bound or wait for ever.
inline constexpr std::uint64_t fetchBodyLimit = 256ull * 1024 * 1024;
inline constexpr int fetchStepSeconds = 15;

// Starts fetching url over HTTP from the local address source; done runs once, on io's thread.
// A URL that is not http:// to a loopback address fails at once with "refused <reason>".
void fetchFromLoopback(boost::asio::io_context& io, const boost::asio::ip::address& source, const std::string& url,
                       std::size_t keepBytes, std::function<void(FetchResult)> done);

}  // namespace appliance_sim
