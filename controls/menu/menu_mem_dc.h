// menu_mem_dc.h - CMenuMemDC: an off-screen surface for one rectangle of a target device context.
//
// Drawing goes into a compatible bitmap at the target's own coordinates; the destructor copies
// the rectangle to the target in one transfer. On a printing target nothing is buffered: the
// object shares the target's handles and leaves them to the target.
#ifndef ZELVIX_MENU_MEM_DC_H
#define ZELVIX_MENU_MEM_DC_H

#include <afxwin.h>

class CMenuMemDC : public CDC
{
public:
// Data members
    CBitmap m_bmpOffscreen;   // owned; as large as m_rcArea
    CBitmap* m_pPrevBitmap;   // selected before m_bmpOffscreen; a temporary wrapper, not owned
    CDC* m_pTargetDC;         // not owned
    RECT m_rcArea;            // in the target's logical coordinates
    BOOL m_bOffscreen;        // FALSE: sharing a printing target's handles

// Construction
    CMenuMemDC(CDC* pTargetDC, const RECT* pArea);
    virtual ~CMenuMemDC();

private:
    CMenuMemDC(const CMenuMemDC&) = delete;
    CMenuMemDC& operator=(const CMenuMemDC&) = delete;
};

#endif // ZELVIX_MENU_MEM_DC_H
