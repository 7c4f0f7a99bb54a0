#include "core/SoundsDevice.h"

#include "core/ActionTable.h"
#include "core/ApplianceList.h"
#include "core/FastString.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "homeseer/Device.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kPluginName = "dkvZephra";
constexpr int kFirstSoundAction = 18;
constexpr int16_t kSoundsGroup = 6;

}  // namespace

std::string UpdateSoundsButton(PluginState& state, const std::string& location) {
    std::string text;
    if (!vb::Try([&] {
            if (state.settings.StatusOnly) return;
            FastString buttons;
            for (int k = 0; k < kSoundCount; ++k) {
                if (!state.settings.SoundEnabled[static_cast<std::size_t>(k)]) continue;
                buttons.Add(vb::Chr(1) + kPluginName + vb::Chr(2) + std::string(ActionTable[kFirstSoundAction + k]) +
                            " @ " + location + " Zephra");
            }
            text = buttons.value().empty() ? std::string() : buttons.value().substr(1);
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, "UpdateSoundsButton: "); });
    return text;
}

std::string SoundsValues(PluginState& state) {
    FastString values;
    int position = 0;
    for (int k = 0; k < kSoundCount; ++k) {
        if (!state.settings.SoundEnabled[static_cast<std::size_t>(k)]) continue;
        values.Add(vb::Chr(1) + std::string(ActionTable[kFirstSoundAction + k]) + vb::Chr(2) +
                   std::to_string(position));
        ++position;
    }
    return values.value().empty() ? std::string() : values.value().substr(1);
}

void UpdateButtons(PluginState& state) {
    std::vector<std::shared_ptr<Zephra>> appliances;
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object) appliances.push_back(slot.Object);
    for (const std::shared_ptr<Zephra>& zephra : appliances) {
        if (vb::Try([&] {
                const std::string& base = zephra->DeviceCodeBase();
                const std::optional<int16_t> unit = BaseUnitOf(base);
                if (!unit || base.substr(0, 1) != state.HouseCode) return;
                const std::string code = state.HouseCode + std::to_string(*unit + kSoundsGroup);
                const int32_t ref = hsDeviceExists(state, code);
                if (ref == -1) return;
                std::shared_ptr<homeseer::Device> device = hsGetDevice(state, ref);
                if (device) device->setButtons(UpdateSoundsButton(state, device->Location()));
            }))
            continue;
        vb::Try([&] { WriteLog(state.Host(), kSource, "UpdateButtons: "); });
    }
}

}  // namespace zephra
