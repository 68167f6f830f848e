// e2e_doctor.cpp - what the viewers see, through zelvix-doctor: the grab of the running program's
// capture rectangle over a known pattern (and after a move), the shipped card while capture is off,
// an ini file that overrides the key, a zero width that stops the filter, and bad input of every
// kind, each run of the doctor ending with one of its own exit codes.
#include "common/frame_fixture.h"

#include <shlobj.h>

#include <functional>
#include <memory>

namespace
{
// --- the pattern under the frame: coloured blocks, each with a fine checkerboard edge --------------

const COLORREF PALETTE[] = {RGB(200, 40, 120), RGB(40, 90, 160), RGB(230, 200, 40), RGB(30, 30, 30), RGB(120, 60, 20),
                            RGB(90, 200, 200), RGB(160, 160, 230), RGB(60, 140, 60), RGB(250, 150, 90)};
const COLORREF CHECK_DARK = RGB(16, 16, 16), CHECK_LIGHT = RGB(224, 224, 224);
const int BLOCK_CX = 96, BLOCK_CY = 64, EDGE_CX = 16, EDGE_CY = 4, CELL_CX = 8;   // cells are 8 x 1

COLORREF PatternAt(int x, int y)
{
    if (x % BLOCK_CX >= BLOCK_CX - EDGE_CX || y % BLOCK_CY >= BLOCK_CY - EDGE_CY)
        return ((y & 1) ^ ((x / CELL_CX) & 1)) ? CHECK_DARK : CHECK_LIGHT;
    return PALETTE[((x / BLOCK_CX) * 2 + (y / BLOCK_CY) * 5) % 9];   // neighbours always differ
}

// A plain (not topmost) window over the whole screen, on a thread of its own, whose background
// brush is the pattern.
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
            bits[i] = (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr);
        }
        HBITMAP hBitmap = ::CreateBitmap(cx, cy, 1, 32, bits.data());
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hbrBackground = ::CreatePatternBrush(hBitmap);
        wc.lpszClassName = "ZelvixDoctorPattern";
        ::RegisterClassA(&wc);
        HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, NULL,
                                      NULL, NULL, NULL);
        MSG msg;
        while (::GetMessageA(&msg, NULL, 0, 0) > 0)
            ::DispatchMessageA(&msg);
        ::DestroyWindow(hWnd);
        ::UnregisterClassA(wc.lpszClassName, NULL);
        ::DeleteObject(wc.hbrBackground);
        ::DeleteObject(hBitmap);
        return 0;
    }
    DWORD m_dwThread = 0;
    HANDLE m_hThread;
};

// --- the doctor -----------------------------------------------------------------------------------

std::string BinDir() { const std::string s = ZelvixExePath(); return s.substr(0, s.rfind('\\')); }
std::string ArtifactPath(const char* pszName)
{
    return std::string(getenv("ZELVIX_ARTIFACT_DIR") ? getenv("ZELVIX_ARTIFACT_DIR") : ".") + "\\" + pszName;
}

struct DoctorRun {
    DWORD dwExit = (DWORD)-1;
    std::string strOut;   // its standard output (JSON in UTF-8, or the report in code page 936)
};

// Runs zelvix-doctor with these arguments, its output into a file; -1 if it did not end in 30 s.
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
    std::string cmd = "\"" + BinDir() + "\\zelvix-doctor.exe\" " + strArgs;
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

bool Has(const DoctorRun& run, const std::string& strJsonPiece) { return run.strOut.find(strJsonPiece) != std::string::npos; }

struct Picture {
    int cx = 0, cy = 0;
    std::vector<COLORREF> pixels;   // top row first
    COLORREF At(int x, int y) const { return pixels[(size_t)y * cx + x]; }
};

// A 24-bit bottom-up .bmp as the doctor writes it; cx 0 if the file is missing or anything else.
Picture ReadBmp(const std::string& strPath)
{
    Picture pic;
    const std::string file = ReadTextFile(strPath);
    BITMAPFILEHEADER bfh;
    BITMAPINFOHEADER bih;
    if (file.size() < sizeof(bfh) + sizeof(bih))
        return pic;
    memcpy(&bfh, file.data(), sizeof(bfh));
    memcpy(&bih, file.data() + sizeof(bfh), sizeof(bih));
    const size_t stride = ((size_t)bih.biWidth * 3 + 3) & ~(size_t)3;
    if (bfh.bfType != 0x4D42 || bih.biBitCount != 24 || bih.biCompression != BI_RGB || bih.biWidth <= 0 ||
        bih.biHeight <= 0 || file.size() < bfh.bfOffBits + stride * bih.biHeight)
        return pic;
    pic.cx = bih.biWidth;
    pic.cy = bih.biHeight;
    for (int y = 0; y < pic.cy; ++y) {
        const unsigned char* row = (const unsigned char*)file.data() + bfh.bfOffBits + stride * (pic.cy - 1 - y);
        for (int x = 0; x < pic.cx; ++x)
            pic.pixels.push_back(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return pic;
}

bool Near(COLORREF a, COLORREF b, int nTolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= nTolerance && abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

// The grab is the pattern of screen rectangle (x, y, cx, grab.cy) scaled across to its width: every
// pixel whose source lies 2 pixels clear of a colour change across, in exactly its row, has the
// pattern's colour (0x00BBGGRR in messages), and no pixel is the outline's red, the strip's blue
// or the see-through key's green.
Check IsPatternOf(const Picture& grab, int x, int y, int cx)
{
    int nCompared = 0;
    for (int oy = 0; oy < grab.cy; ++oy)
        for (int ox = 0; ox < grab.cx; ++ox) {
            const COLORREF cr = grab.At(ox, oy);
            if (Near(cr, RGB(255, 0, 0), 60) || Near(cr, RGB(57, 174, 255), 20) || Near(cr, RGB(0, 255, 0), 60))
                return ::testing::AssertionFailure() << "grab pixel (" << ox << ", " << oy << ") is " << Hex(cr)
                                                     << ": the frame's own colour";
            const double fx = x + (ox + 0.5) * cx / grab.cx;
            const int sy = y + oy;
            const COLORREF crWant = PatternAt((int)fx, sy);
            if (PatternAt((int)(fx - 2), sy) != crWant || PatternAt((int)(fx + 2), sy) != crWant)
                continue;
            if (!Near(cr, crWant, 2))
                return ::testing::AssertionFailure() << "grab pixel (" << ox << ", " << oy << ") is " << Hex(cr)
                                                     << ", the pattern at (" << (int)fx << ", " << sy << ") is " << Hex(crWant);
            ++nCompared;
        }
    if (nCompared < grab.cx * grab.cy / 2)
        return ::testing::AssertionFailure() << "only " << nCompared << " pixels could be compared";
    return ::testing::AssertionSuccess() << nCompared << " pixels compared";
}

// --- the filter's settings, set by hand -----------------------------------------------------------

const char KEY_PATH[] = "SOFTWARE\\screen-capture-recorder";

void DeleteCaptureKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, KEY_PATH); }
bool SetDword(const char* pszName, DWORD dw) { return CaptureValue(pszName, REG_DWORD, &dw, 4, true); }
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
        SetDword(v.first, v.second);
    SetString("img_filename", BinDir() + "\\1.bmp");
}

// %APPDATA%\ScreenCaptureRecorder.ini made by this driver (its first line says so) and removed again
// however the test ends; one without that line is someone else's and stays.
const char INI_MARK[] = "; made by e2e_doctor, removed when it ends\r\n";
std::string IniPath()
{
    char sz[MAX_PATH] = "";
    ::SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, sz);
    return std::string(sz) + "\\ScreenCaptureRecorder.ini";
}
bool RemoveOurIni()   // false while a file is there that is not ours
{
    if (ReadTextFile(IniPath()).compare(0, sizeof(INI_MARK) - 1, INI_MARK) == 0)
        ::DeleteFileA(IniPath().c_str());
    return ::GetFileAttributesA(IniPath().c_str()) == INVALID_FILE_ATTRIBUTES;
}
struct CIniFile {
    explicit CIniFile(const std::string& strBody)
    {
        FILE* f = RemoveOurIni() ? fopen(IniPath().c_str(), "wb") : NULL;
        bMade = f != NULL && fprintf(f, "%s%s", INI_MARK, strBody.c_str()) > 0;
        if (f != NULL)
            fclose(f);
    }
    ~CIniFile() { RemoveOurIni(); }
    bool bMade;
};

class CDoctorTest : public CFrameTest
{
protected:
    void SetUp() override { ASSERT_TRUE(RemoveOurIni()) << IniPath() << " is there and not ours"; }
    void TearDown() override
    {
        CFrameTest::TearDown();
        RemoveOurIni();
    }
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
    ASSERT_TRUE(card.cx == 800 && card.cy == 450) << "no 800 x 450 24-bit 1.bmp beside the program";
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
        EXPECT_TRUE(Has(json, "\"capture\":{\"x\":" + std::to_string(pt.x + 2) + ",\"y\":" + std::to_string(pt.y + 26) +
                                  ",\"width\":796,\"height\":450},\"output\":{\"width\":800,\"height\":450}")) << json.strOut;
        ::DeleteFileA(strGrab.c_str());
        EXPECT_EQ(0u, RunDoctor("--grab \"" + strGrab + "\"").dwExit);
        Picture grab = ReadBmp(strGrab);
        ASSERT_TRUE(grab.cx == 800 && grab.cy == 450) << "no 800 x 450 24-bit grab";
        // The published rectangle ends at the window's bottom edge, so its last two rows are the
        // outline's bottom band, which the screen copy shows. Everything above is the pattern.
        EXPECT_EQ(RGB(255, 0, 0), grab.At(400, 449)) << "the outline's bottom band";
        grab.cy = 448;
        grab.pixels.resize((size_t)800 * 448);
        EXPECT_TRUE(IsPatternOf(grab, pt.x + 2, pt.y + 26, 796)) << "frame at " << pt.x << ", " << pt.y;
    }
}

// Each case sets up the key (or the ini file, or the still image) from the program's own set, then
// the doctor must end with its exit code and name the finding, as text and as JSON.
TEST_F(CDoctorTest, ZeroValuesAndBadInputEndInAFinding)
{
    const std::string strTruncated = ArtifactPath("truncated.bmp"), strEmpty = ArtifactPath("empty.bmp");
    {
        const std::string card = ReadTextFile(BinDir() + "\\1.bmp");
        FILE* f = fopen(strTruncated.c_str(), "wb");
        ASSERT_TRUE(f != NULL && card.size() > 1000);
        fwrite(card.data(), 1, card.size() - 1000, f);
        fclose(f);
        fclose(fopen(strEmpty.c_str(), "wb"));
    }
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
        {"capture_width 0", 2, "zero_value", [] { SetDword("capture_width", 0); }, nullptr},
        {"width as text", 1, "wrong_type", [] { SetString("capture_width", "796"); }, nullptr},
        {"no key", 1, "no_key", [] { DeleteCaptureKey(); }, nullptr},
        {"window gone", 2, "tracked_window_gone", [] { SetDword("hwnd_to_track", 0x7FFF0); }, nullptr},
        {"empty image", 1, "still_image_missing", [&] { SetDword("show_img", 1); SetString("img_filename", strEmpty); }, nullptr},
        {"cut image", 1, "still_image_missing", [&] { SetDword("show_img", 1); SetString("img_filename", strTruncated); }, nullptr},
        {"long path", 1, "still_image_missing",
         [] { SetDword("show_img", 1); SetString("img_filename", "C:\\" + std::string(300, 'a') + "\\1.bmp"); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        WriteProgramSet();
        c.make();
        std::unique_ptr<CIniFile> ini(c.pIni != NULL ? new CIniFile(*c.pIni) : NULL);
        ASSERT_TRUE(ini == NULL || ini->bMade) << IniPath();
        const DoctorRun json = RunDoctor("--json"), text = RunDoctor("");
        EXPECT_EQ(c.dwExit, json.dwExit) << json.strOut;
        EXPECT_EQ(c.dwExit, text.dwExit);
        EXPECT_TRUE(Has(json, std::string("\"code\":\"") + c.pszCode + "\"")) << json.strOut;
        EXPECT_TRUE(Has(text, c.pszCode)) << text.strOut;
        EXPECT_EQ(c.pIni != NULL, Has(json, "{\"source\":\"ini\"")) << json.strOut;
        if (c.dwExit == 2) {
            const std::string strGrab = ArtifactPath("refused.bmp");
            ::DeleteFileA(strGrab.c_str());
            EXPECT_EQ(2u, RunDoctor("--grab \"" + strGrab + "\"").dwExit);
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strGrab.c_str())) << "a grab was written";
        }
    }
    DeleteCaptureKey();   // the program writes its own set again at start
}
