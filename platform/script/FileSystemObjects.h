#pragma once
// "Scripting.FileSystemObject" for scripts: late-bound wrappers over the Windows layer's
// file-system object and its TextStream, File and Folder objects.

#include "vb/Object.h"

namespace script {

// A new file-system object.
vb::ObjectRef makeFileSystemObject();

}  // namespace script
