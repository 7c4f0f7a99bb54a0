#pragma once
// The plug-in's module-level state: what would otherwise be global variables of its
// modules (the host object, the settings, the hidden form and its timer pool, the appliance
// table, the caller-ID, UDP-server, xAP, web-server and status-page variables). One object per loaded
// plug-in; every procedure of the plug-in is given it. Tests make a fresh one for each case.
//
// Each module keeps its part in a struct of its own, declared beside the module; the fields
// keep the names the modules give them. The core's parts and those the core reads are fields
// here; a service's own part is declared in the service and reached with part<T>(), so that the
// core names no layer above it.

#include <cstdint>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/ApplianceTable.h"
#include "core/CallerIdState.h"
#include "core/HostInterfaceState.h"
#include "core/HousekeepingState.h"
#include "core/ServiceHooks.h"
#include "core/Settings.h"
#include "core/TimerPool.h"
#include "core/UserScriptState.h"
#include "core/WebServerState.h"
#include "homeseer/Host.h"
#include "vb/Object.h"

namespace zephra {

class QueueTimer;

class PluginState {
public:
    // `host` may be null until the host registers the plug-in; host() then raises 91.
    explicit PluginState(std::shared_ptr<homeseer::Host> host = nullptr);
    ~PluginState();
    PluginState(const PluginState&) = delete;
    PluginState& operator=(const PluginState&) = delete;

    // The host object `hs`; error 91 "Object variable or With block variable not set" while
    // there is none.
    homeseer::Host& Host() const;
    std::shared_ptr<homeseer::Host> hs;
    // The object the host passed to RegisterCallback (menus, value changes, xAP messages),
    // called late-bound: under the xAP host application it is that application's.
    vb::ObjectRef CallbackObject;

    // Plug-in class and start-up.
    bool IsSetup = false;       // hosted by the xAP host application
    bool IsStandAlone = false;  // "RunAsXapNode" is empty
    bool UseDeviceRefs = false;
    bool ShuttingDown = false;
    bool InitComplete = false;
    int16_t SlideshowMenuState = 0;
    int32_t HostVersionNumber = 0;  // major × 10000 + minor × 1000 + revision
    std::string HouseCode;          // the house code of the plug-in's devices
    int32_t TempFileCounter = 0;    // names the speech files of the plug-in's own speak paths (0-9)
    HostInterfaceState hostInterface;

    // The services' procedures the core calls.
    ServiceHooks services;

    // Settings (the reader's variables).
    ZephraSettings settings;

    // The hidden form that carries every timer, socket and the serial port: made and loaded
    // on first use, as any use of a form's control loads it.
    QueueTimer& QueueTimerForm();
    bool QueueTimerLoaded() const noexcept { return queueTimer_ != nullptr; }
    // Unloads the form, stopping every control on it.
    void UnloadQueueTimer();
    TimerPool timerPool;

    // The appliance table.
    ApplianceTable appliances;

    // The minute timer's and the slideshow timer's routines.
    HousekeepingState housekeeping;

    // A service's own part of the state, made empty on first use and dropped with the plug-in
    // state (the parts in the reverse of their making, after the hidden form has gone).
    template <class T>
    T& Part() {
        const std::type_index type(typeid(T));
        for (const auto& [made, object] : parts_)
            if (made == type) return *static_cast<T*>(object.get());
        parts_.emplace_back(type, std::make_shared<T>());
        return *static_cast<T*>(parts_.back().second.get());
    }

    // Caller ID and xAP.
    ModemState modem;
    XapState xap;

    // The plug-in's own web server, as far as the settings reader touches it.
    WebServerState web;

    // The user script and the texts queued for it.
    UserScriptState scripts;

private:
    std::vector<std::pair<std::type_index, std::shared_ptr<void>>> parts_;
    std::shared_ptr<QueueTimer> queueTimer_;
};

}  // namespace zephra
