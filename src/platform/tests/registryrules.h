#pragma once
// The registry's rules as one table of checks in plain C++, run against every
// backend: the SQLite hives on Linux (tst_registryrules) and the Win32 registry
// under Windows or Wine (src/platform/win32). Each check works below its own
// scratch key and reports what it found instead of what it wanted.
#include "platform/registryansi.h"

#include <ostream>
#include <string>

namespace registryrules {

// The scratch key every run uses (removed first and afterwards), below HKEY_CURRENT_USER.
inline const char *const kScratch = "Software\\zenlo-registry-rules";

// Runs every check; prints one line per check and returns the number that failed.
int runAll(std::ostream &log);

// Builds the tree of the REGEDIT4 golden file (fixtures/rules-export.reg) at
// HKEY_CURRENT_USER\<kScratch>\export, replacing what was there; false when a
// write failed.
bool buildExportTree();
inline const char *const kExportKey = "HKEY_CURRENT_USER\\Software\\zenlo-registry-rules\\export";

// Builds the export tree, exports it and compares the bytes with the golden
// file; 0 when they are the same. With write set, writes the golden file instead.
int checkExport(const std::string &goldenPath, std::ostream &log, bool write = false);

// Removes a key with everything below it (the registry deletes only leaves).
int32_t deleteTree(registry::HKEY root, const std::string &subKey);

} // namespace registryrules
