#include "ProgramUsage.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "UsageRecord.h"

namespace qnx {

bool AsksForHelp(int argc, char **argv, bool shortH)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (!std::strcmp(argv[i], "--help") || (shortH && !std::strcmp(argv[i], "-h")))
            return true;
    return false;
}

std::string OptionComplaint(int argc, char **argv, const char *optstring)
{
    // A long option shows as '-' while getopt is still on its argument.
    if (optopt == '-' && optind < argc)
        return std::string("unknown option ") + argv[optind];
    const std::string option = std::string("-") + static_cast<char>(optopt);
    if (optopt != ':' && std::strchr(optstring, optopt))
        return option + " needs a value";
    return "unknown option " + option;
}

int ShowUsage(const OwnUsage &usage)
{
    std::fputs(ExpandUsage(usage.record, usage.program).c_str(), stdout);
    std::fflush(stdout);
    return 0;
}

int UsageError(const OwnUsage &usage, const std::string &complaint, int status)
{
    std::fprintf(stderr, "%s: %s\n%s", usage.program, complaint.c_str(),
                 ExpandUsage(usage.record, usage.program).c_str());
    return status;
}

}  // namespace qnx
