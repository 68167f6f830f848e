// application.h - the application object: start-up, the single-instance guard, the end.
#ifndef ZELVIX_APP_APPLICATION_H
#define ZELVIX_APP_APPLICATION_H

#include <afxwin.h>

// The marker of a running instance in this logon session; only its existence matters.
namespace zelvix {
constexpr char kSingleInstanceEventName[] = "zelvix_Pivlen Event";
}  // namespace zelvix

class CconsoleApp : public CWinApp
{
public:
// Construction
    CconsoleApp();

// Overridables
    // The whole life of the program: the guard, then the host dialog run modally. Always
    // FALSE, so the framework ends the program when it returns.
    virtual BOOL InitInstance();
};

extern CconsoleApp theApp;

#endif // ZELVIX_APP_APPLICATION_H
