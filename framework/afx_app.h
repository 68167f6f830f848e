// afx_app.h - the application object and the program entry.
//
// Covers: CWinThread (m_pMainWnd, GetMainWnd, virtual InitInstance/Run/ExitInstance/
// PreTranslateMessage/OnIdle), CWinApp (the one application object: its constructor
// registers it; m_hInstance, m_pszAppName and m_pszExeName taken from the executable when
// no name is given), AfxGetApp/AfxGetThread/AfxGetMainWnd, AfxGetInstanceHandle,
// AfxGetResourceHandle/AfxSetResourceHandle, AfxFindResourceHandle, AfxPostQuitMessage,
// AfxLoadSysLibrary and AfxGetSysProc (an entry of a platform library, loaded on first use).
// The program entry (WinMain -> AfxWinMain) runs the application object's InitInstance;
// when it returns FALSE no message loop runs and the program ends after ExitInstance.
#ifndef ZELVIX_AFX_APP_H
#define ZELVIX_AFX_APP_H

#include "framework/afx.h"
#include "framework/afx_wnd.h"

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
// Data members
    CWnd* m_pMainWnd;  // not owned

// Construction
    CWinThread() : m_pMainWnd(NULL) {}

// Attributes
    virtual CWnd* GetMainWnd() { return m_pMainWnd; }

// Overridables
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();
    virtual int ExitInstance();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);

protected:
    int m_nExitCode = 0;
};

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    virtual ~CWinApp();

// Data members
    HINSTANCE m_hInstance;
    LPCSTR m_pszAppName;  // from the constructor, else the executable's name
    LPCSTR m_pszExeName;  // the executable's name without its extension
    int m_nCmdShow;

// Operations
    HICON LoadIcon(UINT nIDResource) const;

// Overridables
    virtual BOOL InitInstance();

    // Fills in the names and the instance; called once by the program entry.
    BOOL AfxWinInit(HINSTANCE hInstance, int nCmdShow);

private:
    char m_szExeName[MAX_PATH];
    char m_szAppName[MAX_PATH];
    BOOL m_bNameGiven;
};

CWinApp* AFXAPI AfxGetApp();
CWinThread* AFXAPI AfxGetThread();
CWnd* AFXAPI AfxGetMainWnd();
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
// The module that holds the resource: the resource module when it has it, else the
// instance (this program has one module, so both are the executable).
HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
void AFXAPI AfxPostQuitMessage(int nExitCode);
// Loads a library of the platform from the system directory only (never from the program's
// folder or the path); NULL when it cannot be loaded. The caller frees it, or keeps it.
HMODULE AFXAPI AfxLoadSysLibrary(LPCSTR lpszModuleName);
// The entry lpszProc of that library, cached in *ppfn: the library is loaded by the first call that
// finds the entry and stays loaded. NULL when the library or the entry is missing (a later call
// tries again).
template <typename PFN>
PFN AfxGetSysProc(PFN* ppfn, LPCSTR lpszModuleName, LPCSTR lpszProc)
{
    if (*ppfn == NULL) {
        HMODULE hModule = AfxLoadSysLibrary(lpszModuleName);
        if (hModule != NULL) {
            *ppfn = reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(::GetProcAddress(hModule, lpszProc)));
            if (*ppfn == NULL)
                ::FreeLibrary(hModule);
        }
    }
    return *ppfn;
}

// The program entry's body: runs the application object.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

#endif // ZELVIX_AFX_APP_H
