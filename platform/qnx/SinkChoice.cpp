// Which output the sound library plays through: the installed one (tests), else the one the
// environment variable ZEPHRA_AUDIO_SINK names, chosen once per process.
#include "SoundBackend.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qnx::sound {

namespace {

constexpr const char *kSinkVariable = "ZEPHRA_AUDIO_SINK";
constexpr const char *kUnknownSink = "%s: unknown output '%s'; playing nothing\n";
constexpr const char *kNoDevice = "%s: no sound device; name an output there (null, wav:FILE, alsa:DEVICE)\n";

std::mutex g_mutex;
std::shared_ptr<Sink> g_installed;
std::shared_ptr<Sink> g_fromEnvironment;

std::shared_ptr<Sink> SinkFromEnvironment()
{
    const char *value = std::getenv(kSinkVariable);
    if (!value || !*value) {
        if (AlsaCardExists())
            return MakeAlsaSink("default");
        // Without a device nothing can be heard: every play fails, said once.
        std::fprintf(stderr, kNoDevice, kSinkVariable);
        return MakeNoDeviceSink();
    }
    std::string_view choice(value);
    if (choice == "null")
        return MakeNullSink(true);
    if (choice == "null:fast")
        return MakeNullSink(false);
    if (choice == "alsa")
        return MakeAlsaSink("default");
    if (choice.starts_with("alsa:") && choice.size() > 5)
        return MakeAlsaSink(std::string(choice.substr(5)));
    if (choice.starts_with("wav:") && choice.size() > 4)
        return MakeWavSink(std::string(choice.substr(4)));
    std::fprintf(stderr, kUnknownSink, kSinkVariable, value);
    return MakeNullSink();
}

}  // namespace

std::shared_ptr<Sink> CurrentSink()
{
    std::lock_guard lock(g_mutex);
    if (g_installed)
        return g_installed;
    if (!g_fromEnvironment)
        g_fromEnvironment = SinkFromEnvironment();
    return g_fromEnvironment;
}

void InstallSink(std::shared_ptr<Sink> sink)
{
    std::lock_guard lock(g_mutex);
    g_installed = std::move(sink);
}

}  // namespace qnx::sound
