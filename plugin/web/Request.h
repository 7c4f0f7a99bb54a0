#pragma once
// The plug-in's own request object: one received HTTP request, parsed into its method, path,
// query, header lines, body and the name/value pairs of its query string and form body. It
// answers the calls of the host web server's request object (core/PageRequest.h), so a page
// handler may be given either; every member is reached by name from page scripts.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "automation/Class.h"
#include "vb/Collection.h"

namespace zephra {

// One name and value of a query string or form body.
class KeyValuePair : public automation::Dispatch<KeyValuePair> {
public:
    static constexpr std::string_view className = "KeyValuePair";
    static void describe(automation::Members<KeyValuePair>& m);

    std::string Key() const { return key_; }
    std::string value() const { return value_; }
    void LetKey(std::string k) { key_ = std::move(k); }
    void LetValue(std::string v) { value_ = std::move(v); }

private:
    std::string key_;
    std::string value_;
};

class Request : public automation::Dispatch<Request> {
public:
    static constexpr std::string_view className = "request";
    static void describe(automation::Members<Request>& m);

    // Where the request writes: `debug` takes server debug lines (none: debug is off), `log` the
    // host-log lines of failures (tag and details).
    using Sink = std::function<void(const std::string&)>;
    Request(Sink debug = {}, Sink log = {});

    // The header value stored under the name (any case); "http_user_agent" reads "User-Agent";
    // "REMOTE_ADDR" and "PATH_INFO" (the path, "\" between names) come from the request itself,
    // never from a header line; "" when there is none.
    std::string ServerVariables(const std::string& name) const;
    // The client's address, set before ParsePage.
    void remoteip(const std::string& address) { remoteIp_ = address; }
    const std::string& page() const { return page_; }
    const std::string& Payload() const { return payload_; }
    const std::string& Header() const { return header_; }
    const std::string& Query() const { return query_; }
    const std::string& Method() const { return method_; }
    // The request target as it came, before decoding (path and query).
    const std::string& RawTarget() const { return rawTarget_; }
    // One decoded value by name (any case); "" when there is none.
    std::string QueryString(const std::string& key);
    std::string Form(const std::string& key);
    // The pair collections themselves (KeyValuePair items keyed by name, in arrival order).
    vb::ObjectRef QueryStringCol() const { return queryPairs_; }
    vb::ObjectRef FormCol() const { return formPairs_; }
    // The text after the first empty line (CR LF CR LF) of `data`; "" when it has none.
    std::string GetContent(const std::string& data) const;
    // Parses one received request text.
    void ParsePage(const std::string& data);
    // Adds the pairs of a body that came in a later packet to the form pairs.
    void AddPostData(const std::string& data);
    // A request carries at most this many fields, query and form together (a page of the
    // system posts about 250); the rest are not read, and the server answers an error.
    static constexpr std::size_t kFieldLimit = 2000;
    bool TooManyFields() const { return tooManyFields_; }
    // "+" as a blank and "%XY" escapes (upper-case hex digits) decoded; escapes below 32 become
    // a blank, so no control byte comes out of an escape.
    std::string Decode(const std::string& text) const;
    // The same for the path of the target, where "+" is a "+": only a query or form stands a
    // blank as "+".
    std::string DecodePath(const std::string& text) const;
    // A form value as it was sent, control characters and all, for a save that must refuse
    // them rather than store blanks in their place; as Form gives it when it held none.
    std::string ExactForm(const std::string& key) const;

private:
    void Debug(const std::string& line) const {
        if (debug_) debug_(line);
    }
    // The pairs of `text` into `pairs`: split at "&", each piece at its first "=", and only
    // then each name and value decoded, so that an encoded "&" or "=" stays inside its value.
    void KeyValue(const std::string& text, vb::Collection& pairs);
    std::string PairValue(vb::Collection& pairs, const std::string& key) const;
    void AddHeaderValues();
    std::string Decoded(const std::string& text, bool plusIsBlank) const;

    Sink debug_;
    Sink log_;
    std::string remoteIp_;
    std::string method_;
    std::string rawTarget_;
    std::string page_;
    std::string query_;
    std::string header_;
    std::string payload_;
    std::shared_ptr<vb::Collection> queryPairs_ = std::make_shared<vb::Collection>();
    std::shared_ptr<vb::Collection> formPairs_ = std::make_shared<vb::Collection>();
    std::map<std::string, std::string> headerValues_;  // by folded name
    std::map<std::string, std::string> exactForm_;     // values whose escapes gave control bytes
    std::size_t fields_ = 0;
    bool tooManyFields_ = false;
};

}  // namespace zephra
