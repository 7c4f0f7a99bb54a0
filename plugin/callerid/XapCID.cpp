#include "callerid/XapCID.h"

#include <cstdio>

#include "callerid/XapSend.h"
#include "callerid/XapTexts.h"
#include "core/PluginState.h"
#include "vb/DateTime.h"
#include "vb/Format.h"

namespace zephra {

using namespace xaptext;

namespace {

// yyyymmddhhnnss
std::string CompactDateTime(vb::Date now) {
    const vb::DateParts p = vb::partsOf(now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    return text;
}

std::string DigitsOnly(const std::string& number) {
    std::string phone;
    for (char c : number)
        if (c != ')' && c != '(' && c != '-' && c != ' ') phone += c;
    return phone;
}

}  // namespace

void XapCID(PluginState& state, const std::string& rawName, const std::string& name, const std::string& number) {
    state.xap.XapCIDSent = true;
    XapStep(state, kXapCIDTag, [&] {
        const vb::Date now = vb::Now();
        const std::string given = rawName == kUnknown ? kWithheld : kAvailable;
        const std::string body = XapBody({{"Type", kVoice},
                                          {"DateTime", CompactDateTime(now)},
                                          {"Phone", DigitsOnly(number)},
                                          {"RNNumber", given},
                                          {"Formatted_Date", vb::FormatDateTime(now, vb::vbLongDate)},
                                          {"Formatted_Time", vb::FormatDateTime(now, vb::vbLongTime)},
                                          {"Name", name},
                                          {"RNName", given}});
        SendXapMessage(state, {"", kCidIncoming, kCidIncoming, body, "", kPluginUid});
    });
}

}  // namespace zephra
