#pragma once
// Texts of the appliance object: command forms, log and debug lines, host calls.

namespace zephra::ztext {

// Log sources; an appliance's own lines add a blank and its name.
inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kDebugSource = "dkvZephra Debug";

// Log names of the procedures (each followed by the error number and a blank).
inline constexpr const char* kLogReceiveData = "ReceiveData ";
inline constexpr const char* kLogInitialize = "Initialize ";
inline constexpr const char* kLogDoNextCommand = "DoNextCommand ";
inline constexpr const char* kLogAsyncCommand = "AsyncCommand ";
inline constexpr const char* kLogSendCommandWithTag = "SendCommandWithTag ";
inline constexpr const char* kLogSendTheCommand = "SendTheCommand ";
inline constexpr const char* kLogPutInQueue = "PutInQueue ";
inline constexpr const char* kLogGetFromQueue = "GetFromQueue ";
inline constexpr const char* kLogTimeout = "TimerTimeout ";
inline constexpr const char* kLogIEObj = "IEObj ";
inline constexpr const char* kLogTimerIs = " Timer is ";
inline constexpr const char* kLogSetPowerUpState = "SetPowerUpState ";
inline constexpr const char* kLogSleepControl = "SleepControl ";
inline constexpr const char* kLogToggleBrowserControl = "ToggleBrowserControl ";
inline constexpr const char* kLogSendPushPage = "SendPushPage ";
inline constexpr const char* kLogHsExecX10 = "hsExecX10";
inline constexpr const char* kLogLED = "LED ";
inline constexpr const char* kLogSetLEDStatus = "SetLEDStatus ";
inline constexpr const char* kLogBacklightPower = "BacklightPower ";
inline constexpr const char* kLogSoundsVolume = "SoundsVolume ";
inline constexpr const char* kLogSetVolumeControl = "SetVolumeControl ";
inline constexpr const char* kLogAwakeStatus = "AwakeStatus ";
inline constexpr const char* kLogSendSleepStatus = "SendSleepStatus ";
inline constexpr const char* kLogSendWav = "SendWav ";
inline constexpr const char* kLogTextToWav = "TextToWav ";
inline constexpr const char* kLogSendPushIISPage = "SendPushIISPage ";
inline constexpr const char* kLogPushTextCommand = "PushTextCommand ";
inline constexpr const char* kLogWaitForCommandComplete = "WaitForCommandComplete ";
inline constexpr const char* kLogSyncWithHomeseer = "SyncWithHomeseer ";
inline constexpr const char* kLogReceiveXapMessageOSD = "ReceiveXapMessageOSD";
inline constexpr const char* kLogReceiveXapMessageTTS = "ReceiveXapMessageTTS";
inline constexpr const char* kLogMakeDevice = "MakeDevice ";
inline constexpr const char* kLogDefineValues = "DefineValues ";
inline constexpr const char* kLogDefineButtons = "DefineButtons ";

// Host devices of the appliance.
inline constexpr const char* kPluginName = "dkvZephra";
inline constexpr const char* kDeviceType = "Zephra";
inline constexpr const char* kDeviceNamePrefix = "Zephra ";
inline constexpr const char* kButtonSuffix = " Zephra";

// Command forms.
inline constexpr const char* kPower = "power";
inline constexpr const char* kWaitSecs = "waitsecs";
inline constexpr const char* kWaitDone = "waitdone";
inline constexpr const char* kBeepCmd = "beepcmd";
inline constexpr const char* kScreenCmd = "screencmd";
inline constexpr const char* kMailLed = "mailled";
inline constexpr const char* kTopLed = "topled";
inline constexpr const char* kExecute = "execute";
inline constexpr const char* kSendCmd = "sendcmd";
inline constexpr const char* kSendCid = "sendcid";
inline constexpr const char* kBeepName = "Beep";
inline constexpr const char* kScreenName = "Screen";
inline constexpr const char* kMailLedName = "MailLed";
inline constexpr const char* kTopLedName = "TopLed";
inline constexpr const char* kExecuteName = "Execute";
inline constexpr const char* kPartSeparator = "~";
inline constexpr const char* kLoadWav = "loadWav.shtml?http://";
inline constexpr const char* kSleepPoll = "screen.shtml?p";
inline constexpr const char* kCancelledPage = "Action cancelled";
inline constexpr const char* kHttp = "http://";
inline constexpr const char* kOn = "on";
inline constexpr const char* kOff = "off";

// Pages of the builders.
inline constexpr const char* kScreenSleep = "screen.shtml?0";
inline constexpr const char* kScreenAwake = "screen.shtml?1";
inline constexpr const char* kScreenToggle = "screen.shtml?t";
inline constexpr const char* kScreenOffCmd = "screencmdoff";
inline constexpr const char* kScreenOnCmd = "screencmdon";
inline constexpr const char* kFullScreenToggle = "cgi-bin/firef4";
inline constexpr const char* kGotoUrl = "gotoURL.shtml?M=GOTO_URL&S=http://";
inline constexpr const char* kSlideshowPage = "ZephraSlideshow.asp";

// Panel pages and LED words.
inline constexpr const char* kLedPage = "led.shtml?";
inline constexpr const char* kTopWhich = "t";
inline constexpr const char* kMailWhich = "m";
inline constexpr const char* kBlink = "blink";
inline constexpr const char* kBacklightOn = "scrOn.shtml";
inline constexpr const char* kBacklightOff = "scrOff.shtml";
inline constexpr const char* kSoundPage = "beep.shtml?0 ";
inline constexpr const char* kSoundsVolumePage = "beep.shtml?4 ";
inline constexpr const char* kVolumePage = "volume.shtml?";

// Temporary files under the host's web folder.
inline constexpr const char* kTempFilePrefix = "ZephraTempFile";
inline constexpr const char* kWavExtension = ".wav";
inline constexpr const char* kHtmlExtension = ".html";
inline constexpr const char* kTempFolderPath = "\\HTML\\ZephraTemp\\";
inline constexpr const char* kHtmlFolderPath = "\\HTML\\";
inline constexpr const char* kTempFolderUrl = "ZephraTemp/";

// xAP messages for the appliance.
inline constexpr const char* kXapUnknown = "Unknown";
inline constexpr const char* kXapDisplay = "Display.Zephra";
inline constexpr const char* kXapCallerId = "Display.ZCID";
inline constexpr const char* kXapTtsSpeak = "tts.speak";
inline constexpr const char* kXapVoiceSpeak = "Voice.Speak";

// Sleep states.
inline constexpr const char* kSleepState = "sleep";
inline constexpr const char* kAwakeState = "awake";
inline constexpr const char* kAlwaysAwakeState = "always awake";
inline constexpr const char* kPowerCycleState = "power cycle";
inline constexpr const char* kToggleState = "toggle";

// Queue device.
inline constexpr const char* kQueueText = "Queue: ";
inline constexpr const char* kQueueCount = ") ";
inline constexpr const char* kQueueSeparator = " | ";

// Log and debug lines.
inline constexpr const char* kGivenUp = " Zephra has been disabled following three power cylces without response";
inline constexpr const char* kUnknownCommand = "Zephra SendTheCommand no sending form for command ";
inline constexpr const char* kNoPowerTimer = "Zephra SendTheCommand no command timer, power cycle not started for ";
inline constexpr const char* kUnknownSleepState = "Zephra SleepControl unknown sleep state ";
inline constexpr const char* kNoPowerDevice = "Zephra SendTheCommand no power device, power cycle not started for ";
inline constexpr const char* kRefused = " Zephra refused ";
inline constexpr const char* kRefusedQueueFull = "queue full: 21 commands waiting";
inline constexpr const char* kRefusedGivenUp = "given up after three power cycles without response";
inline constexpr const char* kPowerOff = " Zephra skipped: the host reports its power device ";
inline constexpr const char* kPowerOffTail = " off; nothing is sent to it until the device is on";
inline constexpr const char* kPowerCycle = " Zephra power cycle ";
inline constexpr const char* kCycleTimeouts = "after 6 page time-outs without an answer";
inline constexpr const char* kCycleFullQueue = "for a full queue while its last request went unanswered";
inline constexpr const char* kCyclePowerCommand = "asked for by a power command";
inline constexpr const char* kCycleShared = "along with ";
inline constexpr const char* kCycleSharedDevice = " on the shared power device ";
inline constexpr const char* kCommandsDropped = " commands dropped";
inline constexpr const char* kGaveUp = " Zephra gave up ";
inline constexpr const char* kGaveUpAfter = ": no answer after ";
inline constexpr const char* kGaveUpTries = " tries";
inline constexpr const char* kGaveUpTry = " try";
inline constexpr const char* kMarkerBrowser = "BROWSER";
inline constexpr const char* kMarkerExtension = ".txt";

// xAP X10 request.
inline constexpr const char* kX10Class = "xap-x10.request";
inline constexpr const char* kX10Device = "device";
inline constexpr const char* kX10Command = "command";
inline constexpr const char* kX10Uid = "00";

// Type names shown in debug lines.
inline constexpr const char* kTimerType = "Timer";
inline constexpr const char* kNothingType = "Nothing";
inline constexpr const char* kBrowserType = "IWebBrowser2";

}  // namespace zephra::ztext
