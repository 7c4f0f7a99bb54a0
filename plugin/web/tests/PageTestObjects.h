#pragma once
// A request and a response object as pages see them: server variables and query items the
// test sets, redirects recorded.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/Class.h"

namespace zephra::testing {

class FakeRequest : public automation::Dispatch<FakeRequest> {
public:
    static constexpr std::string_view className = "request";
    static void describe(automation::Members<FakeRequest>& m) {
        m.method<&FakeRequest::ServerVariables>("ServerVariables");
        m.method<&FakeRequest::QueryString>("QueryString");
    }
    std::string ServerVariables(const std::string& name) { return variables[name]; }
    std::string QueryString(const std::string& name) { return query[name]; }
    std::map<std::string, std::string> variables{
        {"REMOTE_ADDR", "127.0.0.9"}, {"HTTP_USER_AGENT", "Mozilla/5.0"}, {"PATH_INFO", "\\status"}};
    std::map<std::string, std::string> query;
};

class FakeResponse : public automation::Dispatch<FakeResponse> {
public:
    static constexpr std::string_view className = "Response";
    static void describe(automation::Members<FakeResponse>& m) { m.method<&FakeResponse::Redirect>("Redirect"); }
    void Redirect(const std::string& location) { redirects.push_back(location); }
    std::vector<std::string> redirects;
};

}  // namespace zephra::testing
