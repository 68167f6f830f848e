// menu_test_support.h - helpers of the owner-drawn menu tests.
//
//   CDibSurface       a 32-bit top-down DIB section in a memory DC, for exact pixels
//   RectIs, RectHas, BoundsOfOther   pixel checks over a rectangle
//   CMenuStyleScope   forces the version code and the theme answer for one test
//   RunChild, ChildCaseKey, CreateKey, WriteDword, ReadDword, DeleteKey   one case in a child
//                     process, its results left under a scratch key of HKEY_CURRENT_USER
#ifndef ZELVIX_MENU_TEST_SUPPORT_H
#define ZELVIX_MENU_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <process.h>
#include <stdlib.h>

#include <string>

#include "owner_drawn_menu.h"

const COLORREF SENTINEL = RGB(1, 2, 3);

class CDibSurface
{
public:
    CDibSurface(int cx, int cy) : m_cx(cx), m_cy(cy)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        m_hDC = ::CreateCompatibleDC(NULL);
        m_hBitmap = ::CreateDIBSection(m_hDC, &bmi, DIB_RGB_COLORS, (void**)&m_pBits, NULL, 0);
        m_hOld = ::SelectObject(m_hDC, m_hBitmap);
        Fill(SENTINEL);
    }
    ~CDibSurface()
    {
        ::SelectObject(m_hDC, m_hOld);
        ::DeleteObject(m_hBitmap);
        ::DeleteDC(m_hDC);
    }
    void Fill(COLORREF cr)
    {
        ::GdiFlush();
        std::fill(m_pBits, m_pBits + m_cx * m_cy, RGB(GetBValue(cr), GetGValue(cr), GetRValue(cr)));
    }
    COLORREF Pixel(int x, int y) const
    {
        ::GdiFlush();
        const DWORD v = m_pBits[y * m_cx + x];  // 0x00RRGGBB
        return RGB(GetBValue(v), GetGValue(v), GetRValue(v));
    }

    HDC m_hDC;
    int m_cx, m_cy;

private:
    CDibSurface(const CDibSurface&) = delete;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    DWORD* m_pBits = NULL;  // owned by m_hBitmap
};

inline ::testing::AssertionResult RectIs(const CDibSurface& s, const RECT& rc, COLORREF cr)
{
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (s.Pixel(x, y) != cr)
                return ::testing::AssertionFailure() << std::hex << "pixel (" << std::dec << x << "," << y
                                                     << ") is 0x" << std::hex << s.Pixel(x, y) << ", expected 0x" << cr;
    return ::testing::AssertionSuccess();
}

inline bool RectHas(const CDibSurface& s, const RECT& rc, COLORREF cr)
{
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (s.Pixel(x, y) == cr)
                return true;
    return false;
}

// Bounding box of the pixels of rc (default: the whole surface) whose colour is not crBack.
inline RECT BoundsOfOther(const CDibSurface& s, COLORREF crBack, RECT rc = { 0, 0, 0, 0 })
{
    if (IsRectEmpty(&rc))
        rc = { 0, 0, s.m_cx, s.m_cy };
    RECT b = { rc.right, rc.bottom, rc.left, rc.top };
    for (LONG y = rc.top; y < rc.bottom; ++y)
        for (LONG x = rc.left; x < rc.right; ++x)
            if (s.Pixel(x, y) != crBack)
                b = { std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1) };
    return b;
}

class CMenuStyleScope
{
public:
    CMenuStyleScope(int nVersion, BOOL bClassicTheme)
        : m_nVersion(COwnerDrawnMenu::s_nWindowsVersion), m_bChecked(COwnerDrawnMenu::s_bThemeChecked),
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
    BOOL m_bChecked, m_bClassic;
};

/////////////////////////////////////////////////////////////////////////////
// Child processes

const char SCRATCH_KEY[] = "Software\\ZelvixTests\\menu";

inline void DeleteKey(const std::string& strKey)  // with its subkeys
{
    typedef LONG(WINAPI * PFN_DELETE_TREE)(HKEY, LPCSTR);
    auto pfn = (PFN_DELETE_TREE)(void*)::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA");
    if (pfn != NULL && pfn(HKEY_CURRENT_USER, strKey.c_str()) == ERROR_SUCCESS)
        ::RegDeleteKeyA(HKEY_CURRENT_USER, strKey.c_str());
}

inline HKEY CreateKey(const std::string& strKey)
{
    HKEY hKey = NULL;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
    return hKey;
}

inline void WriteDword(const std::string& strKey, const char* pszName, DWORD dwValue)
{
    HKEY hKey = CreateKey(strKey);
    ::RegSetValueExA(hKey, pszName, 0, REG_DWORD, (const BYTE*)&dwValue, sizeof(dwValue));
    ::RegCloseKey(hKey);
}

inline DWORD ReadDword(const std::string& strKey, const char* pszName)  // 0xBAD when missing
{
    DWORD dwValue = 0xBAD, cb = sizeof(dwValue);
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        ::RegQueryValueExA(hKey, pszName, NULL, NULL, (BYTE*)&dwValue, &cb);
        ::RegCloseKey(hKey);
    }
    return dwValue;
}

inline std::string ModulePath()
{
    char szPath[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, szPath, MAX_PATH);
    return szPath;
}

// The scratch key this process was started for as a child case, or "".
inline std::string ChildCaseKey()
{
    const char* psz = getenv("ZELVIX_MENU_CHILD_CASE");
    return psz != NULL ? psz : "";
}

// Runs the gtest case strFilter of strExe as a child case for strCaseKey; its exit code (0: passed).
inline int RunChild(const std::string& strExe, const std::string& strFilter, const std::string& strCaseKey)
{
    _putenv(("ZELVIX_MENU_CHILD_CASE=" + strCaseKey).c_str());
    const int nExit = (int)_spawnl(_P_WAIT, strExe.c_str(), ("\"" + strExe + "\"").c_str(),
                                   ("--gtest_filter=" + strFilter).c_str(), NULL);
    _putenv("ZELVIX_MENU_CHILD_CASE=");
    return nExit;
}

#endif // ZELVIX_MENU_TEST_SUPPORT_H
