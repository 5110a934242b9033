// The registry rules (registryrules.cpp, shared with the Windows suite) against
// the SQLite hives, and the REGEDIT4 export of the golden tree. Plain C++: the
// Windows suite runs the same checks with a main of its own.
#include "registryrules.h"

#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    const std::string golden = std::string(ZENLO_SOURCE_DIR) + "/src/platform/tests/fixtures/rules-export.reg";
    const bool write = argc > 1 && std::strcmp(argv[1], "--write-golden") == 0;
    int failed = write ? 0 : registryrules::runAll(std::cout);
    failed += registryrules::checkExport(golden, std::cout, write);
    return failed == 0 ? 0 : 1;
}
