// menu_mem_dc.cpp - CMenuMemDC.
#include "controls/menu/menu_mem_dc.h"

CMenuMemDC::CMenuMemDC(CDC* pTargetDC, const RECT* pArea)
    : m_pPrevBitmap(NULL), m_pTargetDC(pTargetDC), m_rcArea(*pArea), m_bOffscreen(FALSE)
{
    m_bOffscreen = !pTargetDC->IsPrinting();
    if (m_bOffscreen) {
        CreateCompatibleDC(pTargetDC);
        m_bmpOffscreen.CreateCompatibleBitmap(pTargetDC, m_rcArea.right - m_rcArea.left,
                                              m_rcArea.bottom - m_rcArea.top);
        m_pPrevBitmap = SelectObject(&m_bmpOffscreen);
        // Drawing at the target's coordinates lands in the bitmap.
        SetWindowOrg(m_rcArea.left, m_rcArea.top);
    } else {
        m_bPrinting = pTargetDC->m_bPrinting;
        m_hDC = pTargetDC->m_hDC;
        m_hAttribDC = pTargetDC->m_hAttribDC;
    }
}

CMenuMemDC::~CMenuMemDC()
{
    if (m_bOffscreen) {
        ::BitBlt(m_pTargetDC->m_hDC, m_rcArea.left, m_rcArea.top, m_rcArea.right - m_rcArea.left,
                 m_rcArea.bottom - m_rcArea.top, m_hDC, m_rcArea.left, m_rcArea.top, SRCCOPY);
        if (m_hDC != NULL)
            ::SelectObject(m_hDC, AfxGetSafeHandle(m_pPrevBitmap));
    } else {
        // The handles are the target's: keep the base destructor off them.
        m_hDC = NULL;
        m_hAttribDC = NULL;
    }
    // m_bmpOffscreen (no longer selected) and then the memory DC are deleted by the member and
    // base destructors.
}
