// dib_surface.h - pixel-exact drawing checks shared by the unit tests.
//   DibSurface   32-bpp top-down DIB section in a memory DC, filled from a function of (x, y)
//   PixelsAre    a rectangle of a surface against a colour or a function; names the first
//                differing pixel
#ifndef ZELVIX_DIB_SURFACE_H
#define ZELVIX_DIB_SURFACE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

namespace zelvix_test
{
typedef std::function<COLORREF(int x, int y)> ColorFn;
const COLORREF kSentinel = RGB(0x12, 0x34, 0x56);

class DibSurface
{
public:
    DibSurface(int cx, int cy, const ColorFn& fill = [](int, int) { return kSentinel; }) : m_cx(cx), m_cy(cy)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        m_hBitmap = ::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, (void**)&m_pBits, NULL, 0);
        m_hOld = ::SelectObject(m_hDC, m_hBitmap);
        Fill(fill);
    }
    ~DibSurface()
    {
        ::SelectObject(m_hDC, m_hOld);
        ::DeleteDC(m_hDC);
        ::DeleteObject(m_hBitmap);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    void Fill(const ColorFn& fn)
    {
        ::GdiFlush();
        for (int i = 0; i < m_cx * m_cy; ++i) {
            const COLORREF c = fn(i % m_cx, i / m_cx);
            m_pBits[i] = RGB(GetBValue(c), GetGValue(c), GetRValue(c));   // 0x00RRGGBB
        }
    }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const DWORD p = m_pBits[y * m_cx + x];
        return RGB(GetBValue(p), GetGValue(p), GetRValue(p));
    }
    HDC hdc() const { return m_hDC; }

private:
    const int m_cx, m_cy;
    HDC m_hDC = ::CreateCompatibleDC(NULL);
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    DWORD* m_pBits = nullptr;   // owned by m_hBitmap
};

inline ::testing::AssertionResult PixelsAre(const DibSurface& s, const RECT& rc, const ColorFn& expected)
{
    int nBad = 0, xBad = 0, yBad = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (s.At(x, y) != expected(x, y) && nBad++ == 0)
                xBad = x, yBad = y;
    if (nBad == 0)
        return ::testing::AssertionSuccess();
    ::testing::Message message;   // one stream, so that std::hex lasts
    message << nBad << " pixels differ, the first at (" << xBad << "," << yBad << "): 0x" << std::hex
            << s.At(xBad, yBad) << ", expected 0x" << expected(xBad, yBad);
    return ::testing::AssertionFailure() << message;
}
inline ::testing::AssertionResult PixelsAre(const DibSurface& s, const RECT& rc, COLORREF c)
{
    return PixelsAre(s, rc, ColorFn([c](int, int) { return c; }));
}

} // namespace zelvix_test

#endif // ZELVIX_DIB_SURFACE_H
