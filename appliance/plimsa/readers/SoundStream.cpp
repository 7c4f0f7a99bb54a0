#include "plimsa/readers/SoundStream.h"

namespace plimsa {

SoundStream::~SoundStream() {
    if (file) std::fclose(file);
}

}  // namespace plimsa
