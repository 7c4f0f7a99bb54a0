#pragma once
// For the xAP tests: the plug-in registered with the recording host and started with the
// appliances "kitchen" (base code [1) and "hall" ([11); what it sends through
// SendXapMessage is read back from the host's calls with the body's Chr(1) shown as "=" and
// Chr(0) as ";".

#include <string>
#include <vector>

#include "core/Zephra.h"
#include "host/tests/RevaTestBed.h"
#include "vb/Conversions.h"
#include "vb/Strings.h"

namespace zephra::testing {

struct XapTestBed : RevaTestBed {
    using Strings = std::vector<std::string>;

    // `sections`: further sections of the settings file; `fields`: the names fields after
    // each appliance's base code.
    explicit XapTestBed(const std::string& sections = "", const std::string& kitchenFields = "",
                        const std::string& hallFields = "") {
        host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\r\n[Zephra Names]\r\n"
                         "127.0.0.2=\"Kitchen,[1" +
                             kitchenFields + "\"\r\n127.0.0.3=\"Hall,[11" + hallFields + "\"\r\n" + sections);
        RegisterPlugin();
        EXPECT_EQ(vb::CStr(Call("InitIO", {int32_t{0}})), "");
        host->ClearCalls();
    }
    Zephra& Z(std::size_t slot) { return *state.appliances.slots.at(slot).Object; }
    // The messages sent so far, readable.
    Strings SentXap() const {
        Strings lines;
        for (const auto& call : host->CallsOf("SendXapMessage")) {
            std::string line;
            for (std::size_t i = 0; i < call.args.size(); ++i) line += (i ? "|" : "") + call.args[i];
            lines.push_back(vb::Replace(vb::Replace(line, vb::Chr(1), "="), vb::Chr(0), ";"));
        }
        return lines;
    }
    // The plug-in's ordinary log lines (the host logs every xAP message it sends too).
    Strings PluginLog() const {
        Strings lines;
        for (const std::string& line : Log())
            if (line.rfind("dkvZephra|", 0) == 0) lines.push_back(line);
        return lines;
    }
};

}  // namespace zephra::testing
