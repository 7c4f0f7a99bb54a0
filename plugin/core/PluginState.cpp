#include "core/PluginState.h"

#include "core/QueueTimer.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "web/TCPServer.h"

namespace zephra {

PluginState::PluginState(std::shared_ptr<homeseer::Host> host) : hs(std::move(host)) {}

// The appliance objects go before the form whose timers they use.
PluginState::~PluginState() {
    appliances.reset();
    timerPool.clear();
    unloadQueueTimer();
    if (web.Window) web.Window->Unload();
    web.Window.reset();
    while (!parts_.empty()) parts_.pop_back();
}

homeseer::Host& PluginState::host() const {
    if (!hs) vb::raise(vb::errors::ObjectNotSet);
    return *hs;
}

QueueTimer& PluginState::queueTimer() {
    if (!queueTimer_) {
        queueTimer_ = std::make_shared<QueueTimer>(*this);
        queueTimer_->Load();
    }
    return *queueTimer_;
}

void PluginState::unloadQueueTimer() {
    if (!queueTimer_) return;
    std::shared_ptr<QueueTimer> form = std::move(queueTimer_);
    form->Unload();
}

}  // namespace zephra
