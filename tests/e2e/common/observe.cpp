// observe.cpp - watching the running program from outside.
#include "common/observe.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace
{
const char CAPTURE_KEY[] = "SOFTWARE\\screen-capture-recorder";
const REGSAM CAPTURE_VIEW = KEY_WOW64_32KEY;  // the view the program writes in

struct FindData
{
    DWORD dwPid;
    const std::function<bool(HWND)>* pMatch;
    HWND hFound;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    FindData* pData = (FindData*)lParam;
    DWORD dwPid = 0;
    ::GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == pData->dwPid && (*pData->pMatch)(hWnd)) {
        pData->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND hWnd)
{
    char sz[512] = "";
    ::GetWindowTextA(hWnd, sz, (int)sizeof(sz));
    return sz;
}

std::string ClassName(HWND hWnd)
{
    char sz[256] = "";
    ::GetClassNameA(hWnd, sz, (int)sizeof(sz));
    return sz;
}
} // namespace

void LogStep(const char* pszFormat, ...)
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

bool WaitStable(DWORD dwTimeoutMs, const std::function<bool()>& pred)
{
    const DWORD dwStart = ::GetTickCount();
    int nHeld = 0;
    for (;;) {
        nHeld = pred() ? nHeld + 1 : 0;
        if (nHeld >= 2)
            return true;
        if (::GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        ::Sleep(50);
    }
}

HWND FindProcessWindow(DWORD dwPid, const std::function<bool(HWND)>& match)
{
    FindData data = { dwPid, &match, NULL };
    ::EnumWindows(FindProc, (LPARAM)&data);
    return data.hFound;
}

HWND FindCaptureFrame(DWORD dwPid)
{
    return FindProcessWindow(dwPid, [](HWND h) {
        return ::IsWindowVisible(h) && (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    });
}

HWND FindDialogByTitle(DWORD dwPid, const char* pszTitle)
{
    const std::string strTitle = pszTitle;
    return FindProcessWindow(dwPid, [&strTitle](HWND h) {
        return ClassName(h) == "#32770" && WindowText(h) == strTitle;
    });
}

std::string ChildText(HWND hParent, int nID)
{
    HWND hChild = ::GetDlgItem(hParent, nID);
    return hChild != NULL ? WindowText(hChild) : std::string();
}

std::vector<std::string> ChildTexts(HWND hParent)
{
    std::vector<std::string> texts;
    for (HWND h = ::GetWindow(hParent, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT))
        texts.push_back(WindowText(h));
    return texts;
}

bool ReadCaptureDword(const char* pszName, DWORD* pdwValue)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, KEY_READ | CAPTURE_VIEW, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0, cb = sizeof(*pdwValue);
    const LONG l = ::RegQueryValueExA(hKey, pszName, NULL, &dwType, (BYTE*)pdwValue, &cb);
    ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS && dwType == REG_DWORD && cb == 4;
}

bool ReadCaptureString(const char* pszName, std::string* pstrValue)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, KEY_READ | CAPTURE_VIEW, &hKey) != ERROR_SUCCESS)
        return false;
    char sz[1024] = "";
    DWORD dwType = 0, cb = sizeof(sz) - 1;
    const LONG l = ::RegQueryValueExA(hKey, pszName, NULL, &dwType, (BYTE*)sz, &cb);
    ::RegCloseKey(hKey);
    if (l != ERROR_SUCCESS || dwType != REG_SZ)
        return false;
    *pstrValue = sz;
    return true;
}

bool SetCaptureDword(const char* pszName, DWORD dwValue)
{
    HKEY hKey = NULL;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, NULL, 0, KEY_ALL_ACCESS | CAPTURE_VIEW, NULL, &hKey,
                          NULL) != ERROR_SUCCESS)
        return false;
    const LONG l = ::RegSetValueExA(hKey, pszName, 0, REG_DWORD, (const BYTE*)&dwValue, sizeof(dwValue));
    ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS;
}

void SeedTickSentinels()
{
    for (const char* psz : { "start_x", "start_y", "capture_width", "capture_height", "show_img", "param_set" })
        SetCaptureDword(psz, SENTINEL);
}

bool WaitForPublishedRect(DWORD dwTimeoutMs, int x, int y, int cx, int cy)
{
    return WaitStable(dwTimeoutMs, [=]() {
        DWORD v[5] = {};
        return ReadCaptureDword("start_x", &v[0]) && ReadCaptureDword("start_y", &v[1])
            && ReadCaptureDword("capture_width", &v[2]) && ReadCaptureDword("capture_height", &v[3])
            && ReadCaptureDword("param_set", &v[4]) && v[0] == (DWORD)x && v[1] == (DWORD)y && v[2] == (DWORD)cx
            && v[3] == (DWORD)cy && v[4] == 1;
    });
}

std::string DescribePublished()
{
    std::string s;
    for (const char* psz : { "start_x", "start_y", "capture_width", "capture_height", "show_img", "param_set" }) {
        DWORD v = 0;
        char sz[96];
        if (ReadCaptureDword(psz, &v))
            snprintf(sz, sizeof(sz), "%s=%ld ", psz, (long)(LONG)v);
        else
            snprintf(sz, sizeof(sz), "%s=<none> ", psz);
        s += sz;
    }
    return s;
}

std::string StillImagePathFor(const std::string& strExePath)
{
    const size_t n = strExePath.rfind('\\');
    return (n == std::string::npos ? std::string() : strExePath.substr(0, n)) + "\\1.bmp";
}

CScreenShot::CScreenShot() : m_cx(::GetSystemMetrics(SM_CXSCREEN)), m_cy(::GetSystemMetrics(SM_CYSCREEN))
{
    m_pixels.assign((size_t)m_cx * m_cy, 0);
    HDC hScreen = ::GetDC(NULL);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = m_cx;
    bmi.bmiHeader.biHeight = -m_cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = NULL;
    HBITMAP hDib = ::CreateDIBSection(hMem, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hDib);
    ::BitBlt(hMem, 0, 0, m_cx, m_cy, hScreen, 0, 0, SRCCOPY);
    ::GdiFlush();
    memcpy(m_pixels.data(), pBits, m_pixels.size() * 4);
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hDib);
    ::DeleteDC(hMem);
    ::ReleaseDC(NULL, hScreen);
}

CScreenShot::~CScreenShot() {}

COLORREF CScreenShot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_cx || y >= m_cy)
        return CLR_INVALID;
    const DWORD p = m_pixels[(size_t)y * m_cx + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool CScreenShot::SaveBmp(const std::string& strPath) const
{
    FILE* f = fopen(strPath.c_str(), "wb");
    if (f == NULL)
        return false;
    BITMAPINFOHEADER bih;
    memset(&bih, 0, sizeof(bih));
    bih.biSize = sizeof(bih);
    bih.biWidth = m_cx;
    bih.biHeight = -m_cy;
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    BITMAPFILEHEADER bfh;
    memset(&bfh, 0, sizeof(bfh));
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + (DWORD)(m_pixels.size() * 4);
    const bool bOk = fwrite(&bfh, sizeof(bfh), 1, f) == 1 && fwrite(&bih, sizeof(bih), 1, f) == 1
        && fwrite(m_pixels.data(), 4, m_pixels.size(), f) == m_pixels.size();
    fclose(f);
    return bOk;
}

COLORREF RootColor()
{
    int r = 255, g = 255, b = 255;
    const char* psz = getenv("ZELVIX_ROOT_COLOR");
    if (psz != NULL)
        sscanf(psz, "%d,%d,%d", &r, &g, &b);
    return RGB(r, g, b);
}

std::string ArtifactPath(const std::string& strFile)
{
    const char* pszDir = getenv("ZELVIX_ARTIFACT_DIR");
    std::string strDir = pszDir != NULL ? pszDir : ".";
    return strDir + "\\" + strFile;
}

std::string ColorText(COLORREF cr)
{
    char sz[48];
    if (cr == CLR_INVALID)
        return "(off screen)";
    snprintf(sz, sizeof(sz), "(%d, %d, %d)", GetRValue(cr), GetGValue(cr), GetBValue(cr));
    return sz;
}

std::vector<CaptureWrite> ParseCaptureWrites(const std::string& strTrace)
{
    // Handle values are reused as soon as a key is closed, so every open is followed: per thread
    // the key being opened, and per handle the key it names now and how often it was written.
    struct KeyState
    {
        bool bCapture = false;
        unsigned nAccess = 0;
        int nUses = 0;
    };
    struct ThreadState
    {
        bool bPending = false;
        KeyState pending;
    };
    std::map<std::string, ThreadState> threads;
    std::map<std::string, KeyState> keys;
    std::vector<CaptureWrite> writes;

    size_t pos = 0;
    while (pos < strTrace.size()) {
        size_t end = strTrace.find('\n', pos);
        if (end == std::string::npos)
            end = strTrace.size();
        const std::string line = strTrace.substr(pos, end - pos);
        pos = end + 1;

        const size_t nColon = line.find(':');
        if (nColon == std::string::npos || line.find(":trace:reg:") == std::string::npos)
            continue;
        ThreadState& t = threads[line.substr(0, nColon)];
        const bool bCreate = line.find(":NtCreateKey ") != std::string::npos;
        const bool bOpen = line.find(":NtOpenKey") != std::string::npos;

        if ((bCreate || bOpen) && line.find(" <- ") != std::string::npos) {
            // "NtCreateKey <- 0x8c": the handle of the key named on the call line.
            if (t.bPending)
                keys[line.substr(line.find(" <- ") + 4)] = t.pending;
            t.bPending = false;
        } else if (bCreate || bOpen) {
            // NtCreateKey (parent,L"name",class,options,access,...)
            // NtOpenKeyEx (parent,L"name",access,...)
            t.bPending = true;
            t.pending = KeyState();
            t.pending.bCapture = line.find("screen-capture-recorder\"") != std::string::npos;
            size_t p = line.find('"', line.find("L\"") + 2);  // end of the name
            for (int nField = bCreate ? 3 : 1; nField > 0 && p != std::string::npos; --nField)
                p = line.find(',', p + 1);
            if (p != std::string::npos)
                t.pending.nAccess = (unsigned)strtoul(line.c_str() + p + 1, NULL, 16);
        } else if (line.find(":NtSetValueKey (") != std::string::npos) {
            // NtSetValueKey (handle,L"name",type,data,size)
            const size_t pOpen = line.find('(') + 1;
            const size_t pComma = line.find(',', pOpen);
            const std::string strHandle = line.substr(pOpen, pComma - pOpen);
            std::map<std::string, KeyState>::iterator it = keys.find(strHandle);
            if (it == keys.end() || !it->second.bCapture)
                continue;
            const size_t pName = line.find("L\"", pComma) + 2;
            const size_t pNameEnd = line.find('"', pName);
            CaptureWrite w;
            w.strName = line.substr(pName, pNameEnd - pName);
            w.nType = (int)strtol(line.c_str() + pNameEnd + 2, NULL, 10);
            w.nSize = (int)strtol(line.c_str() + line.rfind(',') + 1, NULL, 10);
            w.nAccess = it->second.nAccess;
            w.bOwnOpen = it->second.nUses++ == 0;
            w.strHandle = strHandle;
            writes.push_back(w);
        }
    }
    return writes;
}
