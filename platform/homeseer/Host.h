#pragma once
// The host object `hs`: what the plug-in and host scripts call on the host. The plug-in's
// C++ code calls the typed members below; scripts reach the same members late-bound by name
// (`hs.DeviceValue("A5")`, `hs.Plugin("dkvZephra")`) through this class's member table, so
// one implementation serves both. HostBase implements everything but the log, the INI files
// and the application path; RealHost (the host program's) and RecordingHost (tests) complete
// it. Failures raise vb::Error.
//
// Two host generations, told apart by the first character of the version text: older hosts
// ("1.x") address devices by index and by code; newer hosts (2 and above) address them by
// reference. The members marked [newer] exist only on newer hosts: on an older host they
// raise 438, as calling a member the host does not have would.
//
// Device codes are a house code character and a unit number ("A5", "[11", "^99"); they are
// found without regard to letter case. A device reference is a whole number: on newer hosts
// the key of GetDeviceByRef, on older hosts the device's index (from 1) for GetDevice.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Class.h"
#include "vb/Date.h"
#include "vb/Object.h"

namespace homeseer {

class Device;
class HostEvent;
class ListEnumerator;

// Device status values the host keeps for a code (what DeviceStatus answers).
constexpr int32_t kStatusOn = 2;
constexpr int32_t kStatusOff = 3;
constexpr int32_t kStatusDim = 4;
constexpr int32_t kStatusUnknown = 17;  // never switched since the host started

// Host event types for RegisterEventCB.
constexpr int32_t kX10Event = 1;

// The device command with which the host delivers a device value to the plug-in that owns
// the device (SetIO's command argument; the value travels in its brightness argument).
constexpr int16_t kValueSetCommand = 19;
// The `misc` bit that asks the host to deliver value changes of the device to its plug-in.
constexpr int32_t kMiscValueCallback = 0x8000;

class Host : public automation::Dispatch<Host> {
public:
    static constexpr std::string_view className = "HSApplication";
    static void describe(automation::Members<Host>& m);

    ~Host() override = default;

    // --- Log, settings, folders -------------------------------------------------------

    // One entry in the host's log.
    virtual void Writelog(const std::string& source, const std::string& text) = 0;

    // INI files by bare name ("dkvZephraUtilities.ini", "settings.ini"), kept by the host;
    // sections and keys are found without regard to case, values are kept byte for byte.
    // The stored value, or `defaultValue` when the key (or the file) is absent.
    virtual std::string GetIniSetting(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, const std::string& file) = 0;
    virtual void SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& file) = 0;
    // One key of a batch for SaveIniSettings.
    struct IniSetting {
        std::string section, key, value;
        // The section is emptied at this point of the batch (key and value unused), so that a
        // section is replaced in the same change of the file as the rest.
        bool clearSection = false;
    };
    // The entries stored in order as one change of the file: all of them, or none when one
    // cannot be stored (its error is raised). A host that keeps files in memory may store
    // them one by one.
    virtual void SaveIniSettings(const std::vector<IniSetting>& entries, const std::string& file) {
        for (const IniSetting& entry : entries) {
            if (entry.clearSection) ClearINISection(entry.section, file);
            else SaveIniSetting(entry.section, entry.key, entry.value, file);
        }
    }
    // Every entry of the section as "key=value", joined by NUL; "" for none.
    virtual std::string GetINISection(const std::string& section, const std::string& file) = 0;
    virtual void ClearINISection(const std::string& section, const std::string& file) = 0;

    // The application folder, without a trailing separator.
    virtual std::string GetAppPath() = 0;
    // The host's version text, such as "2.5.0.81".
    virtual std::string Version() = 0;

    // --- Devices ---------------------------------------------------------------------

    // Number of devices; the device at `index` (1 .. DeviceCount, in creation order), or
    // Nothing outside that range.
    virtual int32_t DeviceCount() = 0;
    virtual std::shared_ptr<Device> GetDevice(int32_t index) = 0;
    // [newer] The device with that reference, or Nothing.
    virtual std::shared_ptr<Device> GetDeviceByRef(int32_t ref) = 0;
    // A new device named `name`; with a code its `hc` and `dc` are taken from it (an empty
    // code leaves them empty for the caller to set). Answers the device's reference.
    virtual int32_t NewDevice(const std::string& name, const std::string& code = "") = 0;
    // [newer] A new device without a code; answers its reference.
    virtual int32_t NewDeviceRef(const std::string& name) = 0;
    // The reference of the device with that code, or -1 when there is none.
    virtual int32_t DeviceExists(const std::string& code) = 0;
    // [newer] As DeviceExists.
    virtual int32_t DeviceExistsRef(const std::string& code) = 0;
    // Removes the device with that reference (its `ref`); an unknown one does nothing.
    virtual void DeleteDevice(int32_t ref) = 0;
    // [newer] An enumerator over every device (Finished, CountChanged, GetNext).
    virtual std::shared_ptr<ListEnumerator> GetDeviceEnumerator() = 0;

    // A device's status text (scripts call it "devicestring" too), status (kStatus...),
    // value and time of last change, by code. Writes to a code that has no device change
    // nothing; reads of such a code answer "", kStatusUnknown, 0 and 0.
    virtual void SetDeviceString(const std::string& code, const std::string& text) = 0;
    virtual std::string DeviceString(const std::string& code) = 0;
    virtual void SetDeviceStatus(const std::string& code, int32_t status) = 0;
    // As SetDeviceStatus, without raising the host's events.
    virtual void SetDeviceStatusNoReport(const std::string& code, int32_t status, int32_t flags) = 0;
    virtual int32_t DeviceStatus(const std::string& code) = 0;
    // Sets the value and the last change; a device of a plug-in whose `misc` holds
    // kMiscValueCallback has the new value delivered to that plug-in's SetIO (command 19).
    virtual void SetDeviceValue(const std::string& code, int32_t value) = 0;
    virtual int32_t DeviceValue(const std::string& code) = 0;
    virtual void SetDeviceLastChange(const std::string& code, vb::Date when) = 0;
    virtual vb::Date DeviceLastChange(const std::string& code) = 0;

    // --- X10 -------------------------------------------------------------------------

    // Sends an X10 command ("on", "off", "dim", "bright", any letter case) to an X10 code
    // (house letter A-P, unit 1-16): the code's status becomes on or off, its device (if
    // any) gets the change time, and every object registered for kX10Event has its HSEvent
    // called with the array (kX10Event, house letter, unit, command number 2 on / 3 off /
    // 4 dim / 5 bright). `dimLevel` is the brightness in percent for dim and bright.
    // A malformed code or an unknown command raises 5.
    virtual void ExecX10(const std::string& code, const std::string& command, int32_t dimLevel = 0) = 0;
    // The host's last known status of an X10 code: on, off. A code never switched is neither.
    virtual bool IsOn(const std::string& code) = 0;
    virtual bool IsOff(const std::string& code) = 0;
    // The host calls `HSEvent(parms)` on `object` for every event of that type.
    virtual void RegisterEventCB(int32_t eventType, vb::ObjectRef object) = 0;

    // --- Events ----------------------------------------------------------------------

    // Events by index (from 1); Nothing outside the range.
    virtual int32_t EventCount() = 0;
    virtual std::shared_ptr<HostEvent> GetEvent(int32_t index) = 0;
    // A new event of that name; answers its index.
    virtual int32_t NewEvent(const std::string& name) = 0;
    // [newer] A new event of that name; answers the event object.
    virtual std::shared_ptr<HostEvent> NewEventEx(const std::string& name) = 0;
    // [newer] An enumerator over every event (Finished, CountChanged, GetNext).
    virtual std::shared_ptr<ListEnumerator> GetEventEnumerator() = 0;
    // Runs the script of the event with that name (any letter case); an unknown name does
    // nothing.
    virtual void TriggerEvent(const std::string& name) = 0;

    // --- Plug-ins, phone, scripts, time ----------------------------------------------

    // The plug-in object loaded under that name (any letter case), or Nothing.
    virtual vb::ObjectRef Plugin(const std::string& name) = 0;
    // With a name: as Plugin. Without (missing): a collection of every loaded plug-in.
    virtual vb::Variant GetPlugins(const vb::Variant& name) = 0;
    // [newer] The host's phone component ("hsPhone.Application" on older hosts).
    virtual vb::ObjectRef GetHSPRef() = 0;
    // Prepares the host's script engine before a plug-in runs its own script.
    virtual void InitScriptControl() = 0;
    // Waits that many seconds in the host's time, serving events meanwhile.
    virtual void WaitSecs(double seconds) = 0;

    // Today's sunrise and sunset as the host shows them ("6:42 AM"), and the time since
    // the host started ("0 Days 2 Hours 5 Minutes").
    virtual std::string Sunrise() = 0;
    virtual std::string Sunset() = 0;
    virtual std::string SystemUpTime() = 0;
};

}  // namespace homeseer
