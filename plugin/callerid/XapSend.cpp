#include "callerid/XapSend.h"

#include "callerid/XapTexts.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace xaptext;

namespace {

constexpr int32_t kSendInterval = 200;

}  // namespace

std::string XapBody(const XapPairs& pairs) {
    std::string body;
    for (const auto& [key, value] : pairs) {
        if (!body.empty()) body += vb::Chr(0);
        body += key + vb::Chr(1) + value;
    }
    return body;
}

std::string XapBlock(const std::string& name, const std::vector<std::string>& lines) {
    std::string text = "\n}\n" + name + "\n{\n";
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
    return text;
}

void SendXapMessage(PluginState& state, const xapQueuedMessage& message) {
    if (!state.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
    std::vector<vb::Variant> args = {message.MsgTarget, message.MsgClass,      message.MsgSection,
                                     message.MsgData,   message.MsgSubAddress, message.MsgUID};
    state.CallbackObject->call(kSendXapMessage, vb::Method, args);
}

void SendXapQueued(PluginState& state, xapQueuedMessage message) {
    forms::Timer& timer = state.QueueTimerForm().BSCTimer;
    if (timer.Enabled()) {
        if (!state.xap.XapSendQueue) vb::raise(vb::errors::ObjectNotSet);
        if (state.xap.XapSendQueue->size() >= kXapSendQueueLimit) {
            WriteLog(state.Host(), kSource, kSendQueueFull + message.MsgClass + " " + message.MsgSubAddress);
            return;
        }
        state.xap.XapSendQueue->push_back(std::move(message));
        return;
    }
    timer.Interval(kSendInterval);
    timer.Enabled(true);
    SendXapMessage(state, message);
}

bool XapStep(PluginState& state, const std::string& tag, const std::function<void()>& step) {
    if (vb::Try(step)) return true;
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    vb::Err().Clear();
    return false;
}

}  // namespace zephra
