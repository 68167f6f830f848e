// filter_fixture.h - for the drivers that look at what the capture filter records:
//   PatternAt, CPatternWindow   a known picture on the screen, in a window of the test
//   Picture, ReadBmp            a .bmp file as pixels
//   MeanDifference              how far a picture is from another one, or from the pattern
//   RunDoctor                   zelvix-doctor with arguments: its exit code, its output, its time
//   ProcessesNamed              the ids of the processes running an .exe of that name
//   WriteOurIni, RemoveOurIni   %APPDATA%\ScreenCaptureRecorder.ini, made and removed by a driver
//   CFilterTest                 CFrameTest with a build of the filter (ZELVIX_FILTER_DLL) registered
//                               for the test suite and no ini file; each test ends without the
//                               filter's start summary
#ifndef ZELVIX_E2E_FILTER_FIXTURE_H
#define ZELVIX_E2E_FILTER_FIXTURE_H

#include "tests/common/filter_dll.h"
#include "tests/common/frame_fixture.h"

#include <tlhelp32.h>

// The colour at (x, y) of a pattern window's client area: it differs from its neighbours in both
// directions, so a shift by one pixel shows, and from the pixels 256 away, so a shift by that shows.
inline COLORREF PatternAt(int x, int y)
{
    return RGB((x * 7) & 255, (y * 7) & 255, ((x + y) * 13 + (x >> 8) * 71 + (y >> 8) * 29) & 255);
}
inline DWORD Rgb(COLORREF cr) { return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr); }   // as a DIB pixel

// A plain (not topmost) popup window showing the pattern, whole screen by default, on a thread of
// its own so that it repaints while the test waits; made before the constructor returns, so that
// the one made later lies on top.
class CPatternWindow
{
public:
    explicit CPatternWindow(int x = 0, int y = 0, int cx = ::GetSystemMetrics(SM_CXSCREEN), int cy = ::GetSystemMetrics(SM_CYSCREEN))
        : m_rc{x, y, x + cx, y + cy}, m_hThread(::CreateThread(NULL, 0, Run, this, 0, &m_dwThread))
    {
        WaitStable(5000, [&] { return m_hWnd != NULL; });
    }
    ~CPatternWindow()
    {
        ::PostThreadMessageA(m_dwThread, WM_QUIT, 0, 0);
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
    }
    bool IsShown() const
    {
        const int cx = m_rc.right - m_rc.left - 7, cy = m_rc.bottom - m_rc.top - 5;   // its bottom right corner
        return WaitStable(5000, [&] { return CScreenShot().At(m_rc.left + cx, m_rc.top + cy) == PatternAt(cx, cy); });
    }
    HWND GetHwnd() const { return m_hWnd; }

private:
    static DWORD WINAPI Run(LPVOID pv)
    {
        CPatternWindow& self = *(CPatternWindow*)pv;
        const int cx = self.m_rc.right - self.m_rc.left, cy = self.m_rc.bottom - self.m_rc.top;
        std::vector<DWORD> bits((size_t)cx * cy);
        for (int i = 0; i < cx * cy; ++i)
            bits[i] = Rgb(PatternAt(i % cx, i / cx));
        HBITMAP hBitmap = ::CreateBitmap(cx, cy, 1, 32, bits.data());
        HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BITMAP, self.m_rc.left,
                                      self.m_rc.top, cx, cy, NULL, NULL, NULL, NULL);
        ::SendMessageA(hWnd, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)hBitmap);
        self.m_hWnd = hWnd;
        MSG msg;
        while (::GetMessageA(&msg, NULL, 0, 0) > 0)
            ::DispatchMessageA(&msg);
        ::DestroyWindow(hWnd);
        ::DeleteObject(hBitmap);
        return 0;
    }
    RECT m_rc;
    volatile HWND m_hWnd = NULL;
    DWORD m_dwThread = 0;
    HANDLE m_hThread;
};

// A .bmp file as the platform loads it, top row first; cx 0 if it cannot be loaded.
struct Picture {
    int cx = 0, cy = 0, nBits = 0;
    std::vector<DWORD> pixels;   // 0x00RRGGBB
    DWORD At(int x, int y) const { return pixels[(size_t)y * cx + x]; }
};

inline Picture ReadBmp(const std::string& strPath)
{
    HBITMAP hBitmap = (HBITMAP)::LoadImageA(NULL, strPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    BITMAP bm = {};
    if (::GetObjectA(hBitmap, sizeof(bm), &bm) == 0)
        return Picture();
    BITMAPINFOHEADER bih = {sizeof(bih), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};   // top-down
    Picture pic{bm.bmWidth, bm.bmHeight, bm.bmBitsPixel, std::vector<DWORD>((size_t)bm.bmWidth * bm.bmHeight)};
    HDC hScreen = ::GetDC(NULL);
    ::GetDIBits(hScreen, hBitmap, 0, bm.bmHeight, pic.pixels.data(), (BITMAPINFO*)&bih, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    ::DeleteObject(hBitmap);
    return pic;
}

// The largest of the three channels' mean absolute differences between the first nRows rows of
// pic (all with -1) and want(x, y) (0x00RRGGBB) at each of their pixels; -1 for no picture.
inline double MeanDifference(const Picture& pic, const std::function<DWORD(int, int)>& want, int nRows = -1)
{
    const int cy = nRows < 0 ? pic.cy : std::min(nRows, pic.cy);
    if (pic.cx <= 0 || cy <= 0)
        return -1;
    double sums[3] = {};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < pic.cx; ++x) {
            const DWORD p = pic.At(x, y), q = want(x, y);
            for (int c = 0; c < 3; ++c)
                sums[c] += abs((int)((p >> (8 * c)) & 0xFF) - (int)((q >> (8 * c)) & 0xFF));
        }
    return *std::max_element(sums, sums + 3) / ((double)pic.cx * cy);
}
inline double PatternDifference(const Picture& pic, int x0, int y0, int nRows = -1)
{
    return MeanDifference(pic, [=](int x, int y) { return Rgb(PatternAt(x0 + x, y0 + y)); }, nRows);
}

// --- zelvix-doctor --------------------------------------------------------------------------------

inline std::string BinDir() { const std::string s = ZelvixExePath(); return s.substr(0, s.rfind('\\')); }
inline std::string DoctorExe() { return BinDir() + "\\zelvix-doctor.com"; }   // the console program
inline std::string ArtifactPath(const char* pszName) { return Env("ZELVIX_ARTIFACT_DIR") + "\\" + pszName; }
inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }   // ASCII paths

struct DoctorRun {
    DWORD dwExit = (DWORD)-1;
    DWORD dwMillis = 0;
    std::string strOut;   // its standard output (JSON in UTF-8, or the report in code page 936)
    bool Has(const std::string& strPiece) const { return strOut.find(strPiece) != std::string::npos; }
};

// Runs zelvix-doctor (the console program, or the one named) with these arguments and creation
// flags, its output into a file; -1 if it did not end in 30 s.
inline DoctorRun RunDoctor(const std::string& strArgs, const std::string& strProgram = "zelvix-doctor.com",
                           DWORD dwCreationFlags = 0)
{
    DoctorRun run;
    const std::string strOutFile = ArtifactPath("doctor-out.txt");
    SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
    HANDLE hOut = ::CreateFileA(strOutFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, NULL);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = hOut;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + BinDir() + "\\" + strProgram + "\" " + strArgs;
    LogStep("%s %s", strProgram.c_str(), strArgs.c_str());
    const DWORD dwStart = ::GetTickCount();
    if (::CreateProcessA(NULL, &cmd[0], NULL, NULL, TRUE, dwCreationFlags, NULL, NULL, &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &run.dwExit);
        else
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    run.dwMillis = ::GetTickCount() - dwStart;
    ::CloseHandle(hOut);
    run.strOut = ReadTextFile(strOutFile);
    return run;
}

inline std::vector<DWORD> ProcessesNamed(const char* pszExe)
{
    std::vector<DWORD> pids;
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bMore = ::Process32First(hSnap, &pe); bMore; bMore = ::Process32Next(hSnap, &pe))
        if (_stricmp(pe.szExeFile, pszExe) == 0)
            pids.push_back(pe.th32ProcessID);
    ::CloseHandle(hSnap);
    return pids;
}

// --- the filter's settings by hand ----------------------------------------------------------------

inline void DeleteCaptureKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder"); }
inline bool SetString(const char* pszName, const std::string& s)
{
    return CaptureValue(pszName, REG_SZ, (void*)s.c_str(), (DWORD)s.size() + 1, true);
}
inline void DeleteCaptureValue(const char* pszName)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder", 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &hKey) == 0) {
        ::RegDeleteValueA(hKey, pszName);
        ::RegCloseKey(hKey);
    }
}

// %APPDATA%\ScreenCaptureRecorder.ini made by a driver (its first line says so); one without that
// line is someone else's and stays.
const char INI_MARK[] = "; made by an end-to-end driver, removed when it ends\r\n";
inline std::string IniPath() { return Env("APPDATA") + "\\ScreenCaptureRecorder.ini"; }
inline bool RemoveOurIni()   // false while a file is there that is not ours
{
    if (ReadTextFile(IniPath()).compare(0, sizeof(INI_MARK) - 1, INI_MARK) == 0)
        ::DeleteFileA(IniPath().c_str());
    return ::GetFileAttributesA(IniPath().c_str()) == INVALID_FILE_ATTRIBUTES;
}
inline bool WriteOurIni(const std::string& strText)
{
    return RemoveOurIni() && std::ofstream(IniPath().c_str(), std::ios::binary) << INI_MARK << strText;
}

// --- the filter registered --------------------------------------------------------------------------

inline std::wstring FilterDll() { return Wide(Env("ZELVIX_FILTER_DLL")); }

class CFilterTest : public CFrameTest
{
protected:
    // Registered once for the suite, after clearing what a run that died may have left; a copy of
    // the DLL shares its keys, so unregistering the DLL also takes a copy's registration.
    static void SetUpTestSuite() { RegisterFilter(FilterDll()); }
    static void TearDownTestSuite() { Regsvr32(kOwnBits, FilterDll(), true); }
    static bool RegisterFilter(const std::wstring& dll)
    {
        Regsvr32(kOwnBits, FilterDll(), true);
        LogStep("regsvr32 %ls", dll.c_str());
        return s_bRegistered = Regsvr32(kOwnBits, dll, false) == 0;
    }

    void SetUp() override
    {
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(FilterDll().c_str()))
            << "the filter's DLL '" << Env("ZELVIX_FILTER_DLL") << "' is not there (shared/filter beside the repository)";
        DeleteCaptureValue("last_init_config_was");   // a summary left behind would be a running filter to the doctor
        ASSERT_TRUE(s_bRegistered) << "regsvr32 did not register " << Env("ZELVIX_FILTER_DLL");
        ASSERT_TRUE(RemoveOurIni()) << IniPath() << " is there and not ours: it would hide the key from the filter";
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);   // out of the pictures
    }
    void TearDown() override
    {
        RemoveOurIni();
        DeleteCaptureValue("last_init_config_was");   // a summary left behind would be a running filter to the doctor
        CFrameTest::TearDown();
    }
    const std::string m_strClsid = Env("ZELVIX_FILTER_CLSID");
    static inline bool s_bRegistered = false;
};

#endif // ZELVIX_E2E_FILTER_FIXTURE_H
