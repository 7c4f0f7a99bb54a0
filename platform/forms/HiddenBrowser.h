#pragma once
// The hidden browser: an invisible web browser object that fetches a page with an HTTP
// GET and raises OnDocumentComplete with the URL when the page is there; the page's text
// is then in Document().body.innerText. A request that fails (refused, reset,
// unreachable, an answer that is not HTTP or is too large) still completes, with a page
// whose text begins "Action cancelled". Navigating again drops the request under way.
// The browser keeps no time-out of its own; releasing it (destroying the object) cancels
// its request, and a released browser raises no event.

#include <functional>
#include <memory>
#include <string>

#include "forms/Loop.h"

namespace forms {

class HiddenBrowser {
public:
    struct HTMLBody {
        std::string innerText;
    };
    struct HTMLDocument {
        HTMLBody body;
    };

    explicit HiddenBrowser(Loop& loop = Loop::current());
    ~HiddenBrowser();
    HiddenBrowser(const HiddenBrowser&) = delete;
    HiddenBrowser& operator=(const HiddenBrowser&) = delete;

    // Starts fetching `url` (http://host[:port]/path?query); characters a URL may not
    // hold are sent encoded as %XX. Returns at once.
    void Navigate2(const std::string& url);

    // The last completed page (empty before the first).
    const HTMLDocument& Document() const;

    // Raised with the URL as requested (encoded) when a page completed.
    std::function<void(const std::string& URL)> OnDocumentComplete;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace forms
