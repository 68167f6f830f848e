// about_dialog.h - the About box: a fixed dialog closed by its OK button, Enter or Escape.
#ifndef ZELVIX_APP_ABOUT_DIALOG_H
#define ZELVIX_APP_ABOUT_DIALOG_H

#include <afxwin.h>

#include "res/resource.h"

class CAboutDlg : public CDialog
{
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg() : CDialog(IDD) {}
};

#endif // ZELVIX_APP_ABOUT_DIALOG_H
