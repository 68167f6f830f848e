// The private prefix shows the program's texts as a Chinese Windows does: the caption font has
// the Chinese glyphs of its titles, and the caption buttons' symbol font is there.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

// The glyph indices of text in the font lf describes; 0xFFFF marks a glyph the font lacks.
std::wstring FaceAndMissing(const LOGFONTW& lf, const wchar_t* pszText, BYTE* pCharSet)
{
    HDC hdc = ::CreateCompatibleDC(NULL);
    HFONT hFont = ::CreateFontIndirectW(&lf);
    HGDIOBJ hOld = ::SelectObject(hdc, hFont);
    wchar_t szFace[LF_FACESIZE] = L"";
    ::GetTextFaceW(hdc, LF_FACESIZE, szFace);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(hdc, &tm);
    *pCharSet = tm.tmCharSet;
    std::wstring missing;
    WORD wIndex[32];
    const int n = lstrlenW(pszText);
    if (::GetGlyphIndicesW(hdc, pszText, n, wIndex, GGI_MARK_NONEXISTING_GLYPHS) != (DWORD)n)
        missing = pszText;
    for (int i = 0; i < n && missing.empty(); ++i)
        if (wIndex[i] == 0xFFFF)
            missing += pszText[i];
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hFont);
    ::DeleteDC(hdc);
    return std::wstring(szFace) + L"|" + missing;
}

TEST(PrefixFonts, CaptionFontHasTheTitlesGlyphsAndCaptionButtonsTheirSymbols)
{
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0));
    BYTE nCharSet = 0;
    for (const wchar_t* psz : { L"关于", L"ZELVIX直播伴侣" }) {
        const std::wstring got = FaceAndMissing(ncm.lfCaptionFont, psz, &nCharSet);
        EXPECT_EQ(L"", got.substr(got.find(L'|') + 1)) << "the caption font " << ::testing::PrintToString(got)
            << " lacks these characters";
    }
    // Caption buttons draw characters of Marlett (a close button is "r" in it).
    LOGFONTW lf = {};
    lf.lfHeight = -13;
    lf.lfCharSet = SYMBOL_CHARSET;
    lstrcpyW(lf.lfFaceName, L"Marlett");
    EXPECT_EQ(L"Marlett|", FaceAndMissing(lf, L"r", &nCharSet));
    EXPECT_EQ(SYMBOL_CHARSET, nCharSet);
}

} // namespace
