#include "media/LoadDll.h"

#include "qnx/Sched.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

// The loader's messages, as every host prints them.
constexpr const char *kNoMemory = "LoadDll(): no memory\n";
constexpr const char *kDlopenFailed = " LoadDll(): dlopen(\"%s\") failed (%s)\n";
constexpr const char *kLoaded = "Loaded DLL %p '%s'\n";
constexpr const char *kNoMvInit = "LoadDll(): MvInit not found in \"%s\" (%s)\n";
constexpr const char *kInitFailed = "LoadDll(): MvInit() in \"%s\" failed\n";
constexpr const char *kSucceeded = "MvInit() succeeded\n";

// Plug-ins are opened with local symbol scope, so that two plug-ins never see each other's names.
constexpr int kPluginOpenMode = qnx::QNX_RTLD_LOCAL;

const char *LoaderError()
{
    const char *text = dlerror();
    return text ? text : "";
}

void Unbind(MvPluginCtrl *ctrl, void *library, char *copy)
{
    ctrl->name = nullptr;
    dlclose(library);
    std::free(copy);
}

}  // namespace

int LoadDll(const char *path, MvPluginCtrl *ctrl, const LoadDllOptions &options)
{
    char *copy = path ? strdup(path) : nullptr;
    if (!copy) {
        std::fputs(kNoMemory, stderr);
        return -1;
    }
    void *library = qnx::dlopen(copy, kPluginOpenMode);
    if (!library) {
        std::fprintf(stderr, kDlopenFailed, path, LoaderError());
        std::free(copy);
        return -1;
    }
    if (options.printLoaded)
        std::fprintf(stderr, kLoaded, library, path);
    ctrl->APIversion = 1;
    if (options.setMinorVersion)
        ctrl->MinorVersion = 1;
    ctrl->name = copy;

    dlerror();
    auto init = reinterpret_cast<MvInitF_t>(dlsym(library, "MvInit"));
    if (!init) {
        std::fprintf(stderr, kNoMvInit, path, LoaderError());
        Unbind(ctrl, library, copy);
        return -1;
    }
    if (options.beforeInit)
        options.beforeInit(ctrl);
    if (init(ctrl) != 0) {
        if (options.printInitFailed)
            std::fprintf(stderr, kInitFailed, path);
        Unbind(ctrl, library, copy);
        return -1;
    }
    if (options.printSucceeded)
        std::fputs(kSucceeded, stderr);
    ctrl->dll_handle = library;
    return 0;
}

void UnloadDll(MvPluginCtrl *ctrl)
{
    if (!ctrl)
        return;
    if (ctrl->dll_handle)
        dlclose(ctrl->dll_handle);
    std::free(const_cast<char *>(ctrl->name));
    ctrl->dll_handle = nullptr;
    ctrl->name = nullptr;
}
