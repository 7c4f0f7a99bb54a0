// HttpOpen: opens an http:// URL for streaming over HTTP/1.0 (one GET per connection) and
// returns a connected socket positioned at the start of the body. Goes through the proxy named
// by HTTP_PROXY, sends Basic authentication from the URL or from httpAuthentication (only to the
// host and port they belong to), follows up to five redirects, and copies the stream's "url:"
// and "name:" header lines into the caller's media information.
//
// Connecting and reading the answer time out after httpTimeoutMs. The returned socket keeps that
// receive time-out: a read that times out fails with EAGAIN. To wake a thread blocked reading
// the body, shut the socket down (shutdown(sock, SHUT_RDWR)).
#pragma once

#include "mediaapi/MvPlugin.h"

#include <netinet/in.h>
#include <atomic>
#include <string>
#include <string_view>

// Program-wide settings an embedding program may set.
extern const char *prgName;     // User-Agent name (null: "Zephra")
extern const char *prgVersion;  // User-Agent version, "0.01r"
extern const char *proxyUrl;    // proxy URL; HTTP_PROXY on first use when null
extern in_addr_t proxyIp;       // 0 not looked at yet, 0xFFFFFFFF no proxy, else the proxy (network order)
extern unsigned short proxyPort;
extern const char *httpAuthentication;  // "user:password" for the first host opened, or null
extern char httpAutentication1[256];    // credentials taken out of the current URL
extern unsigned httpTimeoutMs;          // connect and answer time-out, milliseconds (default 15000)

constexpr std::size_t kHttpErrTextSize = 256;

// Opens `url`. `info` (may be null) receives copies (malloc, freed by the caller) of the "url:"
// header as title and "name:" as moreinfo when still null. On failure returns -1 with one line
// in `errtext` (kHttpErrTextSize bytes). When `stop` is given and becomes true, the open gives
// up within a tenth of a second.
// `bodyLength` (may be null) receives the answer's Content-Length, -1 when it gave none, or
// kHttpBodyChunked when the body comes in chunks (ReadHttpBody gives their data). An answer in
// another transfer coding is refused.
int OpenHttp(const char *url, MvMediaInfo *info, char *errtext, const std::atomic<bool> *stop = nullptr,
             long long *bodyLength = nullptr);

// The length OpenHttp gives for a body sent in chunks.
constexpr long long kHttpBodyChunked = -2;

// The body of an answer as it is read: its Content-Length (-1: none given, kHttpBodyChunked: in
// chunks) and the bytes so far; for a body in chunks, where the reader stands in its coding.
struct HttpBody {
    long long length = -1;
    long long received = 0;
    enum class Chunk { Size, Data, DataEnd, Done, Broken } chunk = Chunk::Size;
    long long chunkLeft = 0;
    std::string line{};  // the chunk-size line or line end read so far
    const char *error = nullptr;
};

// What ReadHttpBody gives when the body is not whole: the connection ended before its length or
// its last chunk, or its chunks were not in the chunked coding. HttpBodyErrorText says which.
constexpr long kHttpBodyShort = -2;
constexpr const char *kHttpBodyShortText = "the stream ended before its Content-Length";
constexpr const char *kHttpChunksShortText = "the stream ended before its last chunk";
constexpr const char *kHttpChunksBadText = "the stream's chunked coding is broken";

// Why ReadHttpBody gave kHttpBodyShort.
const char *HttpBodyErrorText(const HttpBody &body);

// Reads up to `size` bytes of the body from the socket: the count, 0 once the body has come
// whole (at its Content-Length, also when the server keeps the connection open; at the end of
// the connection when no length was given), kHttpBodyShort when the connection ended before the
// given length, or -1 with errno when the read failed. A body in chunks gives only the chunks'
// data, 0 after its last chunk.
long ReadHttpBody(int sock, void *buffer, std::size_t size, HttpBody &body);

// Splits an http URL (a leading "http://" is skipped) into host, IPv4 address (network order)
// and port (80 when none). Returns the path ("/" when the URL has none), pointing into `url`
// or at a constant text; null when the host cannot be resolved or the port is not a number.
const char *UrlToHostPort(const char *url, std::string &host, in_addr_t &addr, unsigned &port);

// Moves "user:password@" out of the host part of `url` into dst (at most 255 characters kept).
// 1 when credentials were found, else 0 with dst emptied.
int GetAuthenticationFromUrl(std::string &url, char *dst);

// Base64 (RFC 4648 alphabet, '=' padding).
std::string Encode64(std::string_view in);
