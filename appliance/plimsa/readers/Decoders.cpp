// The table of readers and the choice of reader for a file or a stream.

#include <cstring>

#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {

const SoundDecoder* const decoders[6] = {&wavfile_decoder, &aufile_decoder, &vocfile_decoder,
                                         &aiffile_decoder, &iffile_decoder, nullptr};

const SoundDecoder* FindDecoder(const uint8_t* head, size_t length) {
    for (const SoundDecoder* const* decoder = decoders; *decoder; ++decoder)
        if ((*decoder)->test(head, length) == kAccepted) return *decoder;
    return nullptr;
}

const SoundDecoder* find_decoder(const char* path) {
    if (const char* dot = std::strrchr(path, '.')) {
        for (const SoundDecoder* const* decoder = decoders; *decoder; ++decoder)
            if (std::strncmp(dot + 1, (*decoder)->identifier, sizeof(*decoder)->identifier) == 0) return *decoder;
    }
    std::FILE* file = std::fopen(path, "r");
    if (!file) return nullptr;
    uint8_t head[kProbeBytes];
    const size_t length = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return FindDecoder(head, length);
}

}  // namespace plimsa
