// host_dialog.h - the host dialog: the program's main window in name only.
//
// Run modally by the application, it hides itself at zero size and carries the program's
// icon, caption and task-bar entry. Closing it switches the capture filter to the still
// image and ends the program. System command 0x0010 opens the About box.
#ifndef ZELVIX_APP_HOST_DIALOG_H
#define ZELVIX_APP_HOST_DIALOG_H

#include <afxwin.h>

#include "res/resource.h"

class CScreenShareHintWnd;

class CconsoleDlg : public CDialog
{
public:
    enum { IDD = IDD_CONSOLE_DIALOG };

// Construction
    explicit CconsoleDlg(CWnd* pParent = NULL);

protected:
// Data members
    HICON m_hIcon;  // shared icon from the resources: not destroyed
    CScreenShareHintWnd* m_pHintWnd;  // owned from initialisation until the dialog is closed

// Overridables
    virtual BOOL OnInitDialog();

// Message handlers
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClose();

    DECLARE_MESSAGE_MAP()
};

#endif // ZELVIX_APP_HOST_DIALOG_H
