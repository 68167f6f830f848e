// observe.h - starting the real program and watching it from outside, never its internals
// (header-only, without GoogleTest):
//   CZelvixProcess          zelvix.exe (ZELVIX_EXE) or a copy in a kill-on-close job, so that it never
//                           outlives the driver; optionally traced (+reg), optionally held suspended
//   LogStep, WaitStable     a numbered, timed line per step; polling until a state holds twice
//   FindProcessWindow ...   top-level windows of a process, by stable properties
//   CaptureValue ...        the capture filter's registry values; sentinels to see a tick
//   CScreenShot, RootColor  the screen as the X server shows it, and what see-through pixels show
//   ParseCaptureWrites      the program's writes to the filter's key, from the trace (reg_trace.h)
#ifndef ZELVIX_E2E_OBSERVE_H
#define ZELVIX_E2E_OBSERVE_H

#include <windows.h>

#include "tests/common/reg_trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

inline std::string Env(const char* pszName) { return getenv(pszName) != NULL ? getenv(pszName) : ""; }
inline std::string ZelvixExePath() { return Env("ZELVIX_EXE"); }
inline std::string ReadTextFile(const std::string& strPath)   // the whole file, also while it is written
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class CZelvixProcess
{
public:
    CZelvixProcess()
    {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    ~CZelvixProcess()
    {
        Kill();
        for (HANDLE h : { m_pi.hThread, m_pi.hProcess, m_hJob })
            ::CloseHandle(h);
    }
    CZelvixProcess(const CZelvixProcess&) = delete;
    CZelvixProcess& operator=(const CZelvixProcess&) = delete;
    // bTrace: WINEDEBUG=-all,+reg, a line per registry key open and value write. Wine writes it to
    // the Unix standard error the program inherits, which scripts/wine-exec sends to the file
    // ZELVIX_REG_TRACE for the whole driver: trace one instance at a time. dwFlags: more
    // CreateProcess flags.
    bool Start(bool bTrace = false, bool bSuspended = false, std::string strExe = ZelvixExePath(), DWORD dwFlags = 0)
    {
        if (IsRunning() || strExe.empty() || (bTrace && Env("ZELVIX_REG_TRACE").empty()))
            return false;
        m_nTraceStart = bTrace ? ReadTrace().size() : 0;
        ::SetEnvironmentVariableA("WINEDEBUG", bTrace ? "-all,+reg" : getenv("WINEDEBUG"));   // inherited
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string cmdLine = "\"" + strExe + "\"";
        ::CloseHandle(m_pi.hThread), ::CloseHandle(m_pi.hProcess);
        m_pi = PROCESS_INFORMATION();
        const BOOL bStarted =
            ::CreateProcessA(NULL, &cmdLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED | dwFlags, NULL, NULL, &si, &m_pi);
        ::SetEnvironmentVariableA("WINEDEBUG", getenv("WINEDEBUG"));   // getenv still has the driver's own
        return bStarted && ::AssignProcessToJobObject(m_hJob, m_pi.hProcess) && (bSuspended || Resume());
    }
    bool Resume() { return ::ResumeThread(m_pi.hThread) != (DWORD)-1; }
    std::string GetRegTrace() const   // the trace since the last Start(true)
    {
        const std::string text = ReadTrace();
        return m_nTraceStart < text.size() ? text.substr(m_nTraceStart) : std::string();
    }
    bool WaitForExit(DWORD dwMs) { return ::WaitForSingleObject(m_pi.hProcess, dwMs) == WAIT_OBJECT_0; }
    DWORD GetExitCode() const { DWORD dw = STILL_ACTIVE; ::GetExitCodeProcess(m_pi.hProcess, &dw); return dw; }
    void Kill()   // at once, no clean shut-down
    {
        if (IsRunning() && ::TerminateProcess(m_pi.hProcess, 1))
            ::WaitForSingleObject(m_pi.hProcess, 5000);
    }
    bool IsRunning() const { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD GetProcessId() const { return m_pi.dwProcessId; }

private:
    static std::string ReadTrace() { return ReadTextFile(Env("ZELVIX_REG_TRACE")); }

    HANDLE m_hJob = ::CreateJobObjectA(NULL, NULL);
    PROCESS_INFORMATION m_pi = {};
    size_t m_nTraceStart = 0;   // size of the trace file at the last Start(true)
};

inline void LogStep(const char* pszFormat, ...)
{
    static const DWORD s_dwStart = ::GetTickCount();
    static int s_nStep = 0;
    char sz[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    printf("[step %3d, %7.3f s] %s\n", ++s_nStep, (::GetTickCount() - s_dwStart) / 1000.0, sz);
    fflush(stdout);
}

// True when pred() held on two consecutive reads (50 ms apart) within dwTimeoutMs.
inline bool WaitStable(DWORD dwTimeoutMs, const std::function<bool()>& pred)
{
    const DWORD dwStart = ::GetTickCount();
    for (int nHeld = 0; (nHeld = pred() ? nHeld + 1 : 0) < 2; ::Sleep(50))
        if (::GetTickCount() - dwStart > dwTimeoutMs)
            return false;
    return true;
}

// The first top-level window of process dwPid, in z order, for which match() is true.
inline HWND FindProcessWindow(DWORD dwPid, const std::function<bool(HWND)>& match)
{
    for (HWND h = ::GetTopWindow(NULL); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT)) {
        DWORD dwOwner = 0;
        ::GetWindowThreadProcessId(h, &dwOwner);
        if (dwOwner == dwPid && match(h))
            return h;
    }
    return NULL;
}
inline bool IsVisibleToolWindow(HWND h)
{
    return ::IsWindowVisible(h) && (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
}
inline HWND FindCaptureFrame(DWORD dwPid) { return FindProcessWindow(dwPid, IsVisibleToolWindow); }
inline std::string WindowText(HWND hWnd)
{
    char sz[512] = "";
    ::GetWindowTextA(hWnd, sz, (int)sizeof(sz));
    return sz;
}
// A visible dialog (#32770) with exactly this caption and, if pszText is given, a child showing it.
inline HWND FindDialogByTitle(DWORD dwPid, const char* pszTitle, const char* pszText = NULL)
{
    return FindProcessWindow(dwPid, [=](HWND h) {
        char szClass[16] = "";
        ::GetClassNameA(h, szClass, (int)sizeof(szClass));
        return ::IsWindowVisible(h) && strcmp(szClass, "#32770") == 0 && WindowText(h) == pszTitle
            && (pszText == NULL || ::FindWindowExA(h, NULL, NULL, pszText) != NULL);
    });
}

// HKCU\SOFTWARE\screen-capture-recorder in the 32-bit view: reads (or with bSet writes) one
// value; false unless that worked and the value has dwType.
inline bool CaptureValue(const char* pszName, DWORD dwType, void* pData, DWORD cb, bool bSet = false)
{
    HKEY hKey = NULL;
    DWORD dwGot = dwType;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder", 0, NULL, 0,
                      (bSet ? KEY_ALL_ACCESS : KEY_READ) | KEY_WOW64_32KEY, NULL, &hKey, NULL);
    const LONG l = bSet ? ::RegSetValueExA(hKey, pszName, 0, dwType, (const BYTE*)pData, cb)
                        : ::RegQueryValueExA(hKey, pszName, NULL, &dwGot, (BYTE*)pData, &cb);
    ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS && dwGot == dwType;
}
const DWORD SENTINEL = 0x5EED5EED;
inline DWORD CaptureDword(const char* pszName)   // SENTINEL when absent or of another type
{
    DWORD v = SENTINEL;
    return CaptureValue(pszName, REG_DWORD, &v, 4) ? v : SENTINEL;
}
inline bool SetCaptureDword(const char* pszName, DWORD v) { return CaptureValue(pszName, REG_DWORD, &v, 4, true); }
inline std::string CaptureString(const char* pszName)   // the REG_SZ value, "<none>" without one
{
    char sz[1024] = "";
    return CaptureValue(pszName, REG_SZ, sz, sizeof(sz) - 1) ? sz : "<none>";
}
const char* const TICK_VALUES[] = { "start_x", "start_y", "capture_width", "capture_height", "show_img", "param_set" };
inline void SeedTickSentinels()   // so that the next tick is seen
{
    for (const char* psz : TICK_VALUES)
        SetCaptureDword(psz, SENTINEL);
}
inline std::string DescribePublished()   // "start_x=42 ... param_set=1 ", values signed
{
    std::string s;
    for (const char* psz : TICK_VALUES)
        s += std::string(psz) + "=" + std::to_string((LONG)CaptureDword(psz)) + " ";
    return s;
}
// The still image's path the program publishes when it runs from strExePath.
inline std::string StillImagePathFor(const std::string& strExePath)
{
    const size_t n = strExePath.rfind('\\');
    return (n == std::string::npos ? std::string() : strExePath.substr(0, n)) + "\\1.bmp";
}

inline COLORREF RootColor()   // ZELVIX_ROOT_COLOR "r,g,b", set by the harness; white without it
{
    int r = 255, g = 255, b = 255;
    sscanf(Env("ZELVIX_ROOT_COLOR").c_str(), "%d,%d,%d", &r, &g, &b);
    return RGB(r, g, b);
}

class CScreenShot
{
public:
    CScreenShot()
    {
        HDC hScreen = ::GetDC(NULL), hMem = ::CreateCompatibleDC(hScreen);
        HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, m_cx, m_cy);
        HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
        ::BitBlt(hMem, 0, 0, m_cx, m_cy, hScreen, 0, 0, SRCCOPY);
        ::SelectObject(hMem, hOld);
        ::GetDIBits(hMem, hBitmap, 0, m_cy, m_bits.data(), (BITMAPINFO*)&m_bih, DIB_RGB_COLORS);
        ::DeleteObject(hBitmap);
        ::DeleteDC(hMem);
        ::ReleaseDC(NULL, hScreen);
    }
    COLORREF At(int x, int y) const   // CLR_INVALID off the screen
    {
        if (x < 0 || y < 0 || x >= m_cx || y >= m_cy)
            return CLR_INVALID;
        const DWORD p = m_bits[(size_t)y * m_cx + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool SaveBmp(const std::string& strPath) const
    {
        const DWORD cbHeaders = sizeof(BITMAPFILEHEADER) + sizeof(m_bih);
        const BITMAPFILEHEADER bfh = { 0x4D42, cbHeaders + (DWORD)m_bits.size() * 4, 0, 0, cbHeaders };
        std::ofstream file(strPath.c_str(), std::ios::binary);
        file.write((const char*)&bfh, sizeof(bfh)).write((const char*)&m_bih, sizeof(m_bih));
        return (bool)file.write((const char*)m_bits.data(), (std::streamsize)m_bits.size() * 4);
    }

private:
    int m_cx = ::GetSystemMetrics(SM_CXSCREEN), m_cy = ::GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER m_bih = { sizeof(BITMAPINFOHEADER), m_cx, -m_cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };   // top-down
    std::vector<DWORD> m_bits = std::vector<DWORD>((size_t)m_cx * m_cy);   // 0x00RRGGBB
};

#endif // ZELVIX_E2E_OBSERVE_H
