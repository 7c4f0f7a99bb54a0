#pragma once
// Stand-in madplay and ogg123 programs, first on PATH while the object lives. They print the
// lines the real programs print (the back-ends read them at fixed positions) and behave as
// SORVEX_FAKE_MODE says: "end" prints the end of the track, plays out its last buffer (noted in
// SORVEX_FAKE_ARGS.drained) and ends, "eof" ends its output,
// "wait" plays until interrupted, "heed" plays until interrupted and notes the interrupt in
// SORVEX_FAKE_ARGS.interrupted (a kill leaves no note), "deaf" ignores the interrupt, "mute" ends
// before its first line.
// Each writes its arguments, one a line, to SORVEX_FAKE_ARGS.

#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "SorvexTesting.h"

namespace sorvex::testing {

constexpr const char* kFakeMadplay = R"(#!/bin/sh
[ "$SORVEX_FAKE_MODE" = mute ] && exit 1
[ "$SORVEX_FAKE_MODE" = heed ] && trap 'echo interrupted > "$SORVEX_FAKE_ARGS.interrupted"; kill $! 2>/dev/null; exit 0' INT
printf '%s\n' "$@" > "$SORVEX_FAKE_ARGS"
echo "MPEG Audio Decoder 0.15.2 (beta) - Copyright (C) 2000-2004 Robert Leslie et al."
printf '         Title: Fake Song\n        Artist: Fake Artist\n         Album: Fake Album\n'
printf 'Title : not a title\n'
printf ' 00:01:05 Layer III, 128 kbps, 44100 Hz, joint stereo (MS), no CRC\r'
case "$SORVEX_FAKE_MODE" in
  end) printf '\n78 frames decoded (0:00:02.0), -18.5 dB peak amplitude, 0 clipped samples\n'
       sleep 0.2; echo drained > "$SORVEX_FAKE_ARGS.drained"; exit 0 ;;
  eof) exit 0 ;;
  heed) sleep 30 & wait; exit 0 ;;
  deaf) trap '' INT; while :; do sleep 1; done ;;
  *) exec sleep 30 ;;
esac
)";

constexpr const char* kFakeOgg123 = R"(#!/bin/sh
[ "$SORVEX_FAKE_MODE" = mute ] && exit 1
[ "$SORVEX_FAKE_MODE" = heed ] && trap 'echo interrupted > "$SORVEX_FAKE_ARGS.interrupted"; kill $! 2>/dev/null; exit 0' INT
printf '%s\n' "$@" > "$SORVEX_FAKE_ARGS"
printf '\r\r\nAudio Device:   Null output\n\r\rPlaying: x.ogg\n\r\rTitle: Ogg Song\n\r\rArtist: Ogg Artist\n'
printf '\r\rTotal Seconds: 125\n'
printf '\r\rTime: 01:05.20 [00:59.80] of 02:05.00  (14.5 kbps)  Output Buffer  88.9%%  \r'
case "$SORVEX_FAKE_MODE" in
  end) printf '\r\nDone.\n'; sleep 0.2; echo drained > "$SORVEX_FAKE_ARGS.drained"; exit 0 ;;
  eof) exit 0 ;;
  heed) sleep 30 & wait; exit 0 ;;
  *) exec sleep 30 ;;
esac
)";

class FakePlayers {
public:
    FakePlayers() {
        bin_ = folder_ / "bin";
        writeProgram("madplay", kFakeMadplay);
        writeProgram("ogg123", kFakeOgg123);
        if (const char* path = std::getenv("PATH")) previousPath_ = path;
        setenv("PATH", (bin_ + ":" + previousPath_.value_or("/usr/bin:/bin")).c_str(), 1);
        setenv("SORVEX_FAKE_ARGS", argsFile().c_str(), 1);
        mode("wait");
    }
    ~FakePlayers() {
        if (previousPath_) setenv("PATH", previousPath_->c_str(), 1);
        unsetenv("SORVEX_FAKE_ARGS");
        unsetenv("SORVEX_FAKE_MODE");
    }
    void mode(const char* mode) { setenv("SORVEX_FAKE_MODE", mode, 1); }
    std::string argsFile() const { return folder_ / "args"; }
    std::string args() const { return ScratchFolder::readFile(argsFile()); }
    const ScratchFolder& folder() const { return folder_; }

private:
    void writeProgram(const std::string& name, const char* text) {
        const std::string file = folder_.write("bin/" + name, text);
        ::chmod(file.c_str(), 0755);
    }

    ScratchFolder folder_;
    std::string bin_;
    std::optional<std::string> previousPath_;
};

}  // namespace sorvex::testing
