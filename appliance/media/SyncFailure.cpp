#include "media/SyncFailure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void CheckSync(int result, const char *what, const char *module, std::source_location where)
{
    if (result == 0)
        return;
    std::fprintf(stderr, "%s at \"%s\":%d: %s \n", what, module, static_cast<int>(where.line()), std::strerror(result));
    std::abort();
}
