#pragma once
// Helpers shared by the REGEDIT4 core's files (regedit4.cpp, regedit4import.cpp).
#include "platform/registryansi.h"

#include <cstdint>
#include <string>

namespace regedit4::detail {

inline std::string trimBlanks(const std::string &s)
{
    size_t from = 0, to = s.size();
    while (from < to && s[from] == ' ')
        ++from;
    while (to > from && s[to - 1] == ' ')
        --to;
    return s.substr(from, to - from);
}

// The number of bytes of the character at s[i]: two for a double-byte
// character of the code page (whose second byte may be '\\' or ']'), else one.
inline size_t charLength(const std::string &s, size_t i)
{
    return registry::isLeadByteA(static_cast<uint8_t>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

inline bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A name longer than the registry takes; the count is in characters.
inline bool nameTooLong(const std::string &name)
{
    // A character takes at least one byte: a short name needs no counting.
    return name.size() > size_t(registry::MaxValueNameLength)
           && registry::textLengthA(name) > registry::MaxValueNameLength;
}

} // namespace regedit4::detail
