// zelvix_doctor.cpp - zelvix-doctor.exe: reads the capture filter's settings the way the filter
// does, says what the filter will show, and on request grabs that picture.
//
//   zelvix-doctor                 a short report in Chinese, in the console's code page
//   zelvix-doctor --json          the same as one JSON object in UTF-8
//   zelvix-doctor --grab FILE     also writes the picture the filter would deliver now (24-bit .bmp)
//
// Exit code: 0 the filter shows the published rectangle, 1 it runs but shows something else, 2 it
// fails to start (no picture is written then), 3 the doctor could not do what it was asked.
//
// This file only gathers facts from the system (the file or the key, screens, windows, the image)
// and carries out the grab; every judgement is filter_plan.h's. It reads, never writes, the key.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "doctor_report.h"
#include "filter_grab.h"
#include "filter_plan.h"
#include "version.h"

using namespace zelvix;
using namespace zelvix::doctor;

namespace
{
const int EXIT_DOCTOR_FAILED = 3;
const DWORD MAX_TEXT_CHARS = 32768;   // longer texts are cut: no path or summary is that long

// --- text -----------------------------------------------------------------------------------

std::string ToUtf8(const wchar_t* psz, size_t n)
{
    if (n == 0)
        return std::string();
    const int cb = ::WideCharToMultiByte(CP_UTF8, 0, psz, (int)n, NULL, 0, NULL, NULL);
    std::string s(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, psz, (int)n, &s[0], cb, NULL, NULL);
    return s;
}

std::wstring FromUtf8(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), NULL, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &w[0], n);
    return w;
}

std::wstring Widen(const char* pszAscii)   // the filter's names are plain ASCII
{
    return std::wstring(pszAscii, pszAscii + strlen(pszAscii));
}

// Text for people: UTF-16 straight to a console, else bytes in the console's (or the system's
// ANSI) code page with Windows line ends. JSON for programs: UTF-8 bytes unless it is a console.
void Print(HANDLE hOut, const std::string& strUtf8, bool bUtf8Bytes)
{
    std::wstring w = FromUtf8(strUtf8);
    DWORD dwMode = 0, dwDone = 0;
    if (::GetConsoleMode(hOut, &dwMode)) {
        for (size_t i = 0; i < w.size(); i += 4096)
            ::WriteConsoleW(hOut, w.data() + i, (DWORD)std::min<size_t>(4096, w.size() - i), &dwDone, NULL);
        return;
    }
    std::string bytes;
    if (bUtf8Bytes) {
        bytes = strUtf8;
    } else {
        std::wstring crlf;
        for (wchar_t ch : w) {
            if (ch == L'\n')
                crlf += L'\r';
            crlf += ch;
        }
        UINT cp = ::GetConsoleOutputCP();
        if (cp == 0)
            cp = ::GetACP();
        const int cb = ::WideCharToMultiByte(cp, 0, crlf.data(), (int)crlf.size(), NULL, 0, NULL, NULL);
        bytes.resize(cb > 0 ? cb : 0);
        if (cb > 0)
            ::WideCharToMultiByte(cp, 0, crlf.data(), (int)crlf.size(), &bytes[0], cb, NULL, NULL);
    }
    ::WriteFile(hOut, bytes.data(), (DWORD)bytes.size(), &dwDone, NULL);
}

// --- the settings, where the filter takes them from ---------------------------------------------

std::wstring IniPath()
{
    wchar_t szDir[MAX_PATH] = L"";
    if (FAILED(::SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, szDir)))
        return std::wstring();
    return std::wstring(szDir) + L"\\" + Widen(kFilterIniFileName);
}

bool IsFile(const std::wstring& strPath)
{
    const DWORD dwAttributes = strPath.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An entry of [all_settings]: its text as GetPrivateProfileString gives it (an empty entry counts
// as missing, as it does for GetPrivateProfileInt), and, for numbers, what GetPrivateProfileInt
// makes of it, which is what the filter gets.
RawValue ReadIniValue(const std::wstring& strIni, const char* pszName, bool bNumber, int nDefault)
{
    const std::wstring strSection = Widen(kFilterIniSection), strName = Widen(pszName);
    std::vector<wchar_t> buf(MAX_TEXT_CHARS);
    const DWORD n = ::GetPrivateProfileStringW(strSection.c_str(), strName.c_str(), L"", buf.data(),
                                               (DWORD)buf.size(), strIni.c_str());
    RawValue raw;
    raw.bPresent = n > 0;
    raw.strText = ToUtf8(buf.data(), std::min<DWORD>(n, (DWORD)buf.size() - 1));
    if (bNumber)
        raw.nValue = (std::int32_t)::GetPrivateProfileIntW(strSection.c_str(), strName.c_str(), nDefault, strIni.c_str());
    return raw;
}

// A value of the key: its type and size always; its number when it is a 4-byte REG_DWORD, its
// text when it is a string. The program may rewrite it between the two reads: then read again.
RawValue ReadRegistryValue(HKEY hKey, const char* pszName)
{
    const std::wstring strName = Widen(pszName);
    RawValue raw;
    for (int nTry = 0; nTry < 3; ++nTry) {
        DWORD dwType = 0, cb = 0;
        if (::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwType, NULL, &cb) != ERROR_SUCCESS)
            return RawValue();
        raw.bPresent = true;
        raw.dwType = dwType;
        raw.cbData = cb;
        if (dwType == REG_DWORD && cb == 4) {
            DWORD dw = 0, cbGot = 4, dwGotType = 0;
            if (::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwGotType, (BYTE*)&dw, &cbGot) == ERROR_SUCCESS &&
                dwGotType == REG_DWORD && cbGot == 4) {
                raw.nValue = (std::int32_t)dw;
                return raw;
            }
        } else if (dwType == REG_SZ || dwType == REG_EXPAND_SZ) {
            std::vector<wchar_t> buf(std::min<DWORD>(cb, MAX_TEXT_CHARS * 2) / 2 + 1, L'\0');
            DWORD cbGot = (DWORD)(buf.size() - 1) * 2, dwGotType = 0;
            const LONG l = ::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwGotType, (BYTE*)buf.data(), &cbGot);
            if (l == ERROR_MORE_DATA && cb > MAX_TEXT_CHARS * 2) {
                raw.strText = std::string(MAX_TEXT_CHARS, '?');   // too long to be any path
                return raw;
            }
            if (l == ERROR_SUCCESS) {
                size_t n = cbGot / 2;
                while (n > 0 && buf[n - 1] == L'\0')
                    --n;
                raw.strText = ToUtf8(buf.data(), wcsnlen(buf.data(), n));
                return raw;
            }
        } else {
            return raw;   // any other type: its type and size say enough
        }
    }
    return raw;
}

SettingsSource ReadSource()
{
    SettingsSource src;
    const std::wstring strIni = IniPath();
    src.strIniPath = ToUtf8(strIni.data(), strIni.size());
    src.bIniPresent = IsFile(strIni);

    HKEY hKey = NULL;
    const LONG l = ::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(kFilterKeyPath).c_str(), 0,
                                   KEY_QUERY_VALUE | KEY_WOW64_32KEY, &hKey);
    src.key = l == ERROR_SUCCESS ? KeyState::Open : l == ERROR_FILE_NOT_FOUND ? KeyState::Absent : KeyState::Unreadable;

    for (int i = 0; i < FS_COUNT; ++i) {
        if (src.bIniPresent)
            src.values[i] = ReadIniValue(strIni, kFilterSettings[i].pszName, true, kFilterSettings[i].nDefault);
        else if (hKey != NULL)
            src.values[i] = ReadRegistryValue(hKey, kFilterSettings[i].pszName);
    }
    if (src.bIniPresent)
        src.imageFileName = ReadIniValue(strIni, setting::kImgFilename, false, 0);
    else if (hKey != NULL)
        src.imageFileName = ReadRegistryValue(hKey, setting::kImgFilename);
    if (hKey != NULL) {
        src.lastInitConfig = ReadRegistryValue(hKey, setting::kLastInitConfig);
        ::RegCloseKey(hKey);
    }
    return src;
}

// --- the machine ---------------------------------------------------------------------------------

Rect ToRect(const RECT& rc) { return Rect{rc.left, rc.top, rc.right, rc.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR /*hMonitor*/, HDC /*hdc*/, LPRECT prc, LPARAM lParam)
{
    ((std::vector<Rect>*)lParam)->push_back(ToRect(*prc));
    return TRUE;
}

WindowFacts DescribeWindow(HWND hWnd)
{
    WindowFacts facts;
    RECT rcWindow, rcClient;
    if (hWnd == NULL || !::IsWindow(hWnd) || !::GetWindowRect(hWnd, &rcWindow) || !::GetClientRect(hWnd, &rcClient))
        return facts;
    ::MapWindowPoints(hWnd, NULL, (POINT*)&rcClient, 2);
    facts.bExists = true;
    facts.rcWindow = ToRect(rcWindow);
    facts.rcClient = ToRect(rcClient);
    return facts;
}

ImageState DescribeImage(const std::wstring& strPath)
{
    if (strPath.empty())
        return ImageState::Missing;
    if (strPath.size() >= MAX_PATH)
        return ImageState::PathTooLong;   // the filter opens it through the ANSI calls
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return ImageState::Missing;
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return ImageState::NotBitmap;   // there, but a folder or not for us to read
    unsigned char head[kBitmapHeaderBytes];
    DWORD nRead = 0;
    LARGE_INTEGER size = {};
    const bool bRead = ::ReadFile(hFile, head, sizeof(head), &nRead, NULL) && ::GetFileSizeEx(hFile, &size);
    ::CloseHandle(hFile);
    return bRead && IsWholeBitmap(head, nRead, (std::uint64_t)size.QuadPart) ? ImageState::Bitmap
                                                                             : ImageState::NotBitmap;
}

Environment DescribeMachine(const Plan& plan)
{
    Environment env;
    env.rcScreen = Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    env.rcVirtual = Rect{x, y, (std::int64_t)x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         (std::int64_t)y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    ::EnumDisplayMonitors(NULL, NULL, AddMonitor, (LPARAM)&env.monitors);
    HDC hScreen = ::GetDC(NULL);
    env.dpiX = ::GetDeviceCaps(hScreen, LOGPIXELSX);
    env.dpiY = ::GetDeviceCaps(hScreen, LOGPIXELSY);
    ::ReleaseDC(NULL, hScreen);
    // Window handles are 32-bit values on every Windows, sign-extended in 64-bit programs.
    if (plan.Stored(FS_HWND_TO_TRACK))
        env.tracked = DescribeWindow((HWND)(LONG_PTR)plan.Value(FS_HWND_TO_TRACK));
    if (plan.Stored(FS_HWND_TO_TRACK_WITH_DECORATION))
        env.trackedDecorated = DescribeWindow((HWND)(LONG_PTR)plan.Value(FS_HWND_TO_TRACK_WITH_DECORATION));
    env.foreground = DescribeWindow(::GetForegroundWindow());
    env.image = DescribeImage(FromUtf8(plan.strImagePath));
    return env;
}

// --- the grab ---------------------------------------------------------------------------------

// One device context with a bitmap selected, both released on the way out.
class CMemoryPicture
{
public:
    CMemoryPicture(HDC hdcLike, HBITMAP hBitmap) : m_hdc(::CreateCompatibleDC(hdcLike)), m_hBitmap(hBitmap)
    {
        m_hOld = m_hdc != NULL && m_hBitmap != NULL ? ::SelectObject(m_hdc, m_hBitmap) : NULL;
    }
    ~CMemoryPicture()
    {
        if (m_hOld != NULL)
            ::SelectObject(m_hdc, m_hOld);
        if (m_hdc != NULL)
            ::DeleteDC(m_hdc);
        if (m_hBitmap != NULL)
            ::DeleteObject(m_hBitmap);
    }
    CMemoryPicture(const CMemoryPicture&) = delete;
    CMemoryPicture& operator=(const CMemoryPicture&) = delete;

    bool IsValid() const { return m_hOld != NULL; }
    HDC GetDC() const { return m_hdc; }
    HBITMAP GetBitmap() const { return m_hBitmap; }

private:
    HDC m_hdc;
    HBITMAP m_hBitmap;   // owned
    HGDIOBJ m_hOld;
};

// The filter's scaling: HALFTONE (which needs the brush origin set) or COLORONCOLOR.
BOOL StretchLikeTheFilter(HDC hdcDest, int cx, int cy, HDC hdcSrc, int xSrc, int ySrc, int cxSrc, int cySrc,
                          bool bHalftone)
{
    ::SetStretchBltMode(hdcDest, bHalftone ? HALFTONE : COLORONCOLOR);
    ::SetBrushOrgEx(hdcDest, 0, 0, NULL);
    return ::StretchBlt(hdcDest, 0, 0, cx, cy, hdcSrc, xSrc, ySrc, cxSrc, cySrc, SRCCOPY);
}

// Draws the filter's picture into a new 24-bit bitmap of the output size and writes it as a .bmp.
// Returns an empty string or what went wrong.
std::string Grab(const Plan& plan, const std::wstring& strFile)
{
    const int cx = (int)plan.nOutWidth, cy = (int)plan.nOutHeight;
    BITMAPINFOHEADER bih = {sizeof(BITMAPINFOHEADER), cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD cbStride = ((DWORD)cx * 3 + 3) & ~3u;
    bih.biSizeImage = cbStride * (DWORD)cy;

    HDC hScreen = ::GetDC(NULL);
    void* pBits = NULL;
    CMemoryPicture out(hScreen, ::CreateDIBSection(hScreen, (BITMAPINFO*)&bih, DIB_RGB_COLORS, &pBits, NULL, 0));
    BOOL bDrawn = FALSE;
    if (out.IsValid() && plan.picture == Picture::Image) {
        CMemoryPicture image(hScreen, (HBITMAP)::LoadImageW(NULL, FromUtf8(plan.strImagePath).c_str(), IMAGE_BITMAP, 0,
                                                             0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm = {};
        if (image.IsValid() && ::GetObjectW(image.GetBitmap(), sizeof(bm), &bm) != 0)
            bDrawn = StretchLikeTheFilter(out.GetDC(), cx, cy, image.GetDC(), 0, 0, bm.bmWidth, bm.bmHeight,
                                          plan.bHalftone);
    } else if (out.IsValid()) {
        // The filter's copy of the screen rectangle first, then its scaling of that copy.
        const int cxCapture = (int)plan.capture.Width(), cyCapture = (int)plan.capture.Height();
        CMemoryPicture copy(hScreen, ::CreateCompatibleBitmap(hScreen, cxCapture, cyCapture));
        bDrawn = copy.IsValid() &&
                 ::BitBlt(copy.GetDC(), 0, 0, cxCapture, cyCapture, hScreen, (int)plan.capture.left,
                          (int)plan.capture.top, SRCCOPY) &&
                 (cxCapture == cx && cyCapture == cy
                      ? ::BitBlt(out.GetDC(), 0, 0, cx, cy, copy.GetDC(), 0, 0, SRCCOPY)
                      : StretchLikeTheFilter(out.GetDC(), cx, cy, copy.GetDC(), 0, 0, cxCapture, cyCapture,
                                             plan.bHalftone));
    }
    ::ReleaseDC(NULL, hScreen);
    if (!out.IsValid())
        return u8"建不了 " + detail::Size(cx, cy) + u8" 的位图";
    if (!bDrawn)
        return plan.picture == Picture::Image ? u8"载入不了静态图片" : u8"复制不了屏幕";
    ::GdiFlush();

    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;   // "BM"
    bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    HANDLE hFile = ::CreateFileW(strFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return u8"打不开要写的文件（错误 " + detail::Num(::GetLastError()) + u8"）";
    DWORD n1 = 0, n2 = 0, n3 = 0;
    const bool bWritten = ::WriteFile(hFile, &bfh, sizeof(bfh), &n1, NULL) && ::WriteFile(hFile, &bih, sizeof(bih), &n2, NULL) &&
                          ::WriteFile(hFile, pBits, bih.biSizeImage, &n3, NULL) && n3 == bih.biSizeImage;
    const bool bClosed = ::CloseHandle(hFile) != FALSE;
    if (!bWritten || !bClosed) {
        ::DeleteFileW(strFile.c_str());
        return u8"写文件失败";
    }
    return std::string();
}

// --- the program --------------------------------------------------------------------------------

// The filter usually runs in a DPI-aware host (a streaming application): see the screen as it does.
void BecomeDpiAware()
{
    typedef BOOL(WINAPI * PFN_SET_PROCESS_DPI_AWARE)();
    const PFN_SET_PROCESS_DPI_AWARE pfn =
        (PFN_SET_PROCESS_DPI_AWARE)(void*)::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware");
    if (pfn != NULL)
        pfn();
}

const char USAGE[] =
    u8"用法：zelvix-doctor [--json] [--grab 文件.bmp]\n"
    u8"  检查捕捉筛选器会怎样读取 ZELVIX直播伴侣 发布的设置，会显示什么。\n"
    u8"  --json        以一个 JSON 对象（UTF-8）输出\n"
    u8"  --grab 文件   另外把筛选器此刻会送出的画面存成 24 位 BMP\n"
    u8"退出码：0 显示发布的画面；1 能运行但显示别的；2 筛选器无法启动；3 本程序没能完成。\n";

int Run()
{
    HANDLE hOut = ::GetStdHandle(STD_OUTPUT_HANDLE), hErr = ::GetStdHandle(STD_ERROR_HANDLE);
    int argc = 0;
    std::unique_ptr<LPWSTR, HLOCAL (WINAPI*)(HLOCAL)> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc), ::LocalFree);
    if (argv && argc >= 2 && wcscmp(argv.get()[1], kFilterChildSwitch) == 0)
        return RunFilterChild(argc - 2, argv.get() + 2);
    bool bJson = false;
    std::wstring strGrab;
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv.get()[i];
        if (arg == L"--json") {
            bJson = true;
        } else if (arg == L"--grab" && i + 1 < argc && argv.get()[i + 1][0] != L'\0') {
            strGrab = argv.get()[++i];
        } else {
            Print(hErr, arg == L"--help" || arg == L"/?" ? USAGE : u8"参数不对。\n" + std::string(USAGE), false);
            return arg == L"--help" || arg == L"/?" ? 0 : EXIT_DOCTOR_FAILED;
        }
    }

    BecomeDpiAware();
    const SettingsSource src = ReadSource();
    Plan plan = ReadSettings(src);
    PlanCapture(plan, DescribeMachine(plan));

    std::string strGrabNote;
    int nExit = plan.ExitCode();
    if (!strGrab.empty()) {
        if (plan.picture == Picture::None) {
            strGrabNote = u8"没有写图片：筛选器此刻送不出画面。\n";
        } else {
            const std::string strError = Grab(plan, strGrab);
            strGrabNote = strError.empty() ? u8"画面已写入 " + ToUtf8(strGrab.data(), strGrab.size()) + "\n"
                                           : u8"没能写出画面：" + strError + "\n";
            if (!strError.empty())
                nExit = EXIT_DOCTOR_FAILED;
        }
    }
    if (bJson) {
        Print(hOut, RenderJson(plan), true);
        if (!strGrabNote.empty())
            Print(hErr, strGrabNote, false);
    } else {
        Print(hOut, RenderText(plan, ZELVIX_VERSION_TEXT, src.strIniPath) + strGrabNote, false);
    }
    return nExit;
}
} // namespace

int main()
{
    try {
        return Run();
    } catch (const std::exception& e) {
        const std::string s = std::string(u8"zelvix-doctor 出错：") + e.what() + "\n";
        Print(::GetStdHandle(STD_ERROR_HANDLE), s, false);
        return EXIT_DOCTOR_FAILED;
    }
}
