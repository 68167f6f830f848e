// image_button.cpp - CImageButton: images and parent copy, painting, input handling, drop-down menu.
#include "controls/button/image_button.h"

#include <mmsystem.h>
#include <shellapi.h>

#include "controls/button/image_layout.h"
#include "controls/button/image_pixels.h"

namespace
{
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The button type bits of a style (one wider than BS_TYPEMASK, as the button has always
// cleared them), and the bit the check-box types share, which makes a toggle button.
constexpr DWORD kTypeField = 0x1F;
constexpr DWORD kCheckBoxBit = 0x2;

zelvix::Rect ToRect(const RECT& r)
{
    return zelvix::Rect{ r.left, r.top, r.right, r.bottom };
}

RECT FromRect(const zelvix::Rect& r)
{
    RECT out = { r.left, r.top, r.right, r.bottom };
    return out;
}

// The button's window rectangle in its parent's client coordinates (screen coordinates when
// it has no parent, which is also where a screen DC would find it).
POINT OriginInParent(HWND hWnd)
{
    RECT rc = { 0, 0, 0, 0 };
    ::GetWindowRect(hWnd, &rc);
    POINT pt = { rc.left, rc.top };
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hWnd), &pt, 1);
    return pt;
}

typedef zelvix::Color (*PFN_PIXEL)(zelvix::Color);

// Copy of hBitmap with every pixel passed through pfnPixel; NULL when a DC or the bitmap
// cannot be made.
HBITMAP MakeTransformedBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight, PFN_PIXEL pfnPixel)
{
    HDC hScreen = ::GetDC(NULL);
    if (hScreen == NULL)
        return NULL;
    HDC hDstDC = ::CreateCompatibleDC(hScreen);
    if (hDstDC == NULL) {
        ::ReleaseDC(NULL, hScreen);
        return NULL;
    }
    HDC hSrcDC = ::CreateCompatibleDC(hScreen);
    if (hSrcDC == NULL) {
        ::DeleteDC(hDstDC);
        ::ReleaseDC(NULL, hScreen);
        return NULL;
    }

    HBITMAP hResult = ::CreateCompatibleBitmap(hScreen, (int)nWidth, (int)nHeight);
    if (hResult != NULL) {
        HGDIOBJ hOldDst = ::SelectObject(hDstDC, hResult);
        HGDIOBJ hOldSrc = ::SelectObject(hSrcDC, hBitmap);
        for (int y = 0; y < (int)nHeight; ++y) {
            for (int x = 0; x < (int)nWidth; ++x)
                ::SetPixel(hDstDC, x, y, pfnPixel(::GetPixel(hSrcDC, x, y)));
        }
        ::SelectObject(hSrcDC, hOldSrc);
        ::SelectObject(hDstDC, hOldDst);
    }

    ::DeleteDC(hSrcDC);
    ::DeleteDC(hDstDC);
    ::ReleaseDC(NULL, hScreen);
    return hResult;
}

// The sound and shell libraries cost every start (under Wine the sound library also starts its
// codec manager), yet only a click with a sound or a link needs them: they are loaded on that
// first click and kept (AfxGetSysProc). A library or entry that cannot be found skips the call,
// as its failure would.
typedef BOOL(WINAPI* PFN_PLAYSOUNDA)(LPCSTR, HMODULE, DWORD);
typedef BOOL(WINAPI* PFN_SHELLEXECUTEEXA)(SHELLEXECUTEINFOA*);

// A bitmap's size from its own header; FALSE for anything that is not a bitmap.
BOOL ReadBitmapSize(HBITMAP hBitmap, DWORD* pcx, DWORD* pcy)
{
    BITMAP bm;
    if (::GetObjectType(hBitmap) != OBJ_BITMAP || ::GetObjectA(hBitmap, sizeof(bm), &bm) == 0)
        return FALSE;
    *pcx = (DWORD)bm.bmWidth;
    *pcy = (DWORD)bm.bmHeight;
    return TRUE;
}
} // namespace

/////////////////////////////////////////////////////////////////////////////
// Construction

CImageButton::CImageButton()
    : m_bEmbossDisabled(FALSE), m_nImageInsetX(3), m_nImageInsetY(3), m_nPressShiftX(1), m_nPressShiftY(1),
      m_bFlatLook(TRUE), m_bUseParentBackground(FALSE), m_bPaintPressed(FALSE), m_bPaintFocused(0),
      m_bPaintDisabled(0), m_bDefaultPush(FALSE), m_bToggleMode(FALSE), m_nImagePlacement(zelvix::IMAGE_LEFT),
      m_bShowBorder(TRUE), m_bFlatFocusRect(FALSE), m_hCommandTarget(NULL), m_bMenuShowing(FALSE),
      m_hButtonCursor(NULL), m_pOldCopyBitmap(NULL), m_nCheckState(0), m_dwTipStyle(0)
{
    ResetColors();
    m_szLink[0] = '\0';
    memset(m_arrIcons, 0, sizeof(m_arrIcons));
    memset(m_arrBitmaps, 0, sizeof(m_arrBitmaps));
    memset(&m_menuNotify, 0, sizeof(m_menuNotify));
    memset(&m_clickSound, 0, sizeof(m_clickSound));
}

CImageButton::~CImageButton()
{
    // The copy bitmap must be out of the copy DC before the members delete them, or it would
    // outlive its handle (Windows refuses to delete a selected bitmap).
    if (m_dcParentCopy.m_hDC != NULL && m_pOldCopyBitmap != NULL)
        ::SelectObject(m_dcParentCopy.m_hDC, m_pOldCopyBitmap);
    ReleaseImages();
    if (m_hButtonCursor != NULL)
        ::DestroyCursor(m_hButtonCursor);
    if (m_dropMenu.m_hMenu != NULL)
        m_dropMenu.DestroyMenu();
}

void CImageButton::ResetColors()
{
    for (int i = 0; i < BC_COLOR_COUNT; i += 2) {
        m_arrColors[i] = ::GetSysColor(COLOR_BTNFACE);
        m_arrColors[i + 1] = ::GetSysColor(COLOR_BTNTEXT);
    }
}

void CImageButton::PreSubclassWindow()
{
    const DWORD dwStyle = (DWORD)::GetWindowLongA(m_hWnd, GWL_STYLE) & 0xFFFF;
    if ((dwStyle & kCheckBoxBit) != 0)
        m_bToggleMode = TRUE;
    if ((dwStyle & kTypeField) == BS_DEFPUSHBUTTON)
        m_bDefaultPush = TRUE;
    ModifyStyle(kTypeField, BS_OWNERDRAW, SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
}

/////////////////////////////////////////////////////////////////////////////
// Images

void CImageButton::ReleaseImages()
{
    for (int i = 0; i < 2; ++i) {
        if (m_arrIcons[i].hIcon != NULL && (i == 0 || m_arrIcons[1].hIcon != m_arrIcons[0].hIcon))
            ::DestroyIcon(m_arrIcons[i].hIcon);
    }
    // A caller that passed the same bitmap twice must not have it deleted twice: the second
    // delete could hit an unrelated object that has since been given the same handle.
    for (int i = 0; i < 2; ++i) {
        if (m_arrBitmaps[i].hBitmap != NULL && (i == 0 || m_arrBitmaps[1].hBitmap != m_arrBitmaps[0].hBitmap))
            ::DeleteObject(m_arrBitmaps[i].hBitmap);
    }
    for (int i = 0; i < 2; ++i) {
        if (m_arrBitmaps[i].hMask != NULL)
            ::DeleteObject(m_arrBitmaps[i].hMask);
    }
    memset(m_arrIcons, 0, sizeof(m_arrIcons));
    memset(m_arrBitmaps, 0, sizeof(m_arrBitmaps));
}

int CImageButton::AssignBitmaps(HBITMAP hFirst, HBITMAP hSecond)
{
    ReleaseImages();

    const BOOL bDerived = (hSecond == BMP_DARKER || hSecond == BMP_GRAY);
    if (hFirst == NULL) {
        // A second bitmap without a first has no slot to go to; it still belongs to the button.
        if (hSecond != NULL && !bDerived)
            ::DeleteObject(hSecond);
        Invalidate();
        return IMGBTN_OK;
    }

    BitmapSlot& first = m_arrBitmaps[0];
    BitmapSlot& second = m_arrBitmaps[1];
    first.hBitmap = hFirst;
    first.crKey = kWhite;
    // A bitmap passed in goes into its slot at once, so that every failure below releases it.
    if (hSecond != NULL && !bDerived) {
        second.hBitmap = hSecond;
        second.crKey = kBlack;
    }

    if (!ReadBitmapSize(hFirst, &first.cx, &first.cy)) {
        ReleaseImages();
        return IMGBTN_BAD_BITMAP;
    }

    // The derived copy is made before the mask step turns the white pixels of the first
    // bitmap black, so it keeps its white (transparent) background.
    if (bDerived) {
        second.hBitmap = (hSecond == BMP_DARKER) ? MakeDarkBitmap(hFirst, first.cx, first.cy)
                                                 : MakeGrayBitmap(hFirst, first.cx, first.cy);
        second.crKey = kWhite;
    }

    first.hMask = MakeMaskBitmap(hFirst, first.cx, first.cy, first.crKey);
    if (first.hMask == NULL) {
        ReleaseImages();
        return IMGBTN_MASK_FAILED;
    }

    if (second.hBitmap != NULL) {
        if (!ReadBitmapSize(second.hBitmap, &second.cx, &second.cy)) {
            ReleaseImages();
            return IMGBTN_BAD_BITMAP;
        }
        second.hMask = MakeMaskBitmap(second.hBitmap, second.cx, second.cy, second.crKey);
        if (second.hMask == NULL) {
            ReleaseImages();
            return IMGBTN_MASK_FAILED;
        }
    }

    Invalidate();
    return IMGBTN_OK;
}

HBITMAP CImageButton::MakeMaskBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight, COLORREF crKey)
{
    HBITMAP hMask = ::CreateBitmap((int)nWidth, (int)nHeight, 1, 1, NULL);
    if (hMask == NULL)
        return NULL;

    HDC hSrcDC = ::CreateCompatibleDC(NULL);
    HDC hMaskDC = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOldSrc = NULL;
    HGDIOBJ hOldMask = NULL;
    BOOL bOk = hSrcDC != NULL && hMaskDC != NULL;
    if (bOk) {
        hOldSrc = ::SelectObject(hSrcDC, hBitmap);
        hOldMask = ::SelectObject(hMaskDC, hMask);
        // A bitmap that cannot be selected (one held by another DC) would give a blank mask
        // that hides nothing: report it as a failed mask instead.
        bOk = hOldSrc != NULL && hOldMask != NULL;
    }
    if (bOk) {
        // Colour to monochrome: pixels of the background colour become 1, all others 0.
        const COLORREF crOldBk = ::SetBkColor(hSrcDC, crKey);
        ::BitBlt(hMaskDC, 0, 0, (int)nWidth, (int)nHeight, hSrcDC, 0, 0, SRCCOPY);
        // Monochrome to colour: 1 becomes the background (black), 0 the text colour (white);
        // AND-ing that in blackens exactly the key pixels.
        const COLORREF crOldText = ::SetTextColor(hSrcDC, kWhite);
        ::SetBkColor(hSrcDC, kBlack);
        ::BitBlt(hSrcDC, 0, 0, (int)nWidth, (int)nHeight, hMaskDC, 0, 0, SRCAND);
        ::SetTextColor(hSrcDC, crOldText);
        ::SetBkColor(hSrcDC, crOldBk);
    }
    if (hOldSrc != NULL)
        ::SelectObject(hSrcDC, hOldSrc);
    if (hOldMask != NULL)
        ::SelectObject(hMaskDC, hOldMask);
    if (hSrcDC != NULL)
        ::DeleteDC(hSrcDC);
    if (hMaskDC != NULL)
        ::DeleteDC(hMaskDC);
    if (!bOk) {
        ::DeleteObject(hMask);
        return NULL;
    }
    return hMask;
}

HBITMAP CImageButton::MakeGrayBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight)
{
    return MakeTransformedBitmap(hBitmap, nWidth, nHeight, [](zelvix::Color p) { return zelvix::GrayPixel(p); });
}

HBITMAP CImageButton::MakeDarkBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight)
{
    return MakeTransformedBitmap(hBitmap, nWidth, nHeight, [](zelvix::Color p) { return zelvix::DarkPixel(p); });
}

/////////////////////////////////////////////////////////////////////////////
// Parent copy

void CImageButton::EnableParentBackground(BOOL bRepaint)
{
    m_bUseParentBackground = TRUE;
    ReleaseParentCopy();
    if (bRepaint)
        Invalidate();
}

void CImageButton::ShowBorder(BOOL bShow, BOOL bRepaint)
{
    m_bShowBorder = bShow;
    if (bRepaint)
        Invalidate();
}

void CImageButton::ReleaseParentCopy()
{
    // The copy bitmap goes back out of the DC first: only a deselected bitmap can be deleted.
    if (m_dcParentCopy.m_hDC != NULL && m_pOldCopyBitmap != NULL)
        ::SelectObject(m_dcParentCopy.m_hDC, m_pOldCopyBitmap);
    m_bmpParentCopy.DeleteObject();
    m_dcParentCopy.DeleteDC();
}

int CImageButton::CopyParentBackground(CDC* pDC)
{
    if (!m_bUseParentBackground || pDC == NULL)
        return IMGBTN_NO_PARENT_COPY;
    ReleaseParentCopy();

    CRect rcClient;
    GetClientRect(&rcClient);
    const POINT ptOrigin = OriginInParent(m_hWnd);
    if (!m_dcParentCopy.CreateCompatibleDC(pDC))
        return IMGBTN_OK;
    if (!m_bmpParentCopy.CreateCompatibleBitmap(pDC, rcClient.Width(), rcClient.Height())) {
        // Without a bitmap the DC would hold a 1 x 1 picture; leave the copy to the next paint.
        m_dcParentCopy.DeleteDC();
        return IMGBTN_OK;
    }
    m_pOldCopyBitmap = (HBITMAP)m_dcParentCopy.SelectObject((HGDIOBJ)m_bmpParentCopy.m_hObject);
    m_dcParentCopy.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), pDC, ptOrigin.x, ptOrigin.y, SRCCOPY);
    return IMGBTN_OK;
}

void CImageButton::PaintParentCopy(CDC* pDC)
{
    CClientDC dcParent(GetParent());
    CRect rcClient;
    GetClientRect(&rcClient);
    if (m_dcParentCopy.m_hDC == NULL && m_dcParentCopy.CreateCompatibleDC(&dcParent)) {
        if (m_bmpParentCopy.CreateCompatibleBitmap(&dcParent, rcClient.Width(), rcClient.Height())) {
            const POINT ptOrigin = OriginInParent(m_hWnd);
            m_pOldCopyBitmap = (HBITMAP)m_dcParentCopy.SelectObject((HGDIOBJ)m_bmpParentCopy.m_hObject);
            m_dcParentCopy.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &dcParent, ptOrigin.x, ptOrigin.y,
                                  SRCCOPY);
        } else {
            m_dcParentCopy.DeleteDC();
        }
    }
    if (m_dcParentCopy.m_hDC != NULL)
        pDC->BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &m_dcParentCopy, 0, 0, SRCCOPY);
}

/////////////////////////////////////////////////////////////////////////////
// Painting

void CImageButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    const UINT nState = lpDrawItemStruct->itemState;

    BOOL bPressed = (nState & ODS_SELECTED) != 0;
    if (m_bToggleMode)
        bPressed = bPressed || m_nCheckState != 0;
    else
        bPressed = bPressed || (m_dropMenu.m_hMenu != NULL && m_bMenuShowing);
    m_bPaintPressed = bPressed ? TRUE : FALSE;
    m_bPaintFocused = nState & ODS_FOCUS;
    m_bPaintDisabled = nState & ODS_DISABLED;

    const RECT rcItem = lpDrawItemStruct->rcItem;
    RECT rcFrame = rcItem;
    pDC->SetBkMode(TRANSPARENT);

    if (m_bUseParentBackground)
        PaintParentCopy(pDC);
    else
        PaintFace(pDC, &rcFrame);
    PaintFrame(pDC, &rcFrame);

    CString strText;
    GetWindowText(strText);
    const BOOL bHasCaption = !strText.IsEmpty();
    RECT rcCaption = rcItem;

    if (m_arrIcons[0].hIcon != NULL)
        PaintIcon(pDC, bHasCaption, &rcItem, &rcCaption, m_bPaintPressed, m_bPaintDisabled);
    if (m_arrBitmaps[0].hBitmap != NULL) {
        // With a white background a mask's 1 bits keep what is underneath (see PaintBitmap).
        pDC->SetBkColor(kWhite);
        PaintBitmap(pDC, bHasCaption, &rcItem, &rcCaption, m_bPaintPressed, m_bPaintDisabled);
    }
    if (bHasCaption)
        PaintCaption(pDC, strText, &rcItem, &rcCaption, m_bPaintPressed, m_bPaintDisabled);

    if (m_bPaintFocused != 0 && (!m_bFlatLook || m_bFlatFocusRect)) {
        RECT rcFocus = rcFrame;
        ::InflateRect(&rcFocus, -3, -3);
        pDC->DrawFocusRect(&rcFocus);
    }
}

int CImageButton::PaintFace(CDC* pDC, RECT* pFrame)
{
    if (!m_bFlatLook && (m_bPaintFocused != 0 || m_bDefaultPush)) {
        CBrush brBlack(kBlack);
        pDC->FrameRect(pFrame, &brBlack);
        ::InflateRect(pFrame, -1, -1);
    }
    int nFace = BC_FACE_NORMAL;
    if (m_bPaintPressed)
        nFace = BC_FACE_PRESSED;
    else if (m_bPaintFocused != 0)
        nFace = BC_FACE_FOCUS;
    CBrush brFace(m_arrColors[nFace]);
    pDC->FillRect(pFrame, &brFace);
    return 0;
}

int CImageButton::PaintFrame(CDC* pDC, RECT* pFrame)
{
    if (m_bPaintPressed) {
        if (!m_bFlatLook) {
            CBrush brShadow(::GetSysColor(COLOR_BTNSHADOW));
            pDC->FrameRect(pFrame, &brShadow);
        } else if (m_bShowBorder) {
            pDC->Draw3dRect(pFrame, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
        }
        return 0;
    }
    if (m_bFlatLook)
        return 0;

    // Raised edge: light on the top and left, dark on the bottom and right, two lines each.
    const RECT& r = *pFrame;
    CPen penHighlight(PS_SOLID, 0, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen penLight(PS_SOLID, 0, ::GetSysColor(COLOR_3DLIGHT));
    CPen penDarkShadow(PS_SOLID, 0, ::GetSysColor(COLOR_3DDKSHADOW));
    CPen penShadow(PS_SOLID, 0, ::GetSysColor(COLOR_BTNSHADOW));

    CPen* pOldPen = pDC->SelectObject(&penHighlight);
    pDC->MoveTo(r.left, r.bottom - 1);
    pDC->LineTo(r.left, r.top);
    pDC->LineTo(r.right, r.top);

    pDC->SelectObject(&penLight);
    pDC->MoveTo(r.left + 1, r.bottom - 1);
    pDC->LineTo(r.left + 1, r.top + 1);
    pDC->LineTo(r.right, r.top + 1);

    pDC->SelectObject(&penDarkShadow);
    pDC->MoveTo(r.left, r.bottom - 1);
    pDC->LineTo(r.right - 1, r.bottom - 1);
    pDC->LineTo(r.right - 1, r.top - 1);

    pDC->SelectObject(&penShadow);
    pDC->MoveTo(r.left + 1, r.bottom - 2);
    pDC->LineTo(r.right - 2, r.bottom - 2);
    pDC->LineTo(r.right - 2, r.top);

    pDC->SelectObject(pOldPen);
    return 0;
}

RECT CImageButton::PlaceImage(BOOL bHasCaption, DWORD nWidth, DWORD nHeight, const RECT* pItem,
                              RECT* pCaption) const
{
    zelvix::Rect rcCaption = ToRect(*pCaption);
    const zelvix::Rect rcImage = zelvix::PlaceImage(bHasCaption != FALSE, nWidth, nHeight, ToRect(*pItem), rcCaption,
                                                    m_nImagePlacement, m_nImageInsetX, m_nImageInsetY);
    *pCaption = FromRect(rcCaption);
    return FromRect(rcImage);
}

void CImageButton::PaintIcon(CDC* pDC, BOOL bHasCaption, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                             BOOL bDisabled)
{
    const IconSlot& slot = m_arrIcons[zelvix::ImageSlotToDraw(bPressed != FALSE, m_arrIcons[1].hIcon != NULL)];
    const RECT rcImage = PlaceImage(bHasCaption, slot.cx, slot.cy, pItem, pCaption);
    ::DrawStateA(pDC->m_hDC, NULL, NULL, (LPARAM)slot.hIcon, 0, rcImage.left, rcImage.top,
                 rcImage.right - rcImage.left, rcImage.bottom - rcImage.top,
                 DST_ICON | (bDisabled ? DSS_DISABLED : 0));
}

void CImageButton::PaintBitmap(CDC* pDC, BOOL bHasCaption, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                               BOOL bDisabled)
{
    const BitmapSlot& slot =
        m_arrBitmaps[zelvix::ImageSlotToDraw(bPressed != FALSE, m_arrBitmaps[1].hBitmap != NULL)];
    const RECT rcImage = PlaceImage(bHasCaption, slot.cx, slot.cy, pItem, pCaption);
    const int cx = (int)slot.cx;
    const int cy = (int)slot.cy;

    CDC dcImage;
    dcImage.CreateCompatibleDC(pDC);
    HGDIOBJ hOldImage = dcImage.SelectObject((HGDIOBJ)slot.hBitmap);
    CDC dcMask;
    dcMask.CreateCompatibleDC(NULL);
    HGDIOBJ hOldMask = dcMask.SelectObject((HGDIOBJ)slot.hMask);

    if (bDisabled && m_bEmbossDisabled) {
        // The platform embosses a plain bitmap, so flatten the image onto white first.
        CBitmap bmpFlat;
        bmpFlat.CreateCompatibleBitmap(pDC, cx, cy);
        {
            CDC dcFlat;
            dcFlat.CreateCompatibleDC(pDC);
            HGDIOBJ hOldFlat = dcFlat.SelectObject((HGDIOBJ)bmpFlat.m_hObject);
            RECT rcFill = { 0, 0, rcImage.right + 1, rcImage.bottom + 1 };
            CBrush brWhite(kWhite);
            dcFlat.FillRect(&rcFill, &brWhite);
            const COLORREF crOldBk = dcFlat.SetBkColor(kWhite);
            dcFlat.BitBlt(0, 0, cx, cy, &dcMask, 0, 0, SRCAND);
            dcFlat.BitBlt(0, 0, cx, cy, &dcImage, 0, 0, SRCPAINT);
            dcFlat.SetBkColor(crOldBk);
            dcFlat.SelectObject(hOldFlat);
        }
        ::DrawStateA(pDC->m_hDC, NULL, NULL, (LPARAM)bmpFlat.m_hObject, 0, rcImage.left, rcImage.top, cx, cy,
                     DST_BITMAP | DSS_DISABLED);
    } else {
        pDC->BitBlt(rcImage.left, rcImage.top, cx, cy, &dcMask, 0, 0, SRCAND);
        pDC->BitBlt(rcImage.left, rcImage.top, cx, cy, &dcImage, 0, 0, SRCPAINT);
    }

    if (hOldMask != NULL)
        dcMask.SelectObject(hOldMask);
    if (hOldImage != NULL)
        dcImage.SelectObject(hOldImage);
}

void CImageButton::PaintCaption(CDC* pDC, const char* pszText, const RECT* /*pItem*/, RECT* pCaption,
                                BOOL bPressed, BOOL bDisabled)
{
    zelvix::Rect rc =
        zelvix::ShiftPressedCaption(ToRect(*pCaption), bPressed != FALSE, m_bToggleMode != FALSE, m_nPressShiftX,
                                    m_nPressShiftY);
    const zelvix::Rect rcArea = rc;
    RECT rcMeasured = FromRect(rc);
    pDC->DrawText(pszText, -1, &rcMeasured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    rc = zelvix::CentreMeasuredCaption(rcArea, ToRect(rcMeasured));
    *pCaption = FromRect(rc);

    pDC->SetBkMode(TRANSPARENT);
    if (bDisabled) {
        ::OffsetRect(pCaption, 1, 1);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        pDC->DrawText(pszText, -1, pCaption, DT_WORDBREAK | DT_CENTER);
        ::OffsetRect(pCaption, -1, -1);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
        pDC->DrawText(pszText, -1, pCaption, DT_WORDBREAK | DT_CENTER);
        return;
    }
    int nText = BC_TEXT_NORMAL;
    int nFace = BC_FACE_NORMAL;
    if (bPressed) {
        nText = BC_TEXT_PRESSED;
        nFace = BC_FACE_PRESSED;
    } else if (m_bPaintFocused != 0) {
        nText = BC_TEXT_FOCUS;
        nFace = BC_FACE_FOCUS;
    }
    pDC->SetTextColor(m_arrColors[nText]);
    pDC->SetBkColor(m_arrColors[nFace]);
    pDC->DrawText(pszText, -1, pCaption, DT_WORDBREAK | DT_CENTER);
}

/////////////////////////////////////////////////////////////////////////////
// Message map

BEGIN_MESSAGE_MAP(CImageButton, CButton)
    ON_WM_SETCURSOR()
    ON_WM_SYSCOLORCHANGE()
    ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
    ON_WM_ENABLE()
    ON_WM_GETDLGCODE()
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_MENUCHAR()
    ON_WM_MEASUREITEM()
    ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
    ON_WM_MOUSELEAVE()
    ON_MESSAGE(BM_SETCHECK, OnSetCheck)
    ON_MESSAGE(BM_GETCHECK, OnGetCheck)
END_MESSAGE_MAP()

BOOL CImageButton::SetTooltipText(LPCSTR lpszText, BOOL bActivate)
{
    if (lpszText == NULL || m_hWnd == NULL)
        return FALSE;
    // A tool tip without a tool never shows, so the control is made only now, when it gets one.
    if (m_tipCtrl.m_hWnd == NULL) {
        if (!m_tipCtrl.Create(this, m_dwTipStyle))
            return FALSE;
        m_tipCtrl.SetMaxTipWidth(400);
    }
    if (m_tipCtrl.GetToolCount() == 0) {
        if (!m_tipCtrl.AddTool(this, lpszText))
            return FALSE;
    } else {
        m_tipCtrl.UpdateTipText(lpszText, this);
    }
    m_tipCtrl.Activate(bActivate);
    return TRUE;
}

BOOL CImageButton::PreTranslateMessage(MSG* pMsg)
{
    if (m_tipCtrl.m_hWnd != NULL)
        m_tipCtrl.RelayEvent(pMsg);
    // A quick second click is another click: the button class would turn it into a double-click
    // notification instead.
    if (pMsg->message == WM_LBUTTONDBLCLK)
        pMsg->message = WM_LBUTTONDOWN;
    return CButton::PreTranslateMessage(pMsg);
}

BOOL CImageButton::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (m_hButtonCursor != NULL) {
        ::SetCursor(m_hButtonCursor);
        return TRUE;
    }
    return CButton::OnSetCursor(pWnd, nHitTest, message);
}

void CImageButton::OnSysColorChange()
{
    CButton::OnSysColorChange();
    ReleaseParentCopy();
    ResetColors();
    Invalidate();
}

BOOL CImageButton::OnClicked()
{
    SetFocus();
    if (m_clickSound.pszName != NULL) {
        static PFN_PLAYSOUNDA s_pfnPlaySound = NULL;
        if (AfxGetSysProc(&s_pfnPlaySound, "winmm.dll", "PlaySoundA"))
            s_pfnPlaySound(m_clickSound.pszName, m_clickSound.hModule, m_clickSound.dwFlags);
    }

    if (m_bToggleMode) {
        m_nCheckState = (m_nCheckState == 0) ? 1 : 0;
        Invalidate();
        return FALSE;
    }

    if (m_dropMenu.m_hMenu != NULL) {
        ShowDropMenu();
        return FALSE;
    }

    if (m_szLink[0] != '\0') {
        SHELLEXECUTEINFOA sei;
        memset(&sei, 0, sizeof(sei));
        sei.cbSize = sizeof(sei);
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.lpVerb = "open";
        sei.lpFile = m_szLink;
        sei.nShow = SW_SHOWMAXIMIZED;
        static PFN_SHELLEXECUTEEXA s_pfnShellExecuteEx = NULL;
        if (AfxGetSysProc(&s_pfnShellExecuteEx, "shell32.dll", "ShellExecuteExA"))
            s_pfnShellExecuteEx(&sei);
    }
    return FALSE;
}

void CImageButton::ShowDropMenu()
{
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    m_bMenuShowing = TRUE;
    Invalidate();

    CMenu* pPopup = m_dropMenu.GetSubMenu(0);
    if (pPopup != NULL) {
        if (m_menuNotify.hWnd != NULL)
            ::SendMessageA(m_menuNotify.hWnd, m_menuNotify.nMessage, (WPARAM)pPopup, m_menuNotify.lParam);
        const UINT nCmd = (UINT)pPopup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD,
                                                       rcWindow.left, rcWindow.bottom, this);
        m_bMenuShowing = FALSE;
        Invalidate();
        // Without a target the command would land in the thread's queue as a window-less message.
        if (nCmd != 0 && m_hCommandTarget != NULL)
            ::PostMessageA(m_hCommandTarget, WM_COMMAND, LOWORD(nCmd), 0);
        return;
    }
    // No pop-up at position 0: nothing to track, the button just goes back to rest.
    m_bMenuShowing = FALSE;
    Invalidate();
}

void CImageButton::OnEnable(BOOL bEnable)
{
    CButton::OnEnable(bEnable);
    if (bEnable)
        return;
    // A disabled button must not keep the keyboard: hand it on along the tab order. The search
    // may come back to the button itself when nothing else takes the focus.
    CWnd* pParent = GetParent();
    if (pParent == NULL)
        return;
    CWnd* pNext = pParent->GetNextDlgTabItem(this, FALSE);
    if (pNext != NULL && pNext->m_hWnd != m_hWnd)
        pNext->SetFocus();
    else
        pParent->SetFocus();
}

UINT CImageButton::OnGetDlgCode()
{
    UINT nCode = CButton::OnGetDlgCode();
    nCode |= m_bDefaultPush ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
    return nCode;
}

HBRUSH CImageButton::CtlColor(CDC* /*pDC*/, UINT /*nCtlColor*/)
{
    return (HBRUSH)::GetStockObject(NULL_BRUSH);
}

LRESULT CImageButton::OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    if (COwnerDrawnMenu::IsMenuRegistered(pMenu))
        return COwnerDrawnMenu::FindMnemonicItem(nChar, nFlags, pMenu);
    return CButton::OnMenuChar(nChar, nFlags, pMenu);
}

void CImageButton::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    // Pop-up items carry their sub-menu's handle as the item id.
    const HMENU hMenu = (HMENU)(UINT_PTR)lpMeasureItemStruct->itemID;
    if (lpMeasureItemStruct->CtlType == ODT_MENU && ::IsMenu(hMenu) && COwnerDrawnMenu::IsHandleRegistered(hMenu)) {
        m_dropMenu.MeasureItem(lpMeasureItemStruct);
        return;
    }
    CButton::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
}

LRESULT CImageButton::OnSetStyle(WPARAM wParam, LPARAM lParam)
{
    const UINT nType = (UINT)wParam & kTypeField;
    if (nType == BS_DEFPUSHBUTTON)
        m_bDefaultPush = TRUE;
    else if (nType == BS_PUSHBUTTON)
        m_bDefaultPush = FALSE;
    return DefWindowProc(BM_SETSTYLE, (wParam & ~(WPARAM)0x14) | BS_OWNERDRAW, lParam);
}

void CImageButton::OnMouseLeave()
{
    // Nothing changes when the pointer leaves: the button keeps no hover look.
}

LRESULT CImageButton::OnSetCheck(WPARAM wParam, LPARAM /*lParam*/)
{
    if (m_bToggleMode) {
        m_nCheckState = (wParam == BST_CHECKED || wParam == BST_INDETERMINATE) ? 1 : 0;
        Invalidate();
    }
    return 0;
}

LRESULT CImageButton::OnGetCheck(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return m_nCheckState;
}
