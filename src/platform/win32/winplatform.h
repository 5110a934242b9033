#pragma once
// The previous-instance test on Windows, behind the same questions the Linux
// stand-in answers (platform/instance.h); the logged-on user name is
// platform/logonuser.h, implemented in winplatform.cpp. Paths are in the ANSI
// code page.
#include "platform/logonuser.h"

#include <string>

namespace instance {

// True when another running process was started from the same executable file
// (paths compared without regard to letter case, as Windows names files).
bool otherProcessRuns(const std::string &executablePath);
// The same test for this program's own executable.
bool previousInstanceRunning();

} // namespace instance

namespace winplatform {

// The full path of this program's executable (GetModuleFileNameA).
std::string executablePath();

} // namespace winplatform
