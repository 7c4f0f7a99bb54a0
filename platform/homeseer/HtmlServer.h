#pragma once
// The host's web server, as far as this host has one: it serves the files of the
// application folder's "HTML" folder over HTTP (GET and HEAD), so that an appliance can
// fetch the WAV files and pages the plug-in writes there, and has its .asp pages run by the
// host (`runPage`; without it they answer 501). Folders and missing files answer 404, and a path that would
// leave the folder ("..", "\", NUL, links to elsewhere) answers 400 or 404. Names are
// found without regard to case, as on the host's file system.
//
// It runs on its own thread: it reads only files, never the plug-in's state. It reads 64
// requests at once, one a connection, as the plug-in's server reads them (line ends CR LF or a
// bare LF) under the same rules (forms/RequestArrival.h). A connection takes a place only once its
// first bytes have come: until then it is held, cheaply, with up to 1000 others (beyond them the
// oldest that has sent nothing is closed at once), so that a crowd that connects and sends
// nothing keeps no request out. When all 64 places are taken, the one whose request has been
// slowest to arrive (an unfinished head or body) gives way to a request that waits, and with none
// that may, requests wait their turn. A head has 10 s, the whole request 30 s, and a body must
// keep a least rate; a request past its time is answered 408, one that is not HTTP is logged and
// closed. An answer under way holds no place: a reader that takes none of a file for 10 s is
// dropped with a reset, however slowly it took it before, and of more than 1000 answers at once
// the one stalled longest is dropped.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "homeseer/AspPages.h"

namespace homeseer {

class HtmlServer {
public:
    struct Options {
        std::filesystem::path root;         // the HTML folder
        std::string address = "127.0.0.1";  // "": every address
        uint16_t port = 0;                  // 0: any free port
        // Told of refused requests and failures, from the server's thread.
        std::function<void(const std::string&)> log;
    };
    // Runs an .asp page of the folder, called from the server's thread: the answer is handed to
    // `done`, from any thread, once (a page never answered keeps its connection until the server
    // ends).
    using PageRunner = std::function<void(PageRequest request, std::function<void(PageAnswer)> done)>;

    // Binds and starts serving; raises std::runtime_error when the address cannot be bound.
    // Without `runPage`, .asp pages answer 501.
    explicit HtmlServer(Options options, PageRunner runPage = {});
    ~HtmlServer();
    HtmlServer(const HtmlServer&) = delete;
    HtmlServer& operator=(const HtmlServer&) = delete;

    // The port it listens on.
    uint16_t port() const noexcept;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The file a request path names under `root`, found without regard to case; none for a
// path that is not allowed (see above) or names no regular file. `decoded` is the path
// part of the target after percent-decoding.
std::optional<std::filesystem::path> HtmlFileFor(const std::filesystem::path& root, std::string_view decoded);

// "%20" and the like decoded; none for a bad escape or an escaped NUL.
std::optional<std::string> PercentDecoded(std::string_view text);

}  // namespace homeseer
