// test_image_button_support.h - shared fixtures of the image button tests.
//
//   DibSurface        32-bpp top-down DIB section in a memory DC, filled with a sentinel
//   MakeScreenBitmap  screen-compatible bitmap (as LoadImage gives for a resource)
//   ReadBitmap        a bitmap's pixels (monochrome masks read as black/white)
//   CTestButton       CImageButton with its state opened up; records its paints
//   CTestParent       framework parent window that paints a pattern and records commands
//   PumpMessages      a message loop turn that pre-translates like the program's loop
#ifndef ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H
#define ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "../../controls/button/image_button.h"
#include "../../controls/button/image_pixels.h"

namespace imgbtn_test
{
const COLORREF kSentinel = RGB(0x12, 0x34, 0x56);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

typedef std::function<COLORREF(int x, int y)> ColorFn;

inline BITMAPINFO Bgra32Info(int cx, int cy)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    return bmi;
}
inline DWORD ToBgra(COLORREF c) { return (DWORD)GetRValue(c) << 16 | (DWORD)GetGValue(c) << 8 | GetBValue(c); }
inline COLORREF FromBgra(DWORD p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

inline std::vector<DWORD> Pixels(int cx, int cy, const ColorFn& fn)
{
    std::vector<DWORD> bits((size_t)cx * cy);
    for (int i = 0; i < cx * cy; ++i)
        bits[i] = ToBgra(fn(i % cx, i / cx));
    return bits;
}

class DibSurface
{
public:
    DibSurface(int cx, int cy, const ColorFn& fill = [](int, int) { return kSentinel; }) : m_cx(cx)
    {
        BITMAPINFO bmi = Bgra32Info(cx, cy);
        m_hBitmap = ::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, (void**)&m_pBits, NULL, 0);
        m_hDC = ::CreateCompatibleDC(NULL);
        m_hOld = ::SelectObject(m_hDC, m_hBitmap);
        const std::vector<DWORD> bits = Pixels(cx, cy, fill);
        memcpy(m_pBits, bits.data(), bits.size() * sizeof(DWORD));
    }
    ~DibSurface()
    {
        ::SelectObject(m_hDC, m_hOld);
        ::DeleteDC(m_hDC);
        ::DeleteObject(m_hBitmap);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    COLORREF At(int x, int y) const { return ::GdiFlush(), FromBgra(m_pBits[y * m_cx + x]); }
    HDC hdc() const { return m_hDC; }
    CDC* dc() const { return CDC::FromHandle(m_hDC); }

private:
    int m_cx;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    HDC m_hDC;
    DWORD* m_pBits = nullptr;
};

inline HBITMAP MakeScreenBitmap(int cx, int cy, const ColorFn& fn)
{
    HDC hScreen = ::GetDC(NULL);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, cx, cy);
    const std::vector<DWORD> bits = Pixels(cx, cy, fn);
    BITMAPINFO bmi = Bgra32Info(cx, cy);
    ::SetDIBits(hScreen, hBitmap, 0, (UINT)cy, bits.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    return hBitmap;
}

inline std::vector<COLORREF> ReadBitmap(HBITMAP hBitmap, int cx, int cy)
{
    std::vector<DWORD> bits((size_t)cx * cy);
    BITMAPINFO bmi = Bgra32Info(cx, cy);
    HDC hScreen = ::GetDC(NULL);
    const int nLines = ::GetDIBits(hScreen, hBitmap, 0, (UINT)cy, bits.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    std::vector<COLORREF> out;
    for (size_t i = 0; nLines == cy && i < bits.size(); ++i)
        out.push_back(FromBgra(bits[i]));
    return out;  // empty when unreadable
}

inline BOOL IsGone(HGDIOBJ h) { return h != NULL && ::GetObjectType(h) == 0; }

class CTestButton : public CImageButton
{
public:
    using CImageButton::m_arrColors, CImageButton::m_bEmbossDisabled, CImageButton::m_bMenuShowing,
        CImageButton::m_bmpParentCopy, CImageButton::m_dcParentCopy, CImageButton::m_dropMenu,
        CImageButton::m_hCommandTarget, CImageButton::m_menuNotify, CImageButton::m_nImagePlacement,
        CImageButton::m_tipCtrl;

    std::vector<BOOL> m_drawPressed;  // pressed state of each paint the platform asked for

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
    {
        CImageButton::DrawItem(lpDrawItemStruct);
        m_drawPressed.push_back(m_bPaintPressed);
    }
    // Paints the button into a surface as an owner-draw request would.
    void DrawInto(DibSurface& surface, UINT nState)
    {
        DRAWITEMSTRUCT dis;
        memset(&dis, 0, sizeof(dis));
        dis.CtlType = ODT_BUTTON;
        dis.itemState = nState;
        dis.hwndItem = m_hWnd;
        dis.hDC = surface.hdc();
        ::GetClientRect(m_hWnd, &dis.rcItem);
        CImageButton::DrawItem(&dis);
    }
};

struct CommandNote
{
    UINT nID;
    UINT nCode;
    HWND hFocusAtHandler;  // focus when the map's command handler ran
};

class CTestParent : public CWnd
{
public:
    std::vector<CommandNote> m_notes;
    ColorFn m_paint = [](int, int) { return RGB(0xC0, 0xC0, 0xC0); };

    BOOL CreateParent(int x, int y, int cx, int cy)
    {
        if (!CreateEx(0, AfxRegisterWndClass(0), "test", WS_POPUP, x, y, cx, cy, NULL, NULL))
            return FALSE;
        // Shown without activation: with no window manager Wine takes two seconds to hide an
        // active window. Tests about the focus activate it themselves.
        return SetWindowPos(NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    size_t CountCode(UINT nCode) const
    {
        size_t n = 0;
        for (const CommandNote& note : m_notes)
            n += note.nCode == nCode;
        return n;
    }
    std::vector<UINT> IDs() const
    {
        std::vector<UINT> ids;
        for (const CommandNote& note : m_notes)
            ids.push_back(note.nID);
        return ids;
    }

protected:
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam)
    {
        // Only BN_CLICKED (code 0) reaches the map's handler; note the other codes here.
        if (HIWORD(wParam) != BN_CLICKED)
            m_notes.push_back(CommandNote{ LOWORD(wParam), HIWORD(wParam), NULL });
        return CWnd::OnCommand(wParam, lParam);
    }
    void OnButton(UINT nID) { m_notes.push_back(CommandNote{ nID, BN_CLICKED, ::GetFocus() }); }
    BOOL OnEraseBkgnd(CDC* /*pDC*/) { return TRUE; }
    void OnPaint()
    {
        CPaintDC dc(this);
        RECT rc;
        GetClientRect(&rc);
        const std::vector<DWORD> bits = Pixels(rc.right, rc.bottom, m_paint);
        BITMAPINFO bmi = Bgra32Info(rc.right, rc.bottom);
        ::SetDIBitsToDevice(dc.m_hDC, 0, 0, (DWORD)rc.right, (DWORD)rc.bottom, 0, 0, 0, (UINT)rc.bottom,
                            bits.data(), &bmi, DIB_RGB_COLORS);
    }

    DECLARE_MESSAGE_MAP()
};

inline void PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!CWnd::WalkPreTranslateTree(NULL, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

inline void PostClick(HWND hWnd, UINT nDown = WM_LBUTTONDOWN)
{
    ::PostMessageA(hWnd, nDown, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

} // namespace imgbtn_test

#endif // ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H
