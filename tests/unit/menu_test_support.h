// menu_test_support.h - shared helpers of the owner-drawn menu tests.
//
//   CDibSurface        a 32-bit top-down DIB section selected into a memory DC, for exact pixels
//   CMenuStyleScope    forces the Windows version code and the theme answer, restores them after
//   ColorsIn / RectHasColor / RectIsColor   pixel expectations that report coordinates
//   MakeMenuDrawItem   an owner-draw request for a menu item
#ifndef ZELVIX_MENU_TEST_SUPPORT_H
#define ZELVIX_MENU_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <set>

#include "owner_drawn_menu.h"

class CDibSurface
{
public:
    CDibSurface(int nWidth, int nHeight, COLORREF crSentinel)
        : m_nWidth(nWidth), m_nHeight(nHeight), m_pBits(NULL)
    {
        BITMAPINFO bmi;
        memset(&bmi, 0, sizeof(bmi));
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = nWidth;
        bmi.bmiHeader.biHeight = -nHeight;  // top-down
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        m_hDC = ::CreateCompatibleDC(NULL);
        m_hBitmap = ::CreateDIBSection(m_hDC, &bmi, DIB_RGB_COLORS, (void**)&m_pBits, NULL, 0);
        m_hOldBitmap = ::SelectObject(m_hDC, m_hBitmap);
        Fill(crSentinel);
    }
    ~CDibSurface()
    {
        ::SelectObject(m_hDC, m_hOldBitmap);
        ::DeleteObject(m_hBitmap);
        ::DeleteDC(m_hDC);
    }
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    HDC GetDC() const { return m_hDC; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

    void Fill(COLORREF crColor)
    {
        ::GdiFlush();
        for (int i = 0; i < m_nWidth * m_nHeight; ++i)
            m_pBits[i] = ToDib(crColor);
    }
    COLORREF Pixel(int x, int y) const
    {
        ::GdiFlush();
        const DWORD v = m_pBits[y * m_nWidth + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    static DWORD ToDib(COLORREF cr) { return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr); }

    int m_nWidth;
    int m_nHeight;
    DWORD* m_pBits;  // owned by m_hBitmap
    HDC m_hDC;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOldBitmap;
};

// Forces the class-wide inputs of the style choice for one test.
class CMenuStyleScope
{
public:
    CMenuStyleScope(int nVersion, BOOL bClassicTheme)
        : m_nVersion(COwnerDrawnMenu::s_nWindowsVersion),
          m_bChecked(COwnerDrawnMenu::s_bThemeChecked),
          m_bClassic(COwnerDrawnMenu::s_bClassicTheme)
    {
        COwnerDrawnMenu::s_nWindowsVersion = nVersion;
        COwnerDrawnMenu::s_bThemeChecked = TRUE;
        COwnerDrawnMenu::s_bClassicTheme = bClassicTheme;
    }
    ~CMenuStyleScope()
    {
        COwnerDrawnMenu::s_nWindowsVersion = m_nVersion;
        COwnerDrawnMenu::s_bThemeChecked = m_bChecked;
        COwnerDrawnMenu::s_bClassicTheme = m_bClassic;
    }

private:
    int m_nVersion;
    BOOL m_bChecked;
    BOOL m_bClassic;
};

inline std::string ColorText(COLORREF cr)
{
    char sz[32];
    wsprintfA(sz, "(%d,%d,%d)", GetRValue(cr), GetGValue(cr), GetBValue(cr));
    return sz;
}

// Every pixel of rc has the colour.
inline ::testing::AssertionResult RectIsColor(const CDibSurface& surface, const RECT& rc, COLORREF cr)
{
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const COLORREF got = surface.Pixel(x, y);
            if (got != cr)
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << ColorText(got)
                                                     << ", expected " << ColorText(cr);
        }
    }
    return ::testing::AssertionSuccess();
}

// Some pixel of rc has the colour.
inline ::testing::AssertionResult RectHasColor(const CDibSurface& surface, const RECT& rc, COLORREF cr)
{
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            if (surface.Pixel(x, y) == cr)
                return ::testing::AssertionSuccess();
        }
    }
    return ::testing::AssertionFailure() << "no pixel of " << ColorText(cr) << " in (" << rc.left << "," << rc.top
                                         << ")-(" << rc.right << "," << rc.bottom << ")";
}

// The bounding box of the pixels of rc that differ from crBackground; empty when none do.
inline RECT BoundsOfOther(const CDibSurface& surface, const RECT& rc, COLORREF crBackground)
{
    RECT b = { 0, 0, 0, 0 };
    bool bAny = false;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            if (surface.Pixel(x, y) == crBackground)
                continue;
            if (!bAny) {
                b.left = x; b.top = y; b.right = x + 1; b.bottom = y + 1;
                bAny = true;
            } else {
                if (x < b.left) b.left = x;
                if (x + 1 > b.right) b.right = x + 1;
                if (y + 1 > b.bottom) b.bottom = y + 1;
            }
        }
    }
    return b;
}

inline DRAWITEMSTRUCT MakeMenuDrawItem(HDC hDC, const RECT& rc, UINT nState, CMenuItemData* pItem,
                                       HMENU hMenu = NULL, UINT nID = 0)
{
    DRAWITEMSTRUCT dis;
    memset(&dis, 0, sizeof(dis));
    dis.CtlType = ODT_MENU;
    dis.itemID = nID;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = nState;
    dis.hwndItem = (HWND)hMenu;
    dis.hDC = hDC;
    dis.rcItem = rc;
    dis.itemData = (ULONG_PTR)pItem;
    return dis;
}

#endif // ZELVIX_MENU_TEST_SUPPORT_H
