#include "core/PluginState.h"

#include "core/QueueTimer.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace zephra {

PluginState::PluginState(std::shared_ptr<homeseer::Host> host) : hs(std::move(host)) {}

// The appliance objects go before the form whose timers they use; the services' parts (the
// web server's window among them) after it.
PluginState::~PluginState() {
    appliances.Reset();
    timerPool.Clear();
    UnloadQueueTimer();
    while (!parts_.empty()) parts_.pop_back();
}

homeseer::Host& PluginState::Host() const {
    if (!hs) vb::raise(vb::errors::ObjectNotSet);
    return *hs;
}

QueueTimer& PluginState::QueueTimerForm() {
    if (!queueTimer_) {
        queueTimer_ = std::make_shared<QueueTimer>(*this);
        queueTimer_->Load();
    }
    return *queueTimer_;
}

void PluginState::UnloadQueueTimer() {
    if (!queueTimer_) return;
    std::shared_ptr<QueueTimer> form = std::move(queueTimer_);
    form->Unload();
}

}  // namespace zephra
