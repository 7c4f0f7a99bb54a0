// Preloaded into a program under test (LD_PRELOAD) with ZEPHRA_TEST_SOUND_TAP naming a file:
// every write to the program's sound output is kept, and saved to that file when it ends.
#include <cstdlib>
#include <string>

#include "media/testing/WrittenSound.h"

namespace {

struct SoundTap {
    SoundTap()
    {
        const char *path = std::getenv(media::testing::kSoundTapVariable);
        if (!path || !*path)
            return;
        path_ = path;
        // Never freed: a player thread may still write while the program ends.
        written_ = new media::testing::WrittenSound();
        media::testing::TapSoundOutput(*written_);
    }
    ~SoundTap()
    {
        if (written_)
            written_->Save(path_);
    }
    std::string path_;
    media::testing::WrittenSound *written_ = nullptr;
};

const SoundTap tap;

}  // namespace
