// test_image_button_support.h - shared fixtures of the image button tests.
//
//   DibSurface          32-bpp top-down DIB section in a memory DC, read pixel by pixel
//   MakeScreenBitmap    screen-compatible bitmap (like a loaded resource) from a colour function
//   ReadBitmap          a bitmap's pixels as COLORREFs (monochrome masks read as black/white)
//   CTestButton         CImageButton with its state opened up for the tests
//   CTestParent         a framework parent window that records the commands it receives
//   PumpMessages        a message loop turn that pre-translates like the framework's loop
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
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

inline DWORD ToBgra(COLORREF c) { return (DWORD)GetRValue(c) << 16 | (DWORD)GetGValue(c) << 8 | GetBValue(c); }
inline COLORREF FromBgra(DWORD p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

class DibSurface
{
public:
    DibSurface(int cx, int cy, COLORREF fill = kSentinel) : m_cx(cx), m_cy(cy)
    {
        BITMAPINFO bmi = Bgra32Info(cx, cy);
        m_hBitmap = ::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, (void**)&m_pBits, NULL, 0);
        m_hDC = ::CreateCompatibleDC(NULL);
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

    void Fill(COLORREF c)
    {
        ::GdiFlush();
        for (int i = 0; i < m_cx * m_cy; ++i)
            m_pBits[i] = ToBgra(c);
    }
    void Fill(const ColorFn& fn)
    {
        ::GdiFlush();
        for (int y = 0; y < m_cy; ++y)
            for (int x = 0; x < m_cx; ++x)
                m_pBits[y * m_cx + x] = ToBgra(fn(x, y));
    }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        return FromBgra(m_pBits[y * m_cx + x]);
    }
    HDC hdc() const { return m_hDC; }
    int cx() const { return m_cx; }
    int cy() const { return m_cy; }

private:
    int m_cx, m_cy;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    HDC m_hDC;
    DWORD* m_pBits = nullptr;
};

// A bitmap like LoadImage gives for a resource: compatible with the screen, not a DIB section.
inline HBITMAP MakeScreenBitmap(int cx, int cy, const ColorFn& fn)
{
    HDC hScreen = ::GetDC(NULL);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, cx, cy);
    std::vector<DWORD> bits((size_t)cx * cy);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            bits[(size_t)y * cx + x] = ToBgra(fn(x, y));
    BITMAPINFO bmi = Bgra32Info(cx, cy);
    ::SetDIBits(hScreen, hBitmap, 0, (UINT)cy, bits.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    return hBitmap;
}

inline std::vector<COLORREF> ReadBitmap(HBITMAP hBitmap, int cx, int cy)
{
    std::vector<DWORD> bits((size_t)cx * cy, 0xFEFEFEFE);
    BITMAPINFO bmi = Bgra32Info(cx, cy);
    HDC hScreen = ::GetDC(NULL);
    const int nLines = ::GetDIBits(hScreen, hBitmap, 0, (UINT)cy, bits.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    std::vector<COLORREF> out;
    if (nLines != cy)
        return out;  // empty: the caller's size check fails with a clear message
    for (DWORD p : bits)
        out.push_back(FromBgra(p));
    return out;
}

class CTestButton : public CImageButton
{
public:
    using CImageButton::m_arrColors;
    using CImageButton::m_bEmbossDisabled;
    using CImageButton::m_bFlatFocusRect;
    using CImageButton::m_bFlatLook;
    using CImageButton::m_bMenuShowing;
    using CImageButton::m_bmpParentCopy;
    using CImageButton::m_bShowBorder;
    using CImageButton::m_dcParentCopy;
    using CImageButton::m_dropMenu;
    using CImageButton::m_hButtonCursor;
    using CImageButton::m_hCommandTarget;
    using CImageButton::m_menuNotify;
    using CImageButton::m_nCheckState;
    using CImageButton::m_nImagePlacement;
    using CImageButton::m_pOldCopyBitmap;
    using CImageButton::m_szLink;
    using CImageButton::m_tipCtrl;

    // Paints recorded as they come through the reflected WM_DRAWITEM.
    std::vector<UINT> m_drawStates;
    std::vector<BOOL> m_drawPressed;

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
    {
        CImageButton::DrawItem(lpDrawItemStruct);
        m_drawStates.push_back(lpDrawItemStruct->itemState);
        m_drawPressed.push_back(m_bPaintPressed);
    }

    // Paints the button into a surface the way the owner-draw request would.
    void DrawInto(DibSurface& surface, UINT nState)
    {
        DRAWITEMSTRUCT dis;
        memset(&dis, 0, sizeof(dis));
        dis.CtlType = ODT_BUTTON;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = nState;
        dis.hwndItem = m_hWnd;
        dis.hDC = surface.hdc();
        if (m_hWnd != NULL)
            ::GetClientRect(m_hWnd, &dis.rcItem);
        else
            ::SetRect(&dis.rcItem, 0, 0, surface.cx(), surface.cy());
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
    ColorFn m_paint;  // what the client area shows; empty: plain grey

    BOOL CreateParent(int x, int y, int cx, int cy)
    {
        LPCSTR pszClass = AfxRegisterWndClass(0, ::LoadCursor(NULL, IDC_ARROW));
        if (!CreateEx(0, pszClass, "image button test", WS_POPUP | WS_CLIPCHILDREN, x, y, cx, cy, NULL, NULL))
            return FALSE;
        // Shown without activation: Wine takes two seconds to hide an active window with no
        // window manager. Tests about the focus activate it themselves.
        return SetWindowPos(NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    size_t CountCode(UINT nCode) const
    {
        size_t n = 0;
        for (const CommandNote& note : m_notes)
            n += note.nCode == nCode;
        return n;
    }

protected:
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam)
    {
        // Codes other than BN_CLICKED never reach the map's handler; note them here.
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
        const int cx = rc.right, cy = rc.bottom;
        std::vector<DWORD> bits((size_t)cx * cy);
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x)
                bits[(size_t)y * cx + x] = ToBgra(m_paint ? m_paint(x, y) : RGB(0xC0, 0xC0, 0xC0));
        BITMAPINFO bmi = Bgra32Info(cx, cy);
        ::SetDIBitsToDevice(dc.m_hDC, 0, 0, (DWORD)cx, (DWORD)cy, 0, 0, 0, (UINT)cy, bits.data(), &bmi,
                            DIB_RGB_COLORS);
    }

    DECLARE_MESSAGE_MAP()
};

// One turn of a message loop that offers each message to the windows' PreTranslateMessage first,
// as the program's modal loop does.
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

inline BOOL IsGone(HGDIOBJ h) { return h != NULL && ::GetObjectType(h) == 0; }

} // namespace imgbtn_test

#endif // ZELVIX_TEST_IMAGE_BUTTON_SUPPORT_H
