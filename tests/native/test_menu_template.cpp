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
constexpr std::uint16_t kPopup = 0x10, kEnd = 0x80, kChecked = 0x08, kGrayed = 0x01;

struct TemplateBuilder {
    Bytes bytes;
    explicit TemplateBuilder(std::uint16_t offset = 0) { Word(0); Word(offset); bytes.resize(4 + offset, 0xEE); }
    void Word(std::uint16_t w) { bytes.push_back(w & 0xFF); bytes.push_back(w >> 8); }
    TemplateBuilder& Item(std::uint16_t option, std::uint16_t id, const std::u16string& text)
    {
        Word(option);
        if (!(option & kPopup))
            Word(id);
        for (char16_t u : text)
            Word(u);
        Word(0);
        return *this;
    }
    TemplateBuilder& Popup(std::uint16_t option, const std::u16string& text) { return Item(option | kPopup, 0, text); }
};

// An exactly sized heap copy, so that AddressSanitizer reports any read past the end.
std::unique_ptr<std::uint8_t[]> ExactCopy(const Bytes& b, std::size_t n)
{
    std::unique_ptr<std::uint8_t[]> p(new std::uint8_t[n ? n : 1]);
    if (n)
        std::memcpy(p.get(), b.data(), n);
    return p;
}

// Reads every item into "level:text/closed" entries (text as ASCII), "!" when malformed.
std::string Trace(const Bytes& b)
{
    auto data = ExactCopy(b, b.size());
    zelvix::MenuTemplateReader reader(data.get(), b.size());
    zelvix::MenuTemplateItem item{};
    std::string out;
    while (reader.Next(item)) {
        out += std::to_string(item.nLevel) + ":";
        for (std::size_t i = 0; i < item.nTextUnits; ++i)
            out += static_cast<char>(zelvix::MenuItemTextUnit(item, i));
        out += "/" + std::to_string(item.nLevelsClosed) + " ";
    }
    EXPECT_NE(reader.IsComplete(), reader.IsMalformed());
    return out + (reader.IsComplete() ? "." : "!");
}

// Independent recursive reading of the same format, the oracle for generated input.
struct ReferenceReader {
    const std::uint8_t* d; std::size_t n; std::size_t pos = 0; std::size_t items = 0;
    bool Word(std::uint16_t& w) { if (pos + 2 > n) return false; w = d[pos] | d[pos + 1] << 8; pos += 2; return true; }
    bool Level(std::size_t open)
    {
        for (;;) {
            std::uint16_t option, id, unit;
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
    bool Valid() { std::uint16_t offset; pos = 2; if (!Word(offset)) return false; pos = 4 + offset; return Level(1); }
};

TEST(MenuTemplateReader, ItemsLevelsAndTexts)
{
    TemplateBuilder t(1);  // odd offset: every word and text unit is unaligned
    t.Popup(kEnd, u"File").Item(0, 1, u"Open").Item(0, 0, u"").Item(kEnd | kChecked | kGrayed, 2, u"Exit\tAlt+F4");
    EXPECT_EQ("0:File/0 1:Open/0 1:/0 1:Exit\tAlt+F4/2 .", Trace(t.bytes));

    zelvix::MenuTemplateReader reader(t.bytes.data(), t.bytes.size());
    zelvix::MenuTemplateItem item{};
    ASSERT_TRUE(reader.Next(item));
    EXPECT_TRUE(item.bPopup);
    EXPECT_EQ(0x10, item.nFlags);
    EXPECT_EQ(0, item.nID);
    while (reader.Next(item) && !reader.IsComplete()) {
    }
    EXPECT_EQ(0x89, item.nOption);
    EXPECT_EQ(0x09, item.nFlags);  // the end mark is never handed on
    EXPECT_EQ(2, item.nID);
    char16_t buffer[5];
    EXPECT_EQ(4u, zelvix::CopyMenuItemText(item, buffer, 5));
    EXPECT_EQ(u"Exit", std::u16string(buffer));
    EXPECT_FALSE(reader.Next(item));
    EXPECT_TRUE(reader.IsComplete());
}

TEST(MenuTemplateReader, LevelsCloseInnermostFirstAndTrailingBytesAreIgnored)
{
    TemplateBuilder t;
    t.Popup(0, u"A").Popup(kEnd, u"a").Item(kEnd, 5, u"x").Item(kEnd, 6, u"B");
    Bytes withTail = t.bytes;
    withTail.insert(withTail.end(), {0x10, 0x00, 0x41});  // the top level has ended: never read
    EXPECT_EQ("0:A/0 1:a/0 2:x/2 0:B/1 .", Trace(t.bytes));
    EXPECT_EQ("0:A/0 1:a/0 2:x/2 0:B/1 .", Trace(withTail));
    // A popup is never empty: the item after it is its first, so an "empty" popup swallows the rest.
    EXPECT_EQ("0:P/0 1:Q/1 !", Trace(TemplateBuilder().Popup(0, u"P").Item(kEnd, 1, u"Q").bytes));
}

TEST(MenuTemplateReader, NestingDepthIsLimited)
{
    for (std::size_t popups : {zelvix::kMaxMenuTemplateLevels - 1, zelvix::kMaxMenuTemplateLevels}) {
        TemplateBuilder t;
        for (std::size_t i = 0; i < popups; ++i)
            t.Popup(kEnd, u"p");
        t.Item(kEnd, 1, u"x");
        EXPECT_EQ(popups < zelvix::kMaxMenuTemplateLevels, zelvix::MenuTemplateReader::Validate(t.bytes.data(), t.bytes.size()))
            << popups << " nested popups";
    }
}

TEST(MenuTemplateReader, EveryTruncationIsRefused)
{
    const Bytes templates[] = {
        TemplateBuilder(3).Popup(kEnd, u"File").Item(0, 1, u"Open\tCtrl+O").Item(0, 0, u"").Item(kEnd, 2, u"Exit").bytes,
        TemplateBuilder().Popup(0, u"A").Popup(kEnd, u"a").Item(kEnd, 5, u"x").Item(kEnd, 6, u"").bytes,
        TemplateBuilder().Item(kEnd, 7, u"\u83DC\u5355").bytes,
    };
    for (const Bytes& b : templates) {
        for (std::size_t len = 0; len < b.size(); ++len) {
            auto data = ExactCopy(b, len);
            ASSERT_FALSE(zelvix::MenuTemplateReader::Validate(len ? data.get() : nullptr, len)) << "length " << len;
        }
        auto data = ExactCopy(b, b.size());
        EXPECT_TRUE(zelvix::MenuTemplateReader::Validate(data.get(), b.size()));
    }
}

// Random template of up to `depth` popup levels below this one.
void AppendLevel(TemplateBuilder& t, std::mt19937& rng, int depth)
{
    const int items = 1 + rng() % 4;
    for (int i = 0; i < items; ++i) {
        const std::uint16_t end = (i == items - 1) ? kEnd : 0;
        std::u16string text(rng() % 5, u'a');
        for (char16_t& u : text)
            u = static_cast<char16_t>(1 + rng() % 0xFFFF);
        if (depth > 0 && rng() % 3 == 0) {
            t.Popup(end | (rng() & 0x4B), text);
            AppendLevel(t, rng, depth - 1);
        } else {
            t.Item(end | (rng() & 0x4B), static_cast<std::uint16_t>(rng()), text);
        }
    }
}

TEST(MenuTemplateReader, AgreesWithReferenceOnGeneratedMalformedInput)
{
    std::mt19937 rng(20240607);
    int accepted = 0, runs = 0;
    for (; runs < 120000; ++runs) {
        TemplateBuilder t(static_cast<std::uint16_t>(rng() % 3));
        AppendLevel(t, rng, 1 + rng() % 6);
        Bytes b = t.bytes;
        switch (runs % 4) {
        case 0: b.resize(rng() % (b.size() + 1)); break;                  // truncated
        case 1: b[rng() % b.size()] = static_cast<std::uint8_t>(rng()); break;  // one byte changed
        case 2: for (auto& x : b) x = (rng() % 4 == 0) ? static_cast<std::uint8_t>(rng()) : (rng() % 2 ? 0x80 : 0x10); break;
        default: break;                                                    // as generated
        }
        auto data = ExactCopy(b, b.size());
        ReferenceReader ref{data.get(), b.size()};
        const bool valid = ref.Valid();
        ASSERT_EQ(valid, zelvix::MenuTemplateReader::Validate(data.get(), b.size())) << "run " << runs;
        if (runs % 4 == 3) {
            ASSERT_TRUE(valid) << "run " << runs;
        }
        zelvix::MenuTemplateReader reader(data.get(), b.size());
        zelvix::MenuTemplateItem item{};
        std::size_t items = 0;
        while (reader.Next(item)) {
            ++items;
            ASSERT_LE(item.pText + 2 * (item.nTextUnits + 1), data.get() + b.size()) << "run " << runs;
        }
        if (valid) {
            ASSERT_EQ(ref.items, items) << "run " << runs;
        }
        accepted += valid;
    }
    EXPECT_GT(accepted, runs / 4);
    EXPECT_LT(accepted, runs / 2 + runs / 8);
}

}  // namespace
