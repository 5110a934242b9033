#pragma once
// The previous-instance test and the logged-on user name on Windows, behind the
// same questions the Linux stand-ins answer (platform/instance.h, the splash
// window's user name). Paths and names are in the ANSI code page.
#include <string>

namespace instance {

// True when another running process was started from the same executable file
// (paths compared without regard to letter case, as Windows names files).
bool otherProcessRuns(const std::string &executablePath);
// The same test for this program's own executable.
bool previousInstanceRunning();

} // namespace instance

namespace winplatform {

// GetUserNameA: the name of the user this process runs for; "" when the
// system does not tell.
std::string logonUserName();
// The full path of this program's executable (GetModuleFileNameA).
std::string executablePath();

} // namespace winplatform
