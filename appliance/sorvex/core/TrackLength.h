#pragma once
// A track's length read from its file, for decoders that do not print it: MPEG audio from its
// Xing/Info or VBRI header or by walking its frames, Ogg Vorbis from its last granule position.

#include <string>

namespace sorvex {

// Whole seconds of an MPEG audio file (Layers I-III, MPEG-1, 2 and 2.5, behind ID3v2 tags);
// -1 when the file cannot be read or holds no frames.
int MpegSeconds(const std::string& path);
// Whole seconds of an Ogg Vorbis file; -1 when the file cannot be read or is no Vorbis stream.
int OggVorbisSeconds(const std::string& path);

}  // namespace sorvex
