// libFuzzer target for the mnemonic search of the owner-drawn menu (built on its own with clang
// -fsanitize=fuzzer,address,undefined). Input: the typed character (two bytes, only the low one
// counts), the lead-byte rule, then item texts separated by 0xFF 0x00 (texts hold any other
// bytes: lone lead bytes, '&' at the end, trail bytes that look like letters). An empty text at an
// even position stands for an item without a record. The position found must be the first one a
// walk over whole characters finds, and the WM_MENUCHAR answer must encode it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "menu_text.h"

namespace
{
bool GbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool NoLead(unsigned char) { return false; }
bool AllLead(unsigned char) { return true; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

template <class IsLead>
bool ReferenceHas(const std::vector<std::uint8_t>& text, unsigned char key, IsLead isLead)
{
    if (key == 0 || isLead(key))
        return false;
    // Single-byte characters only, in order; a double-byte character breaks any "&x" pair.
    std::vector<int> chars;  // byte value, or -1 for a double-byte character
    for (std::size_t i = 0; i < text.size();) {
        if (isLead(text[i]) && i + 1 < text.size()) {
            chars.push_back(-1);
            i += 2;
        } else {
            chars.push_back(text[i]);
            i += 1;
        }
    }
    for (std::size_t i = 0; i + 1 < chars.size(); ++i)
        if (chars[i] == '&' && chars[i + 1] >= 0 && AsciiLower(static_cast<char>(chars[i + 1])) == AsciiLower(static_cast<char>(key)))
            return true;
    return false;
}

template <class IsLead>
void Check(std::uint32_t typed, const std::vector<std::vector<std::uint8_t>>& texts, IsLead isLead)
{
    const unsigned char key = static_cast<unsigned char>(typed & 0xFF);
    // Every text in a heap block of its own size, so that a read past a text is seen.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (const auto& text : texts) {
        blocks.emplace_back(new char[text.size()]);
        if (!text.empty())
            std::memcpy(blocks.back().get(), text.data(), text.size());
    }
    auto getText = [&](int i, const char*& text, std::size_t& length) {
        const std::size_t n = static_cast<std::size_t>(i);
        if (texts[n].empty() && i % 2 == 0)
            return false;
        text = blocks[n].get();
        length = texts[n].size();
        return true;
    };
    const int position =
        zelvix::FindMnemonicIndex(static_cast<int>(texts.size()), typed, getText, AsciiLower, isLead);
    int expected = -1;
    for (std::size_t i = 0; i < texts.size() && expected < 0; ++i)
        if (ReferenceHas(texts[i], key, isLead))
            expected = static_cast<int>(i);
    if (position != expected)
        std::abort();
    const std::uint32_t answer = zelvix::MenuCharResult(position);
    if (position < 0 ? answer != 0 : answer != ((zelvix::kMenuCharExecute << 16) | static_cast<std::uint32_t>(position)))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint32_t typed = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8);
    const unsigned rule = data[2] % 3;
    std::vector<std::vector<std::uint8_t>> texts(1);
    for (std::size_t i = 3; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00) {
            texts.emplace_back();
            ++i;
        } else {
            texts.back().push_back(data[i]);
        }
    }
    switch (rule) {
    case 0: Check(typed, texts, GbkLead); break;
    case 1: Check(typed, texts, NoLead); break;
    default: Check(typed, texts, AllLead); break;
    }
    return 0;
}
