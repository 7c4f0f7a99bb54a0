#pragma once
// The .asp pages of the host's web folder, run as the host's web server runs them: a page is
// converted to script (script/AspPage.h) and run in a page engine of its own, which holds the
// host object `hs`, the page's `Request` and its `Response`, so that a page may call the host and
// the plug-ins (the plug-in's slideshow page is such a page). Pages run on the loop's thread,
// since they call the host. A page that fails (a script error, or its time is up) is logged with
// the error and answered 500.
//
// `Request` answers ServerVariables(name) ("REMOTE_ADDR", "HTTP_USER_AGENT" and the other
// header fields as "HTTP_" and the name in upper case with "-" as "_", "PATH_INFO", "URL",
// "SCRIPT_NAME", "QUERY_STRING", "REQUEST_METHOD", "LOCAL_ADDR", "SERVER_PORT"; "" for others),
// QueryString(name) and Form(name) (one decoded value, "" when absent), and QueryString and Form
// without a name (a collection whose item(name) gives the same). `Response` answers Write(text),
// Redirect(url) (answered 302) and ContentType.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "vb/Object.h"

namespace homeseer {

// One request for a page, as the server received it.
struct PageRequest {
    std::filesystem::path file;  // the page's file in the web folder
    std::string path;            // the decoded path of the target ("/mypage.asp")
    std::string query;           // the target's query, as it came, without "?"
    std::string method;          // "GET" or "HEAD"
    std::string remoteAddress;   // the client's address
    std::string localAddress;    // the address the request came to
    uint16_t localPort = 0;
    std::vector<std::pair<std::string, std::string>> fields;  // the header fields, as they came
};

struct PageAnswer {
    int status = 200;  // 200, 302 after Response.Redirect, 500 when the page failed
    std::string contentType = "text/html";
    std::string body;
    std::string location;  // where a 302 sends the client
};

class AspPages {
public:
    // A page still running after this long is stopped (and answered 500), so that a page looping
    // for ever gives the host back.
    static constexpr int32_t kPageTimeoutMs = 30000;

    // `hs`: the host object; `log` takes the lines of failed pages.
    AspPages(vb::ObjectRef hs, std::function<void(const std::string&)> log);

    // Runs the page; on the loop's thread.
    PageAnswer Run(const PageRequest& request);

private:
    vb::ObjectRef hs_;
    std::function<void(const std::string&)> log_;
};

}  // namespace homeseer
