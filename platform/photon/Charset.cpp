// Character-set translation through iconv; what cannot be translated becomes '?'.
#include "photon/PxImage.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace photon {

struct PxTranslateCtrl {
    std::string charset;
    iconv_t to_utf = reinterpret_cast<iconv_t>(-1);
    iconv_t from_utf = reinterpret_cast<iconv_t>(-1);
};

namespace {

void Close(PxTranslateCtrl* c)
{
    if (c->to_utf != reinterpret_cast<iconv_t>(-1)) iconv_close(c->to_utf);
    if (c->from_utf != reinterpret_cast<iconv_t>(-1)) iconv_close(c->from_utf);
    c->to_utf = c->from_utf = reinterpret_cast<iconv_t>(-1);
}

// Bytes of the UTF-8 sequence that starts at p (1 for a stray byte).
size_t Utf8Length(const unsigned char* p, size_t left)
{
    size_t n = p[0] >= 0xF0 && p[0] <= 0xF7 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 1;
    if (n > left) return 1;
    for (size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 1;
    return n;
}

int Run(iconv_t cd, bool from_utf8, const char* src, int srclen, int* src_taken, char* dst, int dstlen, int* dst_made)
{
    if (cd == reinterpret_cast<iconv_t>(-1) || !src || !dst || dstlen <= 0 || srclen < 0) return -1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(src);
    size_t in_left = static_cast<size_t>(srclen);
    char* out = dst;
    size_t out_left = static_cast<size_t>(dstlen - 1);  // room for the terminator
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || out_left == 0) break;
        // A character the other set lacks, or a damaged sequence: one '?' for it.
        size_t skip = from_utf8 ? Utf8Length(reinterpret_cast<unsigned char*>(in), in_left) : 1;
        *out++ = '?';
        --out_left;
        in += skip;
        in_left -= skip;
    }
    *out = '\0';
    if (src_taken) *src_taken = static_cast<int>(in - src);
    int made = static_cast<int>(out - dst);
    if (dst_made) *dst_made = made;
    return made;
}

}  // namespace

PxTranslateCtrl* PxTranslateSet(PxTranslateCtrl* ctrl, const char* charset)
{
    if (!charset) return nullptr;
    iconv_t to = iconv_open("UTF-8", charset);
    if (to == reinterpret_cast<iconv_t>(-1)) return nullptr;
    iconv_t from = iconv_open(charset, "UTF-8");
    if (from == reinterpret_cast<iconv_t>(-1)) {
        iconv_close(to);
        return nullptr;
    }
    if (!ctrl) ctrl = new PxTranslateCtrl;
    Close(ctrl);
    ctrl->charset = charset;
    ctrl->to_utf = to;
    ctrl->from_utf = from;
    return ctrl;
}

int PxTranslateToUTF(PxTranslateCtrl* ctrl, const char* src, int srclen, int* src_taken, char* dst, int dstlen,
                     int* dst_made)
{
    return ctrl ? Run(ctrl->to_utf, false, src, srclen, src_taken, dst, dstlen, dst_made) : -1;
}

int PxTranslateFromUTF(PxTranslateCtrl* ctrl, const char* src, int srclen, int* src_taken, char* dst, int dstlen,
                       int* dst_made)
{
    return ctrl ? Run(ctrl->from_utf, true, src, srclen, src_taken, dst, dstlen, dst_made) : -1;
}

void PxTranslateEnd(PxTranslateCtrl* ctrl)
{
    if (!ctrl) return;
    Close(ctrl);
    delete ctrl;
}

}  // namespace photon
