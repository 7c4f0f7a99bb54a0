#include "mediaapi/HttpOpen.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

const char *prgName = nullptr;
const char *prgVersion = "0.01r";
const char *proxyUrl = nullptr;
in_addr_t proxyIp = 0;
unsigned short proxyPort = 0;
const char *httpAuthentication = nullptr;
char httpAutentication1[256] = "";
unsigned httpTimeoutMs = 15000;

namespace {

// Texts the client reports (each one line in the caller's buffer).
constexpr const char *kUnknownProxy = "Unknown proxy host: '%s'\n";
constexpr const char *kUnknownHost = "Unknown host '%s'\n";
constexpr const char *kBadPort = "Invalid port in URL '%s'\n";  // not a number from 1 to 65535
constexpr const char *kNoSocket = "Unable to create a socket: %s\n";
constexpr const char *kNoConnect = "Unable to connect to server: %s\n";
constexpr const char *kNoWrite = "write: %s\n";
constexpr const char *kNoRead = "Unable to read from socket: %s\n";
constexpr const char *kClosedByServer = "Connection closed by server";
constexpr const char *kRequestFailed = "HTTP request failed: %s";
constexpr const char *kHeadersTooLong = "HTTP request failed: header too long\n";
constexpr const char *kBadCoding = "HTTP request failed: unsupported Transfer-Encoding: %s\n";
constexpr const char *kTooManyRedirects = "Too many HTPP redirections.\n";
constexpr const char *kBadRedirect = "Cannot follow redirection to '%s'\n";
constexpr const char *kDefaultAgent = "Zephra";
constexpr const char *kScheme = "http://";
constexpr const char *kNoProxy = "none";
constexpr const char *kProxyVariable = "HTTP_PROXY";

constexpr in_addr_t kProxyNone = 0xFFFFFFFF;
constexpr int kMaxRedirects = 5;
constexpr std::size_t kLineSize = 1024;         // one header line kept; the rest of a longer one is skipped
constexpr std::size_t kUrlSize = 1024;          // longest URL followed
constexpr std::size_t kMaxHeaderBytes = 65536;  // an answer head longer than this is refused
constexpr int kPollSliceMs = 100;               // how often a wait looks at the stop flag
constexpr std::size_t kMaxChunkLine = 1024;     // a chunk-size line (with its extensions) or a line end
constexpr long long kMaxChunkSize = 1LL << 40;  // larger is taken as broken coding

std::mutex g_proxyMutex;

using Clock = std::chrono::steady_clock;

void SetError(char *errtext, const char *format, ...)
{
    if (!errtext)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(errtext, kHttpErrTextSize, format, args);
    va_end(args);
}

bool StartsWith(std::string_view text, std::string_view prefix, bool anyCase = false)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (anyCase ? std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b))
                    : a != b)
            return false;
    }
    return true;
}

// A URL ends at its first line end: nothing after it may reach the request.
std::string CutAtLineEnd(std::string_view text)
{
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

// Host part and port of an http URL, without looking the host up. False when the port is not
// a number.
bool SplitHostPort(const char *url, std::string &host, unsigned &port, const char **path)
{
    const char *p = StartsWith(url, kScheme, true) ? url + std::strlen(kScheme) : url;
    std::size_t hostLength = std::strcspn(p, ":/");
    host.assign(p, hostLength);
    p += hostLength;
    port = 80;
    if (*p == ':') {
        ++p;
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return false;
        unsigned long value = std::strtoul(p, nullptr, 10);
        if (value == 0 || value > 65535)
            return false;
        port = static_cast<unsigned>(value);
        p = std::strchr(p, '/');
    }
    *path = p && *p ? p : "/";
    return true;
}

bool IsDottedAddress(const std::string &host)
{
    return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

bool Resolve(const std::string &host, in_addr_t &addr)
{
    if (host.empty())
        return false;
    if (IsDottedAddress(host)) {
        in_addr parsed{};
        if (inet_pton(AF_INET, host.c_str(), &parsed) != 1)
            return false;
        addr = parsed.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    addr = reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

// Proxy, once per process: from proxyUrl, else HTTP_PROXY; "none" or empty means none.
bool FindProxy(char *errtext)
{
    std::lock_guard lock(g_proxyMutex);
    if (proxyIp != 0)
        return true;
    if (!proxyUrl)
        proxyUrl = std::getenv(kProxyVariable);
    if (!proxyUrl || !*proxyUrl || std::strcmp(proxyUrl, kNoProxy) == 0) {
        proxyIp = kProxyNone;
        return true;
    }
    std::string url = CutAtLineEnd(proxyUrl);
    std::string host;
    in_addr_t addr = 0;
    unsigned port = 0;
    if (!UrlToHostPort(url.c_str(), host, addr, port)) {
        SetError(errtext, kUnknownProxy, host.c_str());
        return false;
    }
    proxyIp = addr;
    proxyPort = static_cast<unsigned short>(port);
    return true;
}

// Waits until the socket is ready, the deadline passes (ETIMEDOUT) or a stop is asked (ECANCELED).
int WaitFor(int fd, short events, Clock::time_point deadline, const std::atomic<bool> *stop)
{
    for (;;) {
        if (stop && stop->load())
            return ECANCELED;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ETIMEDOUT;
        pollfd pfd{fd, events, 0};
        int ready = poll(&pfd, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
        if (ready > 0)
            return 0;
        if (ready < 0 && errno != EINTR)
            return errno;
    }
}

Clock::time_point Deadline()
{
    return Clock::now() + std::chrono::milliseconds(httpTimeoutMs);
}

// A TCP connection with the time-out applied to connecting and to every later read and write.
int Connect(in_addr_t addr, unsigned port, const std::atomic<bool> *stop, char *errtext)
{
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        SetError(errtext, kNoSocket, std::strerror(errno));
        return -1;
    }
    int flags = fcntl(sock, F_GETFL);
    fcntl(sock, F_SETFL, flags | O_NONBLOCK);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = addr;
    to.sin_port = htons(static_cast<uint16_t>(port));
    int error = 0;
    if (connect(sock, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        error = errno == EINPROGRESS ? WaitFor(sock, POLLOUT, Deadline(), stop) : errno;
        socklen_t length = sizeof error;
        if (error == 0 && getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
    }
    if (error != 0) {
        SetError(errtext, kNoConnect, std::strerror(error));
        close(sock);
        return -1;
    }
    fcntl(sock, F_SETFL, flags);
    timeval timeout{static_cast<time_t>(httpTimeoutMs / 1000), static_cast<suseconds_t>(httpTimeoutMs % 1000) * 1000};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return sock;
}

// Writes the whole text; 0 or -1 (a broken connection never raises a signal).
int WriteString(int fd, const std::string &text, char *errtext)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            SetError(errtext, kNoWrite, n == 0 ? kClosedByServer : std::strerror(errno));
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Reads one line of the answer head, byte by byte so that nothing of the body is taken. Keeps at
// most kLineSize - 1 bytes (the rest of a longer line is read and dropped); counts every byte
// against the head's limit. 0, or -1 with the error text set.
struct HeadReader {
    int fd;
    Clock::time_point deadline;
    const std::atomic<bool> *stop;
    std::size_t total = 0;

    int ReadString(std::string &line, char *errtext)
    {
        line.clear();
        for (;;) {
            if (int error = WaitFor(fd, POLLIN, deadline, stop); error != 0) {
                SetError(errtext, kNoRead, std::strerror(error));
                return -1;
            }
            char c;
            ssize_t n = recv(fd, &c, 1, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) {
                SetError(errtext, kNoRead, n == 0 ? kClosedByServer : std::strerror(errno));
                return -1;
            }
            if (++total > kMaxHeaderBytes) {
                SetError(errtext, "%s", kHeadersTooLong);
                return -1;
            }
            if (line.size() < kLineSize - 1)
                line.push_back(c);
            if (c == '\n')
                return 0;
        }
    }
};

// Credentials and the one host and port they may be sent to.
struct Credentials {
    std::string userPassword;
    std::string host;
    unsigned port = 0;

    bool For(const std::string &toHost, unsigned toPort) const
    {
        return !userPassword.empty() && toPort == port && strcasecmp(toHost.c_str(), host.c_str()) == 0;
    }
};

std::string BuildRequest(const std::string &url, const char *path, const std::string &host, unsigned port,
                         bool viaProxy, const Credentials &credentials)
{
    std::string request = "GET ";
    if (viaProxy) {
        if (!StartsWith(url, kScheme, true))
            request += kScheme;
        request += url;
    } else {
        request += path;
    }
    request += " HTTP/1.0\r\nUser-Agent: ";
    request += prgName ? prgName : kDefaultAgent;
    request += "/";
    request += prgVersion ? prgVersion : "";
    request += "\r\n";
    if (!viaProxy)
        request += "Host: " + host + ":" + std::to_string(port) + "\r\n";
    request += "Accept: audio/mpeg, audio/x-mpegurl, */*\r\n";
    if (credentials.For(host, port))
        request += "Authorization: Basic " + Encode64(credentials.userPassword) + "\r\n";
    request += "\r\n";
    return request;
}

// Copies the rest of a header line after `key` into a text of the media information.
void CopyHeaderValue(const std::string &line, std::size_t at, std::size_t keyLength, const char *&field)
{
    if (!field)
        field = strdup(line.c_str() + at + keyLength);
}

// The URL a Location value leads to: absolute http URLs as they are, paths on the same server.
// Empty when it cannot be followed.
// The value of a Location line without its blanks and line end.
std::string LocationValue(const std::string &raw)
{
    std::size_t first = raw.find_first_not_of(" \t");
    std::string value = first == std::string::npos ? "" : CutAtLineEnd(raw.substr(first));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    return value;
}

std::string RedirectTarget(const std::string &value, const std::string &host, unsigned port)
{
    if (StartsWith(value, kScheme, true))
        return kScheme + value.substr(std::strlen(kScheme));
    if (StartsWith(value, "/") && !StartsWith(value, "//"))
        return kScheme + host + ":" + std::to_string(port) + value;
    return "";
}

enum class Answer { Body, Redirect, Failed };

// The value of a Content-Length line; -1 when it is not a plain decimal number.
long long BodyLength(const char *value)
{
    while (*value == ' ' || *value == '\t')
        ++value;
    if (!std::isdigit(static_cast<unsigned char>(*value)))
        return -1;
    errno = 0;
    char *end = nullptr;
    const long long length = std::strtoll(value, &end, 10);
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')
        ++end;
    return errno == 0 && *end == '\0' ? length : -1;
}

// The value of a header line without its blanks and line end.
std::string HeaderValue(const std::string &line, std::size_t keyLength)
{
    std::string value = CutAtLineEnd(line.substr(keyLength));
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t");
    return first == std::string::npos ? "" : value.substr(first, last + 1 - first);
}

// Reads the status line and the header lines. On a redirect, `location` holds the raw value.
// A body in chunks gives `length` kHttpBodyChunked; one in a coding not read here fails.
Answer ReadHead(HeadReader &reader, MvMediaInfo *info, std::string &location, bool &locationTooLong, long long &length,
                char *errtext)
{
    length = -1;
    bool chunked = false;
    std::string line;
    if (reader.ReadString(line, errtext) < 0)
        return Answer::Failed;
    Answer answer = Answer::Body;
    std::size_t blank = line.find(' ');
    if (blank != std::string::npos && blank + 1 < line.size()) {
        char kind = line[blank + 1];
        if (kind == '3') {
            answer = Answer::Redirect;
        } else if (kind != '2') {
            SetError(errtext, kRequestFailed, line.c_str() + blank + 1);
            return Answer::Failed;
        }
    }
    for (;;) {
        if (reader.ReadString(line, errtext) < 0)
            return Answer::Failed;
        if (line[0] == '\r' || line[0] == '\n') {
            // The chunks carry the body's end; a Content-Length beside them does not count.
            if (chunked)
                length = kHttpBodyChunked;
            return answer;
        }
        if (StartsWith(line, "Transfer-Encoding:", true)) {
            const std::string coding = HeaderValue(line, std::strlen("Transfer-Encoding:"));
            if (strcasecmp(coding.c_str(), "chunked") == 0) {
                chunked = true;
            } else if (strcasecmp(coding.c_str(), "identity") != 0) {
                SetError(errtext, kBadCoding, coding.c_str());
                return Answer::Failed;
            }
        } else if (StartsWith(line, "Location:", true)) {
            location = line.substr(std::strlen("Location:"));
            locationTooLong = line.size() >= kLineSize - 1 && line.back() != '\n';
        } else if (StartsWith(line, "Content-Length:", true)) {
            length = BodyLength(line.c_str() + std::strlen("Content-Length:"));
        } else if (std::size_t at = line.find("url:"); at != std::string::npos) {
            if (info)
                CopyHeaderValue(line, at, 4, info->title);
        } else if (std::size_t at = line.find("name:"); at != std::string::npos) {
            if (info)
                CopyHeaderValue(line, at, 5, info->moreinfo);
        }
    }
}

}  // namespace

std::string Encode64(std::string_view in)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size())
            n |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size())
            n |= static_cast<unsigned char>(in[i + 2]);
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out.push_back(i + 1 < in.size() ? kAlphabet[(n >> 6) & 63] : '=');
        out.push_back(i + 2 < in.size() ? kAlphabet[n & 63] : '=');
    }
    return out;
}

int GetAuthenticationFromUrl(std::string &url, char *dst)
{
    std::size_t start = StartsWith(url, kScheme, true) ? std::strlen(kScheme) : 0;
    std::size_t at = url.find('@', start);
    std::size_t slash = url.find('/', start);
    if (at == std::string::npos || (slash != std::string::npos && slash < at)) {
        dst[0] = '\0';
        return 0;
    }
    std::size_t length = std::min<std::size_t>(at - start, sizeof httpAutentication1 - 1);
    std::memcpy(dst, url.data() + start, length);
    dst[length] = '\0';
    url.erase(start, at + 1 - start);
    return 1;
}

const char *UrlToHostPort(const char *url, std::string &host, in_addr_t &addr, unsigned &port)
{
    const char *path = nullptr;
    if (!url || !SplitHostPort(url, host, port, &path))
        return nullptr;
    if (!Resolve(host, addr))
        return nullptr;
    return path;
}

int OpenHttp(const char *url, MvMediaInfo *info, char *errtext, const std::atomic<bool> *stop, long long *bodyLength)
{
    if (errtext)
        errtext[0] = '\0';
    if (bodyLength)
        *bodyLength = -1;
    if (!url || !FindProxy(errtext))
        return -1;
    const bool viaProxy = proxyIp != kProxyNone;

    std::string current = CutAtLineEnd(std::string_view(url).substr(0, kUrlSize - 1));
    Credentials credentials;
    if (GetAuthenticationFromUrl(current, httpAutentication1))
        credentials.userPassword = httpAutentication1;
    else if (httpAuthentication)
        credentials.userPassword = httpAuthentication;
    const char *ignored = nullptr;
    SplitHostPort(current.c_str(), credentials.host, credentials.port, &ignored);

    for (int redirects = 0;; ++redirects) {
        std::string host;
        unsigned port = 0;
        in_addr_t addr = 0;
        const char *path = nullptr;
        // A port that is not a number is the URL's fault, not the host's.
        if (!SplitHostPort(current.c_str(), host, port, &path)) {
            SetError(errtext, kBadPort, current.c_str());
            return -1;
        }
        if (!viaProxy && !(path = UrlToHostPort(current.c_str(), host, addr, port))) {
            SetError(errtext, kUnknownHost, host.c_str());
            return -1;
        }
        std::string request = BuildRequest(current, path, host, port, viaProxy, credentials);

        int sock = viaProxy ? Connect(proxyIp, proxyPort, stop, errtext) : Connect(addr, port, stop, errtext);
        if (sock < 0)
            return -1;
        if (WriteString(sock, request, errtext) < 0) {
            close(sock);
            return -1;
        }
        HeadReader reader{sock, Deadline(), stop};
        std::string location;
        bool locationTooLong = false;
        long long length = -1;
        Answer answer = ReadHead(reader, info, location, locationTooLong, length, errtext);
        if (answer == Answer::Body) {
            if (bodyLength)
                *bodyLength = length;
            return sock;
        }
        close(sock);
        if (answer == Answer::Failed)
            return -1;

        if (location.empty() || redirects >= kMaxRedirects) {
            SetError(errtext, "%s", kTooManyRedirects);
            return -1;
        }
        const std::string value = LocationValue(location);
        std::string next = locationTooLong ? "" : RedirectTarget(value, host, port);
        if (next.empty() || next.size() >= kUrlSize) {
            SetError(errtext, kBadRedirect, value.c_str());
            return -1;
        }
        // Credentials in a redirection belong to the server it names.
        char found[sizeof httpAutentication1];
        if (GetAuthenticationFromUrl(next, found)) {
            credentials.userPassword = found;
            SplitHostPort(next.c_str(), credentials.host, credentials.port, &ignored);
        }
        current = next;
    }
}

namespace {

long BodyFailed(HttpBody &body, HttpBody::Chunk state, const char *text)
{
    body.chunk = state;
    body.error = text;
    return kHttpBodyShort;
}

// Reads a line of the chunked coding into body.line, byte by byte so that no data is taken.
// 1 when it is whole, else what the read gave (0 the end, -1 with errno), or kHttpBodyShort.
long ReadChunkLine(int sock, HttpBody &body)
{
    for (;;) {
        char c;
        const ssize_t got = read(sock, &c, 1);
        if (got <= 0)
            return got;
        if (body.line.size() >= kMaxChunkLine)
            return BodyFailed(body, HttpBody::Chunk::Broken, kHttpChunksBadText);
        body.line.push_back(c);
        if (c == '\n')
            return 1;
    }
}

// The size a chunk-size line gives (hexadecimal, then perhaps ";extensions"); -1 when it is none.
long long ChunkSize(const std::string &line)
{
    long long size = 0;
    std::size_t i = 0;
    for (; i < line.size() && std::isxdigit(static_cast<unsigned char>(line[i])); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
        size = size * 16 + (c <= '9' ? c - '0' : c - 'a' + 10);
        if (size > kMaxChunkSize)
            return -1;
    }
    if (i == 0)
        return -1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return i < line.size() && (line[i] == ';' || line[i] == '\r' || line[i] == '\n') ? size : -1;
}

// The data of a body in chunks: each chunk's size line, its data and its line end in turn; the
// last chunk (size 0) ends the body, without waiting for its trailer or the connection's end.
long ReadChunkedBody(int sock, void *buffer, std::size_t size, HttpBody &body)
{
    for (;;) {
        switch (body.chunk) {
        case HttpBody::Chunk::Done: return 0;
        case HttpBody::Chunk::Broken: return kHttpBodyShort;
        case HttpBody::Chunk::Size:
        case HttpBody::Chunk::DataEnd: {
            const long got = ReadChunkLine(sock, body);
            if (got == 0)
                return BodyFailed(body, HttpBody::Chunk::Broken, kHttpChunksShortText);
            if (got != 1)
                return got;
            std::string line;
            line.swap(body.line);
            if (body.chunk == HttpBody::Chunk::DataEnd) {
                if (line != "\r\n" && line != "\n")
                    return BodyFailed(body, HttpBody::Chunk::Broken, kHttpChunksBadText);
                body.chunk = HttpBody::Chunk::Size;
                break;
            }
            const long long chunk = ChunkSize(line);
            if (chunk < 0)
                return BodyFailed(body, HttpBody::Chunk::Broken, kHttpChunksBadText);
            body.chunkLeft = chunk;
            body.chunk = chunk == 0 ? HttpBody::Chunk::Done : HttpBody::Chunk::Data;
            break;
        }
        case HttpBody::Chunk::Data: {
            const auto want =
                static_cast<std::size_t>(std::min<long long>(body.chunkLeft, static_cast<long long>(size)));
            const ssize_t got = read(sock, buffer, want);
            if (got == 0)
                return BodyFailed(body, HttpBody::Chunk::Broken, kHttpChunksShortText);
            if (got < 0)
                return -1;
            body.received += got;
            body.chunkLeft -= got;
            if (body.chunkLeft == 0)
                body.chunk = HttpBody::Chunk::DataEnd;
            return static_cast<long>(got);
        }
        }
    }
}

}  // namespace

const char *HttpBodyErrorText(const HttpBody &body)
{
    return body.error ? body.error : kHttpBodyShortText;
}

long ReadHttpBody(int sock, void *buffer, std::size_t size, HttpBody &body)
{
    if (body.length == kHttpBodyChunked)
        return ReadChunkedBody(sock, buffer, size, body);
    if (body.length >= 0) {
        const long long left = body.length - body.received;
        if (left <= 0)
            return 0;
        size = static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(size)));
    }
    const ssize_t got = read(sock, buffer, size);
    if (got > 0)
        body.received += got;
    else if (got == 0 && body.length >= 0 && body.received < body.length)
        return BodyFailed(body, HttpBody::Chunk::Broken, kHttpBodyShortText);
    return static_cast<long>(got);
}
