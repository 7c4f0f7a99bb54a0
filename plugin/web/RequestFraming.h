#pragma once
// Where one request ends in the text a connection has sent so far (forms/RequestArrival.h):
// after its header block and, when it names one, a body of "Content-Length" bytes. Requests
// are bounded: a request line and header block of at most 16 KiB, a body of at most 1 MiB.

#include <cstddef>
#include <string>
#include <string_view>

#include "forms/RequestArrival.h"

namespace zephra {

inline constexpr std::size_t kHeaderLimit = 16 * 1024;
inline constexpr std::size_t kBodyLimit = 1024 * 1024;

using forms::HeadSize;
using forms::RequestFrame;
using forms::WithCrLfHead;

// Incomplete while the header block or the body has not all come; Refused for a header block
// over the limit (431), a body over the limit (413), a "Content-Length" that is not one decimal
// number (400), or a body sent in chunks (411: the server reads only bodies of a told length).
// A request without "Content-Length" ends with the text that came.
inline RequestFrame FrameRequest(std::string_view text) { return forms::FrameRequest(text, kHeaderLimit, kBodyLimit); }

}  // namespace zephra
