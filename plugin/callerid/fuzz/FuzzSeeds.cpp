// Writes the seed files of the caller-ID fuzz targets into a folder: for "modem", calls as the
// modem stand-in's scripts play them (cut into serial events as the target reads them); for
// "udp", client lists and the subscribe and unsubscribe datagrams; for "xap", the messages the
// xAP tests hand the plug-in.
// Usage: callerid_fuzz_seeds modem|udp|xap FOLDER

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ModemScript.h"

namespace {

// A script's text as serial events of `chunk` bytes each, after the switches byte.
std::string ModemSeed(const std::string& script, char switches, std::size_t chunk) {
    std::string bytes;
    for (const modem_sim::ModemStep& step : modem_sim::parseModemScript(script))
        if (step.kind == modem_sim::ModemStep::Kind::send) bytes += step.text;
    std::string seed(1, switches);
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const std::string piece = bytes.substr(at, chunk);
        seed += static_cast<char>(piece.size());
        seed += piece;
    }
    return seed;
}

std::string Datagram(int address, const std::string& bytes) {
    return std::string(1, static_cast<char>(address)) + static_cast<char>(bytes.size()) + bytes;
}

std::vector<std::string> Seeds(const std::string& kind) {
    const std::string call = "RING\nDATE = 1208\nTIME = 1937\nNMBR = 5551234\nNAME = JOHN DOE\n";
    if (kind == "modem")
        return {ModemSeed(call, 1, 64), ModemSeed(call, 1, 1), ModemSeed(call + "raw NMBR = 5559876\n", 1, 3),
                ModemSeed("raw ###DATE12081937...NMBR5551234567...NAMEJOHN DOE+++\\r\n", 0, 20), ModemSeed(call, 2, 7)};
    if (kind == "udp") {
        std::string full = "[Zephra\\Clients]\r\nClientMax=1024\r\n";
        for (int k = 1; k <= 1024; ++k) full += std::to_string(k) + "=10.0.0." + std::to_string(k % 250) + "\r\n";
        const std::string some =
            "[Zephra\\Clients]\r\nClientMax=2\r\n1=127.0.0.3\r\n2=-127.0.0.4\r\n"
            "[Zephra\\Options]\r\nDebug=True\r\n";
        return {std::string(1, '\0') + Datagram(1, "\1") + Datagram(2, "\1") + Datagram(1, "\2") + Datagram(1, "\1"),
                some + '\0' + Datagram(3, "\1") + Datagram(2, "\2") + Datagram(0, "") + Datagram(4, "\3x"),
                full + '\0' + Datagram(1, "\1") + Datagram(5, "\1"),
                "[Zephra\\Clients]\r\nClientMax=40000\r\n" + std::string(1, '\0') + Datagram(6, "\1")};
    }
    return {
        "xap-header\n{\nv=12\nhop=1\nuid=FF123400\nclass=xAP-OSD.Display\nsource=acme.pc.den\n"
        "target=dkv.dkvZephra.kitchen\n}\ndisplay.text\n{\nline1=Hello\nline2=World\nduration=10\n}\n",
        "xap-header\n{\nclass=TTS.Speak\nsource=acme.pc.den\ntarget=dkv.dkvZephra.*\n}\ntts.speak\n{\n"
        "say=Dinner is ready\n}\n",
        "xap-header\n{\nclass=xAPBSC.cmd\nsource=acme.pc.den\ntarget=dkv.dkvZephra.kitchen:display\n}\n"
        "output.state.1\n{\nid=*\nstate=on\nlevel=50%\ntext=hi\n}\n",
        "xap-header\n{\nclass=Time.Today\nsource=acme.sun.home\n}\ntime.today\n{\nsunrise=06:42\n"
        "sunset=19:37\n}\n",
        "xap-header\n{\nclass=CID.Incoming\nsource=acme.phone.line1\n}\nCID.Incoming\n{\nType=Voice\n"
        "Phone=5551234567\nName=JOHN DOE\nRNNumber=Available\nRNName=Available\n}\n",
        "xap-header\n{\nclass=xAP-X10.Event\nsource=acme.x10.house\n}\nevent\n{\ndevice=A3\nevent=on\n}\n"};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: callerid_fuzz_seeds modem|udp|xap FOLDER\n", stderr);
        return 2;
    }
    int n = 0;
    for (const std::string& seed : Seeds(argv[1])) {
        std::ofstream out(std::string(argv[2]) + "/seed" + std::to_string(++n), std::ios::binary);
        out << seed;
        if (!out) return 1;
    }
    return 0;
}
