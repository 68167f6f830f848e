// fuzz_text.h - what the text fuzz targets share: the lead-byte rule an input picks (code page
// 936, none, or every byte a lead byte), ASCII lower-casing, and the walk over whole characters
// their references are written against.
#ifndef ZELVIX_FUZZ_TEXT_H
#define ZELVIX_FUZZ_TEXT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz
{
using LeadRule = bool (*)(unsigned char);

inline LeadRule PickRule(std::uint8_t byte)
{
    static const LeadRule rules[] = { [](unsigned char c) { return c >= 0x81 && c <= 0xFE; },
                                      [](unsigned char) { return false; }, [](unsigned char) { return true; } };
    return rules[byte % 3];
}

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Where the characters of text[0, length) start, and (as the last entry) the end.
inline std::vector<std::size_t> CharStarts(const std::uint8_t* text, std::size_t length, LeadRule isLead)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < length; i += isLead(text[i]) && i + 1 < length ? 2 : 1)
        starts.push_back(i);
    starts.push_back(length);
    return starts;
}
} // namespace fuzz

#endif // ZELVIX_FUZZ_TEXT_H
