// afx_gdi.h - device contexts and drawing objects.
//
// Covers:
// - CGdiObject (one HGDIOBJ): Attach/Detach/DeleteObject/FromHandle/GetSafeHandle/GetObject.
//   CPen, CBrush, CFont (CreatePointFont, CreateFontIndirect), CBitmap (LoadBitmap,
//   CreateCompatibleBitmap, CreateBitmap, GetBitmap), CRgn (rectangle, rounded rectangle).
// - CDC (an output DC m_hDC and an attribute DC m_hAttribDC, both the same unless a caller
//   sets them apart): Attach/Detach/DeleteDC/FromHandle, CreateCompatibleDC, typed
//   SelectObject overloads returning the previous object, SelectGdiObject, SelectStockObject,
//   colours and modes, BitBlt/FillRect/FrameRect/FillSolidRect/Draw3dRect/DrawEdge,
//   FillRgn/FrameRgn, MoveTo/LineTo, Rectangle/Ellipse, DrawText/TextOut/GetTextExtent,
//   SetWindowOrg, GetDeviceCaps, GetPixel/SetPixel, DrawIcon, IsPrinting.
// - CPaintDC (BeginPaint/EndPaint), CClientDC (GetDC/ReleaseDC), CWindowDC (GetWindowDC).
// Owning objects release their handle in the destructor; objects from FromHandle are
// temporary (see afx_handlemap.h) and never release it. No object is copied.
#ifndef ZELVIX_AFX_GDI_H
#define ZELVIX_AFX_GDI_H

#include "framework/afx.h"

class CWnd;

class CGdiObject : public CObject
{
    DECLARE_DYNAMIC(CGdiObject)
public:
// Data members
    HGDIOBJ m_hObject;

// Construction
    CGdiObject() : m_hObject(NULL) {}
    virtual ~CGdiObject();
    CGdiObject(CGdiObject&& other) noexcept;

    static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();

// Attributes
    operator HGDIOBJ() const { return m_hObject; }
    // Unlike the framework, calling through a null pointer is not allowed (the compiler may
    // assume 'this' is never null); use AfxGetSafeHandle(p) where p may be null.
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    int GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }
    UINT GetObjectType() const { return (UINT)::GetObjectType(m_hObject); }
};

inline HGDIOBJ AfxGetSafeHandle(const CGdiObject* p) { return p != NULL ? p->m_hObject : NULL; }

class CPen : public CGdiObject
{
    DECLARE_DYNAMIC(CPen)
public:
    CPen() {}
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    static CPen* PASCAL FromHandle(HPEN hPen) { return (CPen*)CGdiObject::FromHandle(hPen); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
    {
        return Attach(::CreatePen(nPenStyle, nWidth, crColor));
    }
    operator HPEN() const { return (HPEN)m_hObject; }
};

class CBrush : public CGdiObject
{
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() {}
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    static CBrush* PASCAL FromHandle(HBRUSH hBrush) { return (CBrush*)CGdiObject::FromHandle(hBrush); }
    BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
    BOOL CreateSysColorBrush(int nIndex) { return Attach(::GetSysColorBrush(nIndex)); }
    BOOL CreatePatternBrush(class CBitmap* pBitmap);
    operator HBRUSH() const { return (HBRUSH)m_hObject; }
};

class CFont : public CGdiObject
{
    DECLARE_DYNAMIC(CFont)
public:
    CFont() {}
    static CFont* PASCAL FromHandle(HFONT hFont) { return (CFont*)CGdiObject::FromHandle(hFont); }
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont) { return Attach(::CreateFontIndirectA(lpLogFont)); }
    // Point size in tenths of a point, converted with the DC's (or the screen's) vertical
    // resolution; the face name is copied into the font description.
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = NULL);
    BOOL CreatePointFontIndirect(const LOGFONTA* lpLogFont, class CDC* pDC = NULL);
    operator HFONT() const { return (HFONT)m_hObject; }
};

class CBitmap : public CGdiObject
{
    DECLARE_DYNAMIC(CBitmap)
public:
    CBitmap() {}
    static CBitmap* PASCAL FromHandle(HBITMAP hBitmap) { return (CBitmap*)CGdiObject::FromHandle(hBitmap); }
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
    {
        return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
    }
    BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitMap) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), pBitMap); }
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
};

class CRgn : public CGdiObject
{
    DECLARE_DYNAMIC(CRgn)
public:
    CRgn() {}
    static CRgn* PASCAL FromHandle(HRGN hRgn) { return (CRgn*)CGdiObject::FromHandle(hRgn); }
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
    BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
    BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3)
    {
        return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
    }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion((HRGN)m_hObject, x, y); }
    operator HRGN() const { return (HRGN)m_hObject; }
};

class CDC;
inline HDC AfxGetSafeHdc(const CDC* p);

class CDC : public CObject
{
    DECLARE_DYNAMIC(CDC)
public:
// Data members
    HDC m_hDC;        // output DC
    HDC m_hAttribDC;  // attribute DC

// Construction
    CDC() : m_hDC(NULL), m_hAttribDC(NULL), m_bPrinting(FALSE) {}
    virtual ~CDC();

    static CDC* PASCAL FromHandle(HDC hDC);
    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL DeleteDC();
    BOOL CreateCompatibleDC(CDC* pDC);

// Attributes
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }  // see CGdiObject::GetSafeHandle
    BOOL IsPrinting() const { return m_bPrinting; }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hAttribDC, nIndex); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    int GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF SetTextColor(COLORREF crColor);
    int SetBkMode(int nBkMode);
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
    CPoint GetWindowOrg() const;

// Drawing objects
    CPen* SelectObject(CPen* pPen) { return (CPen*)SelectGdiObject(m_hDC, AfxGetSafeHandle(pPen)); }
    CBrush* SelectObject(CBrush* pBrush) { return (CBrush*)SelectGdiObject(m_hDC, AfxGetSafeHandle(pBrush)); }
    CFont* SelectObject(CFont* pFont) { return (CFont*)SelectGdiObject(m_hDC, AfxGetSafeHandle(pFont)); }
    CBitmap* SelectObject(CBitmap* pBitmap) { return (CBitmap*)SelectGdiObject(m_hDC, AfxGetSafeHandle(pBitmap)); }
    CGdiObject* SelectObject(CGdiObject* pObject) { return SelectGdiObject(m_hDC, AfxGetSafeHandle(pObject)); }
    // A region is copied into the clipping region: the result is the region type, not an object.
    int SelectObject(CRgn* pRgn) { return (int)(INT_PTR)::SelectObject(m_hDC, AfxGetSafeHandle(pRgn)); }
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    CGdiObject* SelectStockObject(int nIndex) { return SelectGdiObject(m_hDC, ::GetStockObject(nIndex)); }
    // Selects hObject into hDC and returns the previous object as a (temporary) wrapper.
    static CGdiObject* PASCAL SelectGdiObject(HDC hDC, HGDIOBJ hObject);

// Drawing
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, AfxGetSafeHdc(pSrcDC), xSrc, ySrc, dwRop);
    }
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop)
    {
        return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, AfxGetSafeHdc(pSrcDC), xSrc, ySrc,
                            nSrcWidth, nSrcHeight, dwRop);
    }
    void FillRect(LPCRECT lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, (HBRUSH)AfxGetSafeHandle(pBrush)); }
    void FrameRect(LPCRECT lpRect, CBrush* pBrush) { ::FrameRect(m_hDC, lpRect, (HBRUSH)AfxGetSafeHandle(pBrush)); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight);
    BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) { return ::DrawEdge(m_hDC, lpRect, nEdge, nFlags); }
    void DrawFocusRect(LPCRECT lpRect) { ::DrawFocusRect(m_hDC, lpRect); }
    BOOL FillRgn(CRgn* pRgn, CBrush* pBrush)
    {
        return ::FillRgn(m_hDC, (HRGN)AfxGetSafeHandle(pRgn), (HBRUSH)AfxGetSafeHandle(pBrush));
    }
    BOOL FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight)
    {
        return ::FrameRgn(m_hDC, (HRGN)AfxGetSafeHandle(pRgn), (HBRUSH)AfxGetSafeHandle(pBrush), nWidth, nHeight);
    }
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }
    BOOL Ellipse(LPCRECT lpRect) { return Ellipse(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(m_hDC, x, y, crColor); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
    BOOL DrawState(CPoint pt, CSize size, HBITMAP hBitmap, UINT nFlags, HBRUSH hBrush = NULL)
    {
        return ::DrawStateA(m_hDC, hBrush, NULL, (LPARAM)hBitmap, 0, pt.x, pt.y, size.cx, size.cy, nFlags | DST_BITMAP);
    }
    BOOL DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, HBRUSH hBrush = NULL)
    {
        return ::DrawStateA(m_hDC, hBrush, NULL, (LPARAM)hIcon, 0, pt.x, pt.y, size.cx, size.cy, nFlags | DST_ICON);
    }

// Text
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
    {
        return DrawText((LPCSTR)str, str.GetLength(), lpRect, nFormat);
    }
    BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount) { return ::TextOutA(m_hDC, x, y, lpszString, nCount); }
    BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }
    CSize GetTextExtent(LPCSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }

protected:
    BOOL m_bPrinting;
    friend class CMenuMemDC;  // shares a printing target's state
};

inline HDC AfxGetSafeHdc(const CDC* p) { return p != NULL ? p->m_hDC : NULL; }

class CPaintDC : public CDC
{
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd);
    virtual ~CPaintDC();

    PAINTSTRUCT m_ps;
protected:
    HWND m_hWnd;
};

class CClientDC : public CDC
{
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd* pWnd);  // NULL: the whole screen
    virtual ~CClientDC();
protected:
    HWND m_hWnd;
};

class CWindowDC : public CDC
{
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd* pWnd);
    virtual ~CWindowDC();
protected:
    HWND m_hWnd;
};

#endif // ZELVIX_AFX_GDI_H
