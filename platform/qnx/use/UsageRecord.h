#pragma once
// The platform's usage records: every program may carry a text that the `use` utility prints,
// with "%C" standing for the program's name. Here a program's record is the file named like
// the program in the folder share/use beside the folder of the programs (bin/../share/use), in
// a build tree and in an installation alike. A program adds its record with the CMake helper
// zephra_usage_record (cmake/zephra.cmake).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qnx {

// The record with every "%C" replaced by the program's name.
std::string ExpandUsage(std::string_view record, std::string_view programName);

// The folders whose bin/../share/use may hold the record of `program`, in the order they are
// tried: the program's own folder when it is given as a path, else each folder of `searchPath`
// (a PATH value) that holds an executable of that name; then `useFolder`, the folder of the
// `use` program itself.
std::vector<std::filesystem::path> UsageFolders(const std::string &program, const std::string &searchPath,
                                                const std::filesystem::path &useFolder);

// The record of `program` (a name or a path), or none when no folder holds one.
std::optional<std::string> FindUsageRecord(const std::string &program, const std::string &searchPath,
                                           const std::filesystem::path &useFolder);

}  // namespace qnx
