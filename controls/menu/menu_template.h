// menu_template.h - bounds-checked reader of the standard (RT_MENU) menu template.
//
//   kMenuItemPopup, kMenuItemEnd, kMaxMenuTemplateLevels
//   MenuTemplateItem               one item: option, flags, id, text (UTF-16LE, in place), level
//   MenuTemplateReader             cursor that hands the items out in template order, tracking
//                                  the levels exactly as the loader builds them
//   MenuTemplateReader::Validate   walks a whole template; false if the loader would run off its end
//   MenuItemTextUnit, CopyMenuItemText   reading an item's text out of the resource
//
// COwnerDrawnMenu::LoadMenu validates first, so a bad resource is refused before the menu's old
// contents are destroyed, and then builds the menu from the items. Nothing here reads a byte at or
// beyond data + size, and the resource needs no alignment.
#ifndef ZELVIX_MENU_TEMPLATE_H
#define ZELVIX_MENU_TEMPLATE_H

#include <cstddef>
#include <cstdint>

namespace zelvix {

constexpr std::uint16_t kMenuItemPopup = 0x0010;  // MF_POPUP: the popup's own items follow it
constexpr std::uint16_t kMenuItemEnd = 0x0080;    // MF_END: last item of its level

// Deepest nesting accepted, the menu itself counted as the first level. Far beyond any real menu;
// it keeps a crafted resource from making the loader nest menus without end.
constexpr std::size_t kMaxMenuTemplateLevels = 64;

struct MenuTemplateItem {
    std::uint16_t nOption;        // option word as stored, MF_END included
    std::uint16_t nFlags;         // what the loader hands on: the option without MF_END
    std::uint16_t nID;            // command id (0: separator); 0 for a popup, which has none
    bool bPopup;                  // the items that follow belong to a new popup, one level deeper
    const std::uint8_t* pText;    // first byte of the text inside the template (not aligned)
    std::size_t nTextUnits;       // UTF-16 units of the text, without its terminating 0
    std::size_t nLevel;           // level that receives the item: 0 is the menu itself
    std::size_t nLevelsClosed;    // levels finished right after this item, innermost first
};

class MenuTemplateReader {
public:
    // data/size: the locked resource and its size. Nothing is read before the first Next.
    MenuTemplateReader(const std::uint8_t* data, std::size_t size) noexcept
        : m_pData(data), m_nSize(data != nullptr ? size : 0)
    {
    }

    // Reads the next item. False when the template has ended (IsComplete) or cannot be read on
    // (IsMalformed): an item or the header cut off by the end of the data, or nesting too deep.
    bool Next(MenuTemplateItem& item) noexcept
    {
        if (m_nState != kReading)
            return false;
        if (!m_bStarted) {
            std::uint16_t offset = 0;
            if (!ReadWord(2, offset))
                return Fail();
            m_nPos = 4 + std::size_t(offset);
            m_nLevels = 1;
            m_arrEnds[0] = false;
            m_bStarted = true;
        }

        std::size_t pos = m_nPos;
        std::uint16_t option = 0;
        if (!ReadWord(pos, option))
            return Fail();
        pos += 2;
        const bool popup = (option & kMenuItemPopup) != 0;
        std::uint16_t id = 0;
        if (!popup) {
            if (!ReadWord(pos, id))
                return Fail();
            pos += 2;
        }
        const std::size_t textStart = pos;
        for (std::uint16_t unit = 1; unit != 0; pos += 2) {
            if (!ReadWord(pos, unit))
                return Fail();
        }
        if (popup && m_nLevels >= kMaxMenuTemplateLevels)
            return Fail();

        item.nOption = option;
        item.nFlags = static_cast<std::uint16_t>(option & ~kMenuItemEnd);
        item.nID = id;
        item.bPopup = popup;
        item.pText = m_pData + textStart;
        item.nTextUnits = (pos - textStart) / 2 - 1;
        item.nLevel = m_nLevels - 1;
        item.nLevelsClosed = 0;
        m_nPos = pos;

        // A popup marked as last only ends its level once its own items are done; the next item
        // read is always the popup's first.
        if (option & kMenuItemEnd)
            m_arrEnds[m_nLevels - 1] = true;
        if (popup) {
            m_arrEnds[m_nLevels++] = false;
        } else {
            while (m_nLevels > 0 && m_arrEnds[m_nLevels - 1]) {
                --m_nLevels;
                ++item.nLevelsClosed;
            }
            if (m_nLevels == 0)
                m_nState = kComplete;
        }
        return true;
    }

    // The menu itself has been closed: every item has been read. Bytes after it are ignored.
    bool IsComplete() const noexcept { return m_nState == kComplete; }
    bool IsMalformed() const noexcept { return m_nState == kMalformed; }

    // Walks the whole template as the loader would; true only if it ends within the data.
    static bool Validate(const std::uint8_t* data, std::size_t size) noexcept
    {
        MenuTemplateReader reader(data, size);
        MenuTemplateItem item{};
        while (reader.Next(item)) {
        }
        return reader.IsComplete();
    }

private:
    enum State { kReading, kComplete, kMalformed };

    bool ReadWord(std::size_t pos, std::uint16_t& value) const noexcept
    {
        if (pos >= m_nSize || m_nSize - pos < 2)
            return false;
        value = static_cast<std::uint16_t>(m_pData[pos] | (m_pData[pos + 1] << 8));
        return true;
    }

    bool Fail() noexcept
    {
        m_nState = kMalformed;
        return false;
    }

    // data members
    const std::uint8_t* m_pData;  // not owned
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    std::size_t m_nLevels = 0;                  // open levels, the menu itself included
    bool m_arrEnds[kMaxMenuTemplateLevels] = {};  // level ends after its current item
    bool m_bStarted = false;
    State m_nState = kReading;
};

// Unit i of an item's text (i < nTextUnits), read byte-wise since the text need not be aligned.
inline char16_t MenuItemTextUnit(const MenuTemplateItem& item, std::size_t i) noexcept
{
    const std::uint8_t* p = item.pText + 2 * i;
    return static_cast<char16_t>(p[0] | (p[1] << 8));
}

// Copies the text into dest with a terminating 0, cut to destUnits - 1 units; returns the units
// copied. CharT is wchar_t on Windows (16 bits there) and char16_t natively.
template <class CharT>
std::size_t CopyMenuItemText(const MenuTemplateItem& item, CharT* dest, std::size_t destUnits) noexcept
{
    static_assert(sizeof(CharT) >= 2, "UTF-16 units need at least 16 bits");
    if (dest == nullptr || destUnits == 0)
        return 0;
    const std::size_t n = item.nTextUnits < destUnits - 1 ? item.nTextUnits : destUnits - 1;
    for (std::size_t i = 0; i < n; ++i)
        dest[i] = static_cast<CharT>(MenuItemTextUnit(item, i));
    dest[n] = CharT(0);
    return n;
}

}  // namespace zelvix

#endif  // ZELVIX_MENU_TEMPLATE_H
