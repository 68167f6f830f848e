// Bounds-checked reading of menu template resources.
#include <gtest/gtest.h>

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

// An exactly sized heap copy, so that AddressSanitizer reports any read past the end.
std::unique_ptr<std::uint8_t[]> Exact(const Bytes& b, std::size_t n)
{
    std::unique_ptr<std::uint8_t[]> p(new std::uint8_t[n]);
    std::copy(b.begin(), b.begin() + n, p.get());
    return p;
}

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
    Reference(const std::uint8_t* data, std::size_t size) : d(data), n(size) {}
    const std::uint8_t* d; std::size_t n; std::size_t pos = 2, closed = 0; std::string levels;
    bool Word(std::uint16_t& w) { if (pos + 2 > n) return false; w = d[pos] | d[pos + 1] << 8; pos += 2; return true; }
    void Flush() { if (!levels.empty()) levels += std::to_string(closed) + " "; closed = 0; }
    bool Level(std::size_t open)
    {
        for (std::uint16_t option, id, unit;;) {
            if (!Word(option) || (!(option & kPopup) && !Word(id)))
                return false;
            do { if (!Word(unit)) return false; } while (unit != 0);
            Flush();
            levels += std::to_string(open - 1) + "/";
            if ((option & kPopup) && (open >= zelvix::kMaxMenuTemplateLevels || !Level(open + 1)))
                return false;
            if (option & kEnd)
                return ++closed, true;  // counts for the last item read, however deep
        }
    }
    bool Valid() { std::uint16_t offset; if (!Word(offset)) return false; pos = 4 + std::size_t(offset); return Level(1) && (Flush(), true); }
};

void AppendLevel(Builder& t, std::mt19937& rng, int depth)
{
    for (int i = 0, items = 1 + rng() % 4; i < items; ++i) {
        const bool popup = depth > 0 && rng() % 3 == 0;
        const unsigned option = (i == items - 1 ? kEnd : 0) | (popup ? kPopup : 0) | (rng() & 0x4B);
        t.Item(static_cast<std::uint16_t>(option), static_cast<std::uint16_t>(rng()), std::u16string(rng() % 5, char16_t(1 + rng() % 0xFFFF)));
        if (popup)
            AppendLevel(t, rng, depth - 1);
    }
}

TEST(MenuTemplateReader, AgreesWithReferenceOn120000GeneratedTemplates)
{
    std::mt19937 rng(20240607);
    int valid = 0;
    for (int run = 0; run < 120000; ++run) {
        Builder t(static_cast<std::uint8_t>(rng() % 3));
        AppendLevel(t, rng, 1 + rng() % 6);
        Bytes& b = t.b;
        if (run % 4 == 0)
            b.resize(rng() % (b.size() + 1));  // truncated
        else if (run % 4 == 1)
            b[rng() % b.size()] = static_cast<std::uint8_t>(rng());  // one byte changed
        else if (run % 4 == 2)
            for (auto& x : b) x = rng() % 4 ? (rng() % 2 ? 0x80 : 0x10) : static_cast<std::uint8_t>(rng());  // noise
        const auto data = Exact(b, b.size());
        Reference ref{data.get(), b.size()};
        const bool ok = ref.Valid();
        ASSERT_EQ(ok, zelvix::MenuTemplateReader::Validate(data.get(), b.size())) << "run " << run;
        ASSERT_TRUE(ok || run % 4 != 3) << "run " << run << ": a generated template was refused";
        if (ok)
            ASSERT_EQ(ref.levels, Levels(data.get(), b.size())) << "run " << run;
        else
            Levels(data.get(), b.size());
        valid += ok;
    }
    EXPECT_TRUE(valid > 30000 && valid < 75000) << valid << " valid: the generator no longer mixes good and bad input";
}

}  // namespace
