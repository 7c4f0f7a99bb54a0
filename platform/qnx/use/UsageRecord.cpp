#include "UsageRecord.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace qnx {

namespace {

constexpr std::string_view kNameMark = "%C";
constexpr std::size_t kMaxRecord = 64 * 1024;  // a usage text is a screenful or two

std::filesystem::path RecordsOf(const std::filesystem::path &programFolder)
{
    return programFolder.parent_path() / "share" / "use";
}

std::optional<std::string> ReadRecord(const std::filesystem::path &file)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) > kMaxRecord)
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string ExpandUsage(std::string_view record, std::string_view programName)
{
    std::string out;
    for (std::size_t at = 0;;) {
        std::size_t mark = record.find(kNameMark, at);
        if (mark == std::string_view::npos) {
            out.append(record.substr(at));
            return out;
        }
        out.append(record.substr(at, mark - at));
        out.append(programName);
        at = mark + kNameMark.size();
    }
}

std::vector<std::filesystem::path> UsageFolders(const std::string &program, const std::string &searchPath,
                                                const std::filesystem::path &useFolder)
{
    std::vector<std::filesystem::path> folders;
    if (program.find('/') != std::string::npos) {
        folders.push_back(RecordsOf(std::filesystem::absolute(program).parent_path()));
    } else {
        std::istringstream path(searchPath);
        for (std::string folder; std::getline(path, folder, ':');) {
            if (folder.empty())
                folder = ".";
            std::filesystem::path candidate = std::filesystem::path(folder) / program;
            if (::access(candidate.c_str(), X_OK) == 0)
                folders.push_back(RecordsOf(std::filesystem::absolute(folder)));
        }
    }
    folders.push_back(RecordsOf(useFolder));
    return folders;
}

std::optional<std::string> FindUsageRecord(const std::string &program, const std::string &searchPath,
                                           const std::filesystem::path &useFolder)
{
    const std::string name = std::filesystem::path(program).filename().string();
    if (name.empty() || name == "." || name == "..")
        return {};
    for (const std::filesystem::path &folder : UsageFolders(program, searchPath, useFolder))
        if (std::optional<std::string> record = ReadRecord(folder / name))
            return record;
    return {};
}

}  // namespace qnx
