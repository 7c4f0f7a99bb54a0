#include "forms/detail/PageText.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace forms::detail {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// The part of the page a browser shows as the body: inside <body ...> ... </body>, or
// after </head> when the page has no body tag.
std::string_view bodyOf(std::string_view html, const std::string& folded) {
    std::size_t start = 0;
    if (std::size_t body = folded.find("<body"); body != std::string::npos) {
        std::size_t open = folded.find('>', body);
        start = open == std::string::npos ? html.size() : open + 1;
    } else if (std::size_t head = folded.find("</head>"); head != std::string::npos) {
        start = head + 7;
    }
    std::size_t end = folded.find("</body", start);
    if (end == std::string::npos) end = html.size();
    return html.substr(start, end - start);
}

// Decodes the character reference at html[i] ('&'); returns how many characters it took.
std::size_t decodeReference(std::string_view html, std::size_t i, std::string& out) {
    std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
        out += '&';
        return 1;
    }
    std::string name = lower(html.substr(i + 1, semi - i - 1));
    long code = -1;
    if (name == "amp") code = '&';
    else if (name == "lt") code = '<';
    else if (name == "gt") code = '>';
    else if (name == "quot") code = '"';
    else if (name == "apos") code = '\'';
    else if (name == "nbsp") code = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x';
        std::string digits = name.substr(hex ? 2 : 1);
        if (!digits.empty() && digits.size() <= 7 &&
            digits.find_first_not_of(hex ? "0123456789abcdef" : "0123456789") == std::string::npos)
            code = std::stol(digits, nullptr, hex ? 16 : 10);
    }
    if (code < 0) {
        out += '&';
        return 1;
    }
    out += code < 256 ? static_cast<char>(code) : '?';  // the page text is single-byte
    return semi - i + 1;
}

// Skips the markup that starts at html[i] ('<'); returns the position after it.
std::size_t skipMarkup(std::string_view html, const std::string& folded, std::size_t i) {
    if (folded.compare(i, 4, "<!--") == 0) {
        std::size_t end = folded.find("-->", i + 4);
        return end == std::string::npos ? html.size() : end + 3;
    }
    for (std::string_view raw : {"script", "style"}) {
        if (folded.compare(i + 1, raw.size(), raw) == 0) {
            std::size_t end = folded.find("</" + std::string(raw), i);
            if (end == std::string::npos) return html.size();
            i = end;
            break;
        }
    }
    std::size_t close = html.find('>', i);
    return close == std::string_view::npos ? html.size() : close + 1;
}

}  // namespace

std::string pageText(const std::string& html) {
    std::string foldedPage = lower(html);
    std::string_view body = bodyOf(html, foldedPage);
    std::string folded = lower(body);
    std::string text;
    text.reserve(body.size());
    std::size_t i = 0;
    while (i < body.size()) {
        char c = body[i];
        if (c == '<' && i + 1 < body.size() &&
            (std::isalpha(static_cast<unsigned char>(body[i + 1])) || body[i + 1] == '/' || body[i + 1] == '!' ||
             body[i + 1] == '?')) {
            i = skipMarkup(body, folded, i);
        } else if (c == '&') {
            i += decodeReference(body, i, text);
        } else {
            text += c;
            ++i;
        }
    }
    return text;
}

}  // namespace forms::detail
