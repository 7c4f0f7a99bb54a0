// The NPN_ calls: memory from the C heap, URL requests passed on to the installed browser. Each
// call is logged through the browser.
#include "browserplugin/Browser.h"

#include <atomic>
#include <cstdlib>

namespace browserplugin {
namespace {

std::atomic<Browser *> g_browser{nullptr};

}  // namespace

void SetBrowser(Browser *browser)
{
    g_browser.store(browser);
}

}  // namespace browserplugin

extern "C" NPError NPN_GetURL(NPP instance, const char *url, const char *target)
{
    browserplugin::Browser *b = browserplugin::g_browser.load();
    if (!instance || !url) {
        if (b) b->Log("NPN_GetURL -> 1 (no instance or URL)");
        return NPERR_GENERIC_ERROR;
    }
    if (!b) return NPERR_GENERIC_ERROR;
    NPError result = b->GetURL(instance, url, target);
    b->Log("NPN_GetURL " + std::string(url) + (target ? std::string(" target ") + target : std::string()) + " -> " +
           std::to_string(result));
    return result;
}

extern "C" void *NPN_MemAlloc(uint32_t size)
{
    void *p = std::malloc(size);
    if (browserplugin::Browser *b = browserplugin::g_browser.load()) b->Log("NPN_MemAlloc " + std::to_string(size));
    return p;
}

extern "C" void NPN_MemFree(void *ptr)
{
    if (browserplugin::Browser *b = browserplugin::g_browser.load()) b->Log("NPN_MemFree");
    std::free(ptr);
}
