#pragma once
// A plug-in object for the host's tests: records the host's calls into it.

#include <string>
#include <vector>

#include "automation/Class.h"
#include "vb/Array.h"
#include "vb/Conversions.h"

namespace homeseer::testing {

class FakePlugin : public automation::Dispatch<FakePlugin> {
public:
    static constexpr std::string_view className = "reva";
    static void describe(automation::Members<FakePlugin>& m) {
        m.method<&FakePlugin::SetIO>("SetIO");
        m.method<&FakePlugin::HSEvent>("HSEvent");
        m.method<&FakePlugin::Echo>("Echo");
    }

    void SetIO(const vb::Variant& dv, const std::string& hc, const std::string& dc, int32_t command, int32_t value,
               int32_t, int32_t) {
        calls.push_back("SetIO " + hc + dc + " " + std::to_string(command) + " " + std::to_string(value));
        lastDevice = dv;
    }
    void HSEvent(const vb::Variant& parms) {
        const vb::Array& a = parms.array();
        calls.push_back("HSEvent " + vb::CStr(a.at(0)) + " " + vb::CStr(a.at(1)) + " " + vb::CStr(a.at(2)) + " " +
                        vb::CStr(a.at(3)));
    }
    std::string Echo(vb::Args args) {
        std::string text;
        for (const vb::Variant& a : args)
            text += (text.empty() ? "" : "|") + (a.isMissing() ? std::string("(missing)") : vb::CStr(a));
        calls.push_back("Echo " + text);
        return text;
    }

    std::vector<std::string> calls;
    vb::Variant lastDevice;
};

}  // namespace homeseer::testing
