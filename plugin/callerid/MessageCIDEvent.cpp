#include "callerid/MessageCIDEvent.h"

#include "automation/CallByName.h"
#include "callerid/CallerIdProcessing.h"
#include "callerid/CallerIdTexts.h"
#include "callerid/UdpServer.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace cidtext;

namespace {

void LogTag(PluginState& state) {
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, kMessageCIDEventTag); })) vb::Err().Clear();
}

}  // namespace

std::string MessageCIDEvent(PluginState& state, bool send, const std::string& target) {
    std::string name = kNoHostPhoneName;
    std::string number = kNoHostPhoneNumber;
    std::string lookup;
    if (!vb::Try([&] {
            if (!state.services.InitHSP(state)) return;
            const vb::Variant phone(state.hostInterface.HostPhone);
            const vb::Variant line(state.settings.CIDLineNumber);
            number = vb::CStr(automation::callByName(phone, "CIDNumber", {line}));
            name = vb::CStr(automation::callByName(phone, "CIDName", {line}));
        }))
        LogTag(state);
    if (!vb::Try([&] {
            lookup = HSPAddressBookLookup(state, number, name);
            if (!send) return;
            const CallerIdText caller(lookup);
            std::string shownName = vb::Replace(caller.name, kFrom, kFromShort, 1, -1, vb::CompareMethod::Text);
            std::string shownNumber = caller.number;
            UDPSendCID(state, shownName, shownNumber, target);
        }))
        LogTag(state);
    return lookup;
}

}  // namespace zephra
