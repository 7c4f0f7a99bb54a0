// A save from the status page that the disk refuses: the settings folder on a full disk, then
// on a read-only one. The page's refusal and the log say which, with the system's own text, and
// every settings file stays byte for byte as it was. The folder is a small file system of the
// test's own (a tmpfs in a mount namespace of its own), filled or made read-only while the host
// runs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

constexpr const char* kTmpfsSize = "size=1m";

// This process (and the programs it starts) with mounts of its own; false when the system
// allows none.
bool OwnMounts() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
        if (!MapOwnUser(uid, gid)) return false;
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The files of a folder and their bytes.
std::map<std::string, std::string> FilesOf(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "filler") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>()};
    }
    return files;
}

// Writes to `file` until the disk holds no more.
void FillUp(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string chunk(4096, 'x');
    while (::write(fd, chunk.data(), chunk.size()) > 0) {}
    ::close(fd);
}

std::string Request(const std::string& body = {}) {
    if (body.empty()) return "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n\r\n";
    return "POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(SaveError, AFullDiskAndAReadOnlyFolderAreNamedAndTheFilesStayAsTheyWere) {
    if (!OwnMounts()) GTEST_SKIP() << "no mount namespace of the test's own";
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-saveerror-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        simkit::testing::ReservedPort reserved;
        const int serverPort = reserved.port();
        HostFolder folder(appliances, {"Kitchen", "Hall"},
                          {"ServerPort=" + std::to_string(serverPort), "PushDelay=7", "[STATUS]", "ShowSetup=True"});
        // The settings folder moves onto a small file system of its own.
        const std::filesystem::path config = folder.path() / "Config";
        const std::map<std::string, std::string> written = FilesOf(config);
        ASSERT_EQ(::mount("tmpfs", config.c_str(), "tmpfs", 0, kTmpfsSize), 0) << std::strerror(errno);
        struct Unmount {
            std::filesystem::path at;
            ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
        } unmount{config};
        for (const auto& [name, text] : written) std::ofstream(config / name, std::ios::binary) << text;

        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        const std::string page = answerTo(serverPort, Request());
        ASSERT_TRUE(holds(page, "name='PushDelay'")) << page.substr(0, 300);
        const std::string save = Request(zephra::testing::FormPost(page, "Save", {{"PushDelay", "9"}}));
        const std::string refused = "The settings could not be saved: Path/File access error: ";

        // A full disk.
        FillUp(config / "filler");
        std::map<std::string, std::string> before = FilesOf(config);
        std::string answer = answerTo(serverPort, save);
        const std::string full = refused + "the disk is full (" + std::strerror(ENOSPC) + ")";
        EXPECT_TRUE(holds(answer, "<b class='saveproblem'>" + full + "</b>")) << answer.substr(0, 2000);
        EXPECT_TRUE(holds(folder.log(), "| dkvZephra | " + full + "\n")) << folder.log();
        EXPECT_EQ(FilesOf(config), before);

        // A read-only folder.
        std::filesystem::remove(config / "filler");
        ASSERT_EQ(::mount("tmpfs", config.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, kTmpfsSize), 0)
            << std::strerror(errno);
        before = FilesOf(config);
        answer = answerTo(serverPort, save);
        const std::string readOnly = refused + "the folder is read-only (" + std::strerror(EROFS) + ")";
        EXPECT_TRUE(holds(answer, "<b class='saveproblem'>" + readOnly + "</b>")) << answer.substr(0, 2000);
        EXPECT_TRUE(holds(folder.log(), "| dkvZephra | " + readOnly + "\n")) << folder.log();
        EXPECT_EQ(FilesOf(config), before);

        // Room again: the same save is stored.
        ASSERT_EQ(::mount("tmpfs", config.c_str(), "tmpfs", MS_REMOUNT, kTmpfsSize), 0) << std::strerror(errno);
        answer = answerTo(serverPort, save);
        EXPECT_FALSE(holds(answer, "saveproblem")) << answer.substr(0, 2000);
        EXPECT_TRUE(holds(FilesOf(config)["dkvZephraUtilities.ini"], "PushDelay=\"9\""));
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
