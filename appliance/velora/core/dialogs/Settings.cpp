#include "dialogs/Settings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/Dialogs.h"
#include "panes/DvdPane.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Remote.h"
#include "window/Transport.h"
#include "qnx/MediaLibrary.h"
#include "qnx/asoundlib.h"

namespace velora {

using namespace photon;

namespace {

constexpr const char* kCardInvalid = "audio card%d is invalid. ( Range 0 to %d )\n";
constexpr const char* kSpdifCardInvalid = "audio card %d is invalid. ( Range 0 to %d )\n";
constexpr const char* kNoDriver = "Could not connect to the audio driver.\n( May not be running.)";
constexpr const char* kDeviceInvalid = "device %d is invalid for %s Playback card %d. ( Range 0 to %d )\n";
constexpr const char* kSpdifDeviceInvalid = " device %d on card %d is an invalid SPDIF playback device\n";
constexpr const char* kMountTooLong = " Mount Point String too long. Resetting to default";
constexpr const char* kNoDrive = "Unable to access specified drive. Resetting to old value.";
constexpr const char* kCloseFirst = "Unable to proceed  Please close plugin first";
constexpr const char* kWindowModes[] = {"custom", "home entertainment", "640 x 480", "800 x 600"};
constexpr uint32_t kUnset = 0xFFFFFFFFu;
constexpr uint32_t kDigitalOutput = 0x10000;
constexpr PgColor_t kGhostFill = 0xC0C0C0;
constexpr PgColor_t kPlainFill = 0xFFFFFF;
constexpr uint32_t kVideoLevel = 500;
constexpr uint32_t kColourKeyMax = 0xFFFFFF;
constexpr unsigned kAspectDelayMs = 100;
constexpr unsigned long kReleasedHandle = 6;  // the slider callback's subtype when a drag ends
constexpr size_t kMountPointMax = 1023;

const ApEventLink_t kDialogLink = {ABM_DIALOG, "dvd_advancedlg", nullptr, ABM_PLACE_CENTER, 0, 0};
PtWidget_t* g_dialog = nullptr;

PtWidget_t* D(const char* name) { return g_dialog ? ApGetWidgetPtr(g_dialog, name) : nullptr; }

void Show(const char* text) { popup_error(text); }

bool IsSet(PtWidget_t* w) { return w && (PtWidgetFlags(w) & Pt_SET); }

void SetFlag(const char* name, bool on)
{
    if (PtWidget_t* w = D(name)) PtSetResource(w, Pt_ARG_FLAGS, on ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
}

void Locked(const char* name, bool locked, bool fill = false)
{
    PtWidget_t* w = D(name);
    if (!w) return;
    PtSetResource(w, Pt_ARG_FLAGS, locked ? static_cast<long>(Pt_BLOCKED | Pt_GHOST) : 0L, Pt_BLOCKED | Pt_GHOST);
    if (fill) PtSetResource(w, Pt_ARG_FILL_COLOR, locked ? kGhostFill : kPlainFill, 0);
}

int Number(PtWidget_t* w)
{
    int* value = nullptr;
    if (w) PtGetResource(w, Pt_ARG_NUMERIC_VALUE, &value, 0);
    return value ? *value : 0;
}

void SetNumber(const char* name, int value)
{
    if (PtWidget_t* w = D(name)) PtSetResource(w, Pt_ARG_NUMERIC_VALUE, value, 0);
}

// A field refused inside its own change goes back once the change is over: set within it, the
// toolkit would report the old value as a change of its own.
struct Revert {
    std::string name;
    int value;
};
int RevertNow(void* data)
{
    auto* revert = static_cast<Revert*>(data);
    SetNumber(revert->name.c_str(), revert->value);
    delete revert;
    return Pt_END;
}
void RevertLater(const char* name, int value) { PtAppAddWorkProc(nullptr, RevertNow, new Revert{name, value}); }

// A card or device word shows as -1 when not set.
int Shown(uint32_t word) { return word == kUnset ? -1 : static_cast<int>(word); }

std::string Text(const char* name)
{
    const char* text = nullptr;
    if (PtWidget_t* w = D(name)) PtGetResource(w, Pt_ARG_TEXT_STRING, &text, 0);
    return text ? text : "";
}

void SendAudio()
{
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_AUDIO);
}

// The controls that only the hardware decoder uses.
constexpr const char* kHardwareOnly[] = {
    "adv_videoModeTvButton",
    "adv_tvScale1_1Button",
    "adv_tvStandardMultiSystemButton",
    "adv_tvStandardNtscButton",
    "adv_tvStandardPalButton",
    "adv_tvStandardPal60HzButton",
    "adv_tvOutputVideoButton",
    "adv_tvOutputYuvButton",
    "brightnessSlider",
    "contrastSlider",
    "saturationSlider",
    "redMax",
    "greenMax",
    "blueMax",
    "redMin",
    "greenMin",
    "blueMin",
};
// The controls a loaded plug-in has already taken its values from.
constexpr const char* kLockedWhileLoaded[] = {
    "driveMountPoint",  "driveMixerCtrl",     "pcmPlaybackCardA",  "pcmPlaybackDeviceA",
    "pcmPlaybackCardB", "pcmPlaybackDeviceB", "spdifPlaybackCard", "spdifPlaybackDevice",
};
// The decoder choices are locked as well, but keep their own colours: a fill colour paints over
// a check box's tick, and neither choice would show as chosen.
constexpr const char* kDecoderChoices[] = {"adv_usingSoftwareButton", "adv_usingSigmaButton"};
constexpr const char* kRecordFields[] = {"pcmRecordCard", "pcmRecordDevice", "spdifRecordCard", "spdifRecordDevice"};

void HardwareControls(bool enabled)
{
    for (const char* name : kHardwareOnly) Locked(name, !enabled);
}

// ---- The audio device checks ----

// Card A (0), card B (1) or the digital output's card (2).
struct CardField {
    const char* card;
    const char* device;
    uint32_t MvAudioMediaInfo::*cardWord;
    uint32_t MvAudioMediaInfo::*deviceWord;
    const char* label;
};
const CardField kCards[] = {
    {"pcmPlaybackCardA", "pcmPlaybackDeviceA", &MvAudioMediaInfo::pcmPlaybackCardA,
     &MvAudioMediaInfo::pcmPlaybackDeviceA, "PCM(A)"},
    {"pcmPlaybackCardB", "pcmPlaybackDeviceB", &MvAudioMediaInfo::pcmPlaybackCardB,
     &MvAudioMediaInfo::pcmPlaybackDeviceB, "PCM(B)"},
    {"spdifPlaybackCard", "spdifPlaybackDevice", &MvAudioMediaInfo::spdifPlaybackCard,
     &MvAudioMediaInfo::spdifPlaybackDevice, nullptr},
};

void Store(uint32_t MvAudioMediaInfo::*word, int value)
{
    mplayer.setup.audio.*word = mplayer.params.audio.*word = static_cast<uint32_t>(value);
    SendAudio();
}

void CheckDevice(const CardField& f)
{
    const int card = Shown(mplayer.setup.audio.*f.cardWord);
    if (card == -1) return;
    PtWidget_t* field = D(f.device);
    const int device = Number(field);
    char text[256];
    if (f.label) {
        qnx::snd_ctl_t* ctl = nullptr;
        qnx::snd_ctl_hw_info_t info{};
        const bool opened = qnx::snd_ctl_open(&ctl, card) >= 0;
        const bool known = opened && qnx::snd_ctl_hw_info(ctl, &info) >= 0;
        if (opened) qnx::snd_ctl_close(ctl);
        if (!known) {
            Show(kNoDriver);
        } else if (device >= 0 && device < static_cast<int>(info.pcmdevs)) {
            Store(f.deviceWord, device);
            return;
        } else {
            snprintf(text, sizeof text, kDeviceInvalid, device, f.label, card, static_cast<int>(info.pcmdevs) - 1);
            Show(text);
        }
    } else {
        qnx::snd_pcm_t* pcm = nullptr;
        bool digital = false;
        if (qnx::snd_pcm_open(&pcm, card, device, qnx::SND_PCM_OPEN_PLAYBACK) >= 0) {
            qnx::snd_pcm_channel_info_t info{};
            info.channel = qnx::SND_PCM_CHANNEL_PLAYBACK;
            digital = qnx::snd_pcm_plugin_info(pcm, &info) >= 0 && (info.flags & kDigitalOutput);
            qnx::snd_pcm_close(pcm);
        }
        if (digital) {
            Store(f.deviceWord, device);
            return;
        }
        snprintf(text, sizeof text, kSpdifDeviceInvalid, device, card);
        Show(text);
    }
    RevertLater(f.device, Shown(mplayer.setup.audio.*f.deviceWord));
}

void CheckCard(const CardField& f)
{
    const int value = Number(D(f.card));
    const int cards = qnx::snd_cards();
    if (value >= cards) {
        char text[256];
        snprintf(text, sizeof text, f.label ? kCardInvalid : kSpdifCardInvalid, value, cards - 1);
        Show(text);
        RevertLater(f.card, Shown(mplayer.setup.audio.*f.cardWord));
        return;
    }
    Store(f.cardWord, value);
    CheckDevice(f);
}

int OnPcmPlaybackCardAChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckCard(kCards[0]);
    return Pt_CONTINUE;
}
int OnPcmPlaybackDeviceAChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckDevice(kCards[0]);
    return Pt_CONTINUE;
}
int OnPcmPlaybackCardBChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckCard(kCards[1]);
    return Pt_CONTINUE;
}
int OnPcmPlaybackDeviceBChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckDevice(kCards[1]);
    return Pt_CONTINUE;
}
int OnSpdifPlaybackCardChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckCard(kCards[2]);
    return Pt_CONTINUE;
}
int OnSpdifPlaybackDeviceChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CheckDevice(kCards[2]);
    return Pt_CONTINUE;
}

// The record fields are not checked (they are never enabled).
int StoreRecord(PtWidget_t* w, uint32_t MvAudioMediaInfo::*word)
{
    Store(word, Number(w));
    return Pt_CONTINUE;
}
int OnPcmRecordCardChanged(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return StoreRecord(w, &MvAudioMediaInfo::pcmRecordCard);
}
int OnPcmRecordDeviceChanged(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return StoreRecord(w, &MvAudioMediaInfo::pcmRecordDevice);
}
int OnSpdifRecordCardChanged(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return StoreRecord(w, &MvAudioMediaInfo::spdifRecordCard);
}
int OnSpdifRecordDeviceChanged(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return StoreRecord(w, &MvAudioMediaInfo::spdifRecordDevice);
}

// ---- General page ----

int OnAdvancePlayMode(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    const bool set = IsSet(w);
    mplayer.bManualPlay = set ? 0 : 1;
    mplayer.bAutoPlay = set ? 1 : 0;
    return Pt_CONTINUE;
}

int OnAdvanceCddb(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    mplayer.setup.bCddbEnabled = IsSet(w) ? 1 : 0;
    return Pt_CONTINUE;
}

int OnAdvanceStreamMode(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    mplayer.setup.streamType = IsSet(w) ? MV_STREAM : MV_STREAM_ASFILE;
    return Pt_CONTINUE;
}

int OnDriveMixerCtrlSelection(PtWidget_t* w, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || cbinfo->reason_subtype != 0) return Pt_CONTINUE;
    const unsigned short* row = nullptr;
    PtGetResource(w, Pt_ARG_CBOX_SEL_ITEM, &row, 0);
    mplayer.setup.audio.mixerDevice = mplayer.params.audio.mixerDevice = row ? *row : 0;
    SendAudio();
    return Pt_CONTINUE;
}

void ShowMountPoint()
{
    if (PtWidget_t* w = D("driveMountPoint")) PtSetResource(w, Pt_ARG_TEXT_STRING, mplayer.setup.mountPoint, 0);
}

// A new mount point: stored when the drive answers, else the old one comes back.
void TakeMountPoint(const std::string& text)
{
    if (text.size() > kMountPointMax) {
        Show(kMountTooLong);
        ShowMountPoint();
        return;
    }
    if (!GetDriveFromMountPoint(text.c_str())) {
        Show(kNoDrive);
        ShowMountPoint();
        return;
    }
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", text.c_str());
}

int OnDriveMountPointChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    TakeMountPoint(Text("driveMountPoint"));
    return Pt_CONTINUE;
}

int OnAdvanceDirectAudio(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    mplayer.setup.bDirectDigitalAudio = IsSet(w) ? 1 : 0;
    if (mplayer.pluginCtrl) DirectAudio(static_cast<int>(mplayer.setup.bDirectDigitalAudio));
    return Pt_CONTINUE;
}

// ---- Video and window pages ----

using VideoFlag = uint32_t MvVideoSettingInfo::*;

void SetVideo(VideoFlag field, uint32_t value)
{
    mplayer.setup.videoSetting.*field = mplayer.params.videoSetting.*field = value;
}

// The buttons of the groups of choices as the settings hold them.
void ShowVideoChoices()
{
    const MvVideoSettingInfo& v = mplayer.setup.videoSetting;
    SetFlag("adv_videoModeVgaButton", v.bVideoModeVga);
    SetFlag("adv_videoModeTvButton", v.bVideoModeTv);
    SetFlag("adv_videoModeHdtvButton", v.bVideoModeHdtv);
    SetFlag("adv_tvOutputVideoButton", v.bTvOutputVideo);
    SetFlag("adv_tvOutputYuvButton", v.bTvOutputYuv);
    SetFlag("adv_tvStandardMultiSystemButton", v.bTvStandardMultiSystem);
    SetFlag("adv_tvStandardNtscButton", v.bTvStandardNtsc);
    SetFlag("adv_tvStandardPalButton", v.bTvStandardPal);
    SetFlag("adv_tvStandardPal60HzButton", v.bTvStandardPal60Hz);
}

void ShowDecoderChoice()
{
    SetFlag("adv_usingSigmaButton", mplayer.setup.reserve_1 != 0);
    SetFlag("adv_usingSoftwareButton", mplayer.setup.reserve_1 == 0);
}

// One of a group of choices: the chosen one takes the state, the others are cleared, on screen
// as well.
int Choose(PtWidget_t* w, VideoFlag chosen, std::initializer_list<VideoFlag> others)
{
    for (VideoFlag other : others) SetVideo(other, 0);
    SetVideo(chosen, IsSet(w) ? 1 : 0);
    ShowVideoChoices();
    SendVideoSettingChange();
    return Pt_CONTINUE;
}

using V = MvVideoSettingInfo;
int OnAdvanceVideoModeVga(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bVideoModeVga, {&V::bVideoModeTv, &V::bVideoModeHdtv});
}
int OnAdvanceVideoModeTv(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bVideoModeTv, {&V::bVideoModeVga, &V::bVideoModeHdtv});
}
int OnAdvanceVideoModeHdtv(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bVideoModeHdtv, {&V::bVideoModeVga, &V::bVideoModeTv});
}
int OnAdvanceTvScale1_1(PtWidget_t* w, void*, PtCallbackInfo_t*) { return Choose(w, &V::bTvScale1_1, {}); }
int OnAdvanceTvStandardMultiSystem(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvStandardMultiSystem, {&V::bTvStandardNtsc, &V::bTvStandardPal, &V::bTvStandardPal60Hz});
}
int OnAdvanceTvStandardNtsc(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvStandardNtsc, {&V::bTvStandardMultiSystem, &V::bTvStandardPal, &V::bTvStandardPal60Hz});
}
int OnAdvanceTvStandardPal(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvStandardPal, {&V::bTvStandardMultiSystem, &V::bTvStandardNtsc, &V::bTvStandardPal60Hz});
}
int OnAdvanceTvStandardPal60Hz(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvStandardPal60Hz, {&V::bTvStandardMultiSystem, &V::bTvStandardNtsc, &V::bTvStandardPal});
}
int OnAdvanceTvOutputVideo(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvOutputVideo, {&V::bTvOutputYuv});
}
int OnAdvanceTvOutputYuv(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    return Choose(w, &V::bTvOutputYuv, {&V::bTvOutputVideo});
}
int OnAdvanceKeepAspectRatio(PtWidget_t* w, void*, PtCallbackInfo_t*) { return Choose(w, &V::bKeepAspectRatio, {}); }

int OnAdvanceWindowAlwaysOnTop(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    const bool on = IsSet(w);
    SetVideo(&V::bAlwaysOnTop, on ? 1 : 0);
    if (PtWidget_t* video = VideoWindow()) {
        PhWindowEvent_t event{};
        event.event_f = Ph_WM_FFRONT;
        event.state_f = on ? 0 : 1;
        event.window = video;
        PtForwardWindowEvent(&event);
    }
    SendVideoSettingChange();
    return Pt_CONTINUE;
}

int OnAdvanceVideoWnd(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    mplayer.setup.bPluginHasVideoWnd = IsSet(w) ? 1 : 0;
    return Pt_CONTINUE;
}

int OnAdvanceDirectOverlay(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    mplayer.setup.bUseDirectOverlay = IsSet(w) ? 1 : 0;
    return Pt_CONTINUE;
}

void ShowSizeFields()
{
    SetNumber("dvd_windowWidth", mplayer.setup.videoWnd.size.w);
    SetNumber("dvd_windowHeight", mplayer.setup.videoWnd.size.h);
}

void SizeFieldsShown(bool shown)
{
    for (const char* name : {"dvd_windowWidth", "dvd_windowHeight"}) {
        PtWidget_t* w = D(name);
        if (!w) continue;
        if (shown) {
            PtSetResource(w, Pt_ARG_FLAGS, 0L, Pt_BLOCKED | Pt_GHOST);
            PtRealizeWidget(w);
        } else {
            PtUnrealizeWidget(w);
        }
    }
}

int OnDvdSelectWndMode(PtWidget_t* w, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->event || cbinfo->event->type != Ph_EV_BUT_RELEASE || cbinfo->event->subtype != 0)
        return Pt_CONTINUE;
    const unsigned short* row = nullptr;
    PtGetResource(w, Pt_ARG_CBOX_SEL_ITEM, &row, 0);
    const int mode = row ? *row : 0;
    switch (mode) {
    case 1:
        mplayer.setup.bHomeEntertainment = 0;
        SizeFieldsShown(true);
        break;
    case 2:
        mplayer.setup.bHomeEntertainment = 1;
        if (VideoWindow()) InitVideoArea();
        return Pt_CONTINUE;
    case 3:
    case 4:
        mplayer.setup.bHomeEntertainment = 0;
        SizeFieldsShown(false);
        mplayer.setup.videoWnd.size = mode == 3 ? MvDim{640, 480} : MvDim{800, 600};
        break;
    default: return Pt_CONTINUE;
    }
    if (PtWidget_t* video = VideoWindow()) {
        const PhDim_t dim = {mplayer.setup.videoWnd.size.w, mplayer.setup.videoWnd.size.h};
        PtSetResource(video, Pt_ARG_DIM, &dim, 0);
    }
    ShowSizeFields();
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    return Pt_CONTINUE;
}

int OnVideoWindowPositionChanged(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    mplayer.setup.videoWnd.pos = {static_cast<int16_t>(Number(D("dvd_windowX"))),
                                  static_cast<int16_t>(Number(D("dvd_windowY")))};
    if (PtWidget_t* video = VideoWindow()) {
        const PhPoint_t pos = {mplayer.setup.videoWnd.pos.x, mplayer.setup.videoWnd.pos.y};
        PtSetResource(video, Pt_ARG_POS, &pos, 0);
    }
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    return Pt_CONTINUE;
}

void ApplySize()
{
    const int w = std::max<int>(mplayer.videoInfo.min_size.w, Number(D("dvd_windowWidth")));
    const int h = std::max<int>(mplayer.videoInfo.min_size.h, Number(D("dvd_windowHeight")));
    mplayer.setup.videoWnd.size = {static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
    if (PtWidget_t* video = VideoWindow()) {
        const PhDim_t dim = {static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
        PtSetResource(video, Pt_ARG_DIM, &dim, 0);
    }
}

int OnVideoWindowSizeChangedTimeOut(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ApplySize();
    return Pt_CONTINUE;
}

int OnVideoWindowSizeChanged(PtWidget_t* w, void*, PtCallbackInfo_t*)
{
    // Keeping the aspect ratio, the typing settles first.
    if (mplayer.setup.videoSetting.bKeepAspectRatio) PtTimerArm(w, kAspectDelayMs);
    else ApplySize();
    return Pt_CONTINUE;
}

// ---- Decoder and colour pages ----

// The decoder is one or the other: the button clicked shows the choice, the other is cleared.
int OnAdvanceUsingSoftware(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    HardwareControls(false);
    mplayer.setup.reserve_1 = 0;
    ShowDecoderChoice();
    return Pt_CONTINUE;
}

int OnAdvanceUsingSigma(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    SetFlag("adv_alwaysOnTopButton", true);
    HardwareControls(true);
    mplayer.setup.reserve_1 = 1;
    ShowDecoderChoice();
    return Pt_CONTINUE;
}

int Level(PtWidget_t* w, PtCallbackInfo_t* cbinfo, VideoFlag field)
{
    if (!cbinfo || cbinfo->reason_subtype != kReleasedHandle) return Pt_CONTINUE;
    int* value = nullptr;
    PtGetResource(w, Pt_ARG_GAUGE_VALUE, &value, 0);
    SetVideo(field, value ? static_cast<uint32_t>(*value) : 0);
    SendVideoSettingChange();
    return Pt_CONTINUE;
}
int OnBrightnessSliderMove(PtWidget_t* w, void*, PtCallbackInfo_t* i) { return Level(w, i, &V::brightness); }
int OnContrastSliderMove(PtWidget_t* w, void*, PtCallbackInfo_t* i) { return Level(w, i, &V::contrast); }
int OnSaturationSliderMove(PtWidget_t* w, void*, PtCallbackInfo_t* i) { return Level(w, i, &V::saturation); }

// The colour key: maximum in reserve_2, minimum in reserve_3, each 0xRRGGBB.
int KeyByte(PtWidget_t* w, VideoFlag word, int shift)
{
    uint32_t& key = mplayer.setup.videoSetting.*word;
    key = (key & ~(0xFFu << shift)) | ((static_cast<uint32_t>(Number(w)) & 0xFFu) << shift);
    mplayer.params.videoSetting.*word = key;
    SendVideoSettingChange();
    return Pt_CONTINUE;
}
int OnRedMaxChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_2, 16); }
int OnGreenMaxChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_2, 8); }
int OnBlueMaxChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_2, 0); }
int OnRedMinChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_3, 16); }
int OnGreenMinChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_3, 8); }
int OnBlueMinChanged(PtWidget_t* w, void*, PtCallbackInfo_t*) { return KeyByte(w, &V::reserve_3, 0); }

void FillColourFields()
{
    const MvVideoSettingInfo& v = mplayer.setup.videoSetting;
    SetNumber("redMax", (v.reserve_2 >> 16) & 0xFF);
    SetNumber("greenMax", (v.reserve_2 >> 8) & 0xFF);
    SetNumber("blueMax", v.reserve_2 & 0xFF);
    SetNumber("redMin", (v.reserve_3 >> 16) & 0xFF);
    SetNumber("greenMin", (v.reserve_3 >> 8) & 0xFF);
    SetNumber("blueMin", v.reserve_3 & 0xFF);
    for (auto [name, value] : {std::pair{"brightnessSlider", v.brightness},
                               {"contrastSlider", v.contrast},
                               {"saturationSlider", v.saturation}})
        if (PtWidget_t* w = D(name)) PtSetResource(w, Pt_ARG_GAUGE_VALUE, static_cast<int>(value), 0);
}

void Fill()
{
    const MvSetup& s = mplayer.setup;
    const MvVideoSettingInfo& v = s.videoSetting;
    mplayer.bAdvanceDlgOpen = 1;
    SizeFieldsShown(true);
    PhArea_t area{};
    if (PtWidget_t* video = VideoWindow()) {
        PtWidgetArea(video, &area);
    } else {
        area = {{s.videoWnd.pos.x, s.videoWnd.pos.y}, {s.videoWnd.size.w, s.videoWnd.size.h}};
    }
    SetNumber("dvd_windowX", area.pos.x);
    SetNumber("dvd_windowY", area.pos.y);
    SetNumber("dvd_windowWidth", area.size.w);
    SetNumber("dvd_windowHeight", area.size.h);

    SetFlag("adv_directAudioButton", s.bDirectDigitalAudio);
    SetFlag("adv_videoWindowButton", s.bPluginHasVideoWnd);
    SetFlag("adv_playModeButton", !mplayer.bManualPlay);
    SetFlag("adv_remoteCtrlButton", mplayer.bRemoteCtrl);
    SetFlag("adv_directOverlayButton", s.bUseDirectOverlay);
    ShowVideoChoices();
    SetFlag("adv_tvScale1_1Button", v.bTvScale1_1);
    SetFlag("adv_keepAspectRatioButton", v.bKeepAspectRatio);
    SetFlag("adv_alwaysOnTopButton", v.bAlwaysOnTop);
    SetFlag("adv_cddbButton", false);
    if (PtWidget_t* port = D("adv_serialPort")) PtSetResource(port, Pt_ARG_TEXT_STRING, mplayer.serialPort.c_str(), 0);
    if (mplayer.bRemoteCtrl) Locked("adv_serialPort", true, true);

    if (PtWidget_t* modes = D("dvd_windowMode")) {
        PtListDeleteAllItems(modes);
        const char* rows[4];
        for (int i = 0; i < 4; ++i) rows[i] = kWindowModes[i];
        PtListAddItems(modes, rows, 4, 0);
        PtSetResource(modes, Pt_ARG_CBOX_SEL_ITEM, s.bHomeEntertainment ? 2 : 1, 0);
    }
    SetFlag("adv_usingSigmaButton", s.reserve_1 != 0);
    SetFlag("adv_usingSoftwareButton", s.reserve_1 == 0);
    HardwareControls(s.reserve_1 != 0);
    FillColourFields();

    SetFlag("adv_streamButton", s.streamType == MV_STREAM);
    SetNumber("pcmPlaybackCardA", Shown(s.audio.pcmPlaybackCardA));
    SetNumber("pcmPlaybackDeviceA", Shown(s.audio.pcmPlaybackDeviceA));
    SetNumber("pcmPlaybackCardB", Shown(s.audio.pcmPlaybackCardB));
    SetNumber("pcmPlaybackDeviceB", Shown(s.audio.pcmPlaybackDeviceB));
    SetNumber("pcmRecordCard", Shown(s.audio.pcmRecordCard));
    SetNumber("pcmRecordDevice", Shown(s.audio.pcmRecordDevice));
    SetNumber("spdifRecordCard", Shown(s.audio.spdifRecordCard));
    SetNumber("spdifRecordDevice", Shown(s.audio.spdifRecordDevice));
    SetNumber("spdifPlaybackCard", Shown(s.audio.spdifPlaybackCard));
    SetNumber("spdifPlaybackDevice", Shown(s.audio.spdifPlaybackDevice));
    for (const char* name : kRecordFields) Locked(name, true);
    for (const char* name : kLockedWhileLoaded) Locked(name, mplayer.bPluginAlive, true);
    for (const char* name : kDecoderChoices) Locked(name, mplayer.bPluginAlive);

    ShowMountPoint();
    if (PtWidget_t* mixer = D("driveMixerCtrl"))
        PtSetResource(mixer, Pt_ARG_CBOX_SEL_ITEM, static_cast<int>(s.audio.mixerDevice), 0);
}

}  // namespace

int DirectAudio(int flag)
{
    if (!mplayer.pluginCtrl) return 0;
    mplayer.params.delta = flag;
    return SendCommand(CMD_PLUGIN_DIRECT_AUDIO, MVP_DELTA);
}

void DirectAudio() { DirectAudio(static_cast<int>(mplayer.setup.bDirectDigitalAudio)); }

void SendVideoSettingChange()
{
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_SETTING);
}

int OnAdvanceDlg(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    if (widget) g_dialog = ApGetInstance(widget);
    Fill();
    return Pt_CONTINUE;
}

int OnAdvanceDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    mplayer.bAdvanceDlgOpen = 0;
    g_dialog = nullptr;
    return Pt_CONTINUE;
}

int OnAdvanceDlgOk(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    const std::string text = Text("driveMountPoint");
    if (text != mplayer.setup.mountPoint) TakeMountPoint(text);
    CloseSettingsDialog();
    return Pt_CONTINUE;
}

void PresetVideoSettings(MvVideoSettingInfo& video)
{
    video.brightness = video.contrast = video.saturation = kVideoLevel;
    video.reserve_2 = kColourKeyMax;
    video.reserve_3 = 0;
}

int OnAdvanceDlgDefault(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (mplayer.pluginCtrl) {
        Show(kCloseFirst);
        return Pt_CONTINUE;
    }
    qnx::MvGetMpDefaultSetting(&mplayer.setup);
    if (!GetDriveFromMountPoint(mplayer.setup.mountPoint)) mplayer.setup.drive[0] = '\0';
    PresetVideoSettings(mplayer.setup.videoSetting);
    PresetVideoSettings(mplayer.params.videoSetting);
    Fill();
    return Pt_CONTINUE;
}

int OnAdvanceDlgCancel(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    qnx::MvGetMpSetting(&mplayer.setup);
    CloseSettingsDialog();
    return Pt_CONTINUE;
}

int OnOpenSettings(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    if (g_dialog) {
        PtWindowToFront(g_dialog);
        return Pt_CONTINUE;
    }
    g_dialog = ApCreateModule(&kDialogLink, W("base"), cbinfo);
    if (g_dialog) {
        // The size fields' timers settle a typed size while the aspect ratio is kept.
        for (const char* name : {"dvd_windowWidth", "dvd_windowHeight"})
            if (PtWidget_t* w = D(name)) PtAddEventHandler(w, Ph_EV_TIMER, OnVideoWindowSizeChangedTimeOut, nullptr);
        if (!mplayer.bAdvanceDlgOpen) Fill();
    }
    return Pt_CONTINUE;
}

void RefreshSettingsDialog()
{
    if (g_dialog) Fill();
}

int IsSettingsDirectAudioButtonSet() { return IsSet(D("adv_directAudioButton")) ? 1 : 0; }

void FlipSettingsDirectAudioButton()
{
    PtWidget_t* button = D("adv_directAudioButton");
    if (!button) return;
    SetFlag("adv_directAudioButton", !IsSet(button));
    OnAdvanceDirectAudio(button, nullptr, nullptr);
}

void CloseSettingsDialog()
{
    if (PtWidget_t* dialog = g_dialog) {
        PtDestroyWidget(dialog);
        g_dialog = nullptr;
        mplayer.bAdvanceDlgOpen = 0;
    }
}

void ShowVideoWindowPosition(int x, int y)
{
    SetNumber("dvd_windowX", x);
    SetNumber("dvd_windowY", y);
}

void ShowVideoWindowSize(int w, int h)
{
    SetNumber("dvd_windowWidth", w);
    SetNumber("dvd_windowHeight", h);
}

const ApCallbackName_t kSettingsCallbacks[] = {
    {"OnAdvanceDlg", OnAdvanceDlg},
    {"OnAdvanceDestroyed", OnAdvanceDestroyed},
    {"OnAdvanceDlgOk", OnAdvanceDlgOk},
    {"OnAdvanceDlgDefault", OnAdvanceDlgDefault},
    {"OnAdvanceDlgCancel", OnAdvanceDlgCancel},
    {"OnAdvancePlayMode", OnAdvancePlayMode},
    {"OnAdvanceCddb", OnAdvanceCddb},
    {"OnDriveMountPointChanged", OnDriveMountPointChanged},
    {"OnRemoteControlButtonActivated", OnRemoteControlButtonActivated},
    {"OnAdvanceStreamMode", OnAdvanceStreamMode},
    {"OnDriveMixerCtrlSelection", OnDriveMixerCtrlSelection},
    {"OnPcmPlaybackCardAChanged", OnPcmPlaybackCardAChanged},
    {"OnPcmPlaybackDeviceAChanged", OnPcmPlaybackDeviceAChanged},
    {"OnPcmPlaybackCardBChanged", OnPcmPlaybackCardBChanged},
    {"OnPcmPlaybackDeviceBChanged", OnPcmPlaybackDeviceBChanged},
    {"OnPcmRecordCardChanged", OnPcmRecordCardChanged},
    {"OnPcmRecordDeviceChanged", OnPcmRecordDeviceChanged},
    {"OnSpdifRecordCardChanged", OnSpdifRecordCardChanged},
    {"OnSpdifRecordDeviceChanged", OnSpdifRecordDeviceChanged},
    {"OnSpdifPlaybackCardChanged", OnSpdifPlaybackCardChanged},
    {"OnSpdifPlaybackDeviceChanged", OnSpdifPlaybackDeviceChanged},
    {"OnAdvanceDirectAudio", OnAdvanceDirectAudio},
    {"OnAdvanceVideoModeVga", OnAdvanceVideoModeVga},
    {"OnAdvanceVideoModeTv", OnAdvanceVideoModeTv},
    {"OnAdvanceVideoModeHdtv", OnAdvanceVideoModeHdtv},
    {"OnAdvanceTvScale1_1", OnAdvanceTvScale1_1},
    {"OnAdvanceTvStandardMultiSystem", OnAdvanceTvStandardMultiSystem},
    {"OnAdvanceTvStandardNtsc", OnAdvanceTvStandardNtsc},
    {"OnAdvanceTvStandardPal", OnAdvanceTvStandardPal},
    {"OnAdvanceTvStandardPal60Hz", OnAdvanceTvStandardPal60Hz},
    {"OnAdvanceTvOutputVideo", OnAdvanceTvOutputVideo},
    {"OnAdvanceTvOutputYuv", OnAdvanceTvOutputYuv},
    {"OnDvdSelectWndMode", OnDvdSelectWndMode},
    {"OnVideoWindowPositionChanged", OnVideoWindowPositionChanged},
    {"OnVideoWindowSizeChanged", OnVideoWindowSizeChanged},
    {"OnAdvanceKeepAspectRatio", OnAdvanceKeepAspectRatio},
    {"OnAdvanceWindowAlwaysOnTop", OnAdvanceWindowAlwaysOnTop},
    {"OnAdvanceVideoWnd", OnAdvanceVideoWnd},
    {"OnAdvanceDirectOverlay", OnAdvanceDirectOverlay},
    {"OnAdvanceUsingSoftware", OnAdvanceUsingSoftware},
    {"OnAdvanceUsingSigma", OnAdvanceUsingSigma},
    {"OnBrightnessSliderMove", OnBrightnessSliderMove},
    {"OnContrastSliderMove", OnContrastSliderMove},
    {"OnSaturationSliderMove", OnSaturationSliderMove},
    {"OnRedMaxChanged", OnRedMaxChanged},
    {"OnRedMinChanged", OnRedMinChanged},
    {"OnGreenMaxChanged", OnGreenMaxChanged},
    {"OnGreenMinChanged", OnGreenMinChanged},
    {"OnBlueMaxChanged", OnBlueMaxChanged},
    {"OnBlueMinChanged", OnBlueMinChanged},
    {nullptr, nullptr},
};

}  // namespace velora
