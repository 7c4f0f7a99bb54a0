#pragma once
// One loaded script file with its "#include" files, as one module of the hidden form's
// script control. The file's includes enter the module before the file's own code, each
// included file before the file that includes it.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace script {
class Module;
}

namespace zephra {

class PluginState;

class Script {
public:
    explicit Script(PluginState& state);

    // 1 January 1980 from creation; nothing changes it.
    vb::Date FileDate() const { return fileDate_; }
    // Adds a module of that name to the script control (replacing one of the same name) and
    // loads the file into it. A name without ":" and "\\" lies in the host's scripts folder.
    // Failures are logged, never raised.
    void Add(const std::string& file, const std::string& moduleName);
    // Calls a procedure of the module with one text argument; its result, or Empty when it
    // failed (the failure is logged, never raised).
    vb::Variant Run(const std::string& procedure, const std::string& argument);
    // The file given to Add, as given.
    const std::string& Filename() const { return fileName_; }

private:
    // Loads one file into the module, its includes first. `chain` holds the files being
    // loaded around this one, so that a file including itself (directly or in a ring) is
    // skipped.
    void AccumulateReferences(const std::string& file, std::vector<std::filesystem::path>& chain);
    std::string ResolvePath(const std::string& file) const;
    std::string TakeIncludes(std::string text, std::vector<std::filesystem::path>& chain);
    void AddToModule(const std::string& file, const std::string& text);

    PluginState& state_;
    std::shared_ptr<script::Module> module_;
    std::string moduleName_;
    std::string fileName_;
    vb::Date fileDate_;
};

}  // namespace zephra
