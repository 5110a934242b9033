#pragma once
// The rules of modCreateObj that every platform shares, in plain C++: a class
// list entry, the choice of the class by name, and the two interface ids built
// from their bytes. The Linux form (modcreateobj.h) and the Windows form
// (win32/modcreateobj_win32.h) both choose through chooseClass.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace modCreateObj {

using Guid = std::array<uint8_t, 16>; // in the byte order of the GUID structure

struct ClassEntryA {
    std::string name; // as the type library writes it, in the ANSI code page
    Guid clsid{};
};

// The run-time error the lookup raises over an empty class list: number 9,
// "下标越界" (UTF-8 here; the Linux form carries it on as its RuntimeError).
struct SubscriptOutOfRange : std::runtime_error {
    SubscriptOutOfRange() : std::runtime_error("\xE4\xB8\x8B\xE6\xA0\x87\xE8\xB6\x8A\xE7\x95\x8C") {}
    static constexpr int number = 9;
};

// IClassFactory {00000001-0000-0000-C000-000000000046} (first = 1) and IUnknown
// {00000000-...} (first = 0): bytes 8 and 15 are 0xC0 and 0x46, the rest 0.
inline Guid comBaseIid(uint32_t first)
{
    Guid g{};
    g[0] = uint8_t(first);
    g[1] = uint8_t(first >> 8);
    g[2] = uint8_t(first >> 16);
    g[3] = uint8_t(first >> 24);
    g[8] = 0xC0;
    g[15] = 0x46;
    return g;
}

// Letter case is ignored for the ASCII letters; a lead or trail byte of a
// double-byte character never counts as a letter.
inline bool sameNameNoCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// The index of the first class named className in any letter case, -1 when
// none is. Throws SubscriptOutOfRange when the list is empty: the lookup reads
// the list's first entry before comparing.
inline int chooseClass(const std::vector<ClassEntryA> &classes, const std::string &className)
{
    if (classes.empty())
        throw SubscriptOutOfRange();
    for (size_t i = 0; i < classes.size(); ++i) {
        if (sameNameNoCase(classes[i].name, className))
            return int(i);
    }
    return -1;
}

} // namespace modCreateObj
