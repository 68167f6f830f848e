// afxcmn.h - common controls: CToolTipCtrl (see afx_controls.h) and the common-controls API.
#ifndef ZELVIX_AFXCMN_H
#define ZELVIX_AFXCMN_H

#include "afx_controls.h"

#include <commctrl.h>

#endif // ZELVIX_AFXCMN_H
