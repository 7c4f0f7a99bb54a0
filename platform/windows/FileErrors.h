#pragma once
// The run-time errors that file, folder, stream and registry calls raise, with the
// numbers and texts the language gives them.

#include "vb/Error.h"

namespace windows {

vb::Error InvalidProcedureCall();  // 5 "Invalid procedure call or argument"
vb::Error BadFileName();           // 52 "Bad file name or number"
vb::Error FileNotFound();          // 53 "File not found"
vb::Error BadFileMode();           // 54 "Bad file mode"
vb::Error DeviceIOError();         // 57 "Device I/O error"
vb::Error FileAlreadyExists();     // 58 "File already exists"
vb::Error InputPastEndOfFile();    // 62 "Input past end of file"
vb::Error PermissionDenied();      // 70 "Permission denied"
vb::Error PathFileAccessError();   // 75 "Path/File access error"
// 75 with its cause added when the system names one, for a file that could not be written:
// "Path/File access error: the disk is full (No space left on device)", "...: the folder is
// read-only (Read-only file system)", or the system's text alone for other causes.
vb::Error PathFileAccessError(int systemError);
vb::Error PathNotFound();  // 76 "Path not found"

}  // namespace windows
