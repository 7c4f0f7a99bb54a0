// A media plug-in whose binding fails, for the loader's tests.
#include "mediaapi/MvPlugin.h"

extern "C" int MvInit(MvPluginCtrl *)
{
    return -1;
}
