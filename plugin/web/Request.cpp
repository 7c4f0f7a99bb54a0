#include "web/Request.h"

#include "vb/CodePage.h"
#include "vb/Error.h"
#include "vb/PercentDecode.h"
#include "vb/Strings.h"
#include "web/ServerTexts.h"

namespace zephra {

using namespace webtext;

namespace {

constexpr const char* kVersionMarker = "HTTP";
constexpr const char* kEmptyLine = "\r\n\r\n";
constexpr const char* kHeaderSeparator = ": ";

std::string Folded(const std::string& name) { return vb::LCase(name); }

// Position of `find` in `text` at or after `from`, without regard to case; npos when none.
std::size_t FindFolded(const std::string& text, const std::string& find, std::size_t from) {
    const int32_t at = vb::InStr(static_cast<int32_t>(from) + 1, text, find, vb::CompareMethod::Text);
    return at == 0 ? std::string::npos : static_cast<std::size_t>(at - 1);
}

std::string WithoutCrLf(const std::string& text) { return vb::Replace(text, kCrLf, ""); }

}  // namespace

void KeyValuePair::describe(automation::Members<KeyValuePair>& m) {
    m.property<&KeyValuePair::Key, &KeyValuePair::LetKey>("key");
    m.property<&KeyValuePair::value, &KeyValuePair::LetValue>("value");
}

void Request::describe(automation::Members<Request>& m) {
    m.method<&Request::ServerVariables>("ServerVariables");
    m.let<&Request::remoteip>("remoteip");
    m.get<&Request::page>("page");
    m.get<&Request::Payload>("Payload");
    m.get<&Request::Header>("Header");
    m.get<&Request::Query>("Query");
    m.get<&Request::Method>("Method");
    m.method<&Request::QueryString>("QueryString");
    m.get<&Request::QueryStringCol>("QueryStringCol");
    m.method<&Request::Form>("Form");
    m.get<&Request::FormCol>("FormCol");
    m.method<&Request::GetContent>("GetContent");
    m.method<&Request::ParsePage>("ParsePage");
    m.method<&Request::AddPostData>("AddPostData");
    m.method<&Request::Decode>("Decode");
}

Request::Request(Sink debug, Sink log) : debug_(std::move(debug)), log_(std::move(log)) {}

std::string Request::ServerVariables(const std::string& name) const {
    const std::string key = vb::equalsFolded(name, kUserAgentVariable) ? kUserAgentHeader : name;
    auto found = headerValues_.find(Folded(key));
    return found == headerValues_.end() ? std::string() : found->second;
}

std::string Request::PairValue(vb::Collection& pairs, const std::string& key) const {
    vb::Variant* item = pairs.Find(key);
    if (!item || !item->isObject()) return {};
    auto pair = std::dynamic_pointer_cast<KeyValuePair>(item->object());
    return pair ? pair->value() : std::string();
}

std::string Request::QueryString(const std::string& key) {
    std::string value = PairValue(*queryPairs_, key);
    if (!value.empty()) Debug(kDbgQueryString + key + "=" + value);
    return value;
}

std::string Request::Form(const std::string& key) {
    std::string value = PairValue(*formPairs_, key);
    if (!value.empty()) Debug(kDbgForm + key + "=" + value);
    return value;
}

std::string Request::GetContent(const std::string& data) const {
    const std::size_t at = data.find(kEmptyLine);
    return at == std::string::npos ? std::string() : data.substr(at + 4);
}

void Request::ParsePage(const std::string& data) {
    // 1. and 2. The method is the text before the first blank.
    const std::size_t p1 = data.find(' ');
    if (p1 == std::string::npos) return;
    method_ = data.substr(0, p1);
    // 3. The version marker ends the target.
    const std::size_t p2 = FindFolded(data, kVersionMarker, p1);
    if (p2 == std::string::npos) return;
    // 4. and 5. The target between the blanks: the path and query are split at the first raw
    // "?" before either is decoded, so an encoded "?" stays in the path.
    if (p2 >= p1 + 2) {
        const std::string target = data.substr(p1 + 1, p2 - p1 - 2);
        rawTarget_ = target;
        const std::size_t q = target.find('?');
        page_ = DecodePath(target.substr(0, q));
        query_.clear();
        if (q != std::string::npos) {
            const std::string rawQuery = target.substr(q + 1);
            query_ = "?" + Decode(rawQuery);
            Debug(kDbgAddQuery);
            KeyValue(rawQuery, *queryPairs_);
        }
    } else if (log_) {
        log_(std::string(kTagParsePage) + std::to_string(p1 + 1) + ",j=" + std::to_string(p2 + 1) +
             ",len=" + std::to_string(data.size()) + ", Data=" + data);
    }
    // 6. and 7. The header block, and a body that came with it.
    payload_.clear();
    const std::size_t p3 = data.find(kEmptyLine, p2);
    if (p3 != std::string::npos) {
        header_ = data.substr(p2, p3 - p2);
        const std::size_t bodyAt = p3 + 4;
        if (data.size() > bodyAt + 2) {
            if (method_ == "POST") method_ = "POSTx";
            const std::string rawBody = WithoutCrLf(data.substr(bodyAt));
            payload_ = Decode(rawBody);
            Debug(kDbgAddPayload);
            KeyValue(rawBody, *formPairs_);
        }
    } else {
        header_ = data.substr(p2);
    }
    // 8.
    AddHeaderValues();
}

void Request::AddHeaderValues() {
    // Stored before the header lines, which never replace a value already held: a client cannot
    // name its own address or path. The path reads as the host's server gives it, "\" between names.
    headerValues_.emplace(Folded(kRemoteAddr), remoteIp_);
    headerValues_.emplace(Folded(kPathInfo), vb::Replace(page_, "/", "\\"));
    const std::vector<std::string> lines = vb::Split(header_, kCrLf);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> parts = vb::Split(lines[i], kHeaderSeparator);
        if (parts.size() != 2) continue;
        headerValues_.emplace(Folded(parts[0]), parts[1]);
    }
}

void Request::AddPostData(const std::string& data) {
    Debug(kDbgAddPostData);
    KeyValue(data, *formPairs_);
}

void Request::KeyValue(const std::string& text, vb::Collection& pairs) {
    std::size_t from = 0;
    while (from < text.size() && !tooManyFields_) {
        std::size_t amp = text.find('&', from);
        if (amp == std::string::npos) amp = text.size();
        const std::string_view piece(text.data() + from, amp - from);
        from = amp + 1;
        if (piece.empty()) continue;
        if (++fields_ > kFieldLimit) {
            tooManyFields_ = true;
            break;
        }
        const std::size_t eq = piece.find('=');
        const std::string key = Decode(std::string(piece.substr(0, eq)));
        if (pairs.Find(key)) continue;  // a name already present keeps its first value
        auto pair = std::make_shared<KeyValuePair>();
        pair->LetKey(key);
        pair->LetValue(eq == std::string_view::npos ? std::string() : Decode(std::string(piece.substr(eq + 1))));
        if (&pairs == formPairs_.get() && eq != std::string_view::npos) {
            static const vb::PercentRules kExact{true, true, vb::PercentRules::BadEscape::Compute, 0, false};
            std::string exact = vb::PercentDecoded(piece.substr(eq + 1), kExact).value_or(std::string());
            if (exact != pair->value()) exactForm_[vb::LCase(key)] = std::move(exact);
        }
        pairs.Add(vb::Variant(vb::ObjectRef(pair)), vb::Variant(pair->Key()));
        if (!pair->value().empty()) Debug(kDbgKeyValue + pair->Key() + " = " + pair->value());
    }
}

std::string Request::ExactForm(const std::string& key) const {
    auto exact = exactForm_.find(vb::LCase(key));
    if (exact != exactForm_.end()) return exact->second;
    return PairValue(*formPairs_, key);
}

std::string Request::Decode(const std::string& text) const { return Decoded(text, true); }

std::string Request::DecodePath(const std::string& text) const { return Decoded(text, false); }

std::string Request::Decoded(const std::string& text, bool plusIsBlank) const {
    // Odd escapes still give a character, and none below a blank: the pages rely on both.
    const vb::PercentRules rules{plusIsBlank, true, vb::PercentRules::BadEscape::Compute, 32, false};
    if (debug_) {
        const std::string plain = plusIsBlank ? vb::Replace(text, "+", " ") : text;
        const std::size_t first = plain.find('%');
        Debug(kDbgDecode + std::to_string(first == std::string::npos ? 0 : first + 1) + kDbgInString + plain + ">");
    }
    return vb::PercentDecoded(text, rules).value_or(std::string());
}

}  // namespace zephra
