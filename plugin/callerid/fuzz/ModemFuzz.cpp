// libFuzzer target: the modem's caller-ID input, fed as serial events of random sizes. The first
// byte sets the switches (bit 0 InsertModemCrLf, bit 1 DebugLog, bit 2 a one-letter name prefix);
// then each event is a size byte (its low 6 bits the event's length; bit 6: 600 ms pass first, so
// that the timers tick; bit 7: a send event, code 3) followed by that many bytes of text.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzBed.h"
#include "callerid/ModemInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zephra;
    testing::PluginTestBed& bed = fuzz::Bed();
    fuzz::StartAfresh(bed);
    if (size == 0) return 0;
    ZephraSettings& s = bed.state.settings;
    s.InsertModemCrLf = data[0] & 1;
    s.DebugLog = data[0] & 2;
    s.CIDNamePrefix = (data[0] & 4) ? "N" : "NAME =";
    for (size_t at = 1; at < size;) {
        const uint8_t head = data[at++];
        const size_t length = std::min<size_t>(head & 0x3f, size - at);
        if (head & 0x40) bed.loop.advance(std::chrono::milliseconds(600));
        const std::string text(reinterpret_cast<const char*>(data + at), length);
        at += length;
        ProcessCommData(bed.state, text, (head & 0x80) ? 3 : 2);
    }
    bed.loop.advance(std::chrono::milliseconds(1000));
    return 0;
}
