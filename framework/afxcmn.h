// afxcmn.h - common controls: CToolTipCtrl and AfxDeferRegisterClass (see afx_controls.h) and the
// common-controls declarations. The library is not imported: it is loaded when the first common
// control is created.
#ifndef ZELVIX_AFXCMN_H
#define ZELVIX_AFXCMN_H

#include "framework/afx_controls.h"

#include <commctrl.h>

#endif // ZELVIX_AFXCMN_H
