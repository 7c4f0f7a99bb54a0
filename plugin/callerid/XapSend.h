#pragma once
// Sending xAP messages through the host callback object's SendXapMessage: the body
// encoding, the direct send and the send queue drained by the hidden form's "BSCTimer".

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/CallerIdState.h"

namespace zephra {

class PluginState;

using XapPairs = std::vector<std::pair<std::string, std::string>>;

// At most this many answers wait for the send timer; a query beyond that is answered in part.
constexpr std::size_t kXapSendQueueLimit = 2000;

// The body of the first block: key Chr(1) value, pairs joined by Chr(0), nothing after the last.
std::string XapBody(const XapPairs& pairs);
// A further block appended to a body as literal xAP text: LF "}" LF name LF "{" LF, then the
// lines joined by LF.
std::string XapBlock(const std::string& name, const std::vector<std::string>& lines);

// Calls SendXapMessage at once with the six fields in their order. Raises when the callback
// object is missing or has no such member.
void SendXapMessage(PluginState& state, const xapQueuedMessage& message);

// The queue rule: while the send timer runs the message waits in XapSendQueue (dropped with
// a log line when the queue is full); otherwise the timer is started (200 ms) and the
// message sent at once.
void SendXapQueued(PluginState& state, xapQueuedMessage message);

// Runs a step under an error handler that logs `tag` (with the error) and goes on; true when
// the step succeeded.
bool XapStep(PluginState& state, const std::string& tag, const std::function<void()>& step);

}  // namespace zephra
