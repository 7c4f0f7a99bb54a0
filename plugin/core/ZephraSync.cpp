// Bringing the appliance in step with its host devices, and waiting a bounded time for a
// command to finish.

#include "core/CWaitNDispatch.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "forms/Loop.h"
#include "homeseer/Host.h"
#include "vb/Conversions.h"

namespace zephra {

using namespace ztext;

namespace {

// Sleep, top LED, mail LED, sounds volume and master volume, in this order.
constexpr int kSyncedGroups[] = {1, 3, 4, 7, 8};
constexpr int kWaitPasses = 10;

}  // namespace

void Zephra::SyncWithHomeseer() {
    auto keepAlive = Self();
    if (vb::Try([&] {
            homeseer::Host& hs = state_.Host();
            if (PowerReportedOff()) return;
            for (int group : kSyncedGroups) {
                const std::string code = DeviceCode(group);
                int16_t value = vb::CInt(vb::Variant(hs.DeviceValue(code)));
                std::string house = state_.HouseCode;
                std::string unit = code.empty() ? std::string() : code.substr(1);
                int16_t command = homeseer::kValueSetCommand;
                state_.services.SetZephraIO(state_, house, unit, command, value);
            }
            BrowserFullScreen_ = hs.DeviceValue(DeviceCode(5)) != 0;
            Sounds_ = vb::CInt(vb::Variant(hs.DeviceValue(DeviceCode(6))));
        }))
        return;
    vb::Try([&] { WriteLog(state_.Host(), kSource, kLogSyncWithHomeseer); });
}

bool Zephra::WaitForCommandComplete(const std::string& tag, int16_t seconds) {
    auto keepAlive = Self();  // the wait lets everything run, a release too
    bool result = false;
    if (vb::Try([&] {
            const int32_t slice = int32_t{seconds} * 100;
            if (slice > INT16_MAX || slice < INT16_MIN) vb::raise(vb::errors::Overflow);
            result = true;
            for (int pass = 0; pass < kWaitPasses; ++pass) {
                if (!CommandBusy(tag)) {
                    result = false;
                    return;
                }
                if (!CommandWait_) CommandWait_ = std::make_unique<CWaitNDispatch>();
                CommandWait_->Wait(slice);
                forms::DoEvents();
            }
        }))
        return result;
    LogErrorText(kLogWaitForCommandComplete + std::to_string(vb::Err().Number) + " ");
    return result;
}

}  // namespace zephra
