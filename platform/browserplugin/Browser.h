// The browser side of the plug-in library: the browser (the driver program, or a test) installs
// itself here, and the NPN_ calls the plug-in makes reach it. Not for plug-ins.
#pragma once

#include "browserplugin/BrowserPlugin.h"

#include <string>

namespace browserplugin {

class Browser {
public:
    virtual ~Browser() = default;
    // A plug-in asked for url (NPN_GetURL); called on the plug-in's thread. The result is the call's.
    virtual NPError GetURL(NPP instance, const char *url, const char *target) = 0;
    // One line of the call log.
    virtual void Log(const std::string &line) = 0;
};

// Installs the browser the NPN_ calls reach (null: none; NPN_GetURL then fails).
void SetBrowser(Browser *browser);

}  // namespace browserplugin
