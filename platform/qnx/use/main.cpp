// use PROGRAM...: prints each program's usage record, "%C" replaced by the program's name.
// Exit status 0 when every record was found, 1 otherwise, 2 for a wrong command line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "OwnUsage.h"
#include "UsageRecord.h"

namespace {

std::filesystem::path OwnFolder(const char *argv0)
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0);
    return self.parent_path();
}

}  // namespace

int main(int argc, char **argv)
{
    if (qnx::AsksForHelp(argc, argv))
        return qnx::ShowUsage(kOwnUsage);
    if (argc < 2)
        return qnx::UsageError(kOwnUsage, "a program is needed", 2);
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1])
            return qnx::UsageError(kOwnUsage, std::string("unknown option ") + argv[i], 2);
    const char *path = std::getenv("PATH");
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
