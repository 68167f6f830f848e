// Mnemonic search and classic-theme recognition on code page 936 text.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "menu_text.h"

namespace {

bool GbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool HasMnemonic(const std::string& text, unsigned char key)
{
    return zelvix::TextHasMnemonic(text.data(), text.size(), key, AsciiLower, GbkLead);
}

TEST(TextHasMnemonic, WhereTheKeyCountsAndWhereNot)
{
    const struct { const char* text; unsigned char key; bool found; } cases[] = {
        {"&Open", 'o', true}, {"&Open", 'O', true}, {"&open", 'O', true},
        {"Save &As\tCtrl+S", 'a', true},
        {"Print\tAlt+&P", 'p', true},       // the accelerator text is searched too
        {"R&&D", 'd', true},                // a doubled ampersand in front of the letter also matches
        {"Open", 'o', false}, {"Open&", 'o', false}, {"&", 'o', false}, {"", 'o', false},
        {"\xB4\xF2\xBF\xAA(&O)", 'o', true},  // "打开(&O)"
        {"\xB0\x41", 'a', false},            // trail byte 0x41 is no 'A'
        {"\x81&o", 'o', false},              // steps by whole characters: 0x81 takes the '&' along
        {"&\xB4\xF2", 0xB4, false},          // half a double-byte character is no key
        {"&", 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, HasMnemonic(c.text, c.key)) << '"' << c.text << "\" key " << int(c.key);

    // Lower-casing is never asked of a trail byte.
    auto strictLower = [](char c) { EXPECT_NE('\x41', c) << "trail byte lower-cased"; return AsciiLower(c); };
    EXPECT_TRUE(zelvix::TextHasMnemonic("\xB0\x41&b", 4, 'b', strictLower, GbkLead));
}

TEST(FindMnemonicIndex, FirstPositionWinsAndResultEncoding)
{
    const std::vector<std::string> texts = {"&New", "Ope&n", "E&xit", "&next"};
    auto getText = [&](int i, const char*& text, std::size_t& length) {
        if (i == 2)
            return false;  // a position without a record is skipped
        text = texts[i].data();
        length = texts[i].size();
        return true;
    };
    const struct { std::uint32_t typed; int position; } cases[] = {
        {'n', 0}, {'N', 0}, {'e', -1}, {'x', -1}, {'w', -1}, {0x100 + 'n', 0},  // only the low byte counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.position, zelvix::FindMnemonicIndex(4, c.typed, getText, AsciiLower, GbkLead)) << "typed " << c.typed;
    EXPECT_EQ(1, zelvix::FindMnemonicIndex(4, 'n', [&](int i, const char*& t, std::size_t& n) {
                  return i > 0 && getText(i, t, n); }, AsciiLower, GbkLead));
    EXPECT_EQ(0x20001u, zelvix::MenuCharResult(1));
    EXPECT_EQ(0x20000u, zelvix::MenuCharResult(0));
    EXPECT_EQ(0u, zelvix::MenuCharResult(-1));
    EXPECT_EQ(0u, zelvix::MenuCharResult(0x10000));
}

TEST(IsClassicThemePath, WholeFileNameInAnyCaseAndDirectory)
{
    const struct { std::string value; bool classic; } cases[] = {
        {"Windows Classic.theme", true},
        {"C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME", true},
        {"D:/themes/WINDOWS CLASSIC.theme", true},
        {std::string("Windows Classic.theme\0junk", 26), true},  // the value ends at its first 0
        {"C:\\Themes\\MyWindows Classic.theme", false},          // a longer file name
        {"Windows Classic.theme.bak", false},
        {"Windows Classic.them", false},
        {"", false},
        {"C:\\\x81\\Windows Classic.theme", false},  // 0x81 0x5C is one character, not a directory
        {"C:\\\xB0\x57indows Classic.theme", false},  // the 'W' is a trail byte
    };
    for (const auto& c : cases) {
        // An exactly sized copy without a terminating 0: nothing past the size may be read.
        std::unique_ptr<char[]> bytes(new char[c.value.size() + 1]);
        std::memcpy(bytes.get(), c.value.data(), c.value.size());
        EXPECT_EQ(c.classic, zelvix::IsClassicThemePath(bytes.get(), c.value.size(), GbkLead)) << '"' << c.value << '"';
    }
    EXPECT_FALSE(zelvix::IsClassicThemePath(nullptr, 5, GbkLead));
}

}  // namespace
