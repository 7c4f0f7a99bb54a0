#include "core/SpeechMaker.h"

#include <algorithm>

#include "core/PluginState.h"
#include "vb/Err.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";

struct SpeechMakerPart {
    std::unique_ptr<SpeechMaker> maker;
};

}  // namespace

SpeechMaker::SpeechMaker(PluginState& state)
    : state_(state),
      loop_(forms::Loop::current()),
      drops_(
          [this](const std::string& line) {
              vb::Try([&] { state_.Host().Writelog(kSource, line); });
              vb::Err().Clear();
          },
          [](const std::string&, int32_t count) {
              return "xAP speech dropped: " + std::to_string(kWaitingLimit) + " waiting to be made (" +
                     std::to_string(count) + " dropped since the last such line)";
          }) {}

SpeechMaker::~SpeechMaker() {
    *alive_ = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool SpeechMaker::Queue(const std::string& text, const std::string& voiceName, const std::string& path, Done done) {
    if (Waiting() >= kWaitingLimit) {
        drops_.Note("");
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back({text, voiceName, path, std::move(done)});
    }
    ++unfinished_;
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    wake_.notify_one();
    return true;
}

void SpeechMaker::Handed(std::function<bool()> stillWaiting) {
    handed_.push_back({std::move(stillWaiting), loop_.now()});
}

bool SpeechMaker::Idle() const { return unfinished_ == 0; }

std::size_t SpeechMaker::Waiting() {
    const forms::Loop::TimePoint now = loop_.now();
    std::erase_if(handed_, [&](const HandedSpeech& h) { return now - h.since >= kHandedLimit || !h.stillWaiting(); });
    return unfinished_ + handed_.size();
}

void SpeechMaker::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
        }
        auto lines = std::make_shared<std::vector<SpeechLogLine>>();
        const bool written = MakeSpeechFile(job.text, job.voiceName, job.path, *lines);
        vb::Err().Clear();
        loop_.post([this, alive = std::weak_ptr<bool>(alive_), lines, written, done = std::move(job.done)] {
            const std::shared_ptr<bool> still = alive.lock();
            if (!still || !*still) return;
            --unfinished_;
            WriteSpeechLog(state_, *lines);
            if (done) done(written);
        });
    }
}

SpeechMaker& XapSpeechMaker(PluginState& state) {
    std::unique_ptr<SpeechMaker>& maker = state.Part<SpeechMakerPart>().maker;
    if (!maker) maker = std::make_unique<SpeechMaker>(state);
    return *maker;
}

}  // namespace zephra
