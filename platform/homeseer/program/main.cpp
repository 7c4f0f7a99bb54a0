// zephra-host: the host program of the plug-in on Linux (see HostProgram.h).

#include <iostream>
#include <string>
#include <vector>

#include "program/HostOptions.h"
#include "program/HostProgram.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    homeseer::OptionsReading reading = homeseer::ParseHostOptions(args);
    if (reading.help) {
        std::cout << reading.message;
        return 0;
    }
    if (!reading.options) {
        std::cerr << "zephra-host: " << reading.message << "\n" << homeseer::kHostUsage;
        return 2;
    }
    return homeseer::RunHostProgram(*reading.options, std::cout, std::cerr);
}
