#include "homeseer/AspPages.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "automation/Class.h"
#include "script/AspPage.h"
#include "script/ScriptControl.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/PercentDecode.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

// A page larger than this is not run: the web folder holds pages, not data.
constexpr std::uintmax_t kMaxPageSize = 4 * 1024 * 1024;
constexpr const char* kPageFunction = "ZephraHostPage";
constexpr const char* kHostName = "hs";
constexpr const char* kFailed = "Page ";
// The page's buffer `fs` (script/AspPage.h).
constexpr const char* kFastStringClass =
    "Class FastString\r\n"
    "Private text\r\n"
    "Public Sub add(piece)\r\n"
    "text = text & piece\r\n"
    "End Sub\r\n"
    "Public Property Get value()\r\n"
    "value = text\r\n"
    "End Property\r\n"
    "End Class\r\n";

bool sameName(const std::string& a, const std::string& b) { return windows::EqualsNoCase(a, b); }

// The decoded name/value pairs of a query string or form body ("a=1&b=x+y").
std::vector<std::pair<std::string, std::string>> pairsOf(const std::string& text) {
    static const vb::PercentRules kRules{true, false, vb::PercentRules::BadEscape::Keep, 32, false};
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        if (!item.empty()) {
            const std::size_t equals = item.find('=');
            const std::string name = item.substr(0, equals);
            const std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
            pairs.emplace_back(vb::PercentDecoded(name, kRules).value_or(name),
                               vb::PercentDecoded(value, kRules).value_or(value));
        }
        start = end + 1;
    }
    return pairs;
}

std::string valueOf(const std::vector<std::pair<std::string, std::string>>& pairs, const std::string& name) {
    for (const auto& [key, value] : pairs)
        if (sameName(key, name)) return value;
    return {};
}

// A collection of a request: item(name) gives one value.
class PageItems : public automation::Dispatch<PageItems> {
public:
    static constexpr std::string_view className = "RequestItems";
    static void describe(automation::Members<PageItems>& m) {
        m.method<&PageItems::item>("item");
        m.get<&PageItems::Count>("Count");
    }
    explicit PageItems(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {}
    std::string item(const std::string& name) const { return valueOf(pairs_, name); }
    int32_t Count() const { return static_cast<int32_t>(pairs_.size()); }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
};

class PageRequestObject : public automation::Dispatch<PageRequestObject> {
public:
    static constexpr std::string_view className = "Request";
    static void describe(automation::Members<PageRequestObject>& m) {
        m.method<&PageRequestObject::ServerVariables>("ServerVariables");
        m.method<&PageRequestObject::QueryString>("QueryString", 0);
        m.method<&PageRequestObject::Form>("Form", 0);
    }
    explicit PageRequestObject(const PageRequest& request) : request_(request), query_(pairsOf(request.query)) {}

    std::string ServerVariables(const std::string& name) const {
        const PageRequest& r = request_;
        if (sameName(name, "REMOTE_ADDR") || sameName(name, "REMOTE_HOST")) return r.remoteAddress;
        if (sameName(name, "PATH_INFO") || sameName(name, "URL") || sameName(name, "SCRIPT_NAME")) return r.path;
        if (sameName(name, "QUERY_STRING")) return r.query;
        if (sameName(name, "REQUEST_METHOD")) return r.method;
        if (sameName(name, "LOCAL_ADDR") || sameName(name, "SERVER_NAME")) return r.localAddress;
        if (sameName(name, "SERVER_PORT")) return std::to_string(r.localPort);
        if (name.size() > 5 && sameName(name.substr(0, 5), "HTTP_")) {
            for (const auto& [field, value] : r.fields) {
                std::string asVariable = field;
                for (char& c : asVariable)
                    if (c == '-') c = '_';
                if (sameName(asVariable, name.substr(5))) return value;
            }
        }
        return {};
    }
    vb::Variant QueryString(const vb::Variant& name) const { return itemOf(query_, name); }
    // Pages come by GET and HEAD only: no form is posted.
    vb::Variant Form(const vb::Variant& name) const { return itemOf({}, name); }

private:
    static vb::Variant itemOf(const std::vector<std::pair<std::string, std::string>>& pairs, const vb::Variant& name) {
        if (name.isMissing()) return vb::Variant(vb::ObjectRef(std::make_shared<PageItems>(pairs)));
        return vb::Variant(valueOf(pairs, vb::CStr(name)));
    }

    const PageRequest& request_;
    std::vector<std::pair<std::string, std::string>> query_;
};

class PageResponseObject : public automation::Dispatch<PageResponseObject> {
public:
    static constexpr std::string_view className = "Response";
    static void describe(automation::Members<PageResponseObject>& m) {
        m.method<&PageResponseObject::Write>("Write");
        m.method<&PageResponseObject::Redirect>("Redirect");
        m.get<&PageResponseObject::ContentType>("ContentType");
        m.let<&PageResponseObject::LetContentType>("ContentType");
    }
    void Write(const std::string& text) { written += text; }
    void Redirect(const std::string& url) { location = url; }
    std::string ContentType() const { return contentType; }
    void LetContentType(const std::string& type) { contentType = type; }

    std::string written;
    std::string location;
    std::string contentType = "text/html";
};

std::optional<std::string> pageText(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxPageSize) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PageAnswer failed(int status, const std::string& text) {
    PageAnswer answer;
    answer.status = status;
    answer.body = "<html><body>" + text + "</body></html>";
    return answer;
}

}  // namespace

AspPages::AspPages(vb::ObjectRef hs, std::function<void(const std::string&)> log)
    : hs_(std::move(hs)), log_(std::move(log)) {}

PageAnswer AspPages::Run(const PageRequest& request) {
    const std::optional<std::string> text = pageText(request.file);
    if (!text) {
        if (log_) log_(kFailed + request.path + " could not be read");
        return failed(500, "Page error");
    }
    script::AspPage page;
    page.functionName = kPageFunction;
    script::ConvertAspPage(page, script::WithCrLf(*text));

    auto requestObject = std::make_shared<PageRequestObject>(request);
    auto response = std::make_shared<PageResponseObject>();
    script::ScriptControl engine;
    std::string body;
    try {
        engine.AddObject(kHostName, hs_, false);
        engine.AddObject("Request", requestObject, false);
        engine.AddObject("Response", response, false);
        engine.setTimeout(kPageTimeoutMs);
        engine.AddCode(kFastStringClass);
        engine.AddCode(page.script);
        body = vb::CStr(engine.Run(kPageFunction, {}));
    } catch (const vb::Error&) {
        const script::ErrorInfo& e = engine.lastError();
        if (log_)
            log_(kFailed + request.path + " failed: Error " + std::to_string(e.Number) + ": " + e.Description +
                 " (line " + std::to_string(e.Line) + " of its script)");
        return failed(500, "Page error");
    }
    PageAnswer answer;
    answer.contentType = response->contentType;
    if (!response->location.empty()) {
        answer.status = 302;
        answer.location = response->location;
        return answer;
    }
    answer.body = response->written + body;
    return answer;
}

}  // namespace homeseer
