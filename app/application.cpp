// application.cpp - the application object.
#include "app/application.h"

#include "app/host_dialog.h"

CconsoleApp theApp;

CconsoleApp::CconsoleApp()
{
}

BOOL CconsoleApp::InitInstance()
{
    // The common controls are not initialised here: nothing on screen at start-up is one, and
    // the framework registers them when the first is created (AfxDeferRegisterClass).
    CWinApp::InitInstance();

    HANDLE hEvent = ::CreateEventA(NULL, FALSE, TRUE, zelvix::kSingleInstanceEventName);
    if (hEvent == NULL || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Let go of the marker before the message waits for the user, so that a new start
        // succeeds as soon as the first instance has ended.
        if (hEvent != NULL)
            ::CloseHandle(hEvent);
        ::MessageBoxA(NULL, "你已经打开【ZELVIX直播伴侣】了！同一时间只能打开一个！", "提示", MB_ICONINFORMATION);
        return FALSE;
    }

    // The host dialog's modal run is the program's only message loop; the dialog object goes
    // after the marker has been released.
    CconsoleDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    ::CloseHandle(hEvent);
    return FALSE;
}
