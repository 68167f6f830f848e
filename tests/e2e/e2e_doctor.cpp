// e2e_doctor.cpp - what the viewers see, through zelvix-doctor: the grab of the running program's
// capture rectangle over a known pattern (and after a move), the shipped card while capture is off,
// an ini file that overrides the key, a zero width that stops the filter, and bad input of every
// kind, each run of the doctor ending with one of its own exit codes.
#include "common/frame_fixture.h"

#include <functional>

namespace
{
// --- the pattern under the frame ----------------------------------------------------------------

// Every row its own colour, so that a grab one row off shows; one column off brings in the outline.
// Red equals blue, so a value reads the same as a COLORREF and as a 0x00RRGGBB DIB pixel.
COLORREF PatternAt(int y) { return RGB((y * 37) & 255, (y * 11 + 90) & 255, (y * 37) & 255); }

// A plain (not topmost) window over the whole screen showing the pattern, on a thread of its own so
// that it repaints while the test waits.
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
    bool IsShown() const { return WaitStable(5000, [] { return CScreenShot().At(1500, 900) == PatternAt(900); }); }

private:
    static DWORD WINAPI Run(LPVOID /*pv*/)
    {
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        std::vector<DWORD> bits((size_t)cx * cy);
        for (int i = 0; i < cx * cy; ++i)
            bits[i] = PatternAt(i / cx);
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

// --- the doctor -----------------------------------------------------------------------------------

std::string BinDir() { const std::string s = ZelvixExePath(); return s.substr(0, s.rfind('\\')); }
std::string ArtifactPath(const char* pszName) { return Env("ZELVIX_ARTIFACT_DIR") + "\\" + pszName; }

struct DoctorRun {
    DWORD dwExit = (DWORD)-1;
    std::string strOut;   // its standard output (JSON in UTF-8, or the report in code page 936)
    bool Has(const std::string& strPiece) const { return strOut.find(strPiece) != std::string::npos; }
};

// Runs zelvix-doctor.com (the console program a prompt runs for "zelvix-doctor") with these
// arguments, its output into a file; -1 if it did not end in 30 s.
DoctorRun RunDoctor(const std::string& strArgs)
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
    std::string cmd = "\"" + BinDir() + "\\zelvix-doctor.com\" " + strArgs;
    LogStep("zelvix-doctor %s", strArgs.c_str());
    if (::CreateProcessA(NULL, &cmd[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &run.dwExit);
        else
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(hOut);
    run.strOut = ReadTextFile(strOutFile);
    return run;
}

// A .bmp file as the platform loads it, top row first; cx 0 if it cannot be loaded.
struct Picture {
    int cx = 0, cy = 0, nBits = 0;
    std::vector<DWORD> pixels;   // 0x00RRGGBB
    DWORD At(int x, int y) const { return pixels[(size_t)y * cx + x]; }
};

Picture ReadBmp(const std::string& strPath)
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

// The grab's first nRows rows are the pattern's rows from y on, whole rows with nothing else.
Check IsPatternOf(const Picture& grab, int nRows, int y)
{
    for (int oy = 0; oy < nRows; ++oy)
        for (int ox = 0; ox < grab.cx; ++ox)
            if (grab.At(ox, oy) != PatternAt(y + oy))
                return ::testing::AssertionFailure() << "grab pixel (" << ox << ", " << oy << ") is "
                                                     << Hex(grab.At(ox, oy)) << ", the pattern's row " << y + oy
                                                     << " is " << Hex(PatternAt(y + oy));
    return ::testing::AssertionSuccess();
}

// --- the filter's settings, set by hand -----------------------------------------------------------

void DeleteCaptureKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder"); }
bool SetString(const char* pszName, const std::string& s)
{
    return CaptureValue(pszName, REG_SZ, (void*)s.c_str(), (DWORD)s.size() + 1, true);
}

// The set the program leaves after a tick with the frame at (40, 40) and capture on.
void WriteProgramSet()
{
    DeleteCaptureKey();
    const std::pair<const char*, DWORD> values[] = {
        {"stretch_to_width", 800}, {"stretch_to_height", 450}, {"stretch_mode_high_quality_if_1", 1},
        {"track_new_x_y_coords_each_frame_if_1", 1}, {"start_x", 42}, {"start_y", 66}, {"capture_width", 796},
        {"capture_height", 450}, {"default_max_fps", 15}, {"show_img", 0}, {"param_set", 1}};
    for (const auto& v : values)
        SetCaptureDword(v.first, v.second);
    SetString("img_filename", BinDir() + "\\1.bmp");
}

// %APPDATA%\ScreenCaptureRecorder.ini made by this driver (its first line says so) and removed again
// after each case; one without that line is someone else's and stays.
const char INI_MARK[] = "; made by e2e_doctor, removed when it ends\r\n";
std::string IniPath() { return Env("APPDATA") + "\\ScreenCaptureRecorder.ini"; }
bool RemoveOurIni()   // false while a file is there that is not ours
{
    if (ReadTextFile(IniPath()).compare(0, sizeof(INI_MARK) - 1, INI_MARK) == 0)
        ::DeleteFileA(IniPath().c_str());
    return ::GetFileAttributesA(IniPath().c_str()) == INVALID_FILE_ATTRIBUTES;
}

class CDoctorTest : public CFrameTest
{
protected:
    void SetUp() override { ASSERT_TRUE(RemoveOurIni()) << IniPath() << " is there and not ours"; }
};
} // namespace

// Capture off: the grab is the shipped card. Capture on: the pattern inside the outline, at the
// frame's first place and after a move.
TEST_F(CDoctorTest, GrabIsTheCardThenThePatternInsideTheOutlineWhereverTheFrameGoes)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(NextTick(FRAME_X + 2, FRAME_Y + 26, 796, 450, 1));
    const std::string strGrab = ArtifactPath("grab.bmp");
    EXPECT_EQ(0u, RunDoctor("--grab \"" + strGrab + "\"").dwExit);
    const Picture card = ReadBmp(BinDir() + "\\1.bmp");
    ASSERT_TRUE(card.cx == 800 && card.cy == 450 && card.nBits == 24) << "no 800 x 450 24-bit 1.bmp beside the program";
    EXPECT_TRUE(ReadBmp(strGrab).pixels == card.pixels) << "the grab is not the card";

    ClickFrameButton(CMD_CAPTURE);
    for (const POINT& pt : {POINT{FRAME_X, FRAME_Y}, POINT{517, 300}}) {
        if (pt.x != FRAME_X) {
            LogStep("move the frame to (%ld, %ld)", pt.x, pt.y);
            ::SetWindowPos(m_hFrame, NULL, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ASSERT_TRUE(NextTick(pt.x + 2, pt.y + 26, 796, 450, 0));
        const DoctorRun json = RunDoctor("--json");
        EXPECT_EQ(0u, json.dwExit) << json.strOut;
        EXPECT_TRUE(json.Has("\"capture\":{\"x\":" + std::to_string(pt.x + 2) + ",\"y\":" + std::to_string(pt.y + 26) +
                             ",\"width\":796,\"height\":450},\"output\":{\"width\":800,\"height\":450}")) << json.strOut;
        ::DeleteFileA(strGrab.c_str());
        EXPECT_EQ(0u, RunDoctor("--grab \"" + strGrab + "\"").dwExit);
        const Picture grab = ReadBmp(strGrab);
        ASSERT_TRUE(grab.cx == 800 && grab.cy == 450 && grab.nBits == 24) << "no 800 x 450 24-bit grab";
        // The published rectangle ends at the window's bottom edge, so its last two rows are the
        // outline's bottom band, which the screen copy shows. Everything above is the pattern.
        EXPECT_EQ(0xFF0000u, grab.At(400, 449)) << "the outline's red bottom band";
        EXPECT_TRUE(IsPatternOf(grab, 448, pt.y + 26)) << "frame at " << pt.x << ", " << pt.y;
    }
}

// Each case sets up the key (or the ini file, or the still image) from the program's own set, then
// the doctor must end with its exit code and name the finding, as text and as JSON; when the
// filter would fail, --grab writes nothing.
TEST_F(CDoctorTest, ZeroValuesAndBadInputEndInAFinding)
{
    const std::string strCut = ArtifactPath("cut.bmp"), strEmpty = ArtifactPath("empty.bmp");
    const std::string card = ReadTextFile(BinDir() + "\\1.bmp");
    ASSERT_TRUE(std::ofstream(strCut.c_str(), std::ios::binary) << card.substr(0, card.size() - 1000));
    ASSERT_TRUE(std::ofstream(strEmpty.c_str(), std::ios::binary));
    const std::string strGarbage = std::string(40000, 'x') + "\r\n\x01\xFF[all_settings\r\n[all_settings]\r\n=\r\n"
                                   "capture_width=800px\r\ncapture_height=" + std::string(5000, '9') +
                                   "\r\ndefault_max_fps=abc\r\n";
    const std::string strIni = "[all_settings]\r\nstart_x=42\r\nstart_y=66\r\ncapture_width=796\r\n";
    const struct {
        const char* pszCase;
        DWORD dwExit;
        const char* pszCode;
        std::function<void()> make;
        const std::string* pIni;   // the ini file's text, if there is to be one
    } cases[] = {
        {"an ini file", 1, "ini_override", [] {}, &strIni},
        {"garbage ini", 2, "not_a_number", [] {}, &strGarbage},
        {"capture_width 0", 2, "zero_value", [] { SetCaptureDword("capture_width", 0); }, nullptr},
        {"width as text", 1, "wrong_type", [] { SetString("capture_width", "796"); }, nullptr},
        {"no key", 1, "no_key", [] { DeleteCaptureKey(); }, nullptr},
        {"window gone", 2, "tracked_window_gone", [] { SetCaptureDword("hwnd_to_track", 0x7FFF0); }, nullptr},
        {"empty image", 1, "still_image_missing", [&] { SetCaptureDword("show_img", 1); SetString("img_filename", strEmpty); }, nullptr},
        {"cut image", 1, "still_image_missing", [&] { SetCaptureDword("show_img", 1); SetString("img_filename", strCut); }, nullptr},
        {"long path", 1, "still_image_missing",
         [] { SetCaptureDword("show_img", 1); SetString("img_filename", "C:\\" + std::string(300, 'a') + "\\1.bmp"); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        WriteProgramSet();
        c.make();
        ASSERT_TRUE(c.pIni == NULL ||
                    (RemoveOurIni() && std::ofstream(IniPath().c_str(), std::ios::binary) << INI_MARK << *c.pIni)) << IniPath();
        const DoctorRun json = RunDoctor("--json"), text = RunDoctor("");
        EXPECT_EQ(c.dwExit, json.dwExit) << json.strOut;
        EXPECT_EQ(c.dwExit, text.dwExit);
        EXPECT_TRUE(json.Has(std::string("\"code\":\"") + c.pszCode + "\"")) << json.strOut;
        EXPECT_TRUE(text.Has(c.pszCode)) << text.strOut;
        EXPECT_EQ(c.pIni != NULL, json.Has("{\"source\":\"ini\"")) << json.strOut;
        if (c.dwExit == 2) {
            const std::string strGrab = ArtifactPath("refused.bmp");
            ::DeleteFileA(strGrab.c_str());
            EXPECT_EQ(2u, RunDoctor("--grab \"" + strGrab + "\"").dwExit);
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strGrab.c_str())) << "a grab was written";
        }
        RemoveOurIni();
    }
    DeleteCaptureKey();   // the program writes its own set again at start
}
