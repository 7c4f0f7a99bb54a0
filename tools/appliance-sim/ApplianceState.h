#pragma once
// What one appliance keeps between requests, as its control pages leave it.

#include <cstdint>
#include <string>

namespace appliance_sim {

struct ApplianceState {
    std::string topLed = "off";  // "off", "on" or "blink"
    std::string mailLed = "off";
    bool backlight = true;
    bool awake = true;
    bool fullScreen = true;   // browser in full-screen mode
    int volume = 50;          // master volume 0-100
    int soundsVolume = 50;    // volume of the built-in sounds 0-100
    int lastSound = -1;       // last sound played, -1 none yet
    std::string currentUrl;   // last URL the browser was sent to
    std::string browsed;      // how loading currentUrl went
    std::string wavUrl;       // last WAV file fetched
    std::int64_t wavMs = -1;  // its measured playing time, -1 unknown
    std::string wavFormat;
    std::string wavError;  // why the last fetch failed, empty when it worked
};

}  // namespace appliance_sim
