// e2e_filter_table.cpp - the real capture filter, registered for this build's bitness, beside the
// program over a known pattern:
//   - the doctor's model against the filter, row by row: the program's own sets, a move under a
//     running graph, and values set by hand (scaling, the screen's edge, display numbers, the ini
//     file, a tracked window, refusals): the same picture, and exit code 2 exactly when the filter
//     fails;
//   - capture off, and the program closed, leave a running graph nothing of the screen; capture on
//     and a move of the enlarged frame give it the whole moved rectangle;
//   - a build that reads show_img gets the values the program always wrote.
#include "tests/common/filter_fixture.h"
#include "doctor/filter_grab.h"

using namespace zelvix::doctor;

namespace
{
// Where the program puts start_x while capture is off, for a build that never reads show_img.
const int OFF_X = zelvix::OffScreenLeft(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
const char CLOSE_QUESTION[] = "关闭【ZELVIX直播伴侣】将无法进行视频直播了，您真的要关闭吗？";

// The key as the program leaves it for a rectangle, with that output size, by hand.
void Publish(int x, int y, int cx, int cy, int cxOut, int cyOut)
{
    DeleteCaptureKey();
    const std::pair<const char*, int> values[] = {
        {"start_x", x}, {"start_y", y}, {"capture_width", cx}, {"capture_height", cy}, {"stretch_to_width", cxOut},
        {"stretch_to_height", cyOut}, {"stretch_mode_high_quality_if_1", 1}, {"track_new_x_y_coords_each_frame_if_1", 1}};
    for (const auto& v : values)
        SetCaptureDword(v.first, (DWORD)v.second);
}

void Publish800x450()   // over the program's own output size, which it writes only when its own size changes
{
    SetCaptureDword("stretch_to_width", 800);
    SetCaptureDword("stretch_to_height", 450);
}

bool IsBlack(const Picture& pic) { return pic.cx > 0 && MeanDifference(pic, [](int, int) { return 0ul; }) == 0; }

using FilterTable = CFilterTest;
}  // namespace

// Each row sets the state (before), runs the model, then the filter: by zelvix-doctor --grab, or,
// for a row with a change, through a graph started before the change and read after it. Both
// pictures the same size and at most 2 apart (mean per channel); the model's exit code 2 exactly
// when the filter fails, and, by the doctor, exactly then too with the box's text; no process left.
TEST_F(FilterTable, TheModelShowsWhatTheFilterShows)
{
    const CPatternWindow pattern, window(300, 200, 640, 480);
    ASSERT_TRUE(pattern.IsShown() && window.IsShown()) << "the pattern windows are not on the screen";
    const auto tick = [](int x, int y, int cx, int cy, DWORD dwShow) { EXPECT_TRUE(NextTick(x, y, cx, cy, dwShow)); };
    const auto click = [&](int nID, int cx, int cy) { ClickFrameButton(nID); tick(42, 66, cx, cy, 0); };
    const auto moveTo = [&](int x, int y) {   // the enlarged frame
        ::SetWindowPos(m_hFrame, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        tick(x + 2, y + 26, 1020, 576, 0);
    };
    const auto display = [](DWORD dwNumber, DWORD dwTrack) {
        Publish(500, 300, 400, 300, 400, 300);
        SetCaptureDword("capture_particular_display_number_starting_at_zero", dwNumber);
        SetCaptureDword("track_new_x_y_coords_each_frame_if_1", dwTrack);
    };
    const DWORD dwWindow = (DWORD)(ULONG_PTR)window.GetHwnd();
    const auto tracked = [=](DWORD dwHwnd, int cxOut, int cyOut) {   // 320 x 240 at (100, 50) of the window's client area
        Publish(100, 50, 320, 240, cxOut, cyOut);
        SetCaptureDword("hwnd_to_track", dwHwnd);
    };
    const auto noStart = [] { DeleteCaptureValue("start_x"); DeleteCaptureValue("start_y"); };
    const char* const INI = "[all_settings]\r\nstart_x=-777\r\nstart_y=100\r\ncapture_width=320\r\ncapture_height=240\r\n";
    const struct {
        const char* pszCase;
        bool bFails;                   // the real filter fails
        const char* pszBox;            // and its box says this
        std::function<void()> before;
        std::function<void()> under;   // the change under a running graph, if any
    } rows[] = {
        {"program, capture off: black", false, "", [&] { StartProgram(); tick(OFF_X, 66, 796, 450, 1); }, nullptr},
        {"program, capture on", false, "", [&] { click(CMD_CAPTURE, 796, 450); }, nullptr},
        {"program, enlarged, moved under a graph", false, "", [&] { click(CMD_ENLARGE, 1020, 576); }, [&] { moveTo(300, 200); }},
        {"program, enlarged, 800 x 450 by hand, moved under a graph", false, "", [] { Publish800x450(); }, [&] { moveTo(150, 100); }},
        {"no key: the whole screen", false, "", [&] { m_process.Kill(); DeleteCaptureKey(); }, nullptr},
        {"scaled, HALFTONE", false, "", [] { Publish(100, 80, 1020, 576, 800, 450); }, nullptr},
        {"scaled, COLORONCOLOR", false, "", [] { Publish(100, 80, 1020, 576, 800, 450); SetCaptureDword("stretch_mode_high_quality_if_1", 0); }, nullptr},
        {"past the right edge", false, "", [] { Publish(1700, 300, 400, 300, 400, 300); }, nullptr},
        {"display 0, not tracking", false, "", [&] { display(0, 0); }, nullptr},
        {"display 0, tracking: the stored start wins", false, "", [&] { display(0, 1); }, nullptr},
        {"display 5, none such", false, "", [&] { display(5, 1); }, nullptr},
        {"ini, start_x -777", false, "", [&] { ASSERT_TRUE(WriteOurIni(INI)); }, nullptr},
        {"window, unscaled", false, "", [&] { RemoveOurIni(); tracked(dwWindow, 320, 240); }, nullptr},
        {"window, scaled, origin re-read", false, "", [&] { tracked(dwWindow, 640, 480); }, nullptr},
        {"window, scaled", true, "assert failed, please fix (or report): notNeedStretching", [&] { tracked(dwWindow, 640, 480); noStart(); }, nullptr},
        {"window gone", true, "hScrDc != 0", [&] { tracked(0x7FFF0, 320, 240); }, nullptr},
        {"capture_height 0", true, "instead of setting it to zero: capture_height", [] { Publish(0, 0, 320, 0, 320, 240); }, nullptr},
    };
    for (const auto& row : rows) {   // the pictures are kept, by row number
        const std::string strRow = std::to_string(&row - rows);
        const std::string strModel = ArtifactPath(("model-" + strRow + ".bmp").c_str()), strFilter = ArtifactPath(("filter-" + strRow + ".bmp").c_str());
        SCOPED_TRACE(row.pszCase);
        LogStep("row %s: %s", strRow.c_str(), row.pszCase);
        DeleteCaptureValue("last_init_config_was");
        ::DeleteFileA(strModel.c_str());
        ::DeleteFileA(strFilter.c_str());
        row.before();
        ASSERT_FALSE(HasFatalFailure());
        CFilterSession session(Wide(DoctorExe()));
        if (row.under) {
            const FilterGrab started = session.Start(m_strClsid, 20000);
            ASSERT_EQ(FilterGrab::Outcome::Picture, started.outcome) << started.strError;
            row.under();
        }
        const DoctorRun model = RunDoctor("--simulate --json --grab \"" + strModel + "\"");
        DoctorRun filter;   // by the graph: its outcome as the exit code
        bool bFailed = false;
        if (row.under) {
            const FilterGrab taken = session.TakeLatest(Wide(strFilter), 20000);
            bFailed = taken.outcome != FilterGrab::Outcome::Picture;
            filter = DoctorRun{(DWORD)taken.outcome, taken.dwMillis, taken.strError};
        } else {
            filter = RunDoctor("--json --grab \"" + strFilter + "\"");
            EXPECT_TRUE(filter.Has("\"grab_source\":\"filter\"")) << filter.strOut;
            bFailed = filter.Has("\"code\":\"filter_failed\"") || ::GetFileAttributesA(strFilter.c_str()) == INVALID_FILE_ATTRIBUTES;
            EXPECT_EQ(bFailed, filter.dwExit == 2) << filter.strOut;
        }
        const Picture m = ReadBmp(strModel), f = ReadBmp(strFilter);
        const double dDiff = m.cx == f.cx && m.cy == f.cy ? MeanDifference(m, [&](int x, int y) { return f.At(x, y); }) : -1;
        LogStep("verdicts: model exit %ld (%ld ms, %s a running start), filter %s %ld (%ld ms), %d x %d and %d x %d, "
                "mean difference %.2f", (long)model.dwExit, (long)model.dwMillis, model.Has("\"running_start\":{") ? "with" : "without",
                row.under ? "graph outcome" : "exit", (long)filter.dwExit, (long)filter.dwMillis, m.cx, m.cy, f.cx, f.cy, dDiff);
        EXPECT_EQ(row.bFails, bFailed) << filter.strOut;
        EXPECT_EQ(bFailed, model.dwExit == 2) << model.strOut;
        EXPECT_TRUE(bFailed ? m.cx == 0 && f.cx == 0 : dDiff >= 0 && dDiff <= 2)
            << "model " << m.cx << " x " << m.cy << ", filter " << f.cx << " x " << f.cy << ", mean difference " << dDiff;
        EXPECT_TRUE(filter.Has(row.pszBox)) << filter.strOut;
        EXPECT_TRUE(!bFailed || filter.dwMillis < kFilterGrabTimeoutMs) << filter.dwMillis << " ms";
        EXPECT_TRUE(ProcessesNamed("zelvix-doctor.exe").empty()) << "a zelvix-doctor.exe process is left";
    }
    DeleteCaptureKey();
}

// A graph started before each step and read after it: capture off, then the program closed, leave
// it black; capture on gives the pattern back; the enlarged frame moved gives the whole moved
// rectangle, not cropped (the last two rows are the outline's bottom band).
TEST_F(FilterTable, CaptureOffAndTheClosedProgramLeaveARunningGraphNothingOfTheScreen)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ClickFrameButton(CMD_CAPTURE);
    ASSERT_TRUE(NextTick(42, 66, 796, 450, 0));
    const struct {
        const char* pszStep;
        std::function<void()> before, under;
        int x, y, cx, cy;   // the pattern's rectangle the picture shows; cx 0: black, 796 x 450
    } steps[] = {
        {"capture off", [] {}, [&] { ClickFrameButton(CMD_CAPTURE); EXPECT_TRUE(NextTick(OFF_X, 66, 796, 450, 1)); }, 0, 0, 0, 0},
        {"capture on", [] {}, [&] { ClickFrameButton(CMD_CAPTURE); EXPECT_TRUE(NextTick(42, 66, 796, 450, 0)); }, 42, 66, 796, 450},
        {"enlarged, moved", [&] { ClickFrameButton(CMD_ENLARGE); EXPECT_TRUE(NextTick(42, 66, 1020, 576, 0)); },
         [&] { ::SetWindowPos(m_hFrame, NULL, 500, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); EXPECT_TRUE(NextTick(502, 326, 1020, 576, 0)); },
         502, 326, 1020, 576},
        {"closed", [] {}, [&] {
             ClickFrameButton(CMD_CLOSE);
             const HWND hBox = WaitForDialog(APP_TITLE, CLOSE_QUESTION);
             ASSERT_TRUE(hBox != NULL) << "no box asking " << CLOSE_QUESTION;
             ::PostMessageA(::GetDlgItem(hBox, IDYES), BM_CLICK, 0, 0);
             ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs after Yes";
             EXPECT_EQ(OFF_X, (int)CaptureDword("start_x"));
         }, 0, 0, 1020, 576},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pszStep);
        step.before();
        CFilterSession session(Wide(DoctorExe()));
        const FilterGrab started = session.Start(m_strClsid, 20000);
        ASSERT_EQ(FilterGrab::Outcome::Picture, started.outcome) << started.strError;
        LogStep("%s under a running graph", step.pszStep);
        step.under();
        const std::string strBmp = ArtifactPath((std::string(step.pszStep) + ".bmp").c_str());
        const FilterGrab taken = session.TakeLatest(Wide(strBmp), 20000);
        ASSERT_EQ(FilterGrab::Outcome::Picture, taken.outcome) << taken.strError;
        const Picture pic = ReadBmp(strBmp);
        const double dDiff = step.x == 0 ? -1 : PatternDifference(pic, step.x, step.y, pic.cy - 2);
        LogStep("%d x %d, mean difference from the pattern %.2f", pic.cx, pic.cy, dDiff);
        EXPECT_TRUE(pic.cx == (step.cx ? step.cx : 796) && pic.cy == (step.cy ? step.cy : 450)) << pic.cx << " x " << pic.cy;
        EXPECT_TRUE(step.x == 0 ? IsBlack(pic) : dDiff >= 0 && dDiff <= 2) << "mean difference " << dDiff;
        DeleteCaptureValue("last_init_config_was");
    }
}

// With a build that reads show_img the program writes what it always wrote: the frame's place and
// the still image while capture is off, 800 x 450 output, the same sets in the same order.
TEST_F(FilterTable, ABuildThatReadsShowImgGetsTheValuesAsBefore)
{
    wchar_t szTemp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::wstring copy = std::wstring(szTemp) + L"zelvix-e2e-show-img.dll";
    ASSERT_TRUE(MakeShowImgCopy(FilterDll(), copy) && RegisterFilter(copy)) << "no build that reads show_img";
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    EXPECT_TRUE(NextTick(42, 66, 796, 450, 1));
    EXPECT_EQ(800u, CaptureDword("stretch_to_width"));
    EXPECT_EQ(450u, CaptureDword("stretch_to_height"));
    m_process.Kill();
    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    EXPECT_TRUE(SetIs(writes, 0, CONSTRUCTION_WRITES));
    EXPECT_TRUE(SetIs(writes, CONSTRUCTION_WRITES.size(), TICK_WRITES));
    RegisterFilter(FilterDll());
    ::DeleteFileW(copy.c_str());
}
