#include "forms/detail/BrowserUrl.h"

#include <cctype>
#include <string_view>

#include "vb/PercentEncode.h"

namespace forms::detail {

namespace {

bool startsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

std::string encodeUrl(const std::string& url) { return vb::PercentEncoded(url, ":/?#[]@!$&'()*+,;=%"); }

std::optional<HttpUrl> parseHttpUrl(const std::string& encodedUrl) {
    static constexpr std::string_view scheme = "http://";
    if (!startsWithNoCase(encodedUrl, scheme)) return std::nullopt;
    std::string rest = encodedUrl.substr(scheme.size());
    std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, authorityEnd);
    std::string target = authorityEnd == std::string::npos ? "" : rest.substr(authorityEnd);
    target = target.substr(0, target.find('#'));
    if (target.empty() || target[0] != '/') target = "/" + target;
    if (std::size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);

    HttpUrl url;
    url.hostHeader = authority;
    std::size_t colon = authority.rfind(':');
    url.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        std::string port = authority.substr(colon + 1);
        if (port.empty()) {
            url.hostHeader = url.host;
        } else {
            if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
            unsigned long number = std::stoul(port);
            if (number == 0 || number > 65535) return std::nullopt;
            url.port = static_cast<unsigned short>(number);
        }
    }
    if (url.host.empty()) return std::nullopt;
    url.target = target;
    return url;
}

}  // namespace forms::detail
