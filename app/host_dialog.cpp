// host_dialog.cpp - the host dialog.
#include "app/host_dialog.h"

#include "capture/capture_frame.h"
#include "capture/capture_settings_store.h"
#include "app/about_dialog.h"

// System command of the About box; the low four bits belong to the system.

BEGIN_MESSAGE_MAP(CconsoleDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CconsoleDlg::CconsoleDlg(CWnd* pParent) : CDialog(IDD, pParent), m_pHintWnd(NULL)
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

BOOL CconsoleDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Invisible: only the task-bar entry shows; the capture frame is what the user sees.
    ShowWindow(SW_HIDE);
    MoveWindow(0, 0, 0, 0, TRUE);

    // The frame writes the filter's defaults as it is constructed. Without its window the
    // program runs on with nothing to show: every call on it below then does nothing.
    m_pHintWnd = new CScreenShareHintWnd;
    m_pHintWnd->CreateFrame();
    m_pHintWnd->ShowWindow(SW_SHOW);
    return TRUE;
}

void CconsoleDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CconsoleDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }

    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);

    // Centre the icon in the client rectangle.
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CconsoleDlg::OnQueryDragIcon()
{
    return (HCURSOR)m_hIcon;
}

void CconsoleDlg::OnClose()
{
    // Leave the capture filter with nothing of the desktop, as a complete set.
    if (m_pHintWnd != NULL)
        m_pHintWnd->PublishClosingSet();
    else
        EndCaptureSet(PublishImageSettings(1));

    delete m_pHintWnd;  // destroys its window and buttons
    m_pHintWnd = NULL;

    CDialog::OnClose();  // becomes IDCANCEL, which ends the modal run
}
