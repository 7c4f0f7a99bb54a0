#include "windows/FileErrors.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace windows {

vb::Error InvalidProcedureCall() { return vb::Error(5, "Invalid procedure call or argument"); }
vb::Error BadFileName() { return vb::Error(52, "Bad file name or number"); }
vb::Error FileNotFound() { return vb::Error(53, "File not found"); }
vb::Error BadFileMode() { return vb::Error(54, "Bad file mode"); }
vb::Error DeviceIOError() { return vb::Error(57, "Device I/O error"); }
vb::Error FileAlreadyExists() { return vb::Error(58, "File already exists"); }
vb::Error InputPastEndOfFile() { return vb::Error(62, "Input past end of file"); }
vb::Error PermissionDenied() { return vb::Error(70, "Permission denied"); }
vb::Error PathFileAccessError() { return vb::Error(75, "Path/File access error"); }
vb::Error PathFileAccessError(int systemError) {
    std::string text = "Path/File access error";
    if (systemError == 0) return vb::Error(75, text);
    const std::string system = std::strerror(systemError);
    switch (systemError) {
    case ENOSPC:
    case EDQUOT: return vb::Error(75, text + ": the disk is full (" + system + ")");
    case EROFS:
    case EACCES:
    case EPERM: return vb::Error(75, text + ": the folder is read-only (" + system + ")");
    default: return vb::Error(75, text + ": " + system);
    }
}
vb::Error PathNotFound() { return vb::Error(76, "Path not found"); }

}  // namespace windows
