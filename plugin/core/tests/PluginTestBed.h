#pragma once
// For the plug-in's tests: a fresh application folder and registry file, a loop on the
// manual clock, a recording host whose callback object is the plug-in's, and a fresh
// plug-in state. Members are destroyed in the reverse order, the state (and its hidden
// form) before the host and the loop.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/PluginState.h"
#include "forms/Loop.h"
#include "homeseer/testing/RecordingHost.h"
#include "host/ConnectServices.h"
#include "vb/Err.h"
#include "windows/Registry.h"
#include "windows/testing/TempAppFolder.h"

namespace zephra::testing {

struct PluginTestBed {
    PluginTestBed() {
        vb::Err().Clear();
        ConnectServices(state);
        windows::Registry::CurrentUser().SetFile(app.path() / "registry.ini");
        state.CallbackObject = host->callback();
        state.UseDeviceRefs = true;  // what registration finds on the host's default (newer) version
    }
    // Makes the host an older one, addressed by index and code.
    void OlderHost() {
        host->SetVersion("1.7.44");
        state.UseDeviceRefs = false;
    }
    ~PluginTestBed() { vb::Err().Clear(); }

    // The log lines of the host, each as source & "|" & text.
    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        for (const auto& line : host->Log()) lines.push_back(line.source + "|" + line.text);
        return lines;
    }
    // The calls of one host member, each with its arguments joined by "|".
    std::vector<std::string> Calls(std::string_view member) const {
        std::vector<std::string> lines;
        for (const auto& call : host->CallsOf(member)) {
            std::string text;
            for (const auto& arg : call.args) text += (text.empty() ? "" : "|") + arg;
            lines.push_back(text);
        }
        return lines;
    }

    windows::testing::TempAppFolder app;
    forms::Loop loop{forms::Loop::ClockKind::Manual};
    std::shared_ptr<homeseer::RecordingHost> host = std::make_shared<homeseer::RecordingHost>();
    PluginState state{host};
};

}  // namespace zephra::testing
