// afx_dialog.h - CDialog: a dialog from a template resource, run modally.
//
// Covers: construction from a template id or name with an optional parent, DoModal, EndDialog,
// virtual OnInitDialog/OnOK/OnCancel, PreTranslateMessage (the dialog keys: Enter, Escape,
// Tab), and the modal loop. DoModal creates the dialog from its template (the object is
// attached before the first message), disables its owner for the run, and loops: each message
// is pre-translated in place (from its window up through its parents, then the dialog keys)
// before it is dispatched; the loop ends on EndDialog. On WM_QUIT the loop re-posts the quit,
// destroys the dialog and DoModal returns -1, so nested modal loops end one after another.
// The default WM_CLOSE of a dialog becomes IDCANCEL, which ends it through OnCancel.
// When the queue runs empty the loop frees temporary wrappers (see afx_handlemap.h).
#ifndef ZELVIX_AFX_DIALOG_H
#define ZELVIX_AFX_DIALOG_H

#include "framework/afx_wnd.h"

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
// Construction
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = NULL);

// Operations
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

// Overridables
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL PreTranslateMessage(MSG* pMsg);

protected:
// Data members
    LPCSTR m_lpszTemplateName;
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;  // not owned
    int m_nModalResult;
    BOOL m_bContinueModal;

    // Runs messages until EndDialog or WM_QUIT; returns the result (-1 on WM_QUIT).
    int RunModalLoop();
    // The window that owns a dialog with this parent: the parent's top-level window, or the
    // main window's, or none.
    HWND GetSafeOwnerHwnd() const;

    static INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Message handlers
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};

#endif // ZELVIX_AFX_DIALOG_H
