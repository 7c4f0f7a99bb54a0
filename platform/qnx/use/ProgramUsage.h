#pragma once
// A program's own usage record, the one `use PROGRAM` prints: zephra_usage_record
// (cmake/zephra.cmake) compiles it into the program as `kOwnUsage` in "OwnUsage.h", so that
// --help and a wrong command line show the same text without looking for a file.

#include <string>

namespace qnx {

struct OwnUsage {
    const char *program;  // the name "%C" stands for
    const char *record;
};

// True when an argument before "--" is "--help", or "-h" when `shortH` (programs whose -h
// takes a value pass false).
bool AsksForHelp(int argc, char **argv, bool shortH = true);

// What was wrong, when getopt (with opterr 0) has just answered '?' for `optstring`:
// "unknown option -x", "unknown option --name" or "-x needs a value".
std::string OptionComplaint(int argc, char **argv, const char *optstring);

// The record on standard output, "%C" as the program's name; answers 0, for main to return.
int ShowUsage(const OwnUsage &usage);

// "PROGRAM: complaint" and the record on standard error; answers `status`, for main to return.
int UsageError(const OwnUsage &usage, const std::string &complaint, int status);

}  // namespace qnx
