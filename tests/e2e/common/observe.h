// observe.h - watching the running program from outside: windows, pixels, the registry and
// Wine's registry trace, never the program's internals (header-only, without GoogleTest).
//   LogStep, WaitStable        a numbered, timed line per step; polling until a state holds twice
//   FindProcessWindow ...      top-level windows of the program's process, by stable properties
//   ReadCaptureDword ...       the capture filter's registry values; sentinels to see a tick
//   CScreenShot                the screen as the X server shows it, saved as .bmp on request
//   ParseCaptureWrites         the program's writes to the filter's key, from the +reg trace
//                              (common/reg_trace.h)
#ifndef ZELVIX_E2E_OBSERVE_H
#define ZELVIX_E2E_OBSERVE_H

#include <windows.h>

#include "common/reg_trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

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

inline HWND FindCaptureFrame(DWORD dwPid)
{
    return FindProcessWindow(dwPid, [](HWND h) {
        return ::IsWindowVisible(h) && (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    });
}

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
inline bool ReadCaptureDword(const char* pszName, DWORD* pdw) { return CaptureValue(pszName, REG_DWORD, pdw, 4); }
const char* const TICK_VALUES[] = { "start_x", "start_y", "capture_width", "capture_height", "show_img", "param_set" };
const DWORD SENTINEL = 0x5EED5EED;
inline void SeedTickSentinels()   // so that the next tick is seen
{
    for (const char* psz : TICK_VALUES)
        CaptureValue(psz, REG_DWORD, (void*)&SENTINEL, sizeof(SENTINEL), true);
}
inline std::string DescribePublished()   // "start_x=42 ... param_set=1 ", values signed
{
    std::ostringstream os;
    for (const char* psz : TICK_VALUES) {
        DWORD v = 0;
        os << psz << "=" << (ReadCaptureDword(psz, &v) ? std::to_string((LONG)v) : "<none>") << " ";
    }
    return os.str();
}

// The still image's path the program publishes when it runs from strExePath.
inline std::string StillImagePathFor(const std::string& strExePath)
{
    const size_t n = strExePath.rfind('\\');
    return (n == std::string::npos ? std::string() : strExePath.substr(0, n)) + "\\1.bmp";
}

class CScreenShot
{
public:
    CScreenShot() : m_cx(::GetSystemMetrics(SM_CXSCREEN)), m_cy(::GetSystemMetrics(SM_CYSCREEN)), m_bih(Format())
    {
        m_bits.resize((size_t)m_cx * m_cy);
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
        FILE* f = fopen(strPath.c_str(), "wb");
        const bool bOk = f != NULL && fwrite(&bfh, sizeof(bfh), 1, f) == 1 && fwrite(&m_bih, sizeof(m_bih), 1, f) == 1
            && fwrite(m_bits.data(), 4, m_bits.size(), f) == m_bits.size();
        return f != NULL && fclose(f) == 0 && bOk;
    }

private:
    BITMAPINFOHEADER Format() const { return { sizeof(BITMAPINFOHEADER), m_cx, -m_cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 }; }

    int m_cx;
    int m_cy;
    BITMAPINFOHEADER m_bih;   // 32 bits per pixel, top-down
    std::vector<DWORD> m_bits;
};

#endif // ZELVIX_E2E_OBSERVE_H
