// Bounds-checked reading of menu template resources.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "menu_template.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kPopup = 0x10, kEnd = 0x80;

struct Builder {
    Bytes b;
    explicit Builder(std::uint16_t offset = 0) : b(4 + offset, 0xEE) { b[0] = b[1] = b[3] = 0; b[2] = offset & 0xFF; }
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

// An exactly sized heap copy, so that AddressSanitizer reports any read past the end.
std::unique_ptr<std::uint8_t[]> Exact(const Bytes& b, std::size_t n)
{
    std::unique_ptr<std::uint8_t[]> p(new std::uint8_t[n]);
    if (n != 0)
        std::memcpy(p.get(), b.data(), n);
    return p;
}

// Items as "level:text/levels closed", then "." when complete or "!" when malformed.
std::string Trace(const Bytes& b)
{
    const auto data = Exact(b, b.size());
    zelvix::MenuTemplateReader reader(data.get(), b.size());
    zelvix::MenuTemplateItem item{};
    std::string out;
    while (reader.Next(item)) {
        out += std::to_string(item.nLevel) + ":";
        for (std::size_t i = 0; i < item.nTextUnits; ++i)
            out += static_cast<char>(zelvix::MenuItemTextUnit(item, i));
        out += "/" + std::to_string(item.nLevelsClosed) + " ";
    }
    return out + (reader.IsComplete() ? "." : reader.IsMalformed() ? "!" : "?");
}

TEST(MenuTemplateReader, LevelsCloseAsTheLoaderClosesThem)
{
    const Builder file = Builder(1).Item(kPopup | kEnd, 0, u"File").Item(0, 1, u"Open").Item(0, 0, u"").Item(0x89, 2, u"Exit\tF4");
    EXPECT_EQ("0:File/0 1:Open/0 1:/0 1:Exit\tF4/2 .", Trace(file.b));  // odd offset: nothing aligned
    Bytes nested = Builder().Item(kPopup, 0, u"A").Item(kPopup | kEnd, 0, u"a").Item(kEnd, 5, u"x").Item(kEnd, 6, u"B").b;
    EXPECT_EQ("0:A/0 1:a/0 2:x/2 0:B/1 .", Trace(nested));
    nested.insert(nested.end(), {0x10, 0, 0x41});  // after the top level has ended nothing is read
    EXPECT_EQ("0:A/0 1:a/0 2:x/2 0:B/1 .", Trace(nested));
    // A popup cannot be empty: the next item is its first, and the menu stays open.
    EXPECT_EQ("0:P/0 1:Q/1 !", Trace(Builder().Item(kPopup, 0, u"P").Item(kEnd, 1, u"Q").b));

    zelvix::MenuTemplateReader reader(file.b.data(), file.b.size());
    zelvix::MenuTemplateItem item{};
    while (reader.Next(item) && !reader.IsComplete()) {
    }
    EXPECT_TRUE(item.nOption == 0x89 && item.nFlags == 0x09 && item.nID == 2) << "the end mark is never handed on";
    char16_t text[5];
    EXPECT_EQ(4u, zelvix::CopyMenuItemText(item, text, 5));
    EXPECT_EQ(u"Exit", std::u16string(text));
}

TEST(MenuTemplateReader, DepthLimitAndEveryTruncation)
{
    for (std::size_t popups : {zelvix::kMaxMenuTemplateLevels - 1, zelvix::kMaxMenuTemplateLevels}) {
        Builder t;
        for (std::size_t i = 0; i < popups; ++i)
            t.Item(kPopup | kEnd, 0, u"p");
        t.Item(kEnd, 1, u"x");
        EXPECT_EQ(popups < zelvix::kMaxMenuTemplateLevels, zelvix::MenuTemplateReader::Validate(t.b.data(), t.b.size()));
    }
    for (const Bytes& b : {Builder(3).Item(kPopup | kEnd, 0, u"File").Item(0, 0, u"").Item(kEnd, 2, u"Exit").b,
                           Builder().Item(kPopup, 0, u"A").Item(kPopup | kEnd, 0, u"a").Item(kEnd, 5, u"").Item(kEnd, 6, u"").b}) {
        for (std::size_t len = 0; len <= b.size(); ++len)
            ASSERT_EQ(len == b.size(), zelvix::MenuTemplateReader::Validate(Exact(b, len).get(), len)) << "length " << len;
    }
}

// The oracle: a recursive reading of the same format, written independently of the cursor.
struct Reference {
    const std::uint8_t* d; std::size_t n; std::size_t pos = 2, items = 0;
    bool Word(std::uint16_t& w) { if (pos + 2 > n) return false; w = d[pos] | d[pos + 1] << 8; pos += 2; return true; }
    bool Level(std::size_t open)
    {
        for (std::uint16_t option, id, unit;;) {
            if (!Word(option) || (!(option & kPopup) && !Word(id)))
                return false;
            do { if (!Word(unit)) return false; } while (unit != 0);
            ++items;
            if ((option & kPopup) && (open >= zelvix::kMaxMenuTemplateLevels || !Level(open + 1)))
                return false;
            if (option & kEnd)
                return true;
        }
    }
    bool Valid() { std::uint16_t offset; if (!Word(offset)) return false; pos = 4 + std::size_t(offset); return Level(1); }
};

void AppendLevel(Builder& t, std::mt19937& rng, int depth)
{
    for (int i = 0, items = 1 + rng() % 4; i < items; ++i) {
        const std::uint16_t option = static_cast<std::uint16_t>((i == items - 1 ? kEnd : 0) | (rng() & 0x4B));
        std::u16string text(rng() % 5, u'a');
        for (char16_t& u : text)
            u = static_cast<char16_t>(1 + rng() % 0xFFFF);
        const bool popup = depth > 0 && rng() % 3 == 0;
        t.Item(popup ? option | kPopup : option, static_cast<std::uint16_t>(rng()), text);
        if (popup)
            AppendLevel(t, rng, depth - 1);
    }
}

TEST(MenuTemplateReader, AgreesWithReferenceOn120000GeneratedTemplates)
{
    std::mt19937 rng(20240607);
    int valid = 0;
    for (int run = 0; run < 120000; ++run) {
        Builder t(static_cast<std::uint16_t>(rng() % 3));
        AppendLevel(t, rng, 1 + rng() % 6);
        Bytes& b = t.b;
        if (run % 4 == 0)
            b.resize(rng() % (b.size() + 1));  // truncated
        else if (run % 4 == 1)
            b[rng() % b.size()] = static_cast<std::uint8_t>(rng());  // one byte changed
        else if (run % 4 == 2)
            for (auto& x : b) x = rng() % 4 ? (rng() % 2 ? 0x80 : 0x10) : static_cast<std::uint8_t>(rng());  // noise
        auto data = Exact(b, b.size());
        Reference ref{data.get(), b.size()};
        const bool ok = ref.Valid();
        ASSERT_EQ(ok, zelvix::MenuTemplateReader::Validate(data.get(), b.size())) << "run " << run;
        ASSERT_TRUE(ok || run % 4 != 3) << "run " << run << ": a generated template was refused";
        zelvix::MenuTemplateReader reader(data.get(), b.size());
        zelvix::MenuTemplateItem item{};
        std::size_t items = 0;
        for (; reader.Next(item); ++items)
            ASSERT_LE(item.pText + 2 * (item.nTextUnits + 1), data.get() + b.size()) << "run " << run;
        ASSERT_TRUE(!ok || items == ref.items) << "run " << run;
        valid += ok;
    }
    EXPECT_TRUE(valid > 30000 && valid < 75000) << valid << " valid: the generator no longer mixes good and bad input";
}

}  // namespace
