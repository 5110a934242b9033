#pragma once
// A table runner for the Windows test programs (no Qt there): each check
// returns "" when it holds, else what it found; every check is printed and the
// program's exit code counts the failures.
#include <windows.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace wintest {

struct Case {
    std::string name;
    std::function<std::string()> run;
};

inline int runCases(const char *suite, const std::vector<Case> &cases)
{
    int failed = 0;
    for (const Case &c : cases) {
        std::string why;
        try {
            why = c.run();
        } catch (const std::exception &e) {
            why = std::string("unexpected exception: ") + e.what();
        } catch (...) {
            why = "unexpected exception";
        }
        std::cout << (why.empty() ? "PASS  " : "FAIL  ") << c.name << (why.empty() ? "" : ": " + why) << "\n";
        if (!why.empty())
            ++failed;
    }
    std::cout << (failed ? "FAILED " : "PASSED ") << cases.size() - size_t(failed) << "/" << cases.size() << " "
              << suite << "\n";
    return failed;
}

// The folder of this program, with a trailing "\".
inline std::string programFolder()
{
    char path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, path, DWORD(sizeof path));
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

} // namespace wintest
