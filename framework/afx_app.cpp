// afx_app.cpp - CWinThread, CWinApp and the global accessors.
#include "framework/afx_app.h"

#include "framework/afx_handlemap.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace
{
CWinApp* g_pApp = NULL;
HINSTANCE g_hInstResource = NULL;
} // namespace

CWinApp* AFXAPI AfxGetApp() { return g_pApp; }
CWinThread* AFXAPI AfxGetThread() { return g_pApp; }
CWnd* AFXAPI AfxGetMainWnd() { return g_pApp != NULL ? g_pApp->GetMainWnd() : NULL; }

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    return (g_pApp != NULL && g_pApp->m_hInstance != NULL) ? g_pApp->m_hInstance : ::GetModuleHandleA(NULL);
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    return g_hInstResource != NULL ? g_hInstResource : AfxGetInstanceHandle();
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_hInstResource = hInstResource;
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    if (::FindResourceA(hInst, lpszName, lpszType) != NULL)
        return hInst;
    return AfxGetInstanceHandle();
}

void AFXAPI AfxPostQuitMessage(int nExitCode)
{
    ::PostQuitMessage(nExitCode);
}

HMODULE AFXAPI AfxLoadSysLibrary(LPCSTR lpszModuleName)
{
    char szPath[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(szPath, MAX_PATH);
    const size_t cchName = strlen(lpszModuleName);
    if (n == 0 || n + 1 + cchName >= MAX_PATH)
        return NULL;
    szPath[n] = '\\';
    memcpy(szPath + n + 1, lpszModuleName, cchName + 1);
    return ::LoadLibraryA(szPath);
}

/////////////////////////////////////////////////////////////////////////////
// CWinThread

int CWinThread::Run()
{
    MSG msg;
    LONG lIdleCount = 0;
    for (;;) {
        while (!::PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++))
                break;
        }
        const BOOL bRet = ::GetMessageA(&msg, NULL, 0, 0);
        if (bRet == 0 || bRet == -1)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        lIdleCount = 0;
    }
    m_nExitCode = (int)msg.wParam;
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return m_nExitCode;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    CWnd* pMainWnd = GetMainWnd();
    return CWnd::WalkPreTranslateTree(AfxGetSafeHwnd(pMainWnd), pMsg);
}

BOOL CWinThread::OnIdle(LONG /*lCount*/)
{
    AfxPurgeTempMaps();
    return FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// CWinApp

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_hInstance(NULL), m_pszAppName(lpszAppName), m_pszExeName(NULL), m_nCmdShow(SW_SHOWNORMAL),
      m_bNameGiven(lpszAppName != NULL)
{
    m_szExeName[0] = '\0';
    m_szAppName[0] = '\0';
    ASSERT(g_pApp == NULL);  // one application object
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    LPCSTR lpszName = MAKEINTRESOURCEA(nIDResource);
    return ::LoadIconA(AfxFindResourceHandle(lpszName, (LPCSTR)RT_GROUP_ICON), lpszName);
}

BOOL CWinApp::AfxWinInit(HINSTANCE hInstance, int nCmdShow)
{
    m_hInstance = hInstance;
    m_nCmdShow = nCmdShow;

    // The executable's base name without its extension, as the framework names the program.
    char szPath[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(hInstance, szPath, MAX_PATH);
    szPath[n < MAX_PATH ? n : MAX_PATH - 1] = '\0';
    const char* pszName = szPath;
    for (const char* p = szPath; *p != '\0'; p = ::CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':')
            pszName = p + 1;
    }
    lstrcpynA(m_szExeName, pszName, MAX_PATH);
    char* pszDot = NULL;
    for (char* p = m_szExeName; *p != '\0'; p = ::CharNextA(p)) {
        if (*p == '.')
            pszDot = p;
    }
    if (pszDot != NULL)
        *pszDot = '\0';
    m_pszExeName = m_szExeName;
    if (!m_bNameGiven) {
        lstrcpynA(m_szAppName, m_szExeName, MAX_PATH);
        m_pszAppName = m_szAppName;
    }
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// Program entry

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    int nReturnCode = -1;
    try {
        pApp->AfxWinInit(hInstance, nCmdShow);
        if (!pApp->InitInstance())
            nReturnCode = pApp->ExitInstance();
        else
            nReturnCode = pApp->Run();
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    AfxPurgeTempMaps();
    return nReturnCode;
}
