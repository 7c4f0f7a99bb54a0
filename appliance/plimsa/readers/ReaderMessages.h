#pragma once
// The texts the readers keep in a refused stream.

#include <cstdint>

namespace plimsa::messages {

inline constexpr const char* kUnsupportedWav = "Unsupported WAV compression: ";
inline constexpr const char* kUnknownWavFormat = "Unknown WAV compression code: 0x%X ";
inline constexpr const char* kUnsupportedAu = "Unsupported AU compression: ";
inline constexpr const char* kUnsupportedAifc = "Unsupported AIFC compression: ";
inline constexpr const char* kIffFdpcm = "IFF_FDPCM";
inline constexpr const char* kIffEdpcm = "IFF_EDPCM";
inline constexpr const char* kVocUnsupported = "VOC Unsupported compression format";

inline constexpr const char* kAuthor = "Author: %s\n";
inline constexpr const char* kCopyright = "CopyRight: ";
inline constexpr const char* kComment = "Comment: ";

struct CodeName {
    uint32_t code;
    const char* name;
};

inline constexpr CodeName kRefusedWavFormats[] = {
    {0x5, "WAVE_IBM_CVSD"},
    {0x10, "WAVE_OKI_ADPCM"},
    {0x12, "WAVE_MEDIASPACE_ADPCM"},
    {0x13, "WAVE_SIERRA_ADPCM"},
    {0x14, "WAVE_ITU_G723_ADPCM"},
    {0x15, "WAVE_DIGISTD"},
    {0x16, "WAVE_DIGIFIX"},
    {0x20, "WAVE_YAMAHA_ADPCM"},
    {0x21, "WAVE_SONARC"},
    {0x22, "WAVE_DSPGROUP_TRUESPEECH"},
    {0x23, "WAVE_ECHOSC1"},
    {0x24, "WAVE_AUDIOFILE_AF36"},
    {0x25, "WAVE_APTX"},
    {0x26, "WAVE_AUDIOFILE_AF10"},
    {0x30, "WAVE_DOLBY_AC2"},
    {0x33, "WAVE_ANTEX_ADPCME"},
    {0x34, "WAVE_CONRES_VQLPC"},
    {0x35, "WAVE_DIGIREAL"},
    {0x36, "WAVE_DIGIADPCM"},
    {0x37, "WAVE_CONTROL_RES_CR10"},
    {0x38, "WAVE_NMS_VBXADPCM"},
    {0x40, "WAVE_ITU_G721_ADPCM"},
    {0x50, "WAVE_MPEG"},
    {0x55, "WAVE_MS_MPEG_LAYER3"},
    {0x101, "WAVE_IBM_MULAW"},
    {0x102, "WAVE_IBM_ALAW"},
    {0x103, "WAVE_IBM_ADPCM"},
    {0x200, "WAVE_CREATIVE_ADPCM"},
    {0x300, "WAVE_FM_TOWNS_SND"},
    {0x1000, "WAVE_OLIGSM"},
};

inline constexpr CodeName kRefusedAuEncodings[] = {
    {4, "AU_LINEAR24"},    {5, "AU_LINEAR32"},    {6, "AU_FLOATP"},        {7, "AU_DFLOAT"},    {8, "AU_FRAGMENT"},
    {10, "AU_DSPPROG"},    {11, "AU_FIXEDP8"},    {12, "AU_FIXEDP16"},     {13, "AU_FIXEDP24"}, {14, "AU_FIXEDP32"},
    {18, "AU_LINEAR16EM"}, {19, "AU_LINEAR16CO"}, {20, "AU_LINEAR16EMCO"}, {21, "AU_DSPCOMM"},  {23, "AU_ADPCMG721"},
    {24, "AU_ADPCMG722"},  {25, "AU_ADPCMG7233"}, {26, "AU_ADPCMG7235"},
};

// AIFC compression types refused by name (the type as it stands in the file, then the name).
struct TypeName {
    char type[5];
    const char* name;
};
inline constexpr TypeName kRefusedAifcTypes[] = {
    {"ACE2", "AIFF_ACE2"}, {"ACE8", "AIFF_ACE8"}, {"MAC3", "AIFF_MAC3"}, {"MAC6", "AIFF_MAC6"}, {"ima4", "AIFF_IMA4"},
};

}  // namespace plimsa::messages
