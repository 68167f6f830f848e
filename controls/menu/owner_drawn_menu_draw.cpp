// owner_drawn_menu_draw.cpp - COwnerDrawnMenu: measurement, classic-style and XP-style item
// drawing, check marks and the menu font.
#include "controls/menu/owner_drawn_menu.h"

#include <algorithm>
#include <new>

#include "controls/menu/menu_color.h"

namespace
{
constexpr UINT kDtLabel = DT_SINGLELINE | DT_VCENTER;
constexpr UINT kDtAccelerator = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;

// NONCLIENTMETRICSA as systems from Vista on define it (the XP-era headers stop before the last
// field). Older systems refuse this size and take the shorter structure.
struct NONCLIENTMETRICS_LONG
{
    NONCLIENTMETRICSA ncm;
    int iPaddedBorderWidth;
};
static_assert(sizeof(NONCLIENTMETRICSA) == 340, "the XP-era structure");
static_assert(sizeof(NONCLIENTMETRICS_LONG) == 344, "the structure with the padded border");

// The two parts of an item text: the label before the first tab and the accelerator text after
// the last one. The accelerator is set only when there is a tab.
struct CItemText
{
    CString strLabel;
    CString strAccelerator;
    BOOL bHasAccelerator;

    explicit CItemText(const CString& strText) : bHasAccelerator(FALSE)
    {
        const int nFirst = strText.Find('\t');
        if (nFirst < 0) {
            strLabel = strText;
            return;
        }
        strLabel = strText.Left(nFirst);
        strAccelerator = strText.Mid(strText.ReverseFind('\t') + 1);
        bHasAccelerator = TRUE;
    }

    void Draw(CDC* pDC, CRect& rcText) const
    {
        pDC->DrawText(strLabel, &rcText, kDtLabel);
        if (bHasAccelerator)
            pDC->DrawText(strAccelerator, &rcText, kDtAccelerator);
    }
};

// Half of v rounded half up; 0 for a negative v.
int HalfRoundedUp(int v)
{
    return v < 0 ? 0 : (int)(v * 0.5 + 0.5);
}

HBITMAP GetCheckedBitmap(const DRAWITEMSTRUCT* pDis)
{
    MENUITEMINFOA info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    if (!::GetMenuItemInfoA((HMENU)pDis->hwndItem, pDis->itemID, FALSE, &info))
        return NULL;
    return info.hbmpChecked;
}
} // namespace

/////////////////////////////////////////////////////////////////////////////
// Fonts

void PASCAL COwnerDrawnMenu::GetMenuLogFont(LOGFONTA* pLogFont, PFN_SYSTEM_PARAMETERS pfnQuery)
{
    if (pfnQuery == NULL)
        pfnQuery = ::SystemParametersInfoA;

    NONCLIENTMETRICS_LONG metrics;
    memset(&metrics, 0, sizeof(metrics));
    metrics.ncm.cbSize = sizeof(metrics);
    if (pfnQuery(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        *pLogFont = metrics.ncm.lfMenuFont;
        return;
    }
    memset(&metrics, 0, sizeof(metrics));
    metrics.ncm.cbSize = sizeof(metrics.ncm);
    if (pfnQuery(SPI_GETNONCLIENTMETRICS, sizeof(metrics.ncm), &metrics.ncm, 0)) {
        *pLogFont = metrics.ncm.lfMenuFont;
        return;
    }
    // No metrics: describe the default GUI font rather than use whatever the structure held.
    memset(pLogFont, 0, sizeof(*pLogFont));
    if (::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(*pLogFont), pLogFont) == 0)
        pLogFont->lfHeight = -12;
}

BOOL PASCAL COwnerDrawnMenu::CreateMenuFont(CFont& font)
{
    LOGFONTA lf;
    GetMenuLogFont(&lf);
    return font.CreateFontIndirect(&lf);
}

/////////////////////////////////////////////////////////////////////////////
// Dispatch and measurement

void COwnerDrawnMenu::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (pDC == NULL || lpDrawItemStruct->itemData == 0)
        return;
    if (pDC->GetDeviceCaps(RASTERCAPS) & RC_PALETTE)
        DrawItemClassic(lpDrawItemStruct);
    else if (UseXPStyle())
        DrawItemXP(lpDrawItemStruct);
    else
        DrawItemClassic(lpDrawItemStruct);
}

void COwnerDrawnMenu::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    const CMenuItemData* pItem = (const CMenuItemData*)lpMeasureItemStruct->itemData;
    if (pItem == NULL)
        return;
    const BOOL bXP = UseXPStyle();
    const int nSpacing = bXP ? 7 : 4;
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);

    if (pItem->m_nFlags & MF_SEPARATOR) {
        lpMeasureItemStruct->itemWidth = 0;
        lpMeasureItemStruct->itemHeight = std::max(cyMenu / 2, (m_nImageHeight + nSpacing) / 2);
        return;
    }

    CFont font;
    CreateMenuFont(font);
    const HWND hWnd = GetMeasuringWindow();
    const HDC hDC = ::GetDC(hWnd);
    // Codes 0 and 1 measure with the DC's own font.
    HGDIOBJ hOldFont = NULL;
    if (s_nWindowsVersion >= 2)
        hOldFont = ::SelectObject(hDC, font.m_hObject);
    SIZE size = { 0, 0 };
    if (pItem->m_pszText != NULL)
        ::GetTextExtentPoint32W(hDC, pItem->m_pszText, ::lstrlenW(pItem->m_pszText), &size);
    if (hOldFont != NULL)
        ::SelectObject(hDC, hOldFont);
    ::ReleaseDC(hWnd, hDC);

    lpMeasureItemStruct->itemWidth = bXP ? size.cx + m_nImageWidth + nSpacing + 8
                                         : size.cx + 2 * m_nImageWidth + 1;
    lpMeasureItemStruct->itemHeight = std::max(cyMenu, m_nImageHeight + nSpacing);
}

/////////////////////////////////////////////////////////////////////////////
// Classic style

void COwnerDrawnMenu::DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    const CMenuItemData* pItem = (const CMenuItemData*)lpDrawItemStruct->itemData;
    if (pDC == NULL || pItem == NULL)
        return;
    CRect r(lpDrawItemStruct->rcItem);
    const UINT nState = lpDrawItemStruct->itemState;
    const BOOL bSelected = (nState & ODS_SELECTED) != 0;
    const BOOL bChecked = (nState & ODS_CHECKED) != 0;
    const BOOL bGrayed = (nState & ODS_GRAYED) != 0;

    const COLORREF crBack = ::GetSysColor(UseXPStyle() ? COLOR_BTNFACE : COLOR_MENU);
    CBrush brBack(crBack);

    if (pItem->m_nFlags & MF_SEPARATOR) {
        pDC->FillRect(&r, &brBack);
        r.top += r.Height() / 2;
        pDC->DrawEdge(&r, EDGE_ETCHED, BF_TOP);
        return;
    }

    CPen penBack(PS_SOLID, 0, crBack);
    CBrush brHighlight(::GetSysColor(COLOR_HIGHLIGHT));
    COLORREF crText = ::GetSysColor(COLOR_MENUTEXT);
    const CString strText = pItem->GetAnsiText();

    if (!bSelected) {
        CPen* pOldPen = pDC->SelectObject(&penBack);
        pDC->FillRect(&r, &brBack);
        pDC->SelectObject(pOldPen);
        pDC->Draw3dRect(&r, crBack, crBack);
    } else {
        CRect rcHighlight(r);
        if (bChecked)
            rcHighlight.left = r.left + m_nImageWidth + 5;  // the check box keeps the background
        pDC->FillRect(&rcHighlight, &brHighlight);
        crText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    }

    int dy = (r.Height() - m_nImageHeight - 4) / 2;
    if (dy < 0)
        dy = 0;

    if (bChecked) {
        const CRect rcBox(r.left + 1, r.top + dy + 2, r.left + 1 + m_nImageWidth, r.top + dy + 2 + m_nImageHeight);
        DrawCheckedBackgroundClassic(rcBox, pDC, bSelected, GetCheckedBitmap(lpDrawItemStruct));
    }

    r.left += m_nImageWidth + 9;

    if (!strText.IsEmpty()) {
        CRect rcText(r.left, r.top - 1, r.right, r.bottom - 1);
        const CItemText text(strText);
        if (text.bHasAccelerator)
            rcText.right -= m_nImageWidth;
        const int nOldMode = pDC->GetBkMode();
        pDC->SetBkMode(TRANSPARENT);
        if (!bGrayed) {
            pDC->SetTextColor(crText);
            text.Draw(pDC, rcText);
        } else if (!bSelected) {
            // Embossed: a highlight copy one pixel down-right under the grey text.
            CRect rcEmboss(rcText.left + 1, rcText.top + 1, rcText.right + 1, rcText.bottom + 1);
            pDC->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
            text.Draw(pDC, rcEmboss);
            pDC->SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
            text.Draw(pDC, rcText);
        } else {
            pDC->SetTextColor(crBack);
            text.Draw(pDC, rcText);
        }
        pDC->SetBkMode(nOldMode);
    }
}

/////////////////////////////////////////////////////////////////////////////
// XP style

void COwnerDrawnMenu::DrawItemXP(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pTargetDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    const CMenuItemData* pItem = (const CMenuItemData*)lpDrawItemStruct->itemData;
    if (pTargetDC == NULL || pItem == NULL)
        return;

    const COLORREF crBand = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF crTextArea = ::GetSysColor(COLOR_WINDOW);
    const COLORREF crHighlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const int nBandWidth = m_nImageWidth + 7;

    const BOOL bGrayed = (lpDrawItemStruct->itemState & ODS_GRAYED) != 0;
    CMenuMemDC* pMemDC = NULL;
    CFont fontMenu;
    CFont* pOldFont = NULL;
    CDC* pDC = pTargetDC;
    if (bGrayed) {
        // A disabled item never shows as selected, and is composed off-screen.
        lpDrawItemStruct->itemState &= ~ODS_SELECTED;
        pMemDC = new (std::nothrow) CMenuMemDC(pTargetDC, &lpDrawItemStruct->rcItem);
        if (pMemDC == NULL)
            return;
        pDC = pMemDC;
        if (CreateMenuFont(fontMenu))
            pOldFont = pDC->SelectObject(&fontMenu);
    }
    const BOOL bSelected = (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;

    CBrush brBand(crBand);
    CBrush brTextArea(crTextArea);
    CRect r(lpDrawItemStruct->rcItem);

    if (pItem->m_nFlags & MF_SEPARATOR) {
        pDC->FillRect(&r, &brTextArea);
        const CRect rcBand(r.left, r.top, r.left + nBandWidth, r.bottom);
        r.top += r.Height() / 2;
        r.left = rcBand.right + 7;
        pDC->DrawEdge(&r, EDGE_ETCHED, BF_TOP);
        pDC->FillRect(&rcBand, &brBand);
        pDC->Draw3dRect(&rcBand, crBand, crBand);
    } else {
        CPen penTextArea(PS_SOLID, 0, crTextArea);
        CBrush brSelection(LightenColor(0.7, crHighlight));
        const CString strText = pItem->GetAnsiText();

        if (bSelected) {
            pDC->FillRect(&r, &brSelection);
            pDC->Draw3dRect(&r, crHighlight, crHighlight);
        } else {
            const CRect rcBand(r.left, r.top, r.left + nBandWidth, r.bottom);
            pDC->FillRect(&r, &brTextArea);
            CPen* pOldPen = pDC->SelectObject(&penTextArea);
            pDC->FillRect(&rcBand, &brBand);
            pDC->SelectObject(pOldPen);
            pDC->Draw3dRect(&r, crTextArea, crTextArea);
            pDC->Draw3dRect(&rcBand, crBand, crBand);
        }

        if (lpDrawItemStruct->itemState & ODS_CHECKED) {
            const int x = r.left + HalfRoundedUp(nBandWidth - 16);
            const int y = r.top + HalfRoundedUp(r.Height() - 16);
            const CRect rcBox(x, y, x + 16, y + 16);
            DrawCheckedBackgroundXP(crHighlight, rcBox, pDC, GetCheckedBitmap(lpDrawItemStruct));
        }

        r.left += nBandWidth + 8;

        if (!strText.IsEmpty()) {
            CRect rcText(r.left, r.top - 1, r.right, r.bottom - 1);
            const CItemText text(strText);
            if (text.bHasAccelerator)
                rcText.right -= m_nImageWidth;
            const int nOldMode = pDC->GetBkMode();
            pDC->SetBkMode(TRANSPARENT);
            pDC->SetTextColor(::GetSysColor(bGrayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
            text.Draw(pDC, rcText);
            pDC->SetBkMode(nOldMode);
        }
    }

    if (pOldFont != NULL)
        pDC->SelectObject(pOldFont);
    fontMenu.DeleteObject();
    delete pMemDC;  // copies the finished item to the target
}

/////////////////////////////////////////////////////////////////////////////
// Check marks

void PASCAL COwnerDrawnMenu::DrawCheckMark(CDC* pDC, int x, int y, COLORREF crColor)
{
    // One three-pixel stroke per column; the lowest point is in the third column.
    static const int s_arrTop[7] = { 2, 3, 4, 3, 2, 1, 0 };
    CPen pen(PS_SOLID, 0, crColor);
    CPen* pOldPen = pDC->SelectObject(&pen);
    for (int i = 0; i < 7; ++i) {
        pDC->MoveTo(x + i, y + s_arrTop[i]);
        pDC->LineTo(x + i, y + s_arrTop[i] + 3);
    }
    pDC->SelectObject(pOldPen);
}

void PASCAL COwnerDrawnMenu::DrawRadioBullet(CDC* pDC, int x, int y, COLORREF crColor)
{
    CBrush brush(crColor);
    CPen pen(PS_SOLID, 0, crColor);
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    CPen* pOldPen = pDC->SelectObject(&pen);
    pDC->Ellipse(x, y, x + 6, y + 6);
    pDC->SelectObject(pOldBrush);
    pDC->SelectObject(pOldPen);
}

BOOL PASCAL COwnerDrawnMenu::DrawCheckedBackgroundClassic(const RECT& rcBox, CDC* pDC, BOOL bSelected,
                                                          HBITMAP hbmChecked)
{
    COLORREF crBase = ::GetSysColor(UseXPStyle() ? COLOR_BTNFACE : COLOR_MENU);
    if (!bSelected)
        crBase = LightenColor(0.6, crBase);
    {
        CBrush brush(crBase);
        pDC->FillRect(&rcBox, &brush);
    }
    if (s_nWindowsVersion >= 2) {
        RECT rcEdge = rcBox;
        pDC->DrawEdge(&rcEdge, BDR_SUNKENOUTER, BF_RECT);
    }
    const COLORREF crGlyph = ::GetSysColor(COLOR_MENUTEXT);
    if (hbmChecked == NULL)
        DrawCheckMark(pDC, rcBox.left + 4, rcBox.top + 4, crGlyph);
    else
        DrawRadioBullet(pDC, rcBox.left + 5, rcBox.top + 4, crGlyph);
    return TRUE;
}

BOOL PASCAL COwnerDrawnMenu::DrawCheckedBackgroundXP(const COLORREF& crFrame, const RECT& rcBox, CDC* pDC,
                                                     HBITMAP hbmChecked)
{
    {
        CBrush brush(LightenColor(0.85, crFrame));
        pDC->FillRect(&rcBox, &brush);
    }
    pDC->Draw3dRect(&rcBox, crFrame, crFrame);
    const COLORREF crGlyph = ::GetSysColor(COLOR_MENUTEXT);
    if (hbmChecked == NULL)
        DrawCheckMark(pDC, rcBox.left + 5, rcBox.top + 4, crGlyph);
    else
        DrawRadioBullet(pDC, rcBox.left + 5, rcBox.top + 4, crGlyph);
    return TRUE;
}

COLORREF PASCAL COwnerDrawnMenu::LightenColor(double dFactor, COLORREF crColor)
{
    return zelvix::LightenColor(dFactor, crColor);
}
