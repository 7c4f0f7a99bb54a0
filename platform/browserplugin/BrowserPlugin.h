/*
 * The appliance browser's plug-in interface: the records and entry points through which the
 * browser's plug-in library drives a plug-in program (NPP_ entry points, exported by the plug-in)
 * and the calls the plug-in makes back (NPN_ calls, provided by the library).
 *
 * Threads: the library calls every NPP_ entry point on its browser thread, holding the GUI
 * library lock (PtEnter); NPN_ calls may come from any of the plug-in's threads.
 */
#ifndef BROWSERPLUGIN_BROWSERPLUGIN_H
#define BROWSERPLUGIN_BROWSERPLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char *NPMIMEType;

/* Results of the entry points and calls. */
enum { NPERR_NO_ERROR = 0, NPERR_GENERIC_ERROR = 1, NPERR_INVALID_INSTANCE_ERROR = 2 };

/* Stream delivery modes (NPP_NewStream's *stype). */
enum { NP_NORMAL = 1, NP_SEEK = 2, NP_ASFILE = 3, NP_ASFILEONLY = 4 };

/* How an instance was made (NPP_New's mode). */
enum { NP_EMBED = 1, NP_FULL = 2 };

/* Why a stream ended (NPP_DestroyStream's reason). */
enum { NPRES_DONE = 0, NPRES_NETWORK_ERR = 1, NPRES_USER_BREAK = 2 };

/* One embedded object. pdata is the plug-in's, ndata the browser's. */
typedef struct NPP_t {
    void *pdata;
    void *ndata;
} NPP_t;
typedef NPP_t *NPP;

/* One stream of bytes the browser delivers to an instance. end: its length in bytes, 0 when the
   length is not known. */
typedef struct NPStream {
    void *pdata;
    void *ndata;
    const char *url;
    uint32_t end;
    uint32_t lastmodified;
    void *notifyData;
} NPStream;

/* The place of an instance on the page. */
typedef struct NPWindow {
    void *window;
    int32_t x, y;
    uint32_t width, height;
} NPWindow;

typedef struct NPSavedData {
    int32_t len;
    void *buf;
} NPSavedData;

/* ---- Entry points the plug-in exports ------------------------------------------------------ */
NPError NPP_Initialize(void);
void NPP_Shutdown(void);
NPError NPP_New(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char *argn[], char *argv[],
                NPSavedData *saved);
NPError NPP_Destroy(NPP instance, NPSavedData **save);
NPError NPP_SetWindow(NPP instance, NPWindow *window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream *stream, NPBool seekable, uint16_t *stype);
NPError NPP_DestroyStream(NPP instance, NPStream *stream, NPReason reason);
int32_t NPP_WriteReady(NPP instance, NPStream *stream);
int32_t NPP_Write(NPP instance, NPStream *stream, int32_t offset, int32_t len, void *buffer);
void NPP_StreamAsFile(NPP instance, NPStream *stream, const char *fname);
void NPP_URLNotify(NPP instance, const char *url, NPReason reason, void *notifyData);

/* ---- Calls the library provides ------------------------------------------------------------ */
/* Asks the browser to fetch url for the instance (target null: as a new stream to the instance).
   NPERR_NO_ERROR when the request was taken; the stream arrives later through NPP_NewStream. */
NPError NPN_GetURL(NPP instance, const char *url, const char *target);
/* Memory for the plug-in's records; null when none is left. */
void *NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void *ptr);

#ifdef __cplusplus
}
#endif

#endif
