// The registry rules shared with the Linux suite (src/platform/tests/registryrules.cpp),
// against the Win32 registry; and the REGEDIT4 export of the golden tree, which
// must be the same bytes as the Linux export of that tree.
#include "registryrules.h"
#include "wintest.h"

#include <iostream>

int main()
{
    // Names and texts of the rules are GBK bytes: they only mean the same on a
    // system whose ANSI code page is 936.
    if (GetACP() != 936) {
        std::cout << "FAIL  the ANSI code page is " << GetACP() << ", not 936 (set LANG=zh_CN.UTF-8 for Wine)\n";
        return 1;
    }
    int failed = registryrules::runAll(std::cout);
    failed += registryrules::checkExport(wintest::programFolder() + "rules-export.reg", std::cout);
    return failed == 0 ? 0 : 1;
}
