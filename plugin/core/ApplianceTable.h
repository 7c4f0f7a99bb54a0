#pragma once
// The appliance table: the configured appliances in the line order of the INI section
// "Zephra Names", each slot with its addresses, device codes, slide group, caller-ID switch
// and its appliance object. There is always at least one slot; an empty table is one slot
// with every field empty. Rebuilt at every settings reading (DefineZephras).

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace zephra {

class Zephra;

struct ZephraEntry {
    std::string IP;
    std::string Computer;      // host name or address for page requests (IP when none is given)
    std::string Name;          // lower case, trimmed; "" in a slot that holds no appliance
    std::string ZephraDC;      // base device code: house code and unit
    std::string PowerDevice;   // X10 code of the power switch, upper case; "" = none
    std::string MotionDevice;  // X10 code of the motion sensor, upper case; "" = none
    int16_t SlideGroup = 0;
    bool DoCID = false;
    std::string X10Server;
    bool ZephraActive = false;
    std::shared_ptr<Zephra> Object;
};

struct ApplianceTable {
    std::vector<ZephraEntry> slots{ZephraEntry()};
    std::string CIDZephraNames;    // names of the caller-ID appliances joined with ","
    int16_t AppendedSlotMark = 0;  // index of the slot last appended, less one
    // Names asked for that match no appliance, each logged once (at most kMaxUnknownNames).
    std::set<std::string> UnknownNames;
    static constexpr std::size_t kMaxUnknownNames = 64;
    // While the settings are read again: the objects of the appliances configured before, kept
    // with their queues, waits and timers for the same address; those not configured any more
    // are shut down once the reading has defined the appliances.
    std::vector<std::shared_ptr<Zephra>> Carried;

    // Back to one empty slot, releasing every appliance object.
    void Reset() {
        slots.assign(1, ZephraEntry());
        UnknownNames.clear();
        Carried.clear();
    }
    int32_t Last() const { return static_cast<int32_t>(slots.size()) - 1; }
};

}  // namespace zephra
