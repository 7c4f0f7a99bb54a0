#pragma once
// For the setup dialog's tests: the plug-in's test bed with a settings file, the shared
// dialog, and the installed voices of the speech layer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/SettingsReader.h"
#include "core/tests/PluginTestBed.h"
#include "setup/ZephraSetup.h"
#include "windows/SpVoice.h"

namespace zephra::testing {

inline std::vector<std::string> InstalledVoices() {
    std::vector<std::string> names;
    for (const auto& token : windows::SpVoice().GetVoices()) names.push_back(token.GetDescription());
    return names;
}

// The lines joined with CR LF, each ended by one, as the settings file keeps them.
inline std::string IniText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

struct SetupBed : PluginTestBed {
    static constexpr const char* kFile = "dkvZephraUtilities.ini";

    explicit SetupBed(const std::string& ini = "") {
        host->SetIniText(kFile, ini);
        state.HouseCode = "Q";
    }
    ZephraSetup& Dialog() { return SetupDialog(state); }
    std::string Ini() const { return host->IniText(kFile); }
    std::string Setting(const std::string& section, const std::string& key) {
        return host->GetIniSetting(section, key, "<absent>", kFile);
    }
    // The values written by the last saves, as section|key|value.
    std::vector<std::string> Saved() const {
        std::vector<std::string> lines;
        for (const auto& call : host->CallsOf("SaveIniSetting"))
            lines.push_back(call.args[0] + "|" + call.args[1] + "|" + call.args[2]);
        return lines;
    }
    bool LogHas(const std::string& text) const {
        for (const std::string& line : Log())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

}  // namespace zephra::testing
