// Writes the seed files of the INI fuzz target into a folder: settings files as the tests and
// the demo write them, a registry with a client list, and damaged text.
// Usage: homeseer_fuzz_seeds FOLDER

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "windows/IniDocument.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: homeseer_fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    windows::IniDocument settings;
    settings.Set("Zephra Utilities", "HomeseerIP", "127.0.0.1");
    settings.Set("Zephra Utilities", "DebugLog", "\"1\"");
    settings.Set("Zephra Utilities", "CIDCommPort", "3");
    settings.Set("Zephra Names", "127.0.0.2/127.0.0.2:8080", "\"Kitchen,~11,A3,A7,1,1,\"");
    settings.Set("Zephra Names", "127.0.0.3", "\"Hall\"");
    settings.Set("T2W", "T2WVoice", "Microsoft Mary");
    windows::IniDocument registry;
    registry.Set("Zephra\\Clients", "ClientMax", "2");
    registry.Set("Zephra\\Clients", "1", "127.0.0.2");
    registry.Set("Zephra\\Clients", "2", "-127.0.0.3");
    registry.Set("Zephra\\Options", "Debug", "True");
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"settings.ini", settings.Text()},
        {"registry.ini", registry.Text()},
        {"damaged.ini", "[Zephra Utilities\r\nDebugLog\r\n=1\r\n[ ]\r\nkey=\x01value\r\n;comment=1\r\n[T2W]x\nA=B"},
        {"lf.ini", "[a]\nb=c\n[A]\nB=d\n"},
    };
    for (const auto& [name, text] : seeds) {
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out << text;
        if (!out) return 1;
    }
    return 0;
}
