#pragma once
// The plug-in class `reva`: the object the host creates when it loads the plug-in and calls
// late-bound by member name. Its members, in the order of the class's interface, are the
// host members (life cycle, constants, device commands, buttons, event actions, menus)
// followed by the script operations (ScriptOperations.h).
//
// The host drives it in this order: Name, Capabilities, AccessLevel; RegisterCallback;
// InitIO; then at run time SetIO, ButtonPress, TriggerAction, SelectMenu, ConfigIO, Version,
// ActionUIFormat, ModifyActionUI, the constant members and the script operations, in any
// order; ShutdownIO last.
//
// One build serves two hosts. An instance hosted by the xAP host application (its callback
// object's type is "Setup") or one whose setting "RunAsXapNode" is empty does the work; a
// HomeSeer-hosted instance with "RunAsXapNode" set is a proxy: InitIO only settles the
// devices' house code, ConfigIO is passed to the xAP host application, and SetIO,
// SelectMenu and ShutdownIO do nothing.

#include <cstdint>
#include <memory>
#include <string>

#include "automation/Class.h"
#include "vb/Object.h"
#include "vb/Variant.h"

namespace zephra {

class PluginState;

class reva : public automation::Dispatch<reva> {
public:
    static constexpr std::string_view className = "reva";
    static void describe(automation::Members<reva>& m);

    // A plug-in with its own state, before registration.
    reva();
    // A plug-in over a given state (tests).
    explicit reva(std::shared_ptr<PluginState> state);
    ~reva() override;

    PluginState& State() const noexcept { return *state_; }
    // True while no appliance has a command queued or in progress.
    bool Idle() const;

    // --- Public variables -------------------------------------------------------------------
    std::string Link;
    std::string linktext;
    std::string page_title;

    // --- Life cycle ------------------------------------------------------------------------
    // Takes the host object from the callback object, logs the version, settles the
    // instance's role and registers the menu entries. A callback object that yields no host
    // shows "Unable to access HS interface" and fails.
    vb::Variant RegisterCallback(const vb::ObjectRef& frm);
    // The start-up, once: the full one in the active instance, else the devices' house code
    // only. "" on success, else the start-up's error text.
    std::string InitIO(int32_t port);
    // Ends the active instance's work: UDP socket closed, appliances shut down and released,
    // hidden form unloaded, host phone and xAP queue released. Errors are ignored step by step.
    void ShutdownIO();
    std::string InitX10(int32_t port);
    std::string InitIR(int32_t port);
    // The setup dialog, modally; a proxy passes the call to the xAP host application.
    void ConfigIO();
    void ConfigX10();
    void ConfigIR();
    // A device command of the host, passed to the device commands in the active instance.
    void SetIO(const vb::Variant& dv, const std::string& houseCode, const std::string& deviceCode, int16_t command,
               int16_t brightness, int16_t data1, int16_t data2);
    // The plug-in's version, "/" and the stored companion version.
    std::string Version();
    vb::Variant LearnIR(int32_t loc);
    void ButtonPress(const vb::Variant& buttonName);
    vb::Variant SelectMenu(const vb::Variant& strMenu);
    std::string ActionUI(const std::string& triggerString);
    void ModifyActionUI(const vb::ObjectRef& controls);
    std::string ActionUIFormat(const std::string& action);
    void TriggerAction(const std::string& actionStr);

private:
    std::shared_ptr<PluginState> state_;
};

}  // namespace zephra
