#include "program/HostOptions.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace homeseer {

namespace {

// An IPv4 or IPv6 address as the server binds it; "" stands for every address.
bool isAddress(const std::string& text) {
    if (text.empty()) return true;
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 || inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

}  // namespace

OptionsReading ParseHostOptions(const std::vector<std::string>& args) {
    OptionsReading reading;
    HostOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                reading.message = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            reading.help = true;
            return reading;
        }
        if (a == "--exit-when-idle") {
            options.exitWhenIdle = true;
        } else if (a == "--app-dir" || a == "--run" || a == "--plugin" || a == "--web-address") {
            std::string& target = a == "--app-dir"  ? options.appDir
                                  : a == "--run"    ? options.runFile
                                  : a == "--plugin" ? options.plugin
                                                    : options.webAddress;
            if (!value(target)) return reading;
            if (&target == &options.webAddress && !isAddress(target)) {
                reading.message = "--web-address: \"" + target + "\" is not an IP address";
                return reading;
            }
        } else if (ParseXapOption(args, i, options.xap, reading.message)) {
            if (!reading.message.empty()) return reading;
        } else {
            reading.message = "unknown option " + a;
            return reading;
        }
    }
    if (options.appDir.empty()) {
        reading.message = "--app-dir is required";
        return reading;
    }
    reading.options = std::move(options);
    return reading;
}

}  // namespace homeseer
