// Build-time generator of the pinyin initials table: reads the Unihan readings
// file (decompressed) and writes a C++ source with one letter per ideograph of
// the CJK Unified Ideographs block and its extension A, the first letter of
// the first kMandarin reading ('_' where there is none), and, for the
// ideographs read more than one way today (会 huì / kuài), the letters of every
// reading of today's standard dictionary (kMandarin, kTGHZ2013) as a
// sorted list of code point offsets with a letter mask. Plain C++ so that it
// builds before anything else.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Range {
    uint32_t first;
    uint32_t last;
};
// Keep in step with pinyininitials.cpp.
constexpr Range kRanges[] = {{0x3400, 0x4DBF}, {0x4E00, 0x9FFF}};

// The base letter of the first character of a reading, tone marks removed
// ("ài" -> 'a', "ǹg" -> 'n'); 0 when it is no Latin letter.
char baseLetter(const std::string &reading)
{
    if (reading.empty())
        return 0;
    const unsigned char c = static_cast<unsigned char>(reading[0]);
    if (c < 0x80) {
        const char l = static_cast<char>(c | 0x20);
        return l >= 'a' && l <= 'z' ? l : 0;
    }
    // Decode one UTF-8 sequence.
    uint32_t cp = 0;
    size_t n = 0;
    if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        n = 1;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        n = 2;
    } else {
        return 0;
    }
    if (reading.size() <= n)
        return 0;
    for (size_t i = 1; i <= n; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(reading[i]) & 0x3F);
    struct Mark {
        uint32_t cp;
        char letter;
    };
    static const Mark marks[] = {
        {0xE0, 'a'}, {0xE1, 'a'}, {0xE2, 'a'}, {0xE4, 'a'}, {0x101, 'a'}, {0x1CE, 'a'},
        {0xE8, 'e'}, {0xE9, 'e'}, {0xEA, 'e'}, {0x113, 'e'}, {0x11B, 'e'}, {0x1EBF, 'e'}, {0x1EC1, 'e'},
        {0xEC, 'i'}, {0xED, 'i'}, {0x12B, 'i'}, {0x1D0, 'i'},
        {0xF2, 'o'}, {0xF3, 'o'}, {0x14D, 'o'}, {0x1D2, 'o'},
        {0xF9, 'u'}, {0xFA, 'u'}, {0xFC, 'u'}, {0x16B, 'u'}, {0x1D4, 'u'}, {0x1D6, 'u'}, {0x1D8, 'u'}, {0x1DA, 'u'}, {0x1DC, 'u'},
        {0x144, 'n'}, {0x148, 'n'}, {0x1F9, 'n'},
        {0x1E3F, 'm'},
    };
    for (const Mark &m : marks)
        if (m.cp == cp)
            return m.letter;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: pinyingen Unihan_Readings.txt output.cpp\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "pinyingen: cannot read " << argv[1] << '\n';
        return 1;
    }
    size_t total = 0;
    for (const Range &r : kRanges)
        total += r.last - r.first + 1;
    std::vector<char> table(total, '_');
    std::vector<uint32_t> masks(total, 0); // bit 0 'a' .. bit 25 'z'
    std::string line;
    size_t readings = 0;
    while (std::getline(in, line)) {
        // "U+4E00<TAB>kMandarin<TAB>yī[ reading...]"
        if (line.size() < 3 || line[0] != 'U' || line[1] != '+')
            continue;
        const size_t tab1 = line.find('\t');
        if (tab1 == std::string::npos)
            continue;
        const size_t tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        const std::string field = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const bool mandarin = field == "kMandarin";
        if (!mandarin && field != "kTGHZ2013")
            continue;
        char *end = nullptr;
        const std::string hex = line.substr(2, tab1 - 2);
        const unsigned long value = std::strtoul(hex.c_str(), &end, 16);
        if (hex.empty() || *end != '\0')
            continue;
        const uint32_t cp = static_cast<uint32_t>(value);
        size_t offset = 0;
        bool inRange = false;
        for (const Range &r : kRanges) {
            if (cp >= r.first && cp <= r.last) {
                offset += cp - r.first;
                inRange = true;
                break;
            }
            offset += r.last - r.first + 1;
        }
        if (!inRange)
            continue;
        // "huì kuài" (kMandarin), "0505.010:huì 0656.100:kuài" or "20811.060:háng,xìng" (dictionaries).
        std::string values = line.substr(tab2 + 1);
        while (!values.empty() && (values.back() == '\r' || values.back() == '\n'))
            values.pop_back();
        bool first = true;
        size_t pos = 0;
        while (pos <= values.size()) {
            size_t end = values.find_first_of(" ,", pos);
            if (end == std::string::npos)
                end = values.size();
            std::string reading = values.substr(pos, end - pos);
            if (const size_t colon = reading.find(':'); colon != std::string::npos)
                reading.erase(0, colon + 1);
            if (const char l = baseLetter(reading)) {
                masks[offset] |= 1u << (l - 'a');
                if (mandarin && first) {
                    table[offset] = l;
                    ++readings;
                }
                first = false;
            }
            pos = end + 1;
        }
    }
    if (readings < 20000) {
        std::cerr << "pinyingen: only " << readings << " kMandarin readings in " << argv[1] << '\n';
        return 1;
    }
    const std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << "// Generated by pinyingen from the Unihan readings; do not edit.\n"
               "// One letter per code point of U+3400..U+4DBF then U+4E00..U+9FFF, '_' for none.\n"
               "extern const char zenloPinyinInitials[];\n"
               "extern const unsigned zenloPinyinInitialsSize;\n"
               "const unsigned zenloPinyinInitialsSize = "
            << total << "u;\nconst char zenloPinyinInitials[] =\n";
        for (size_t i = 0; i < total; i += 96) {
            out << "    \"";
            out.write(table.data() + i, static_cast<std::streamsize>(std::min<size_t>(96, total - i)));
            out << "\"\n";
        }
        out << ";\n";
        // Ideographs whose readings begin with more than one letter: offset and letter mask.
        std::vector<std::pair<size_t, uint32_t>> extra;
        for (size_t i = 0; i < total; ++i) {
            uint32_t m = masks[i];
            if (table[i] != '_')
                m |= 1u << (table[i] - 'a');
            if (m & (m - 1))
                extra.emplace_back(i, m);
        }
        out << "extern const unsigned zenloPinyinMoreSize;\nextern const unsigned zenloPinyinMoreOffsets[];\n"
               "extern const unsigned zenloPinyinMoreMasks[];\n"
               "const unsigned zenloPinyinMoreSize = "
            << extra.size() << "u;\nconst unsigned zenloPinyinMoreOffsets[] = {";
        for (size_t i = 0; i < extra.size(); ++i)
            out << (i % 12 ? " " : "\n    ") << extra[i].first << "u,";
        out << "\n};\nconst unsigned zenloPinyinMoreMasks[] = {";
        for (size_t i = 0; i < extra.size(); ++i)
            out << (i % 12 ? " " : "\n    ") << extra[i].second << "u,";
        out << "\n};\n";
        if (!out) {
            std::cerr << "pinyingen: cannot write " << tmp << '\n';
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::cerr << "pinyingen: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
