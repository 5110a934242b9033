#include "winplatform.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace {

std::string upper(std::string s)
{
    if (!s.empty())
        CharUpperBuffA(s.data(), DWORD(s.size()));
    return s;
}

// The full, long form of a path, so that "C:\PROGRA~1\x.exe" and its long name compare equal.
std::string canonical(const std::string &path)
{
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), DWORD(sizeof full), full, nullptr);
    std::string out = (n > 0 && n < sizeof full) ? std::string(full, n) : path;
    char longer[MAX_PATH * 2];
    n = GetLongPathNameA(out.c_str(), longer, DWORD(sizeof longer));
    if (n > 0 && n < sizeof longer)
        out.assign(longer, n);
    return upper(out);
}

std::string imageOf(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    char path[MAX_PATH * 2];
    DWORD size = DWORD(sizeof path);
    std::string out;
    if (QueryFullProcessImageNameA(process, 0, path, &size))
        out.assign(path, size);
    CloseHandle(process);
    return out;
}

} // namespace

namespace instance {

bool otherProcessRuns(const std::string &executablePath)
{
    if (executablePath.empty() || GetFileAttributesA(executablePath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    const std::string target = canonical(executablePath);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return false;
    const DWORD self = GetCurrentProcessId();
    bool found = false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more && !found; more = Process32Next(snap, &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0)
            continue;
        const std::string image = imageOf(entry.th32ProcessID);
        found = !image.empty() && canonical(image) == target;
    }
    CloseHandle(snap);
    return found;
}

bool previousInstanceRunning() { return otherProcessRuns(winplatform::executablePath()); }

} // namespace instance

namespace appinfo {

// "" when the system does not tell.
std::string logonUserName()
{
    char name[257];
    DWORD size = DWORD(sizeof name);
    if (!GetUserNameA(name, &size) || size == 0)
        return {};
    return std::string(name, size - 1); // size counts the terminating NUL
}

} // namespace appinfo

namespace winplatform {

std::string executablePath()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace winplatform
