// use PROGRAM...: prints each program's usage record, "%C" replaced by the program's name.
// Exit status 0 when every record was found, 1 otherwise, 2 for a wrong command line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "UsageRecord.h"

namespace {

constexpr const char* kUsage =
    "usage: use PROGRAM...\n"
    "  prints how to run each PROGRAM (a name found on PATH or beside use, or a path)\n";

std::filesystem::path OwnFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0);
    return self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    const char* path = std::getenv("PATH");
    const std::filesystem::path folder = OwnFolder(argv[0]);
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string program = argv[i];
        std::optional<std::string> record = qnx::FindUsageRecord(program, path ? path : "", folder);
        if (!record) {
            std::fprintf(stderr, "use: no usage information for %s\n", program.c_str());
            status = 1;
            continue;
        }
        std::fputs(qnx::ExpandUsage(*record, std::filesystem::path(program).filename().string()).c_str(), stdout);
    }
    return status;
}
