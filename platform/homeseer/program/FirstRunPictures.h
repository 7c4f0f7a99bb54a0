#pragma once
// The pictures the page frame names at the root of the web folder (the clock, sunrise and
// sunset signs, the plug-in's logo), which a first run puts into the HTML folder.

#include <cstddef>
#include <vector>

namespace homeseer {

struct FirstRunPicture {
    const char* name;
    const unsigned char* bytes;
    std::size_t size;
};

const std::vector<FirstRunPicture>& FirstRunPictures();

}  // namespace homeseer
