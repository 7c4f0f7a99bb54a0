// Linked into every GoogleTest program: before any test runs, the program gets a runtime folder
// of its own (XDG_RUNTIME_DIR, and the GUI layer's connector and lock folder
// ZEPHRA_PHOTON_SCOPE), so that single-instance locks, connectors and sound-server sockets are
// never shared with another test running beside it or with the user's own programs. A test that
// sets its own folder still does; the folder goes with the program.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class PrivateRuntime {
public:
    PrivateRuntime() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zephra-test-run-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        folder_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        ::setenv("ZEPHRA_PHOTON_SCOPE", (folder_ / "photon").c_str(), 1);
        owner_ = ::getpid();
    }
    ~PrivateRuntime() {
        // A forked child that ends through exit() leaves the folder to its parent.
        if (folder_.empty() || ::getpid() != owner_) return;
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

private:
    std::filesystem::path folder_;
    pid_t owner_ = 0;
};

const PrivateRuntime privateRuntime;

}  // namespace
