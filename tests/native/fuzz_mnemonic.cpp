// libFuzzer target for the mnemonic search of the owner-drawn menu (built on its own with clang
// -fsanitize=fuzzer,address,undefined). Input: the typed character (two bytes, only the low one
// counts), the lead-byte rule, then item texts separated by 0xFF 0x00 (texts hold any other
// bytes: lone lead bytes, '&' at the end, trail bytes that look like letters). An empty text at an
// even position stands for an item without a record. The position found must be the first one a
// walk over whole characters finds, and the WM_MENUCHAR answer must encode it.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/native/fuzz_text.h"
#include "controls/menu/menu_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint32_t typed = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8);
    const unsigned char key = data[0];
    const fuzz::LeadRule isLead = fuzz::PickRule(data[2]);
    std::vector<std::vector<std::uint8_t>> texts(1);
    for (std::size_t i = 3; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00)
            texts.emplace_back(), ++i;
        else
            texts.back().push_back(data[i]);
    }
    // Every text in a heap block of its own size, so that a read past a text is seen.
    std::vector<std::unique_ptr<char[]>> blocks;
    int expected = -1;
    for (const auto& text : texts) {
        blocks.emplace_back(new char[text.size()]);
        if (!text.empty())
            std::memcpy(blocks.back().get(), text.data(), text.size());
        // A single-byte '&' followed by the key as a single-byte character, in either case; a key
        // of 0 or a lead byte is no character.
        const std::vector<std::size_t> s = fuzz::CharStarts(text.data(), text.size(), isLead);
        for (std::size_t i = 0; expected < 0 && key != 0 && !isLead(key) && i + 2 < s.size(); ++i)
            if (s[i + 1] - s[i] == 1 && text[s[i]] == '&' && s[i + 2] - s[i + 1] == 1
                && fuzz::Lower(static_cast<char>(text[s[i + 1]])) == fuzz::Lower(static_cast<char>(key)))
                expected = static_cast<int>(blocks.size() - 1);
    }
    auto getText = [&](int i, const char*& text, std::size_t& length) {
        const std::size_t n = static_cast<std::size_t>(i);
        text = blocks[n].get();
        length = texts[n].size();
        return !(texts[n].empty() && i % 2 == 0);
    };
    const int position = zelvix::FindMnemonicIndex(static_cast<int>(texts.size()), typed, getText, fuzz::Lower, isLead);
    const std::uint32_t answer = zelvix::MenuCharResult(position);
    if (position != expected
        || answer != (position < 0 ? 0 : (zelvix::kMenuCharExecute << 16) | static_cast<std::uint32_t>(position)))
        std::abort();
    return 0;
}
