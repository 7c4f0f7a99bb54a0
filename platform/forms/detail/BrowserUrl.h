#pragma once
// URLs as the hidden browser sends them: characters that a URL may not hold are encoded
// as %XX, as a browser does, and an http URL is split into what the request needs.

#include <optional>
#include <string>

namespace forms::detail {

// The URL with every character outside the URL alphabet (blanks, quotes, <, >, \, ^, `,
// {, |, }, control and non-ASCII bytes) written as %XX; '%' itself is kept.
std::string encodeUrl(const std::string& url);

struct HttpUrl {
    std::string host;  // name or address to connect to
    unsigned short port = 80;
    std::string hostHeader;  // host, and ":" port when the URL gives one
    std::string target;      // path and query, without the fragment
};

// Splits an encoded http:// URL (scheme in any case); none for another scheme, an empty
// host or a bad port.
std::optional<HttpUrl> parseHttpUrl(const std::string& encodedUrl);

}  // namespace forms::detail
