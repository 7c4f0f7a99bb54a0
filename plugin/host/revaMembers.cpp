// The member table of the plug-in class, in the order of the class's interface: the public
// variables, the host members, then the script operations.

#include <utility>

#include "core/PluginState.h"
#include "host/HostTexts.h"
#include "host/ScriptOperations.h"
#include "host/reva.h"

namespace zephra {

namespace {

// A script operation of the plug-in's state, called on the plug-in object.
template <auto Operation>
struct OnState;

template <class R, class... P, R (*Operation)(PluginState&, P...)>
struct OnState<Operation> {
    static R Call(reva& self, P... args) { return Operation(self.State(), std::forward<P>(args)...); }
};

template <auto Operation>
constexpr auto op = &OnState<Operation>::Call;

// The members that answer a constant and do nothing else.
int32_t AccessLevel(reva&) { return 1; }
int32_t Capabilities(reva&) { return 4; }  // an input/output plug-in
std::string Name(reva&) { return hosttext::kPluginName; }
int16_t InterfaceStatus(reva&) { return 0; }
vb::Variant Nothing(reva&) { return {}; }
vb::Variant NothingFor(reva&, int32_t) { return {}; }
vb::Variant NothingForDevice(reva&, const vb::Variant&, const std::string&, const std::string&, int16_t, int16_t,
                             int16_t, int16_t) {
    return {};
}
void Exec(reva&, const vb::Variant&, const std::string&, const std::string&, int16_t, int16_t, int16_t, int16_t) {}
void SetZone(reva&, int32_t) {}
void ModifyTriggerUI(reva&, const vb::ObjectRef&) {}
int32_t IRPortType(reva&) { return 1; }
int16_t MaxKeys(reva&) { return 25; }
int16_t MaxDevices(reva&) { return 10; }
int16_t MaxZones(reva&) { return 1; }
bool True(reva&) { return true; }
bool TrueFor(reva&, int32_t) { return true; }
bool False(reva&) { return false; }
vb::Variant IsMatchable(reva&, int32_t) { return vb::Variant(false); }
int32_t KeyColor(reva&, int32_t) { return 0; }
std::string EmptyTextFor(reva&, const vb::Variant&) { return ""; }
std::string EmptyTextForText(reva&, const std::string&) { return ""; }
std::string EmptyTextForNumber(reva&, int16_t) { return ""; }
vb::Variant EmptyTextVariant(reva&, const std::string&) { return vb::Variant(std::string()); }

// The public variables.
std::string GetLink(reva& r) { return r.Link; }
void LetLink(reva& r, std::string v) { r.Link = std::move(v); }
std::string GetLinktext(reva& r) { return r.linktext; }
void LetLinktext(reva& r, std::string v) { r.linktext = std::move(v); }
std::string GetPageTitle(reva& r) { return r.page_title; }
void LetPageTitle(reva& r, std::string v) { r.page_title = std::move(v); }

}  // namespace

void reva::describe(automation::Members<reva>& m) {
    m.property<&GetLink, &LetLink>("Link");
    m.property<&GetLinktext, &LetLinktext>("linktext");
    m.property<&GetPageTitle, &LetPageTitle>("page_title");
    m.method<&AccessLevel>("AccessLevel");
    m.method<&Capabilities>("Capabilities");
    m.method<&Name>("Name");
    m.method<&reva::RegisterCallback>("RegisterCallback");
    m.method<&InterfaceStatus>("InterfaceStatus");
    m.method<&reva::ConfigX10>("ConfigX10");
    m.method<&Nothing>("ShutDownX10");
    m.method<&reva::InitX10>("InitX10");
    m.method<&Exec>("Exec");
    m.method<&NothingForDevice>("ExecWait");
    m.method<&reva::InitIO>("InitIO");
    m.method<&reva::ShutdownIO>("ShutdownIO");
    m.method<&reva::ConfigIO>("ConfigIO");
    m.method<&reva::SetIO>("SetIO");
    m.method<&IRPortType>("IRPortType");
    m.method<&reva::InitIR>("InitIR");
    m.method<&Nothing>("ShutDownIR");
    m.get<&MaxKeys>("MaxKeys");
    m.get<&MaxDevices>("MaxDevices");
    m.get<&True>("HasOptions");
    m.method<&True>("IRMatchSupport");
    m.get<&True>("SupportsIRMatch");
    m.get<&MaxZones>("MaxZones");
    m.method<&IsMatchable>("IsMatchable");
    m.method<&reva::ConfigIR>("ConfigIR");
    m.method<&KeyColor>("KeyColor");
    m.method<&TrueFor>("KeyLearnable");
    m.method<&SetZone>("SetZone");
    m.method<&NothingFor>("PlayIR");
    m.method<&reva::LearnIR>("LearnIR");
    m.get<&reva::Version>("Version");
    m.method<&reva::ButtonPress>("ButtonPress");
    m.method<&False>("SupportsTriggerUI");
    m.method<&False>("SupportsActionUI");
    m.method<&EmptyTextFor>("TriggerUI");
    m.method<&EmptyTextForText>("TriggerUIFormat");
    m.method<&ModifyTriggerUI>("ModifyTriggerUI");
    m.method<&EmptyTextFor>("CustomActionDialogUI");
    m.method<&EmptyTextVariant>("ValidateTriggerUI");
    m.method<&EmptyTextVariant>("ValidateActionUI");
    m.method<&False>("SupportsConditionUI");
    m.method<&EmptyTextForNumber>("ConditionUI");
    m.method<&EmptyTextFor>("ConditionUIFormat");
    m.method<&EmptyTextFor>("ConditionCheck");
    m.method<&EmptyTextForText>("GenPage");
    m.method<&reva::SelectMenu>("SelectMenu");
    m.method<&reva::ActionUI>("ActionUI");
    m.method<&reva::ModifyActionUI>("ModifyActionUI");
    m.method<&reva::ActionUIFormat>("ActionUIFormat");
    m.method<&reva::TriggerAction>("TriggerAction");

    m.method<op<&ZephraSlideshowStatus>>("ZephraSlideshowStatus");
    m.method<op<&ZephraSoundsVolumeStatus>>("ZephraSoundsVolumeStatus");
    m.method<op<&ZephraVolumeStatus>>("ZephraVolumeStatus");
    m.method<op<&ZephraBacklightStatus>>("ZephraBacklightStatus");
    m.method<op<&ZephraMailLEDStatus>>("ZephraMailLEDStatus");
    m.method<op<&ZephraTopLEDStatus>>("ZephraTopLEDStatus");
    m.method<op<&ZephraSleepStatus>>("ZephraSleepStatus");
    m.method<op<&ZephraSleepEx>>("ZephraSleepEx");
    m.method<op<&ZephraSleep>>("ZephraSleep");
    m.method<op<&ZephraTextToWav>>("ZephraTextToWav");
    m.method<op<&ZephraSpeakEx>>("ZephraSpeakEx");
    m.method<op<&ZephraSpeak>>("ZephraSpeak");
    m.method<op<&ZephraWavEx>>("ZephraWavEx");
    m.method<op<&ZephraWav>>("ZephraWav");
    m.method<op<&ZephraLEDEx>>("ZephraLEDEx");
    m.method<op<&ZephraLED>>("ZephraLED");
    m.method<op<&ZephraSoundsEx>>("ZephraSoundsEx");
    m.method<op<&ZephraSounds>>("ZephraSounds");
    m.method<op<&ZephraSoundsVolumeEx>>("ZephraSoundsVolumeEx");
    m.method<op<&ZephraSoundsVolume>>("ZephraSoundsVolume");
    m.method<op<&ZephraScreen>>("ZephraScreen");
    m.method<op<&ZephraBacklightEx>>("ZephraBacklightEx");
    m.method<op<&ZephraBacklight>>("ZephraBacklight");
    m.method<op<&ZephraRefreshSleepStatus>>("ZephraRefreshSleepStatus");
    m.method<op<&ZephraWaitsecsEx>>("ZephraWaitsecsEx");
    m.method<op<&ZephraWaitsecs>>("ZephraWaitsecs");
    m.method<op<&ZephraToggleBrowserFullscreen>>("ZephraToggleBrowserFullscreen");
    m.method<op<&ZephraVolumeEx>>("ZephraVolumeEx");
    m.method<op<&ZephraVolume>>("ZephraVolume");
    m.method<op<&ZephraSetBrowserScreenEx>>("ZephraSetBrowserScreenEx");
    m.method<op<&ZephraSetBrowserScreen>>("ZephraSetBrowserScreen");
    m.method<op<&ZephraPushIISPageEx>>("ZephraPushIISPageEx");
    m.method<op<&ZephraPushIISPage>>("ZephraPushIISPage");
    m.method<op<&ZephraPushFullscreenEx>>("ZephraPushFullscreenEx");
    m.method<op<&ZephraPushFullscreen>>("ZephraPushFullscreen");
    m.method<op<&ZephraPushPageEx>>("ZephraPushPageEx");
    m.method<op<&ZephraPushPage>>("ZephraPushPage");
    m.method<op<&ZephraTopLedEx>>("ZephraTopLedEx");
    m.method<op<&ZephraTopLed>>("ZephraTopLed");
    m.method<op<&ZephraMailLedEx>>("ZephraMailLedEx");
    m.method<op<&ZephraMailLed>>("ZephraMailLed");
    m.method<op<&ZephraTextEx>>("ZephraTextEx");
    m.method<op<&ZephraText>>("ZephraText");
    m.method<op<&ZephraCyclePower>>("ZephraCyclePower");
    m.method<op<&ZephraZCIDEx>>("ZephraZCIDEx");
    m.method<op<&ZephraZCID>>("ZephraZCID");
    m.method<op<&ZephraIsSpeaking>>("ZephraIsSpeaking");
    m.method<op<&ZephraCommandBusyEx>>("ZephraCommandBusyEx");
    m.method<op<&ZephraCommandBusy>>("ZephraCommandBusy");
    m.method<op<&ZephraWavTime>>("ZephraWavTime");
    m.method<op<&ZephraWhoSent>>("ZephraWhoSent");
    m.method<op<&ZephraIP>>("ZephraIP");
    m.method<op<&ZephraIPLookup>>("ZephraIPLookup");
    m.method<op<&ZephraResetQueue>>("ZephraResetQueue");
    m.method<op<&ZephraTest>>("ZephraTest");
    m.method<op<&ZephraSlideshow>>("ZephraSlideshow");
    m.method<op<&ZephraExecuteEx>>("ZephraExecuteEx");
    m.method<op<&ZephraExecute>>("ZephraExecute");
    m.method<op<&ZephraPluginDisableEx>>("ZephraPluginDisableEx");
    m.method<op<&ZephraPluginDisable>>("ZephraPluginDisable");
    m.method<op<&ZephraPluginDisableStatus>>("ZephraPluginDisableStatus");
    m.get<op<&ZephraNames>>("ZephraNames");
    m.get<op<&ZEPHRAIPS>>("ZEPHRAIPS");
    m.get<op<&ZephraNextPicture>>("ZephraNextPicture");
    m.method<op<&ZephraSendCIDEx>>("ZephraSendCIDEx");
    m.method<op<&ZephraSendCID>>("ZephraSendCID");
    m.method<op<&ZephraSendHspCID>>("ZephraSendHspCID");
    m.method<op<&ZephraSendHspBrowserCID>>("ZephraSendHspBrowserCID");
    m.method<op<&ZephraSendCommandEx>>("ZephraSendCommandEx");
    m.method<op<&ZephraSendCommand>>("ZephraSendCommand");
    m.method<op<&SendCID>>("SendCID");
    m.method<op<&SendCommand>>("SendCommand");
    m.method<op<&ZephraSlideshowCoordination>>("ZephraSlideshowCoordination");
    m.method<op<&ZephraReloadSettings>>("ZephraReloadSettings");
    m.method<op<&ZephraSetSlideGroupEx>>("ZephraSetSlideGroupEx");
    m.method<op<&ZephraSetSlideGroup>>("ZephraSetSlideGroup");
    m.method<op<&ZephraGetSlideGroup>>("ZephraGetSlideGroup");
    m.method<op<&ZephraSlideshowASP>>("ZephraSlideshowASP");
    m.method<op<&ZephraMP3Load>>("ZephraMP3Load");
    m.method<op<&ZephraMP3>>("ZephraMP3");
    m.method<op<&ZephraMP3Save>>("ZephraMP3Save");
    m.method<op<&ZephraMP3Clear>>("ZephraMP3Clear");
    m.method<op<&ZephraMP3Status>>("ZephraMP3Status");
    m.method<op<&ZephraOnXapMessage>>("ZephraOnXapMessage");
    m.method<op<&ZephraSorvex>>("ZephraSorvex");
    m.method<op<&ZephraSorvexEx>>("ZephraSorvexEx");
}

}  // namespace zephra
