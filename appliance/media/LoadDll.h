// Host side of the media plug-in binding, shared by every media host: open a plug-in library by
// path, bind it through its MvInit, and close it again after the plug-in has reported MV_DEAD.
#pragma once

#include "mediaapi/MvPlugin.h"

// What differs between hosts when binding. Velora prints the load and success lines and sets
// MinorVersion; Ruvex prints them (and the MvInit failure) only in verbose mode and fills the
// settings after the entry point was found.
struct LoadDllOptions {
    bool printLoaded = true;                           // "Loaded DLL %p '%s'"
    bool printSucceeded = true;                        // "MvInit() succeeded"
    bool printInitFailed = true;                       // "LoadDll(): MvInit() in \"%s\" failed"
    bool setMinorVersion = true;                       // MinorVersion = 1 before MvInit
    void (*beforeInit)(MvPluginCtrl *ctrl) = nullptr;  // called after MvInit was found, before it runs
};

// Binds the library at `path` to `ctrl`, which the host has zero-filled and given cb, prio and
// setup. Keeps a heap copy of the path in ctrl->name and the library in ctrl->dll_handle.
// Messages go to standard error. Returns 0, or -1 with nothing left open and ctrl->name cleared.
int LoadDll(const char *path, MvPluginCtrl *ctrl, const LoadDllOptions &options = {});

// Closes the library of a plug-in that has reported MV_DEAD and frees ctrl->name; clears both.
// The control record itself stays the host's. Never call it from inside the plug-in's callback.
void UnloadDll(MvPluginCtrl *ctrl);
