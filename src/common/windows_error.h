#pragma once

// Windows only.

#include <string>

namespace velmora::platform {

// The errno value that says what a Windows error code means for a file operation. The C runtime turns a file held
// by another program into EACCES and a lost network folder into EINVAL or ENOENT; here they keep their own
// meaning. A code with no place here gives `otherwise`.
int errnoOfWindowsError(unsigned long code, int otherwise);

// The reason a Windows error code gives, in the user's language: the words of fileErrorReason where the code has
// an errno value, else the system's own text with the code.
std::string windowsErrorReason(unsigned long code);

}  // namespace velmora::platform
