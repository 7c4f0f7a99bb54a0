#include "windows/testing/TempAppFolder.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "windows/AppFolder.h"

namespace windows::testing {

namespace fs = std::filesystem;

TempAppFolder::TempAppFolder() : previous_(AppFolder()) {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() / ("zephra-app-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
    SetAppFolder(path_.string());
}

TempAppFolder::~TempAppFolder() {
    SetAppFolder(previous_);
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempAppFolder::write(const std::string& relative, const std::string& bytes) const {
    fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string TempAppFolder::read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace windows::testing
