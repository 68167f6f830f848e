// libFuzzer target for the classic-theme test on the theme value as read from the registry
// (built on its own with clang -fsanitize=fuzzer,address,undefined). The value is any bytes of
// any size: no terminator, embedded zeros, lone lead bytes. The first byte picks the lead-byte
// rule; the rest is the value. The answer must agree with a walk that splits the value (up to its
// first zero) into whole characters first: the name is what follows the last single-byte
// separator.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/native/fuzz_text.h"
#include "controls/menu/menu_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        if (zelvix::IsClassicThemePath(nullptr, 0, fuzz::PickRule(0)))
            std::abort();
        return 0;
    }
    const fuzz::LeadRule isLead = fuzz::PickRule(data[0]);
    const std::uint8_t* value = data + 1;
    const std::size_t cb = size - 1;
    std::size_t length = 0, nameStart = 0;
    while (length < cb && value[length] != 0)
        ++length;
    const std::vector<std::size_t> s = fuzz::CharStarts(value, length, isLead);
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        if (s[i + 1] - s[i] == 1 && (value[s[i]] == '\\' || value[s[i]] == '/' || value[s[i]] == ':'))
            nameStart = s[i + 1];
    static const char kName[] = "windows classic.theme";
    bool expected = length - nameStart == sizeof(kName) - 1;
    for (std::size_t i = 0; expected && i < sizeof(kName) - 1; ++i)
        expected = fuzz::Lower(static_cast<char>(value[nameStart + i])) == kName[i];
    // A copy of exactly the value's size on the heap: AddressSanitizer sees any read past it.
    std::unique_ptr<char[]> copy(new char[cb]);
    if (cb > 0)
        std::memcpy(copy.get(), value, cb);
    if (zelvix::IsClassicThemePath(copy.get(), cb, isLead) != expected)
        std::abort();
    return 0;
}
