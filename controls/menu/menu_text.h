// menu_text.h - text tests of the owner-drawn menu on narrow (code page 936) strings.
//
//   TextHasMnemonic      does an item text hold "&" followed by the typed character
//   FindMnemonicIndex    first item position whose text holds it
//   MenuCharResult       the WM_MENUCHAR answer for a position
//   IsClassicThemePath   is a theme file path the classic theme's file
//
// Texts may hold double-byte characters whose trail bytes look like ASCII letters or backslashes
// (GBK trail bytes span 0x40-0xFE), so every scan steps over whole characters with a caller-supplied
// lead-byte test: IsDBCSLeadByte on Windows. The lower-casing of single-byte characters is the
// caller's too (CharLowerBuffA there), so these stay platform-free and are tested natively.
#ifndef ZELVIX_MENU_TEXT_H
#define ZELVIX_MENU_TEXT_H

#include <cstddef>
#include <cstdint>

namespace zelvix {

constexpr std::uint32_t kMenuCharExecute = 2;  // MNC_EXECUTE, in the answer's high word
constexpr char kClassicThemeFileName[] = "Windows Classic.theme";
constexpr std::size_t kClassicThemeFileNameLength = sizeof(kClassicThemeFileName) - 1;

namespace detail {

template <class IsLeadFn>
std::size_t CharLength(const char* text, std::size_t i, std::size_t length, IsLeadFn isLead) noexcept
{
    return (i + 1 < length && isLead(static_cast<unsigned char>(text[i]))) ? 2 : 1;
}

constexpr char AsciiLower(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace detail

// True when text holds "&" directly followed by the character key, in either case, anywhere: in the
// label, in the accelerator text after the tab, or behind a doubled "&&". lower(char) -> char
// lower-cases one single-byte character; isLead(unsigned char) -> bool tells a lead byte. A key
// of 0 or a lead byte matches nothing: it is not a whole character, and half of a double-byte
// character is no mnemonic.
template <class LowerFn, class IsLeadFn>
bool TextHasMnemonic(const char* text, std::size_t length, unsigned char key, LowerFn lower,
                     IsLeadFn isLead) noexcept
{
    if (text == nullptr || key == 0 || isLead(key))
        return false;
    const char wanted = lower(static_cast<char>(key));
    for (std::size_t i = 0; i < length;) {
        const std::size_t n = detail::CharLength(text, i, length, isLead);
        if (n == 1 && text[i] == '&' && i + 1 < length &&
            detail::CharLength(text, i + 1, length, isLead) == 1 && lower(text[i + 1]) == wanted)
            return true;
        i += n;
    }
    return false;
}

// Position (0 .. count - 1) of the first item whose text holds the mnemonic of the typed character
// (its low byte counts), or -1. getText(int position, const char*& text, std::size_t& length) -> bool
// supplies each item's text; an item without text is skipped.
template <class GetTextFn, class LowerFn, class IsLeadFn>
int FindMnemonicIndex(int count, std::uint32_t typedChar, GetTextFn getText, LowerFn lower,
                      IsLeadFn isLead) noexcept
{
    const unsigned char key = static_cast<unsigned char>(typedChar & 0xFF);
    for (int i = 0; i < count; ++i) {
        const char* text = nullptr;
        std::size_t length = 0;
        if (getText(i, text, length) && TextHasMnemonic(text, length, key, lower, isLead))
            return i;
    }
    return -1;
}

// WM_MENUCHAR answer: execute the item at position; 0 (ignore) for no position, or one that the
// answer's low word cannot hold.
constexpr std::uint32_t MenuCharResult(int position) noexcept
{
    return (position < 0 || position > 0xFFFF) ? 0u
                                               : (kMenuCharExecute << 16) + static_cast<std::uint32_t>(position);
}

// True when the theme path names the file "Windows Classic.theme" (any letter case) in any
// directory. The name must be the path's whole last component: "MyWindows Classic.theme" and a
// double-byte character whose trail byte happens to be '\' or 'W' do not count. bytes/size is
// the registry value as read; it stops at the first 0 byte and nothing past size is read.
template <class IsLeadFn>
bool IsClassicThemePath(const char* bytes, std::size_t size, IsLeadFn isLead) noexcept
{
    if (bytes == nullptr)
        return false;
    std::size_t length = 0;
    while (length < size && bytes[length] != '\0')
        ++length;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < length;) {
        const std::size_t n = detail::CharLength(bytes, i, length, isLead);
        if (n == 1 && (bytes[i] == '\\' || bytes[i] == '/' || bytes[i] == ':'))
            nameStart = i + 1;
        i += n;
    }
    if (length - nameStart != kClassicThemeFileNameLength)
        return false;
    for (std::size_t i = 0; i < kClassicThemeFileNameLength; ++i) {
        if (detail::AsciiLower(bytes[nameStart + i]) != detail::AsciiLower(kClassicThemeFileName[i]))
            return false;
    }
    return true;
}

}  // namespace zelvix

#endif  // ZELVIX_MENU_TEXT_H
