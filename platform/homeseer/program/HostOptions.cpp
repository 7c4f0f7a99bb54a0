#include "program/HostOptions.h"

namespace homeseer {

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
