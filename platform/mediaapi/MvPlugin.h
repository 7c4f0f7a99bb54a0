/*
 * The media plug-in interface: the records, codes, states and masks through which a media host
 * (Velora, Ruvex, the browser glue) drives a media plug-in (Brisko_rave, Plimsa_rave) in one
 * process. Plain C layout so that plug-ins stay shared libraries loaded by path with dlopen and
 * bound through the one exported entry MvInit.
 *
 * Ownership: the host owns the control record, command records, parameter blocks and URL texts;
 * the plug-in owns its private record, its operation table (static), its status and
 * media-information records and every text they point to. Texts a report points to (errormsg,
 * videoWndTitle) are valid only during the callback.
 *
 * Threads: commands arrive on the host's thread, one at a time. The callback is entered on that
 * thread (inside open, start, pause, stop, close, status poll, terminate) and on the plug-in's
 * decoder thread (media information of a network stream, error texts, MV_STOPPED at natural end,
 * volume reports). A host must accept callbacks from another thread, also while one of its
 * commands is in progress.
 */
#ifndef MEDIAAPI_MVPLUGIN_H
#define MEDIAAPI_MVPLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Enumerations ---------------------------------------------------------------------- */

/* The codes are packed several to a line, as tables. */
/* clang-format off */
/* Plug-in states (MvPluginStatus.state). */
typedef enum MvPluginState {
    MV_DEAD = 0, MV_CLOSED = 1, MV_OPENING = 2, MV_STOPPED = 3, MV_PAUSED = 4,
    MV_PREFETCHING = 5, MV_PLAYING = 6, MV_PLAYBW = 7, MV_SCANFW = 8, MV_SCANBW = 9,
    MV_STEP = 10, MV_SLOW = 11, MV_NOTREADY = 12
} MvPluginState;

/* The callback's change mask: which fields of MvPluginStatus are new. */
typedef enum MvEventFlags {
    MVS_PLUGIN_STATE = 1, MVS_FLAGS = 2, MVS_MEDIA = 4, MVS_POSITION = 8, MVS_DURATION = 16,
    MVS_VPSIZE = 32, MVS_ERRORMSG = 64, MVS_VIDEO_WND_TITLE = 128, MVS_DISPLAY_INFO = 256,
    MVS_AUDIO_LIST = 512, MVS_SUBTITLE_LIST = 1024, MVS_GUI_STATUS = 2048,
    MVS_SPEED_INFO = 4096, MVS_USER_MESSAGE = 8192
} MvEventFlags;

/* MvCommandData.which: which fields of the parameter block are meaningful. */
typedef enum MvPlaybackParam {
    MVP_NONE = 0, MVP_FLAGS = 1, MVP_STATUS_FREQ = 2, MVP_AUDIO = 4, MVP_VIDEO_SETTING = 8,
    MVP_SPEED = 16, MVP_VIDEO_AREA = 32, MVP_ZOOM_AREA = 64, MVP_VIDEO_WGT = 128,
    MVP_SPANE_WGT = 256, MVP_SEEK_UNIT = 512, MVP_POSITION = 1024, MVP_DELTA = 2048,
    MVP_GUI_STATUS = 4096
} MvPlaybackParam;

/* MvMediaInfo.type bits. */
typedef enum MvMediaFlags {
    MV_MEDIA_AUDIO = 1, MV_MEDIA_VIDEO = 2, MV_MEDIA_SEEKABLE = 4, MV_MEDIA_SPEEDABLE = 8,
    MV_MEDIA_REMOVABLE = 16, MV_MEDIA_PLAYLIST = 32, MV_MEDIA_MULTITRACK = 64
} MvMediaFlags;

/* MvMediaInfo.which: which part of the media information is new. */
typedef enum MvMediaInfoFlag {
    MV_MEDIA_INFO = 1, MV_MEDIA_VIDEO_INFO = 2, MV_MEDIA_VIDEO_SETTING_INFO = 4,
    MV_MEDIA_AUDIO_INFO = 8
} MvMediaInfoFlag;

/* MvPluginCtrl.pflags. */
typedef enum MvPluginFlags {
    MV_SPANE = 1,       /* the plug-in wants a pane widget */
    MV_HASDFLTURL = 2   /* it may be opened without a URL */
} MvPluginFlags;

typedef enum MvStreamType { MV_STREAM = 0, MV_STREAM_SEEKABLE = 1, MV_STREAM_ASFILE = 2 } MvStreamType;
typedef enum MvSeekUnit { MVS_MS = 0, MVS_TRACK = 1 } MvSeekUnit;
typedef enum MvRepeatType {
    MV_NO_REPEAT = 0, MV_REPEAT_THIS_TRACK = 1, MV_REPEAT_SELECTED_TRACK = 2,
    MV_REPEAT_SELECTED_TRACK_ONCE = 3
} MvRepeatType;
typedef enum MvPluginStatusFlags {
    MVS_RESTORE = 0, MVS_MAXIMIZE = 1, MVS_MINIMIZE = 2, MVS_HOME_ENTERTAINMENT = 3, MVS_AREA = 4
} MvPluginStatusFlags;
typedef enum MvPlaybackFlags {
    MVP_RESTORE = 0, MVP_MAXIMIZE = 1, MVP_MINIMIZE = 2, MVP_HOME_ENTERTAINMENT = 3, MVP_AREA = 4
} MvPlaybackFlags;
typedef enum MvVideoFlags { MV_VIDEO_FIXED_SIZE = 1, MV_VIDEO_NO_WIDGET = 2 } MvVideoFlags;

/* Command codes (MvCommandData.cmdType), 0 to 85. */
typedef enum MvCommandType {
    CMD_PLUGIN_OPEN_URLS = 0, CMD_PLUGIN_CLOSE = 1, CMD_PLUGIN_START = 2, CMD_PLUGIN_PAUSE = 3,
    CMD_PLUGIN_STOP = 4, CMD_PLUGIN_SEEK_TO = 5, CMD_PLUGIN_SEEK_RELATIVE = 6,
    CMD_PLUGIN_SET_PARAMETER = 7, CMD_PLUGIN_SET_WINDOW = 8, CMD_PLUGIN_SET_STOP_TIME = 9,
    CMD_PLUGIN_SET_GUI_STATUS = 10, CMD_PLUGIN_DISPLAY_GUI = 11, CMD_PLUGIN_GET_STATUS = 12,
    CMD_PLUGIN_HOTKEY = 13, CMD_PLUGIN_EJECT_DISK = 14, CMD_PLUGIN_LOAD_DISK = 15,
    CMD_PLUGIN_SELECT = 16, CMD_PLUGIN_SELECT_UP = 17, CMD_PLUGIN_SELECT_DOWN = 18,
    CMD_PLUGIN_SELECT_RIGHT = 19, CMD_PLUGIN_SELECT_LEFT = 20, CMD_PLUGIN_SELECT_AUDIO = 21,
    CMD_PLUGIN_SELECT_SUBTITLE = 22, CMD_PLUGIN_MENU = 23, CMD_PLUGIN_ANGLE = 24,
    CMD_PLUGIN_DIRECT_AUDIO = 25, CMD_PLUGIN_SET_SPEED = 26, CMD_PLUGIN_BOOKMARK_SET = 27,
    CMD_PLUGIN_BOOKMARK_GOTO = 28, CMD_PLUGIN_BOOKMARK_VIEW = 29, CMD_PLUGIN_KARAOKE_MIX = 30,
    CMD_PLUGIN_KARAOKE_RECORD = 31, CMD_PLUGIN_PLAY_ALL_FRAMES = 32,
    CMD_PLUGIN_PLAY_REALTIME = 33, CMD_PLUGIN_SEND_MESSAGE = 34, CMD_PLUGIN_MUTE = 35,
    CMD_PLUGIN_STEP = 36, CMD_PLUGIN_ZOOM_IN = 37, CMD_PLUGIN_ZOOM_OUT = 38,
    CMD_PLUGIN_CAPTURE_STILL = 39, CMD_PLUGIN_SCAN_BACK = 40, CMD_PLUGIN_SCAN_FORWARD = 41,
    CMD_PLUGIN_SLOW_MOTION = 42, CMD_PLUGIN_REVERSE_PLAY = 43,
    CMD_PLUGIN_RESERVED_0 = 44, CMD_PLUGIN_RESERVED_1 = 45, CMD_PLUGIN_RESERVED_2 = 46,
    CMD_PLUGIN_RESERVED_3 = 47, CMD_PLUGIN_RESERVED_4 = 48, CMD_PLUGIN_RESERVED_5 = 49,
    CMD_PLUGIN_RESERVED_6 = 50, CMD_PLUGIN_RESERVED_7 = 51, CMD_PLUGIN_RESERVED_8 = 52,
    CMD_PLUGIN_RESERVED_9 = 53,
    CMD_PLUGIN_USER_0 = 54, CMD_PLUGIN_USER_1 = 55, CMD_PLUGIN_USER_2 = 56,
    CMD_PLUGIN_USER_3 = 57, CMD_PLUGIN_USER_4 = 58, CMD_PLUGIN_USER_5 = 59,
    CMD_PLUGIN_USER_6 = 60, CMD_PLUGIN_USER_7 = 61, CMD_PLUGIN_USER_8 = 62,
    CMD_PLUGIN_USER_9 = 63,
    CMD_PLUGIN_POWER = 64, CMD_PLUGIN_PROGRAM = 65, CMD_PLUGIN_TITLE = 66, CMD_PLUGIN_OSD = 67,
    CMD_PLUGIN_LAST_CHAPTER = 68, CMD_PLUGIN_NEXT_CHAPTER = 69, CMD_PLUGIN_VOL_UP = 70,
    CMD_PLUGIN_VOL_DOWN = 71, CMD_PLUGIN_L_R = 72, CMD_PLUGIN_ZERO = 73, CMD_PLUGIN_ONE = 74,
    CMD_PLUGIN_TWO = 75, CMD_PLUGIN_THREE = 76, CMD_PLUGIN_FOUR = 77, CMD_PLUGIN_FIVE = 78,
    CMD_PLUGIN_SIX = 79, CMD_PLUGIN_SEVEN = 80, CMD_PLUGIN_EIGHT = 81, CMD_PLUGIN_NINE = 82,
    CMD_PLUGIN_VGA_TV = 83, CMD_PLUGIN_ENTER = 84, CMD_PLUGIN_PLAY_PAUSE = 85
} MvCommandType;
/* clang-format on */

/* ---- Small records ------------------------------------------------------------------- */

typedef struct MvPoint {
    int16_t x, y;
} MvPoint, MvPoint_t;
typedef struct MvDim {
    uint16_t w, h;
} MvDim, MvDim_t;
typedef struct MvArea {
    MvPoint pos;
    MvDim size;
} MvArea, MvArea_t;

/* Audio devices and volume, sixteen words. Card or device 0xFFFFFFFF means "not set". */
typedef struct MvAudioMediaInfo {
    uint32_t pcmPlaybackCardA, pcmPlaybackDeviceA; /* normal playback device */
    uint32_t pcmPlaybackCardB, pcmPlaybackDeviceB;
    uint32_t pcmRecordCard, pcmRecordDevice;
    uint32_t mixerCard, mixerDevice;
    uint32_t spdifPlaybackCard, spdifPlaybackDevice; /* direct digital output */
    uint32_t spdifRecordCard, spdifRecordDevice;
    uint32_t volume; /* 0 to 100 */
    uint32_t reserve_1, reserve_2, reserve_3;
} MvAudioMediaInfo, MvAudioMediaInfo_t;

/* Video output settings; no plug-in of the system reads them. */
typedef struct MvVideoSettingInfo {
    uint32_t bVideoModeVga, bVideoModeTv, bVideoModeHdtv, bTvOutputVideo, bTvOutputYuv, bTvStandardMultiSystem,
        bTvStandardNtsc, bTvStandardPal, bTvStandardPal60Hz, bTvScale1_1, bKeepAspectRatio, bAlwaysOnTop;
    uint32_t brightness, contrast, saturation, hue, gamma, highlight, shadow;
    int32_t yShift, uShift, vShift;
    uint32_t reserve_1, reserve_2, reserve_3;
} MvVideoSettingInfo, MvVideoSettingInfo_t;

typedef struct MvVideoMediaInfo {
    uint32_t flags; /* MvVideoFlags */
    MvDim preferred_size, min_size, max_size;
    MvArea area;
    uint32_t reserve_1;
} MvVideoMediaInfo, MvVideoMediaInfo_t;

typedef struct MvDisplayInfo {
    const char *title, *chapter, *rating, *angle;
} MvDisplayInfo, MvDisplayInfo_t;
typedef struct MvAudioList {
    uint32_t count, selectedIndex;
    const char *list[8];
} MvAudioList, MvAudioList_t;
typedef struct MvSubtitleList {
    uint32_t count, selectedIndex;
    const char *list[32];
} MvSubtitleList, MvSubtitleList_t;
typedef struct MvUserMsg {
    uint32_t len;
    void *msg;
} MvUserMsg, MvUserMsg_t;
typedef struct MvGuiStatus {
    uint32_t repeatType; /* MvRepeatType */
} MvGuiStatus, MvGuiStatus_t;
typedef struct MvPluginHotkey {
    uint16_t key_sym_cap;
    uint16_t flags;
    uint32_t key_mods;
} MvPluginHotkey, MvPluginHotkey_t;

typedef struct MvVideoFrameData {
    uint32_t video_format, Image_Height, Image_Width;
    uint32_t Y_video_data_length, U_video_data_length, V_video_data_length;
    uint32_t Y_Stride, U_Stride, V_Stride;
    uint8_t *Y, *U, *V;
} MvVideoFrameData, MvVideoFrameData_t;

/* The remote-control message (also the single-instance hand-over of Velora). */
typedef struct WendrelMsg {
    uint32_t CommandType; /* MvCommandType */
    int32_t KeypadNum;
    int32_t bToDelete;
    char newurl[1024];
    int32_t reserve_1, reserve_2, reserve_3;
} WendrelMsg, WendrelMsg_t;

/* ---- Settings, media information, status, parameters, commands --------------------- */

/* The player settings; copied whole into the control record by the host and out of it by MvInit. */
typedef struct MvSetup {
    uint32_t streamType; /* MvStreamType; a plug-in keeps its source mode here */
    MvArea videoWnd;
    MvAudioMediaInfo audio;
    MvVideoSettingInfo videoSetting;
    char mountPoint[1024];
    char drive[1024];
    uint32_t bHomeEntertainment, bPluginHasVideoWnd, bDirectDigitalAudio, bPlayRealtime, bCddbEnabled,
        bUseDirectOverlay;
    uint32_t reserve_1; /* Velora: decoder choice */
    uint32_t reserve_2, reserve_3;
} MvSetup, MvSetup_t;

/* The description of the open medium. */
typedef struct MvMediaInfo {
    uint32_t which; /* MvMediaInfoFlag: MV_MEDIA_INFO, or MV_MEDIA_AUDIO_INFO in a volume report */
    uint32_t type;  /* MvMediaFlags: audio plug-ins 1 (stream) or 5 (file) */
    const char *url;
    uint32_t duration; /* milliseconds; 0xFFFFFFFF unknown */
    const char *title;
    const char *moreinfo; /* second line (artist, station name) */
    uint32_t plcount;     /* playlist items */
    uint32_t reserve_1, reserve_2, reserve_3;
    const MvVideoMediaInfo *video;
    const MvVideoSettingInfo *videoSetting;
    const MvAudioMediaInfo *audio; /* set during a volume report */
} MvMediaInfo, MvMediaInfo_t;

/* What a plug-in reports through the callback; keeps its values between reports. */
typedef struct MvPluginStatus {
    uint32_t state; /* MvPluginState */
    uint32_t flags; /* MvPluginStatusFlags */
    const MvMediaInfo *media_info;
    uint32_t position; /* milliseconds */
    uint32_t duration; /* milliseconds */
    MvDim vpsize;
    int32_t speed;
    const char *errormsg;      /* valid during the callback only */
    const char *videoWndTitle; /* audio plug-ins: the buffer-fill line; valid during the callback only */
    MvDisplayInfo *displayInfo;
    MvAudioList *audioList;
    MvSubtitleList *subtitleList;
    MvUserMsg *userMsg;
    MvGuiStatus guiStatus;
    int32_t reserve_1, reserve_2, reserve_3;
} MvPluginStatus, MvPluginStatus_t;

/* The host's parameter block; a plug-in reads it and writes only status_frequency. */
typedef struct MvPlaybackParams {
    uint32_t flags;            /* MvPlaybackFlags */
    uint32_t status_frequency; /* status poll period, ms */
    MvAudioMediaInfo audio;
    MvVideoSettingInfo videoSetting;
    int32_t speed;
    MvArea videoArea;
    MvArea zoomArea;
    void *video_wgt;
    void *spane_wgt;
    uint32_t seekUnit; /* MvSeekUnit */
    uint32_t position; /* target position, ms */
    int32_t delta;     /* count, flag or step, by command */
    MvGuiStatus guiStatus;
} MvPlaybackParams, MvPlaybackParams_t;

typedef struct MvPluginCtrl MvPluginCtrl, MvPluginCtrl_t;

/* One command, owned by the host for the duration of the call. */
typedef struct MvCommandData {
    uint32_t cmdType;          /* MvCommandType */
    MvPluginCtrl *pluginCtrl;  /* the plug-in addressed */
    const char **urls;         /* CMD_PLUGIN_OPEN_URLS; param->delta holds their number */
    const char *nodeString;    /* the host's HOSTNAME */
    const char *displayString; /* the host's PHOTON */
    MvUserMsg *userMsg;
    uint32_t which; /* MvPlaybackParam bits */
    MvPlaybackParams *param;
} MvCommandData, MvCommandData_t;

/* ---- Callbacks and the operation table ------------------------------------------------ */

/* The host's status callback: (control record, change mask of MvEventFlags, status). */
typedef void (*MvViewerCallbackF_t)(MvPluginCtrl *ctrl, uint32_t mask, const MvPluginStatus *status);
typedef void (*MvViewerAudioCallbackF_t)(MvPluginCtrl *ctrl, void *data, uint32_t length); /* not used */
typedef void (*MvViewerVideoCallbackF_t)(MvPluginCtrl *ctrl, MvVideoFrameData *frame);     /* not used */

/* The plug-in's private record; opaque to the host. */
typedef struct MvPluginData MvPluginData, MvPluginData_t;

/* The operation table, a static table of the plug-in. */
typedef struct MvPluginFunctions {
    /* Ends everything, frees the private record, reports MV_DEAD (all-zero status) as its last act. */
    void (*terminate)(MvPluginCtrl *ctrl);
    /* Playlist item of a MV_MEDIA_PLAYLIST medium; the audio plug-ins return null. */
    const MvMediaInfo *(*get_item)(MvPluginCtrl *ctrl, uint32_t which /* MvMediaInfoFlag */, uint32_t item);
    /* Runs one command: 0 done, -1 refused, unknown or failed. */
    int (*command)(MvCommandData *cmd);
} MvPluginFunctions, MvPluginFunctions_t;

/* The control record of one loaded plug-in. The host allocates it zero-filled and owns it; a
   host may allocate a larger block that begins with it and keep its own fields behind it. */
struct MvPluginCtrl {
    MvPluginData *pdata;            /* plug-in (MvInit): its private record */
    const MvPluginFunctions *calls; /* plug-in (MvInit): its operation table */
    uint32_t pflags;                /* plug-in (MvInit): MvPluginFlags; audio plug-ins 0 */
    uint32_t nhotkeys;              /* plug-in: entries in hotkeys */
    const MvPluginHotkey *hotkeys;
    MvSetup setup;          /* host, before MvInit: the settings in force */
    MvViewerCallbackF_t cb; /* host, before MvInit: the status callback */
    void *basewin;          /* host: base window (0 without a GUI) */
    void *dll_handle;       /* host, after MvInit succeeded: the library */
    const char *name;       /* host: its own copy of the library path; the host frees it */
    uint32_t APIversion;    /* 1: host before MvInit, plug-in in MvInit */
    uint32_t MinorVersion;  /* 1 */
    int32_t prio;           /* thread priority for the plug-in; applied only when > 0 */
    uint32_t audio_format;  /* not used by the plug-ins */
    MvViewerAudioCallbackF_t audio_cb;
    uint32_t video_format;
    MvViewerVideoCallbackF_t video_cb;
    uint32_t reserve_1;
    void *ocb_ptr;
    void *user_defined;
};

/* The entry point every plug-in library exports: fills pdata, calls, pflags, APIversion and
   MinorVersion, copies setup, puts the plug-in in MV_CLOSED without a report.
   0 success, -1 when the private record cannot be allocated (nothing changed). No callback. */
typedef int (*MvInitF_t)(MvPluginCtrl *ctrl);
int MvInit(MvPluginCtrl *ctrl);

#ifdef __cplusplus
}
#endif

#endif
