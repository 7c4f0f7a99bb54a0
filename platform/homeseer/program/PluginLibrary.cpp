#include "program/PluginLibrary.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

namespace homeseer {

PluginInstance LoadPluginLibrary(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        throw std::runtime_error("cannot load " + path + ": " + (why ? why : "unknown reason"));
    }
    auto entry = reinterpret_cast<PluginEntry>(dlsym(library, kPluginEntryName));
    if (!entry) throw std::runtime_error(path + " has no entry " + kPluginEntryName);
    PluginInstance instance;
    if (!entry(kPluginContractVersion, &instance) || !instance.object)
        throw std::runtime_error(path + " does not serve plug-in contract version " +
                                 std::to_string(kPluginContractVersion));
    return instance;
}

std::string DefaultPluginPath() {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return kPluginLibraryName;
    std::filesystem::path beside = program.parent_path().parent_path() / "lib" / kPluginLibraryName;
    if (std::filesystem::exists(beside, ec)) return beside.string();
    return (program.parent_path() / kPluginLibraryName).string();
}

}  // namespace homeseer
