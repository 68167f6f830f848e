// The owner-drawn menu's pure helpers: bounds-checked reading of menu template resources (the
// mnemonic and theme texts are fuzzed: fuzz_*.cpp) and the lightening of its colours.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "controls/menu/menu_color.h"
#include "controls/menu/menu_template.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kPopup = 0x10, kEnd = 0x80;

struct Builder {
    Bytes b;
    explicit Builder(std::uint8_t offset = 0) : b(4 + offset, 0xEE) { b[0] = b[1] = b[3] = 0; b[2] = offset; }
    void Word(unsigned w) { b.push_back(w & 0xFF); b.push_back((w >> 8) & 0xFF); }
    Builder& Item(std::uint16_t option, std::uint16_t id, const std::u16string& text)
    {
        Word(option);
        if (!(option & kPopup))
            Word(id);
        for (char16_t u : text)
            Word(u);
        Word(0);
        return *this;
    }
};

// Items as "level/levels closed" as the cursor reports them; "!" when it stops malformed.
std::string Levels(const std::uint8_t* data, std::size_t size)
{
    zelvix::MenuTemplateReader reader(data, size);
    zelvix::MenuTemplateItem item{};
    std::string out;
    while (reader.Next(item)) {
        EXPECT_LE(item.pText + 2 * (item.nTextUnits + 1), data + size) << "text past the end";
        out += std::to_string(item.nLevel) + "/" + std::to_string(item.nLevelsClosed) + " ";
    }
    return reader.IsComplete() ? out : out + "!";
}

TEST(MenuTemplateReader, ItemsOfAPopupMenu)
{
    const Bytes b = Builder(1).Item(kPopup | kEnd, 0, u"File").Item(0, 1, u"Open").Item(0, 0, u"").Item(0x89, 2, u"Exit\tF4").b;
    EXPECT_EQ("0/0 1/0 1/0 1/2 ", Levels(b.data(), b.size()));  // odd offset: nothing is aligned
    zelvix::MenuTemplateReader reader(b.data(), b.size());
    zelvix::MenuTemplateItem item{};
    while (reader.Next(item) && !reader.IsComplete()) {
    }
    EXPECT_TRUE(item.nOption == 0x89 && item.nFlags == 0x09 && item.nID == 2) << "the end mark is never handed on";
    char16_t text[5];
    EXPECT_EQ(4u, zelvix::CopyMenuItemText(item, text, 5));
    EXPECT_EQ(u"Exit", std::u16string(text));
    // A popup cannot be empty: the item after it is its first, so here the menu stays open.
    const Bytes open = Builder().Item(kPopup, 0, u"P").Item(kEnd, 1, u"Q").b;
    EXPECT_EQ("0/0 1/1 !", Levels(open.data(), open.size()));
}

// Cut-off templates are fuzz_menu_template's: every item inside the input, Validate agreeing with the walk.
TEST(MenuTemplateReader, DepthLimit)
{
    for (std::size_t popups : {zelvix::kMaxMenuTemplateLevels - 1, zelvix::kMaxMenuTemplateLevels}) {
        Builder t;
        for (std::size_t i = 0; i < popups; ++i)
            t.Item(kPopup | kEnd, 0, u"p");
        t.Item(kEnd, 1, u"x");
        EXPECT_EQ(popups < zelvix::kMaxMenuTemplateLevels, zelvix::MenuTemplateReader::Validate(t.b.data(), t.b.size()));
    }
}

TEST(LightenColor, FactorsRoundingAndHighByte)
{
    const struct { double factor; zelvix::Color in, out; } cases[] = {
        {0.7, 0x00C56A31, 0x00EDD2C1},     // 193.2, 210.3, 237.6 truncated
        {0.6, 0x00F0F0F0, 0x00F9F9F9},     // 249 in doubles; x87 precision would give 248
        {0.85, 0x00000000, 0x00D8D8D8},    // 216.75
        {1.0, 0xAB123456, 0x00FFFFFF},
        {1e-300, 0xAB123456, 0x00123456},  // in range: high byte cleared
        {0.0, 0xAB123456, 0xAB123456},     // out of range: untouched, high byte included
        {1.5, 0xAB123456, 0xAB123456},
        {std::numeric_limits<double>::quiet_NaN(), 0xAB123456, 0xAB123456},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, zelvix::LightenColor(c.factor, c.in)) << std::hex << "factor " << c.factor << " colour 0x" << c.in;
}

}  // namespace
