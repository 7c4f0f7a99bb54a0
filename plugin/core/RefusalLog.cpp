#include "core/RefusalLog.h"

#include <algorithm>

namespace zephra {

RefusalLog::RefusalLog(std::function<void(const std::string& line)> write, Form form)
    : write_(std::move(write)), form_(std::move(form)) {}

RefusalLog::~RefusalLog() { *alive_ = false; }

void RefusalLog::Note(const std::string& what, const std::string& who) {
    ++count_;
    ++untold_;
    last_ = what;
    if (!who.empty()) {
        auto by = std::find_if(untoldBy_.begin(), untoldBy_.end(), [&](const auto& e) { return e.first == who; });
        if (by == untoldBy_.end()) untoldBy_.emplace_back(who, 1);
        else ++by->second;
    }
    if (!loop_) loop_ = &forms::Loop::current();
    forms::Loop& loop = *loop_;
    const forms::Loop::TimePoint now = loop.now();
    if (rate_.Next(now).log) {
        Write();
        return;
    }
    if (!timer_) {
        timer_ = std::make_unique<forms::Timer>(loop);
        timer_->Enabled(false);
        timer_->OnTimer = [this, alive = alive_] {
            if (*alive) Write();
        };
    }
    if (timer_->Enabled()) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(rate_.WindowEnd() - now);
    timer_->Interval(static_cast<int32_t>(std::max<int64_t>(1, left.count())));
    timer_->Enabled(true);
}

void RefusalLog::Flush() {
    Write();
    timer_.reset();  // an owner that is shutting down keeps no timer of its loop
}

void RefusalLog::Write() {
    if (timer_) timer_->Enabled(false);
    if (untold_ == 0) return;
    rate_.Restart(loop_->now());
    std::string line = form_ ? form_(last_, untold_) : last_ + "; " + std::to_string(untold_) + kSince;
    for (std::size_t i = 0; i < untoldBy_.size(); ++i)
        line += (i == 0 ? ": \"" : ", \"") + untoldBy_[i].first + "\" " + std::to_string(untoldBy_[i].second);
    untold_ = 0;
    untoldBy_.clear();
    write_(line);
}

}  // namespace zephra
