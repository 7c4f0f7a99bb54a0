// The media player's saved settings, kept as "key = value" lines.
#include "qnx/MediaLibrary.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace qnx {

namespace {

constexpr const char *kSettingsVariable = "ZEPHRA_MEDIA_SETTINGS";
constexpr const char *kSettingsFile = ".zephra/mediaplayer.conf";
constexpr uint32_t kUnset = 0xFFFFFFFF;

enum class Kind { Word, Signed, Short, UShort, Text };

struct Field {
    const char *key;
    std::size_t offset;
    Kind kind;
    std::size_t size;
};

#define ZEPHRA_FIELD(key, member, kind)                               \
    {                                                                 \
        key, offsetof(MvSetup, member), kind, sizeof(MvSetup::member) \
    }
#define ZEPHRA_WORD(key, member)                      \
    {                                                 \
        key, offsetof(MvSetup, member), Kind::Word, 4 \
    }

const Field kFields[] = {
    ZEPHRA_WORD("streamType", streamType),
    {"videoWnd.x", offsetof(MvSetup, videoWnd.pos.x), Kind::Short, 2},
    {"videoWnd.y", offsetof(MvSetup, videoWnd.pos.y), Kind::Short, 2},
    {"videoWnd.w", offsetof(MvSetup, videoWnd.size.w), Kind::UShort, 2},
    {"videoWnd.h", offsetof(MvSetup, videoWnd.size.h), Kind::UShort, 2},
    ZEPHRA_WORD("audio.pcmPlaybackCardA", audio.pcmPlaybackCardA),
    ZEPHRA_WORD("audio.pcmPlaybackDeviceA", audio.pcmPlaybackDeviceA),
    ZEPHRA_WORD("audio.pcmPlaybackCardB", audio.pcmPlaybackCardB),
    ZEPHRA_WORD("audio.pcmPlaybackDeviceB", audio.pcmPlaybackDeviceB),
    ZEPHRA_WORD("audio.pcmRecordCard", audio.pcmRecordCard),
    ZEPHRA_WORD("audio.pcmRecordDevice", audio.pcmRecordDevice),
    ZEPHRA_WORD("audio.mixerCard", audio.mixerCard),
    ZEPHRA_WORD("audio.mixerDevice", audio.mixerDevice),
    ZEPHRA_WORD("audio.spdifPlaybackCard", audio.spdifPlaybackCard),
    ZEPHRA_WORD("audio.spdifPlaybackDevice", audio.spdifPlaybackDevice),
    ZEPHRA_WORD("audio.spdifRecordCard", audio.spdifRecordCard),
    ZEPHRA_WORD("audio.spdifRecordDevice", audio.spdifRecordDevice),
    ZEPHRA_WORD("audio.volume", audio.volume),
    ZEPHRA_WORD("audio.reserve_1", audio.reserve_1),
    ZEPHRA_WORD("audio.reserve_2", audio.reserve_2),
    ZEPHRA_WORD("audio.reserve_3", audio.reserve_3),
    ZEPHRA_WORD("videoSetting.bVideoModeVga", videoSetting.bVideoModeVga),
    ZEPHRA_WORD("videoSetting.bVideoModeTv", videoSetting.bVideoModeTv),
    ZEPHRA_WORD("videoSetting.bVideoModeHdtv", videoSetting.bVideoModeHdtv),
    ZEPHRA_WORD("videoSetting.bTvOutputVideo", videoSetting.bTvOutputVideo),
    ZEPHRA_WORD("videoSetting.bTvOutputYuv", videoSetting.bTvOutputYuv),
    ZEPHRA_WORD("videoSetting.bTvStandardMultiSystem", videoSetting.bTvStandardMultiSystem),
    ZEPHRA_WORD("videoSetting.bTvStandardNtsc", videoSetting.bTvStandardNtsc),
    ZEPHRA_WORD("videoSetting.bTvStandardPal", videoSetting.bTvStandardPal),
    ZEPHRA_WORD("videoSetting.bTvStandardPal60Hz", videoSetting.bTvStandardPal60Hz),
    ZEPHRA_WORD("videoSetting.bTvScale1_1", videoSetting.bTvScale1_1),
    ZEPHRA_WORD("videoSetting.bKeepAspectRatio", videoSetting.bKeepAspectRatio),
    ZEPHRA_WORD("videoSetting.bAlwaysOnTop", videoSetting.bAlwaysOnTop),
    ZEPHRA_WORD("videoSetting.brightness", videoSetting.brightness),
    ZEPHRA_WORD("videoSetting.contrast", videoSetting.contrast),
    ZEPHRA_WORD("videoSetting.saturation", videoSetting.saturation),
    ZEPHRA_WORD("videoSetting.hue", videoSetting.hue),
    ZEPHRA_WORD("videoSetting.gamma", videoSetting.gamma),
    ZEPHRA_WORD("videoSetting.highlight", videoSetting.highlight),
    ZEPHRA_WORD("videoSetting.shadow", videoSetting.shadow),
    {"videoSetting.yShift", offsetof(MvSetup, videoSetting.yShift), Kind::Signed, 4},
    {"videoSetting.uShift", offsetof(MvSetup, videoSetting.uShift), Kind::Signed, 4},
    {"videoSetting.vShift", offsetof(MvSetup, videoSetting.vShift), Kind::Signed, 4},
    ZEPHRA_WORD("videoSetting.reserve_1", videoSetting.reserve_1),
    ZEPHRA_WORD("videoSetting.reserve_2", videoSetting.reserve_2),
    ZEPHRA_WORD("videoSetting.reserve_3", videoSetting.reserve_3),
    ZEPHRA_FIELD("mountPoint", mountPoint, Kind::Text),
    ZEPHRA_FIELD("drive", drive, Kind::Text),
    ZEPHRA_WORD("bHomeEntertainment", bHomeEntertainment),
    ZEPHRA_WORD("bPluginHasVideoWnd", bPluginHasVideoWnd),
    ZEPHRA_WORD("bDirectDigitalAudio", bDirectDigitalAudio),
    ZEPHRA_WORD("bPlayRealtime", bPlayRealtime),
    ZEPHRA_WORD("bCddbEnabled", bCddbEnabled),
    ZEPHRA_WORD("bUseDirectOverlay", bUseDirectOverlay),
    ZEPHRA_WORD("reserve_1", reserve_1),
    ZEPHRA_WORD("reserve_2", reserve_2),
    ZEPHRA_WORD("reserve_3", reserve_3),
};

#undef ZEPHRA_FIELD
#undef ZEPHRA_WORD

std::filesystem::path SettingsPath()
{
    if (const char *path = std::getenv(kSettingsVariable); path && *path)
        return path;
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / kSettingsFile;
}

std::string Trim(const std::string &text)
{
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Stores one value; a value that is not a number of the field's kind leaves the field alone.
void Store(MvSetup &setup, const Field &field, const std::string &value)
{
    auto *at = reinterpret_cast<unsigned char *>(&setup) + field.offset;
    if (field.kind == Kind::Text) {
        std::memset(at, 0, field.size);
        std::memcpy(at, value.data(), std::min(value.size(), field.size - 1));
        return;
    }
    char *end = nullptr;
    errno = 0;
    long long number = std::strtoll(value.c_str(), &end, 0);
    if (value.empty() || *end || errno)
        return;
    switch (field.kind) {
    case Kind::Word: {
        uint32_t v = static_cast<uint32_t>(number);
        std::memcpy(at, &v, 4);
        break;
    }
    case Kind::Signed: {
        int32_t v = static_cast<int32_t>(number);
        std::memcpy(at, &v, 4);
        break;
    }
    case Kind::Short: {
        int16_t v = static_cast<int16_t>(number);
        std::memcpy(at, &v, 2);
        break;
    }
    case Kind::UShort: {
        uint16_t v = static_cast<uint16_t>(number);
        std::memcpy(at, &v, 2);
        break;
    }
    case Kind::Text: break;
    }
}

std::string Load(const MvSetup &setup, const Field &field)
{
    const auto *at = reinterpret_cast<const unsigned char *>(&setup) + field.offset;
    switch (field.kind) {
    case Kind::Word: {
        uint32_t v;
        std::memcpy(&v, at, 4);
        return std::to_string(v);
    }
    case Kind::Signed: {
        int32_t v;
        std::memcpy(&v, at, 4);
        return std::to_string(v);
    }
    case Kind::Short: {
        int16_t v;
        std::memcpy(&v, at, 2);
        return std::to_string(v);
    }
    case Kind::UShort: {
        uint16_t v;
        std::memcpy(&v, at, 2);
        return std::to_string(v);
    }
    case Kind::Text: {
        // A line end would split the entry; the text is kept up to it.
        std::string text(reinterpret_cast<const char *>(at), strnlen(reinterpret_cast<const char *>(at), field.size));
        return text.substr(0, text.find_first_of("\r\n"));
    }
    }
    return "";
}

}  // namespace

int MvGetMpDefaultSetting(MvSetup *setup)
{
    if (!setup)
        return 0;
    *setup = MvSetup{};
    setup->videoWnd.size = {640, 480};
    MvAudioMediaInfo &audio = setup->audio;
    audio.pcmPlaybackCardB = audio.pcmPlaybackDeviceB = kUnset;
    audio.pcmRecordCard = audio.pcmRecordDevice = kUnset;
    audio.spdifPlaybackCard = audio.spdifPlaybackDevice = kUnset;
    audio.spdifRecordCard = audio.spdifRecordDevice = kUnset;
    audio.volume = 80;
    MvVideoSettingInfo &video = setup->videoSetting;
    video.bVideoModeVga = 1;
    video.bTvStandardMultiSystem = 1;
    video.bTvOutputVideo = 1;
    video.bKeepAspectRatio = 1;
    video.brightness = video.contrast = video.saturation = 500;
    video.reserve_2 = 0xFFFFFF;  // colour-key maximum
    std::strncpy(setup->mountPoint, "/fs/cd0", sizeof setup->mountPoint - 1);
    return 1;
}

int MvGetMpSetting(MvSetup *setup)
{
    if (!setup)
        return 0;
    std::ifstream file(SettingsPath());
    if (!file)
        return 0;
    MvSetup read;
    MvGetMpDefaultSetting(&read);
    std::string line;
    while (std::getline(file, line)) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        for (const Field &field : kFields)
            if (key == field.key)
                Store(read, field, value);
    }
    *setup = read;
    return 1;
}

int MvSetMpSetting(const MvSetup *setup)
{
    if (!setup)
        return -1;
    std::filesystem::path path = SettingsPath();
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream file(path, std::ios::trunc);
    for (const Field &field : kFields)
        file << field.key << " = " << Load(*setup, field) << '\n';
    file.flush();
    return file ? 0 : -1;
}

}  // namespace qnx
