#pragma once
// A fresh application folder for one test, removed afterwards.

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
    std::filesystem::path path_;
};

}  // namespace windows::testing
