#pragma once
// The name of the user this program runs for, as Windows' GetUserNameA gives it:
// bytes in the ANSI code page, at most 256 of them. Plain C++; on Windows it is
// GetUserNameA itself (src/platform/win32), here the account's name (or $USER,
// $USERNAME when the account has none) converted to the code page.
#include "platform/zenlo_export.h"

#include <string>

namespace appinfo {

ZENLO_CORE_EXPORT std::string logonUserName();

} // namespace appinfo
