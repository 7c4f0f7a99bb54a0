#include "core/SpeechMaker.h"

#include "core/PluginState.h"
#include "vb/Err.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";

struct SpeechMakerPart {
    std::unique_ptr<SpeechMaker> maker;
};

}  // namespace

SpeechMaker::SpeechMaker(PluginState& state) : state_(state), loop_(forms::Loop::current()) {}

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
    {
        std::lock_guard lock(mutex_);
        if (waiting_.size() >= kWaitingLimit) {
            NoteDropped();
            return false;
        }
        waiting_.push_back({text, voiceName, path, std::move(done)});
    }
    ++unfinished_;
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    wake_.notify_one();
    return true;
}

bool SpeechMaker::Idle() const { return unfinished_ == 0; }

// One line for a run of drops, and no more often than kDropLogInterval.
void SpeechMaker::NoteDropped() {
    ++dropped_;
    const forms::Loop::TimePoint now = loop_.now();
    if (lastDropLine_ && now - *lastDropLine_ < kDropLogInterval) return;
    lastDropLine_ = now;
    const std::string line = "xAP speech dropped: " + std::to_string(kWaitingLimit) + " waiting to be made (" +
                             std::to_string(dropped_) + " dropped since the last such line)";
    dropped_ = 0;
    vb::Try([&] { state_.Host().Writelog(kSource, line); });
    vb::Err().Clear();
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
