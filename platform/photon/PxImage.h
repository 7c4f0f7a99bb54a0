// Images (JPEG, GIF, BMP, PNG files) and character-set translation.
#pragma once

#include "photon/PtTypes.h"

#include <cstddef>

namespace photon {

struct PxMethods_t;
// Loads an image file. Returns an image owning its pixels (release with PhReleaseImage, then
// free), or NULL with errno set.
PhImage_t* PxLoadImage(const char* path, PxMethods_t* methods);
// Frees the parts of the image that its Ph_RELEASE_* flags name.
void PhReleaseImage(PhImage_t* image);
// A copy of the image in its own allocation (free with PhReleaseImage and free). flags 0.
PhImage_t* PiDuplicateImage(const PhImage_t* image, unsigned short flags);

// Character sets by name ("cp437", "ISO-8859-1", "UTF-8", ...).
struct PxTranslateCtrl;
PxTranslateCtrl* PxTranslateSet(PxTranslateCtrl* ctrl, const char* charset);  // NULL: unknown set
// Translates from the context's set to UTF-8; returns the number of bytes written (output is
// always terminated), or -1. Bytes that cannot be translated become '?'.
int PxTranslateToUTF(PxTranslateCtrl* ctrl, const char* src, int srclen, int* src_taken, char* dst, int dstlen,
                     int* dst_made);
int PxTranslateFromUTF(PxTranslateCtrl* ctrl, const char* src, int srclen, int* src_taken, char* dst, int dstlen,
                       int* dst_made);
void PxTranslateEnd(PxTranslateCtrl* ctrl);

}  // namespace photon
