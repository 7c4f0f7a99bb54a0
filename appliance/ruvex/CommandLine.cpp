#include "CommandLine.h"

#include <unistd.h>

#include <cstring>

#include "RuvexMessages.h"

namespace ruvex {

bool ReadCommandLine(int argc, char** argv, CommandLine& line) {
    // A request for help among the options gets the usage line, without getopt's complaint.
    for (int i = 1; i < argc && argv[i][0] == '-' && std::strcmp(argv[i], "--") != 0; ++i)
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) return false;
    opterr = 0;
    for (int option; (option = getopt(argc, argv, "iv")) != -1;) {
        if (option == 'i') line.interactive = true;
        else if (option == 'v') line.verbose = true;
        else {
            // A long option shows as '-' while getopt is still on its argument.
            line.complaint = optopt == '-' && optind < argc
                                 ? std::string("unknown option ") + argv[optind]
                                 : std::string("unknown option -") + static_cast<char>(optopt);
            return false;
        }
    }
    if (optind >= argc) {
        line.complaint = "no file or URL given";
        return false;
    }
    line.argument = argv[optind];
    line.last = argv[argc - 1];
    return true;
}

namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

std::string MediaUrl(const CommandLine& line) {
    std::string url = line.argument;
    if (!Contains(url, messages::kFilePrefix) && !Contains(url, messages::kHttpPrefix))
        url = messages::kFilePrefix + line.last;
    if (Contains(url, messages::kHttpPrefix)) url = line.last;
    return url;
}

}  // namespace ruvex
