// libFuzzer target: the caller-ID server's datagram handling. The input is the registry's text up
// to the first NUL byte (a client list in any state, damaged or not), then datagrams: an address
// byte (the sender is 127.0.0.1 + its low 3 bits; 127.0.0.2 is an appliance), a length byte and
// that many bytes. Afterwards the list is read as the senders read it.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzBed.h"
#include "callerid/UdpServer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zephra;
    testing::PluginTestBed& bed = fuzz::Bed();
    fuzz::StartAfresh(bed);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t end = std::min(input.find('\0'), input.size());
    std::ofstream(bed.app.path() / "registry.ini", std::ios::binary | std::ios::trunc) << input.substr(0, end);
    for (size_t at = end + 1; at + 1 < size;) {
        const std::string ip = "127.0.0." + std::to_string(1 + (data[at] & 7));
        const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
        const std::string bytes(reinterpret_cast<const char*>(data + at + 2), length);
        at += 2 + length;
        ReceiveClientDatagram(bed.state, forms::Datagram{bytes, ip, 4550});
    }
    for (const char* ip : {"127.0.0.2", "127.0.0.3", "-127.0.0.3", ""}) (void)IsRegisteredClient(bed.state, ip);
    (void)ClientEntries();
    return 0;
}
