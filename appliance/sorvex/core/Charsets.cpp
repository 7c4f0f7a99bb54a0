#include "Charsets.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>

#include "SorvexTexts.h"

namespace sorvex {

namespace {

enum class Report { OpenAndConvert, ConvertOnly };

bool translate(std::string& text, std::size_t size, const std::string& to, const std::string& from, const char* failure,
               Report report) {
    GError* error = nullptr;
    gsize written = 0;
    gchar* result =
        g_convert(text.data(), static_cast<gssize>(text.size()), to.c_str(), from.c_str(), nullptr, &written, &error);
    if (!result) {
        const bool noSuchCharset =
            error && error->domain == G_CONVERT_ERROR && error->code == G_CONVERT_ERROR_NO_CONVERSION;
        g_clear_error(&error);
        if (noSuchCharset) {
            errno = EINVAL;
            if (report == Report::OpenAndConvert) std::perror((from == "UTF-8" ? to : from).c_str());
        } else {
            errno = EILSEQ;
            std::perror(failure);
        }
        return false;
    }
    text.assign(result, written);
    g_free(result);
    if (size > 0 && text.size() > size - 1) text.resize(size - 1);
    return true;
}

}  // namespace

bool Charsets::nativeToUtf(std::string& text, std::size_t size) const {
    return translate(text, size, "UTF-8", native_, texts::kNativeToUtf, Report::OpenAndConvert);
}

bool Charsets::fsToUtf(std::string& text, std::size_t size) const {
    return translate(text, size, "UTF-8", fs_, texts::kFsToUtf, Report::OpenAndConvert);
}

bool Charsets::utfToNative(std::string& text, std::size_t size) const {
    return translate(text, size, native_, "UTF-8", texts::kUtfToNative, Report::ConvertOnly);
}

bool Charsets::utfToFs(std::string& text, std::size_t size) const {
    return translate(text, size, fs_, "UTF-8", texts::kUtfToFs, Report::ConvertOnly);
}

}  // namespace sorvex
