// e2e_doctor.cpp - what the viewers see, through zelvix-doctor, with the real capture filter
// registered for this build's bitness: black while capture is off, then the running program's
// capture rectangle over a known pattern (and after a move); and, with a build that reads the
// still-image values, an ini file that overrides the key, a zero width that stops the filter, and
// bad input of every kind, each run of the doctor ending with one of its own exit codes.
#include "tests/common/filter_fixture.h"

namespace
{
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

// The codes of the findings in a JSON report, in order, each followed by a space.
std::string Codes(const DoctorRun& run)
{
    std::string s;
    for (size_t at = run.strOut.find("\"code\":\""); at != std::string::npos; at = run.strOut.find("\"code\":\"", at + 1))
        s += run.strOut.substr(at + 8, run.strOut.find('"', at + 8) - at - 8) + " ";
    return s;
}

using CDoctorTest = CFilterTest;
} // namespace

// Capture off: the filter records black. Capture on: the pattern inside the outline, at the frame's
// first place and after a move. Only this build's bitness is registered: the one warning.
TEST_F(CDoctorTest, GrabIsBlackThenThePatternInsideTheOutlineWhereverTheFrameGoes)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const int nOffX = zelvix::OffScreenLeft(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
    ASSERT_TRUE(NextTick(nOffX, 66, 796, 450, 1));
    const std::string strGrab = ArtifactPath("grab.bmp");
    const DoctorRun off = RunDoctor("--json --grab \"" + strGrab + "\"");
    EXPECT_EQ(1u, off.dwExit);
    EXPECT_EQ("filter_one_bitness capture_off_black ", Codes(off)) << off.strOut;
    EXPECT_EQ("<none>", CaptureString("last_init_config_was")) << "the doctor's own filter left its start summary";
    const Picture black = ReadBmp(strGrab);
    EXPECT_TRUE(black.cx == 796 && black.cy == 450 && MeanDifference(black, [](int, int) { return 0ul; }) == 0)
        << "not a black 796 x 450 grab";

    ClickFrameButton(CMD_CAPTURE);
    for (const POINT& pt : {POINT{FRAME_X, FRAME_Y}, POINT{517, 300}}) {
        if (pt.x != FRAME_X) {
            LogStep("move the frame to (%ld, %ld)", pt.x, pt.y);
            ::SetWindowPos(m_hFrame, NULL, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ASSERT_TRUE(NextTick(pt.x + 2, pt.y + 26, 796, 450, 0));
        DeleteCaptureValue("last_init_config_was");   // the last grab's filter is not running
        ::DeleteFileA(strGrab.c_str());
        const DoctorRun on = RunDoctor("--json --grab \"" + strGrab + "\"");
        EXPECT_EQ(1u, on.dwExit);
        EXPECT_EQ("filter_one_bitness ", Codes(on)) << on.strOut;
        EXPECT_TRUE(on.Has("\"capture\":{\"x\":" + std::to_string(pt.x + 2) + ",\"y\":" + std::to_string(pt.y + 26) +
                           ",\"width\":796,\"height\":450},\"output\":{\"width\":796,\"height\":450}")) << on.strOut;
        EXPECT_TRUE(on.Has("\"grab_source\":\"filter\"")) << on.strOut;
        const Picture grab = ReadBmp(strGrab);
        ASSERT_TRUE(grab.cx == 796 && grab.cy == 450 && grab.nBits == 24) << "no 796 x 450 24-bit grab";
        // The published rectangle ends at the window's bottom edge, so its last two rows are the
        // outline's bottom band, which the screen copy shows. Everything above is the pattern.
        EXPECT_EQ(0xFF0000u, grab.At(400, 449)) << "the outline's red bottom band";
        EXPECT_EQ(0, PatternDifference(grab, pt.x + 2, pt.y + 26, 448)) << "frame at " << pt.x << ", " << pt.y;
    }
}

// Each case sets up the key (or the ini file, or the still image) from the program's own set, then
// the doctor must end with its exit code and name the finding, as text and as JSON; when the
// filter would fail, --grab writes nothing. The still image counts for a build that reads it.
TEST_F(CDoctorTest, ZeroValuesAndBadInputEndInAFinding)
{
    wchar_t szTemp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::wstring copy = std::wstring(szTemp) + L"zelvix-e2e-show-img.dll";
    ASSERT_TRUE(MakeShowImgCopy(FilterDll(), copy) && RegisterFilter(copy)) << "no build that reads show_img";
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
        ASSERT_TRUE(c.pIni == NULL || WriteOurIni(*c.pIni)) << IniPath();
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
    RegisterFilter(FilterDll());
    ::DeleteFileW(copy.c_str());
}
