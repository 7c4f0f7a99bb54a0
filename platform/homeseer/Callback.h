#pragma once
// The host's callback object: what the host hands to a plug-in's RegisterCallback. The
// plug-in takes the host object from it (`GetHSIface`), registers its menu entries, asks
// for a free house code for its devices, reports device values it chose, and sends xAP
// messages. Called late-bound by name; its type name is "clsHSCallback", or "Setup" when the
// host poses as the xAP host application.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Class.h"

namespace homeseer {

class HostBase;

class Callback : public automation::Dispatch<Callback> {
public:
    static constexpr std::string_view className = "clsHSCallback";
    static void describe(automation::Members<Callback>& m);

    struct MenuEntry {
        std::string plugin;
        std::string caption;
        bool operator==(const MenuEntry&) const = default;
    };

    explicit Callback(HostBase& host);

    // The host object `hs`.
    vb::ObjectRef GetHSIface();
    // Adds an entry to the host's plug-in menu; choosing it calls the plug-in's SelectMenu
    // with the caption. An entry registered again is kept once.
    void RegisterMenu(const std::string& plugin, const std::string& caption);
    // The character code of a house code that no device uses, outside the letters A to Z
    // ("[" = 91 first); 0 when every one is taken.
    int32_t GetNextFreeIOCode();
    // A plug-in reports that it chose a value for its device: the value and the last change
    // are stored; the value is not delivered back to the plug-in.
    void ValueChangeEvent(const std::string& code, int32_t value);
    // Sends one xAP message through the xAP sender; without one it is written to the log.
    void SendXapMessage(const std::string& target, const std::string& messageClass, const std::string& section,
                        const std::string& body, const std::string& subAddress, const std::string& uid);

    // The xAP host application learns the devices that stay silent on the xAP network (codes
    // as texts). This host announces no device changes of its own, so it only keeps them.
    void SetSilentDeviceCollection(const vb::ObjectRef& codes);
    const std::vector<std::string>& silentDevices() const noexcept { return silentDevices_; }

    // The menu entries registered so far, in order.
    const std::vector<MenuEntry>& menus() const noexcept { return menus_; }

    // What sends xAP messages (the six arguments of SendXapMessage); none: they are logged.
    using XapSender =
        std::function<void(const std::string& target, const std::string& messageClass, const std::string& section,
                           const std::string& body, const std::string& subAddress, const std::string& uid)>;
    void setXapSender(XapSender sender) { xapSender_ = std::move(sender); }
    // Answers the type name of the xAP host application's callback object ("Setup").
    void setXapHostApplication(bool on) noexcept { xapHostApplication_ = on; }
    std::string_view typeName() const override;

private:
    HostBase& host_;
    XapSender xapSender_;
    bool xapHostApplication_ = false;
    std::vector<std::string> silentDevices_;
    std::vector<MenuEntry> menus_;
    std::vector<char> handedOut_;
};

}  // namespace homeseer
