// e2e_filter_grab.cpp - pictures through the real capture filter, registered in the prefix for
// this build's bitness and run by zelvix-doctor's child: the published rectangle of a known
// pattern, the filter's refusal of a zero height (its box read and closed, its process gone), a
// time-out and an unknown filter, and a running graph that follows a move of the rectangle.
#include "common/frame_fixture.h"
#include "doctor/filter_grab.h"

#include <tlhelp32.h>

using namespace zelvix::doctor;

namespace
{
// Every pixel differs from its neighbours in both directions, so a shift by one shows.
COLORREF PatternAt(int x, int y) { return RGB((x * 7) & 255, (y * 7) & 255, ((x + y) * 13) & 255); }

// The pattern over the whole screen, on a thread of its own so that it repaints while the test waits.
class CPatternWindow
{
public:
    CPatternWindow() : m_hThread(::CreateThread(NULL, 0, Run, NULL, 0, &m_dwThread)) {}
    ~CPatternWindow()
    {
        ::PostThreadMessageA(m_dwThread, WM_QUIT, 0, 0);
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
    }
    bool IsShown() const { return WaitStable(5000, [] { return CScreenShot().At(1500, 900) == PatternAt(1500, 900); }); }

private:
    static DWORD WINAPI Run(LPVOID /*pv*/)
    {
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        std::vector<DWORD> bits((size_t)cx * cy);
        for (int i = 0; i < cx * cy; ++i) {
            const COLORREF cr = PatternAt(i % cx, i / cx);
            bits[i] = (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr);   // 0x00RRGGBB
        }
        HBITMAP hBitmap = ::CreateBitmap(cx, cy, 1, 32, bits.data());
        HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BITMAP, 0, 0, cx, cy,
                                      NULL, NULL, NULL, NULL);
        ::SendMessageA(hWnd, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)hBitmap);
        MSG msg;
        while (::GetMessageA(&msg, NULL, 0, 0) > 0)
            ::DispatchMessageA(&msg);
        ::DestroyWindow(hWnd);
        ::DeleteObject(hBitmap);
        return 0;
    }
    DWORD m_dwThread = 0;
    HANDLE m_hThread;
};

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }   // ASCII paths
std::string ArtifactPath(const char* pszName) { return Env("ZELVIX_ARTIFACT_DIR") + "\\" + pszName; }
std::wstring ChildExe()
{
    const std::string s = ZelvixExePath();
    return Wide(s.substr(0, s.rfind('\\')) + "\\zelvix-doctor.exe");
}

// The picture is a whole 24-bit .bmp of the pattern's rectangle at (x0, y0), rows padded to 4 bytes
// (a lenient loader would also take a cut-off file), and per channel the mean absolute difference
// from the pattern is at most 2.
Check IsPatternAt(const std::string& strBmp, int x0, int y0, int cx, int cy)
{
    const size_t cbFile = ReadTextFile(strBmp).size(), cbWant = 54 + (size_t)((cx * 3 + 3) & ~3) * cy;
    if (cbFile != cbWant)
        return ::testing::AssertionFailure() << strBmp << " has " << cbFile << " bytes, expected " << cbWant;
    HBITMAP hBitmap = (HBITMAP)::LoadImageA(NULL, strBmp.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    BITMAP bm = {};
    if (::GetObjectA(hBitmap, sizeof(bm), &bm) == 0 || bm.bmWidth != cx || bm.bmHeight != cy || bm.bmBitsPixel != 24)
        return ::testing::AssertionFailure() << strBmp << " is " << bm.bmWidth << " x " << bm.bmHeight << " x "
                                             << bm.bmBitsPixel << ", expected " << cx << " x " << cy << " x 24";
    BITMAPINFOHEADER bih = {sizeof(bih), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};   // top-down
    std::vector<DWORD> pixels((size_t)cx * cy);
    HDC hScreen = ::GetDC(NULL);
    ::GetDIBits(hScreen, hBitmap, 0, cy, pixels.data(), (BITMAPINFO*)&bih, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    ::DeleteObject(hBitmap);
    double sums[3] = {};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            const DWORD p = pixels[(size_t)y * cx + x];
            const COLORREF cr = PatternAt(x0 + x, y0 + y);
            sums[0] += abs((int)((p >> 16) & 0xFF) - GetRValue(cr));
            sums[1] += abs((int)((p >> 8) & 0xFF) - GetGValue(cr));
            sums[2] += abs((int)(p & 0xFF) - GetBValue(cr));
        }
    for (double& d : sums)
        d /= (double)cx * cy;
    if (sums[0] <= 2 && sums[1] <= 2 && sums[2] <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mean differences (r, g, b) " << sums[0] << ", " << sums[1] << ", "
                                         << sums[2] << " from the pattern at (" << x0 << ", " << y0 << ")";
}

bool ProcessExists(DWORD dwPid)
{
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    bool bFound = false;
    for (BOOL bMore = ::Process32First(hSnap, &pe); bMore && !bFound; bMore = ::Process32Next(hSnap, &pe))
        bFound = pe.th32ProcessID == dwPid;
    ::CloseHandle(hSnap);
    return bFound;
}

// regsvr32 of this program's bitness (a 32-bit program's system folder is the 32-bit one).
DWORD RegSvr32(const std::string& strOptions)
{
    char szSystem[MAX_PATH] = "";
    ::GetSystemDirectoryA(szSystem, MAX_PATH);
    std::string strCmd = "\"" + std::string(szSystem) + "\\regsvr32.exe\" " + strOptions + " \"" + Env("ZELVIX_FILTER_DLL") + "\"";
    LogStep("%s", strCmd.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    DWORD dwExit = (DWORD)-1;
    if (::CreateProcessA(NULL, &strCmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &dwExit);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return dwExit;
}

class FilterGrabTest : public ::testing::Test
{
protected:
    // Registered once for the driver, after clearing what a run that died may have left.
    static void SetUpTestSuite()
    {
        RegSvr32("/s /u");
        s_bRegistered = RegSvr32("/s") == 0;
    }
    static void TearDownTestSuite() { RegSvr32("/s /u"); }

    void SetUp() override
    {
        if (::GetFileAttributesA(Env("ZELVIX_FILTER_DLL").c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "the filter's DLL '" << Env("ZELVIX_FILTER_DLL") << "' is not there";
        ASSERT_TRUE(s_bRegistered) << "regsvr32 did not register " << Env("ZELVIX_FILTER_DLL");
        ASSERT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((Env("APPDATA") + "\\ScreenCaptureRecorder.ini").c_str()))
            << "an ini file would hide the key from the filter";
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder"); }

    // The key for a rectangle copied without scaling, without the mouse pointer.
    static void Publish(int x, int y, int cx, int cy, DWORD dwTrack)
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder");
        const std::pair<const char*, DWORD> values[] = {
            {"start_x", (DWORD)x}, {"start_y", (DWORD)y}, {"capture_width", (DWORD)cx}, {"capture_height", (DWORD)cy},
            {"stretch_to_width", (DWORD)cx}, {"stretch_to_height", (DWORD)cy}, {"capture_mouse_default_1", 0},
            {"track_new_x_y_coords_each_frame_if_1", dwTrack}};
        for (const auto& v : values)
            ASSERT_TRUE(SetCaptureDword(v.first, v.second)) << v.first;
    }
    static void Log(const char* pszWhat, const FilterGrab& grab)
    {
        LogStep("%s: outcome %d in %lu ms, child %lu ended %s: %s", pszWhat, (int)grab.outcome, grab.dwMillis,
                grab.dwChildPid, Hex(grab.dwExitCode).c_str(), grab.strError.c_str());
    }
    const std::string m_strClsid = Env("ZELVIX_FILTER_CLSID");
    static bool s_bRegistered;
};
bool FilterGrabTest::s_bRegistered = false;
}  // namespace

// 321 columns: rows of 963 bytes, padded to 964 in the sample and in the file.
TEST_F(FilterGrabTest, PictureIsThePublishedRectangleOfThePattern)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(Publish(123, 77, 321, 241, 0));
    const std::string strBmp = ArtifactPath("filter-grab.bmp");
    ::DeleteFileA(strBmp.c_str());
    const FilterGrab grab = GrabThroughFilter(m_strClsid, Wide(strBmp), 20000, ChildExe());
    Log("grab", grab);
    ASSERT_EQ(FilterGrab::Outcome::Picture, grab.outcome) << grab.strError;
    EXPECT_TRUE(IsPatternAt(strBmp, 123, 77, 321, 241));
}

// The refusal ends in its box's text, long before the limit, and with the filter's own throw (so its
// boxes were closed, not just left to the kill); a time-out and an unknown filter end in their own
// outcomes. No child is left either way, and no picture is written.
TEST_F(FilterGrabTest, RefusalTimeOutAndUnknownFilterLeaveNoProcessAndNoPicture)
{
    ASSERT_NO_FATAL_FAILURE(Publish(0, 0, 320, 240, 0));
    ASSERT_TRUE(SetCaptureDword("capture_height", 0));
    const std::string strBmp = ArtifactPath("refused.bmp");
    const struct {
        const char* pszCase;
        std::string strClsid;
        DWORD dwTimeoutMs;
        FilterGrab::Outcome outcome;
        const char* pszError;
        DWORD dwExitCode;
    } cases[] = {
        {"capture_height 0", m_strClsid, 20000, FilterGrab::Outcome::FilterFailed, "capture_height", 0xE06D7363},
        {"time-out", m_strClsid, 100, FilterGrab::Outcome::TimedOut, "", kFilterChildTerminated},
        {"unknown CLSID", "{5A3E1D00-0000-4000-8000-0000000000AA}", 20000, FilterGrab::Outcome::NotLoaded, "CLSID",
         kFilterChildNotLoaded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        ::DeleteFileA(strBmp.c_str());
        const FilterGrab grab = GrabThroughFilter(c.strClsid, Wide(strBmp), c.dwTimeoutMs, ChildExe());
        Log(c.pszCase, grab);
        EXPECT_EQ(c.outcome, grab.outcome) << grab.strError;
        EXPECT_NE(std::string::npos, grab.strError.find(c.pszError)) << grab.strError;
        EXPECT_EQ(Hex(c.dwExitCode), Hex(grab.dwExitCode));
        EXPECT_LT(grab.dwMillis, c.dwTimeoutMs + 5000);
        EXPECT_FALSE(grab.dwChildPid == 0 || ProcessExists(grab.dwChildPid)) << "child " << grab.dwChildPid;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strBmp.c_str())) << "a picture was written";
    }
}

// With tracking on, the filter reads start_x/start_y for every frame: the running graph's latest
// frame is the moved rectangle.
TEST_F(FilterGrabTest, RunningGraphFollowsTheMovedRectangle)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(Publish(200, 150, 320, 240, 1));
    CFilterSession session(ChildExe());
    const FilterGrab started = session.Start(m_strClsid, 20000);
    Log("start", started);
    ASSERT_EQ(FilterGrab::Outcome::Picture, started.outcome) << started.strError;
    ASSERT_TRUE(SetCaptureDword("start_x", 263) && SetCaptureDword("start_y", 171));
    const std::string strBmp = ArtifactPath("filter-moved.bmp");
    const FilterGrab taken = session.TakeLatest(Wide(strBmp), 20000);
    Log("take", taken);
    ASSERT_EQ(FilterGrab::Outcome::Picture, taken.outcome) << taken.strError;
    EXPECT_TRUE(IsPatternAt(strBmp, 263, 171, 320, 240));
    EXPECT_FALSE(session.IsRunning());
}
