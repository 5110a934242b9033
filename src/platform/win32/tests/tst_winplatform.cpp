// The previous-instance test and the logged-on user name on Windows.
#include "platform/win32/winplatform.h"
#include "wintest.h"

#include <cstring>

namespace {

// A second process of this program that waits until the test is done.
struct Sibling {
    PROCESS_INFORMATION pi{};
    HANDLE done = nullptr;
    bool start(const std::string &exe)
    {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        done = CreateEventA(&sa, TRUE, FALSE, nullptr);
        std::string cmd = "\"" + exe + "\" --wait " + std::to_string(reinterpret_cast<uintptr_t>(done));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        return CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    ~Sibling()
    {
        if (done)
            SetEvent(done);
        if (pi.hProcess) {
            WaitForSingleObject(pi.hProcess, 10000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        if (done)
            CloseHandle(done);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--wait") == 0) {
        WaitForSingleObject(reinterpret_cast<HANDLE>(uintptr_t(std::stoull(argv[2]))), 30000);
        return 0;
    }
    const std::string self = winplatform::executablePath();
    std::vector<wintest::Case> cases = {
        {"the executable path is a full path to this program",
         [&] { return self.size() > 4 && self.find(':') == 1 ? "" : "got \"" + self + "\""; }},
        {"alone, no previous instance runs", [] { return instance::previousInstanceRunning() ? "one was found" : ""; }},
        {"an executable nobody runs has no instance",
         [&] {
             return instance::otherProcessRuns(wintest::programFolder() + "probe.dll") ? "probe.dll counts as running" : "";
         }},
        {"a missing file has no instance",
         [] { return instance::otherProcessRuns("C:\\no\\such\\program.exe") ? "found one" : ""; }},
        {"a second process of the same program is found, in any letter case of its path",
         [&] {
             Sibling s;
             if (!s.start(self))
                 return std::string("the second process did not start");
             for (int i = 0; i < 50 && !instance::previousInstanceRunning(); ++i)
                 Sleep(100);
             if (!instance::previousInstanceRunning())
                 return std::string("not found");
             std::string lower = self;
             CharLowerBuffA(lower.data(), DWORD(lower.size()));
             return instance::otherProcessRuns(lower) ? std::string() : std::string("not found by the lower-case path");
         }},
        {"the logged-on user name is the system's",
         [] {
             const std::string name = appinfo::logonUserName();
             char env[256];
             const DWORD n = GetEnvironmentVariableA("USERNAME", env, sizeof env);
             if (name.empty())
                 return std::string("empty");
             if (name.find('\0') != std::string::npos)
                 return std::string("holds a NUL");
             if (n == 0 || n >= sizeof env)
                 return std::string("USERNAME is not set: nothing to compare with");
             return _stricmp(env, name.c_str()) == 0 ? std::string() : "\"" + name + "\" but USERNAME is \"" + env + "\"";
         }},
    };
    return wintest::runCases("platform checks", cases) == 0 ? 0 : 1;
}
