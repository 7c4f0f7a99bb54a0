#pragma once
// The script operations: what host scripts and events call on the plug-in by name. Each is
// a thin layer over the appliance objects and the fan-out operations.
//
// Appliances are chosen by a selector (`which`: names or addresses, "" for every appliance)
// or by one name (`whichOne`: "" for the first appliance). Operations that queue commands
// tag them with one fresh token and answer it, or "" when a selected appliance was skipped
// because its power device is reported off (the others are served all the same). Getters
// answer false, 0 or "" when no appliance matches; lookups answer "".
//
// The "Ex" twins take one text: the selector, ";" and the value, split at the first ";"
// (without ";" the whole text is the value and every appliance is chosen). A whole-number
// value is read as Val reads it and rounded half to even (overflow: error 6); a truth value
// is True, False or a number (else error 13), and true when the text holds no ";".
//
// Only ZephraSlideshowCoordination and ZephraSorvex trap errors; every other failure ends
// the operation and reaches the calling script.

#include <cstdint>
#include <string>

#include "vb/Object.h"
#include "vb/Variant.h"

namespace zephra {

class PluginState;

// --- One appliance's state ------------------------------------------------------------------
bool ZephraSlideshowStatus(PluginState& state, const std::string& whichOne);
int16_t ZephraSoundsVolumeStatus(PluginState& state, const std::string& whichOne);
int16_t ZephraVolumeStatus(PluginState& state, const std::string& whichOne);
std::string ZephraBacklightStatus(PluginState& state, const std::string& whichOne);  // "On" / "Off"
std::string ZephraMailLEDStatus(PluginState& state, const std::string& whichOne);
std::string ZephraTopLEDStatus(PluginState& state, const std::string& whichOne);
std::string ZephraSleepStatus(PluginState& state, const std::string& whichOne);  // "awake" / "sleep"
bool ZephraPluginDisableStatus(PluginState& state, const std::string& whichOne);
int16_t ZephraGetSlideGroup(PluginState& state, const std::string& whichOne);

// --- Commands to the selected appliances ---------------------------------------------------
std::string ZephraSleepEx(PluginState& state, const std::string& s);
std::string ZephraSleep(PluginState& state, const std::string& which, const std::string& sAction);
std::string ZephraSpeakEx(PluginState& state, const std::string& s);
std::string ZephraSpeak(PluginState& state, const std::string& which, const std::string& sText);
std::string ZephraWavEx(PluginState& state, const std::string& s);
std::string ZephraWav(PluginState& state, const std::string& which, const std::string& wavFile);
// One or both LEDs: "blink", else "off", else "on"; the mail LED when the action names
// "mail", else the top LED when it names "top", else both (any letter case).
std::string ZephraLEDEx(PluginState& state, const std::string& s);
std::string ZephraLED(PluginState& state, const std::string& which, const std::string& sAction);
std::string ZephraSoundsEx(PluginState& state, const std::string& s);
std::string ZephraSounds(PluginState& state, const std::string& which, int16_t iSound);
std::string ZephraSoundsVolumeEx(PluginState& state, const std::string& s);
std::string ZephraSoundsVolume(PluginState& state, const std::string& which, int16_t iSoundLevel);
std::string ZephraScreen(PluginState& state, const std::string& which, const std::string& sAction);
std::string ZephraBacklightEx(PluginState& state, const std::string& s);
std::string ZephraBacklight(PluginState& state, const std::string& which, const std::string& sAction);
std::string ZephraRefreshSleepStatus(PluginState& state, const std::string& which);
vb::Variant ZephraWaitsecsEx(PluginState& state, const std::string& s);
vb::Variant ZephraWaitsecs(PluginState& state, const std::string& which, int16_t seconds);
std::string ZephraToggleBrowserFullscreen(PluginState& state, const std::string& which);
std::string ZephraVolumeEx(PluginState& state, const std::string& s);
std::string ZephraVolume(PluginState& state, const std::string& which, int16_t iVolume);
std::string ZephraSetBrowserScreenEx(PluginState& state, const std::string& s);
std::string ZephraSetBrowserScreen(PluginState& state, const std::string& which, bool bFullScreen);
std::string ZephraPushIISPageEx(PluginState& state, const std::string& s);
std::string ZephraPushIISPage(PluginState& state, const std::string& which, const std::string& webPage);
std::string ZephraPushFullscreenEx(PluginState& state, const std::string& s);
// The page pushed untagged, a wait of "PushDelay" seconds, then the full-screen toggle,
// which alone carries the token.
std::string ZephraPushFullscreen(PluginState& state, const std::string& which, const std::string& webPage);
vb::Variant ZephraPushPageEx(PluginState& state, const std::string& s);
vb::Variant ZephraPushPage(PluginState& state, const std::string& which, const std::string& webPage);
std::string ZephraTopLedEx(PluginState& state, const std::string& s);
std::string ZephraTopLed(PluginState& state, const std::string& which, const std::string& sState);
std::string ZephraMailLedEx(PluginState& state, const std::string& s);
std::string ZephraMailLed(PluginState& state, const std::string& which, const std::string& sState);
std::string ZephraTextEx(PluginState& state, const std::string& s);
std::string ZephraText(PluginState& state, const std::string& which, const std::string& sMessage);
std::string ZephraCyclePower(PluginState& state, const std::string& which);
// The self-test of each available appliance; its results go to the host log.
std::string ZephraTest(PluginState& state, const std::string& which);
// The slideshow on each available appliance; the slideshow timer starts when it is stopped.
std::string ZephraSlideshow(PluginState& state, const std::string& which);
// Execute and SendCommand queue their commands and always answer "".
std::string ZephraExecuteEx(PluginState& state, const std::string& s);
std::string ZephraExecute(PluginState& state, const std::string& which, const std::string& sCommand);
std::string ZephraSendCommandEx(PluginState& state, const std::string& s);  // selector;command;parameter;address
std::string ZephraSendCommand(PluginState& state, const std::string& which, const std::string& sCommand,
                              const std::string& sParm, const std::string& sIPx);

// --- Settings of the selected appliances, available or not --------------------------------
std::string ZephraPluginDisableEx(PluginState& state, const std::string& s);
std::string ZephraPluginDisable(PluginState& state, const std::string& which, bool bDisable);  // ""
void ZephraSetSlideGroupEx(PluginState& state, const std::string& s);
void ZephraSetSlideGroup(PluginState& state, const std::string& which, int16_t iGroup);

// --- Questions over a selection, available or not -----------------------------------------
bool ZephraIsSpeaking(PluginState& state, const std::string& which);
bool ZephraCommandBusyEx(PluginState& state, const std::string& s);
bool ZephraCommandBusy(PluginState& state, const std::string& which, const std::string& sTag);

// --- Caller ID and datagrams -----------------------------------------------------------------
// A caller-ID datagram (name, number) to every subscribed client; "O" and "P" become their
// texts, in the caller's variables too. Answers Empty.
vb::Variant ZephraZCIDEx(PluginState& state, const std::string& s);
vb::Variant ZephraZCID(PluginState& state, vb::Variant& sLine1, vb::Variant& sLine2);
void SendCID(PluginState& state, vb::Variant& sLine1, vb::Variant& sLine2);
// A command datagram to every subscribed client; `sIPx` is not used. Answers "".
std::string SendCommand(PluginState& state, const std::string& sCommand, const std::string& sParm,
                        const std::string& sIPx);
std::string ZephraSendCIDEx(PluginState& state, const std::string& s);  // selector;line 1;line 2
std::string ZephraSendCID(PluginState& state, const std::string& which, const std::string& sLine1,
                          const std::string& sLine2);
std::string ZephraSendHspCID(PluginState& state, const std::string& which);
std::string ZephraSendHspBrowserCID(PluginState& state, const std::string& which);

// --- Lists and lookups ------------------------------------------------------------------------
std::string ZephraNames(PluginState& state);                                 // the table's names joined with ","
std::string ZEPHRAIPS(PluginState& state);                                   // the table's addresses joined with ","
std::string ZephraIP(PluginState& state, const std::string& whichOne);       // by name only
std::string ZephraIPLookup(PluginState& state, const std::string& whichIP);  // the name, lower case
// The appliance that sent a web request (its "REMOTE_ADDR").
std::string ZephraWhoSent(PluginState& state, const vb::ObjectRef& request);
// One picture of the slideshow, chosen at random.
std::string ZephraNextPicture(PluginState& state);

// --- The rest -----------------------------------------------------------------------------------
// Speaks the text into the next of ten rotating files "ZephraTempFile" & n & ".wav" under
// the host's "\HTML\ZephraTemp\"; answers the file's name.
std::string ZephraTextToWav(PluginState& state, const std::string& sText);
int16_t ZephraWavTime(PluginState& state, const std::string& filename);
// Every appliance's queue emptied and its power-cycle count cleared.
void ZephraResetQueue(PluginState& state);
// Whether the slideshow of the appliance at `sClient` goes on after `sAction`; sets its
// slideshow so, and clears its LEDs when it goes on.
bool ZephraSlideshowCoordination(PluginState& state, const vb::Variant& sClient, const vb::Variant& sAction);
void ZephraReloadSettings(PluginState& state);
std::string ZephraSlideshowASP(PluginState& state, const vb::ObjectRef& request, const vb::ObjectRef& response);
void ZephraOnXapMessage(PluginState& state, const vb::ObjectRef& message);
// The command text to the jukebox of each selected appliance; one that cannot be reached
// is logged and the next is tried.
void ZephraSorvex(PluginState& state, const std::string& which, const std::string& sCommand);
void ZephraSorvexEx(PluginState& state, const std::string& sCommand);
// The MP3 operations do nothing and answer "".
std::string ZephraMP3Load(PluginState& state, const std::string& which, const std::string& sPlaylist);
std::string ZephraMP3(PluginState& state, const std::string& which, const std::string& sCommand);
std::string ZephraMP3Save(PluginState& state, const std::string& which, const std::string& sPlaylist);
std::string ZephraMP3Clear(PluginState& state, const std::string& which);
std::string ZephraMP3Status(PluginState& state, const std::string& whichOne);

}  // namespace zephra
