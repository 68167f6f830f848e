// Mnemonic search and classic-theme recognition on code page 936 text.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "menu_text.h"

namespace {

bool GbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

TEST(Mnemonics, WhereTheKeyCountsAndWhichPositionWins)
{
    const struct { const char* text; unsigned char key; bool found; } cases[] = {
        {"&Open", 'o', true}, {"&open", 'O', true}, {"Print\tAlt+&P", 'p', true},  // accelerator text too
        {"R&&D", 'd', true}, {"Open", 'o', false}, {"Open&", 'o', false}, {"&", 0, false},
        {"\xB4\xF2\xBF\xAA(&O)", 'o', true},  // "打开(&O)"
        {"\xB0\x41&B", 'b', true},           // 0x41 is a trail byte: the '&' behind it still starts a key
        {"\x81&o", 'o', false},              // scanning goes by whole characters
        {"&\xB4\xF2", 0xB4, false},          // half a character is no key
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, zelvix::TextHasMnemonic(c.text, std::strlen(c.text), c.key, Lower, GbkLead))
            << '"' << c.text << "\" key " << int(c.key);

    const char* texts[] = {"&New", "Ope&n", "E&xit", "&next"};
    int skipped = 2;  // a position without a record is passed over
    auto getText = [&](int i, const char*& text, std::size_t& length) {
        text = texts[i];
        length = std::strlen(text);
        return i != skipped;
    };
    const struct { std::uint32_t typed; int skip, position; } finds[] = {
        {'N', 2, 0}, {0x100 + 'n', 2, 0}, {'n', 0, 1}, {'x', 2, -1}, {'x', 0, 2}, {'e', 2, -1},
    };
    for (const auto& f : finds) {
        skipped = f.skip;
        EXPECT_EQ(f.position, zelvix::FindMnemonicIndex(4, f.typed, getText, Lower, GbkLead)) << "typed " << f.typed;
    }
    EXPECT_TRUE(zelvix::MenuCharResult(1) == 0x20001 && zelvix::MenuCharResult(-1) == 0 && zelvix::MenuCharResult(0x10000) == 0);
}

TEST(IsClassicThemePath, WholeFileNameInAnyCaseAndDirectory)
{
    const struct { std::string value; bool classic; } cases[] = {
        {"Windows Classic.theme", true}, {"C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME", true},
        {"D:/themes/WINDOWS CLASSIC.theme", true},
        {std::string("Windows Classic.theme\0junk", 26), true},  // the value ends at its first 0
        {"C:\\Themes\\MyWindows Classic.theme", false},          // a longer file name
        {"Windows Classic.theme.bak", false}, {"Windows Classic.them", false},
        {"C:\\\x81\\Windows Classic.theme", false},   // 0x81 0x5C is one character, not a directory
        {"C:\\\xB0\x57indows Classic.theme", false},  // the 'W' is a trail byte
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> bytes(new char[c.value.size()]);  // exact size, no terminating 0
        std::memcpy(bytes.get(), c.value.data(), c.value.size());
        EXPECT_EQ(c.classic, zelvix::IsClassicThemePath(bytes.get(), c.value.size(), GbkLead)) << '"' << c.value << '"';
    }
}

}  // namespace
