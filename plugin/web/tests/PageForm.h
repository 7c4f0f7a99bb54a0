#pragma once
// The page's form as a browser reads and posts it: inputs with their decoded values, and the
// URL-encoded body a button sends. Plain text in, plain text out, for tests and fuzz targets alike.

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace zephra::testing {

inline std::string UrlEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

inline std::string HtmlDecode(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&#39;", "'"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
            text.replace(at, std::string(from).size(), to);
    }
    return text;
}

struct Field {
    std::string type, name, value;
    bool checked = false;
};

// Every input of the page, in order, with its decoded value.
inline std::vector<Field> Inputs(const std::string& page) {
    std::vector<Field> fields;
    const std::regex input("<input ([^>]*)>", std::regex::icase);
    const std::regex attribute("(\\w+) ?=\\s*'([^']*)'");
    for (std::sregex_iterator it(page.begin(), page.end(), input), end; it != end; ++it) {
        Field field;
        const std::string attrs = (*it)[1];
        for (std::sregex_iterator a(attrs.begin(), attrs.end(), attribute); a != end; ++a) {
            const std::string key = (*a)[1], value = (*a)[2];
            if (key == "type") field.type = value;
            if (key == "name") field.name = value;
            if (key == "value") field.value = HtmlDecode(value);
        }
        field.checked = attrs.find(" checked") != std::string::npos;
        fields.push_back(field);
    }
    return fields;
}

// The form as a browser would post it from `html` with the button `button`: `change` over the values
// shown, the boxes in `untick` unticked.
inline std::string FormPost(const std::string& html, const std::string& button,
                            const std::map<std::string, std::string>& change = {},
                            const std::vector<std::string>& untick = {}) {
    std::string body;
    auto add = [&](const std::string& name, const std::string& value) {
        body += (body.empty() ? "" : "&") + UrlEncode(name) + "=" + UrlEncode(value);
    };
    const std::string form = html.substr(0, html.find("</form>"));
    for (const Field& f : Inputs(form)) {
        if (f.type == "submit") {
            if (f.name == button) add(f.name, f.value);
            continue;
        }
        if ((f.type == "checkbox" || f.type == "radio") &&
            (!f.checked || std::find(untick.begin(), untick.end(), f.name) != untick.end()))
            continue;
        auto changed = change.find(f.name);
        add(f.name, changed == change.end() ? f.value : changed->second);
    }
    return body;
}

}  // namespace zephra::testing
