// afx_dialog.cpp - CDialog.
#include "framework/afx_dialog.h"

#include "framework/afx_app.h"
#include "framework/afx_handlemap.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CDialog::CDialog()
    : m_lpszTemplateName(NULL), m_nIDHelp(0), m_pParentWnd(NULL), m_nModalResult(-1), m_bContinueModal(FALSE)
{
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd),
      m_nModalResult(-1), m_bContinueModal(FALSE)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_nIDHelp(0), m_pParentWnd(pParentWnd), m_nModalResult(-1),
      m_bContinueModal(FALSE)
{
}

INT_PTR CALLBACK CDialog::AfxDlgProc(HWND hWnd, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    // Reached from the dialog class's own procedure through Default(); the message map has
    // already seen the message. Only the initialisation needs a call here.
    if (message == WM_INITDIALOG) {
        CDialog* pDlg = DYNAMIC_DOWNCAST(CDialog, CWnd::FromHandlePermanent(hWnd));
        if (pDlg != NULL)
            return pDlg->OnInitDialog();
        return TRUE;
    }
    return FALSE;
}

LRESULT CDialog::HandleInitDialog(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return Default();  // the dialog procedure runs OnInitDialog
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;  // the platform sets the focus to the first control
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnPaint()
{
    Default();
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = FALSE;
    if (m_hWnd != NULL)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard messages for the dialog or its controls get the dialog keys.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd != NULL
        && (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)))
        return ::IsDialogMessageA(m_hWnd, pMsg);
    return FALSE;
}

HWND CDialog::GetSafeOwnerHwnd() const
{
    HWND hWnd = AfxGetSafeHwnd(m_pParentWnd);
    if (hWnd == NULL) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != NULL && pMain != this)
            hWnd = pMain->m_hWnd;
    }
    // The owner of a dialog is always a top-level window.
    while (hWnd != NULL && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0)
        hWnd = ::GetParent(hWnd);
    return hWnd;
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, (LPCSTR)RT_DIALOG);
    HRSRC hResource = ::FindResourceA(hInst, m_lpszTemplateName, (LPCSTR)RT_DIALOG);
    HGLOBAL hTemplate = hResource != NULL ? ::LoadResource(hInst, hResource) : NULL;
    LPCDLGTEMPLATEA lpTemplate = hTemplate != NULL ? (LPCDLGTEMPLATEA)::LockResource(hTemplate) : NULL;
    if (lpTemplate == NULL)
        return -1;

    // The owner is disabled while the dialog runs, and enabled again before the dialog goes
    // so that it gets the activation back.
    HWND hWndOwner = GetSafeOwnerHwnd();
    BOOL bEnableOwner = FALSE;
    if (hWndOwner != NULL && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        bEnableOwner = TRUE;
    }

    m_nModalResult = -1;
    m_bContinueModal = TRUE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(hInst, lpTemplate, hWndOwner, &CDialog::AfxDlgProc, 0);
    AfxUnhookWindowCreate();

    if (hWnd != NULL && m_bContinueModal) {
        // The template may ask to be visible; show it now if initialisation left it hidden
        // and nobody ended it already.
        if ((::GetWindowLongA(hWnd, GWL_STYLE) & WS_VISIBLE) == 0 && m_bContinueModal)
            ::ShowWindow(hWnd, SW_SHOWNORMAL);
        RunModalLoop();
    }

    if (bEnableOwner)
        ::EnableWindow(hWndOwner, TRUE);
    if (hWnd != NULL && ::IsWindow(hWnd)) {
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (bEnableOwner && ::GetActiveWindow() == hWnd)
            ::SetActiveWindow(hWndOwner);
        DestroyWindow();
    } else if (m_hWnd != NULL) {
        Detach();
    }
    return m_nModalResult;
}

int CDialog::RunModalLoop()
{
    MSG msg;
    while (m_bContinueModal) {
        if (!::PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE))
            AfxPurgeTempMaps();  // idle: temporary wrappers are no longer in use

        const BOOL bRet = ::GetMessageA(&msg, NULL, 0, 0);
        if (bRet == -1)
            continue;
        if (bRet == 0) {
            // A quit ends every modal loop in turn: pass it on to the loop outside this one.
            ::PostQuitMessage((int)msg.wParam);
            m_bContinueModal = FALSE;
            m_nModalResult = -1;
            break;
        }
        // Pre-translation may change the message in place; what it leaves is dispatched.
        if (!CWnd::WalkPreTranslateTree(NULL, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return m_nModalResult;
}
