#pragma once
// For tests: a fresh application folder, made the process's application folder while
// the object lives and removed afterwards (the previous folder is restored).

#include <filesystem>
#include <string>

namespace windows::testing {

class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();

    const std::filesystem::path& path() const { return path_; }
    // Writes a file (folders made as needed) under the folder; returns its native path.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::string previous_;
    std::filesystem::path path_;
};

}  // namespace windows::testing
