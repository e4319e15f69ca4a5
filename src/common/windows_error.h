#pragma once

// Windows only.

namespace velmora::platform {

// The errno value that says what a Windows error code means for a file operation. The C runtime turns a file held
// by another program into EACCES and a lost network folder into EINVAL or ENOENT; here they keep their own
// meaning. A code with no place here gives `otherwise`.
int errnoOfWindowsError(unsigned long code, int otherwise);

}  // namespace velmora::platform
