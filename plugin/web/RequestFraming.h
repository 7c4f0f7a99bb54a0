#pragma once
// Where one request ends in the text a connection has sent so far: after its header block
// and, when it names one, a body of "Content-Length" bytes. Requests are bounded: a request
// line and header block of at most 16 KiB, a body of at most 1 MiB.

#include <cstddef>
#include <string>
#include <string_view>

namespace zephra {

inline constexpr std::size_t kHeaderLimit = 16 * 1024;
inline constexpr std::size_t kBodyLimit = 1024 * 1024;

struct RequestFrame {
    enum Kind { Incomplete, Complete, Refused };
    Kind kind = Incomplete;
    std::size_t length = 0;  // Complete: the bytes of the request, header and body
    std::string reason;      // Refused: why, for the debug log
    int status = 0;          // Refused: the HTTP status the client is answered with
};

// Incomplete while the header block or the body has not all come; Refused for a header block
// over the limit (431), a body over the limit (413), a "Content-Length" that is not one decimal
// number (400), or a body sent in chunks (411: the server reads only bodies of a told length).
// A request without "Content-Length" ends with the text that came.
RequestFrame FrameRequest(std::string_view text);

// The bytes of the request line and header block up to and with the empty line that ends them
// (lines end in CR LF or a bare LF); 0 while that line has not come.
std::size_t HeadSize(std::string_view text);

// The request with every bare LF of its head made a CR LF, so that the head reads as one sent
// with CR LF line ends; the body is kept as it came.
std::string WithCrLfHead(std::string_view request);

}  // namespace zephra
