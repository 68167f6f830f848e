// libFuzzer target for the classic-theme test on the theme value as read from the registry
// (built on its own with clang -fsanitize=fuzzer,address,undefined). The value is any bytes of
// any size: no terminator, embedded zeros, lone lead bytes. The first byte picks the lead-byte
// rule (code page 936, none, or every byte a lead byte); the rest is the value. The answer must
// agree with a walk that splits the value into whole characters first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "menu_text.h"

namespace
{
bool GbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool NoLead(unsigned char) { return false; }
bool AllLead(unsigned char) { return true; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The value up to its first zero, split into whole characters; the name is what follows the last
// single-byte separator.
template <class IsLead>
bool Reference(const std::uint8_t* data, std::size_t size, IsLead isLead)
{
    std::size_t length = 0;
    while (length < size && data[length] != 0)
        ++length;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < length;) {
        const bool bDouble = isLead(data[i]) && i + 1 < length;
        if (!bDouble && (data[i] == '\\' || data[i] == '/' || data[i] == ':'))
            nameStart = i + 1;
        i += bDouble ? 2 : 1;
    }
    static const char kName[] = "windows classic.theme";
    if (length - nameStart != sizeof(kName) - 1)
        return false;
    for (std::size_t i = 0; i < sizeof(kName) - 1; ++i)
        if (Lower(static_cast<char>(data[nameStart + i])) != kName[i])
            return false;
    return true;
}

template <class IsLead>
void Check(const std::uint8_t* data, std::size_t size, IsLead isLead)
{
    // A copy of exactly size bytes on the heap: AddressSanitizer sees any read past the value.
    std::unique_ptr<char[]> value(new char[size]);
    if (size > 0)
        std::memcpy(value.get(), data, size);
    if (zelvix::IsClassicThemePath(value.get(), size, isLead) != Reference(data, size, isLead))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        if (zelvix::IsClassicThemePath(nullptr, 0, GbkLead))
            std::abort();
        return 0;
    }
    switch (data[0] % 3) {
    case 0: Check(data + 1, size - 1, GbkLead); break;
    case 1: Check(data + 1, size - 1, NoLead); break;
    default: Check(data + 1, size - 1, AllLead); break;
    }
    return 0;
}
