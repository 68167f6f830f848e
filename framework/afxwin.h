// afxwin.h - the framework layer's main header: everything a window program includes.
//
// Our own small, faithful stand-in for the application framework: the class names, members
// and signatures that this program uses, behaving as the framework's do. What each piece
// covers is listed at the top of its header:
//   afx.h          CObject, run-time classes, exceptions, diagnostics
//   afx_string.h   CString (narrow, double-byte aware)
//   afx_types.h    CPoint, CSize, CRect
//   afx_msgmap.h   message maps
//   afx_wnd.h      CCmdTarget, CWnd, handle maps, the window procedure, AfxRegisterWndClass
//   afx_gdi.h      CDC, CPaintDC, CClientDC, CWindowDC, CGdiObject, CPen, CBrush, CFont,
//                  CBitmap, CRgn
//   afx_menu.h     CMenu
//   afx_app.h      CWinThread, CWinApp, the program entry, resource lookup, AfxLoadSysLibrary
//   afx_dialog.h   CDialog
//   afx_controls.h CButton, CToolTipCtrl, AfxDeferRegisterClass (common controls on first use)
//   afxcoll.h / afxtempl.h   CPtrArray, CTypedPtrArray, CArray
#ifndef ZELVIX_AFXWIN_H
#define ZELVIX_AFXWIN_H

#include "framework/afx.h"
#include "framework/afx_app.h"
#include "framework/afx_controls.h"
#include "framework/afx_dialog.h"
#include "framework/afx_gdi.h"
#include "framework/afx_menu.h"
#include "framework/afx_wnd.h"

#endif // ZELVIX_AFXWIN_H
