#include "program/HostOptions.h"

namespace homeseer {

const char* const kHostUsage =
    "usage: zephra-host --app-dir DIR [--run FILE] [--exit-when-idle] [--plugin LIBRARY] [--web-address IP]\n"
    "                   [--xap] [--xap-kind KIND] [--xap-broadcast IP] [--xap-port N] ...\n"
    "  --app-dir DIR      the application folder (Config, HTML, Data, Scripts), made on first run\n"
    "  --run FILE         run the VBScript file FILE; without it, each line on standard input runs\n"
    "                     as a VBScript statement (\"? expression\" prints its value); at the end\n"
    "                     of the input the host ends once the plug-in is idle, with exit status 1\n"
    "                     when the last statement failed\n"
    "  --exit-when-idle   end once the script is done and every appliance queue is empty\n"
    "                     (exit status 1 when the --run script stopped on an error)\n"
    "  --plugin LIBRARY   load this plug-in library instead of libreva_Zephra.so\n"
    "  --web-address IP   serve the HTML folder on this address (default 127.0.0.1)\n";

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
            reading.message = std::string(kHostUsage) + kXapUsage;
            return reading;
        }
        if (a == "--exit-when-idle") {
            options.exitWhenIdle = true;
        } else if (a == "--app-dir" || a == "--run" || a == "--plugin" || a == "--web-address") {
            std::string& target = a == "--app-dir" ? options.appDir
                                  : a == "--run"   ? options.runFile
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
