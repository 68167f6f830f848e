// The doctor's judgement: for each finding and each of the filter's rules the case that shows it, with
// every finding then raised, the exit code and the rectangle the filter copies. Inputs that e2e_doctor gives the real program (a
// zero capture_width, a number stored as text, a still image that is no bitmap) are not repeated.
#include <gtest/gtest.h>

#include "doctor/filter_plan.h"

using namespace zelvix;
using namespace zelvix::doctor;

namespace
{
RawValue Dword(std::int32_t n) { return RawValue{true, kRegDword, 4, n, ""}; }

// What the running program leaves in the key after a tick (frame at (40, 40), capture on), on one
// 1920 x 1080 primary screen and a 1280 x 1024 one to its left, at 96 dpi, with the still image
// beside the program.
struct Case {
    SettingsSource src;
    Environment env;
    Case()
    {
        src.key = KeyState::Open;
        src.strIniPath = "C:\\users\\me\\AppData\\Roaming\\ScreenCaptureRecorder.ini";
        const std::pair<FilterSettingId, std::int32_t> published[] = {
            {FS_STRETCH_TO_WIDTH, 800}, {FS_STRETCH_TO_HEIGHT, 450}, {FS_STRETCH_MODE_HIGH_QUALITY, 1},
            {FS_TRACK_NEW_XY, 1},       {FS_START_X, 42},            {FS_START_Y, 66},
            {FS_CAPTURE_WIDTH, 796},    {FS_CAPTURE_HEIGHT, 450},    {FS_DEFAULT_MAX_FPS, 15},
            {FS_SHOW_IMG, 0},           {FS_PARAM_SET, 1}};
        for (const auto& p : published)
            src.values[p.first] = Dword(p.second);
        src.imageFileName = RawValue{true, kRegSz, 22, 0, "C:\\zelvix\\1.bmp"};
        env.rcScreen = Rect{0, 0, 1920, 1080};
        env.rcVirtual = Rect{-1280, 0, 1920, 1080};
        env.monitors = {env.rcScreen, Rect{-1280, 0, 0, 1024}};
        env.image = ImageState::Bitmap;
        env.filters = {Build(32), Build(64)};
    }
    static FilterBuild Build(int nBits, bool bExists = true, bool bProducts = false)
    {
        FilterBuild f;
        f.nBits = nBits;
        f.bExists = bExists;
        f.bReadsKey = true;
        f.bReadsShowImg = f.bReadsImgFilename = f.bReadsParamSet = bProducts;
        return f;
    }
    // The same values written into the ini file instead.
    void MoveToIni()
    {
        src.bIniPresent = true;
        for (RawValue& v : src.values)
            if (v.bPresent)
                v = RawValue{true, 0, 0, v.nValue, std::to_string(v.nValue)};
        src.imageFileName.dwType = 0;
    }
};

const char kSummary[] = "default/from reg got config as: 450x796 -> 450x800 (66 top 516 bottom 42 l 838 r) 15fps, "
                        "dedupe? 0, millis between dedupe polling 10, m_bReReadRegistry? 1 hwnd:0 \n";
RawValue Text(const std::string& s) { return RawValue{true, kRegSz, (std::uint32_t)s.size() * 2, 0, s}; }
void Remove(Case& c, std::initializer_list<FilterSettingId> ids)
{
    for (FilterSettingId id : ids)
        c.src.values[id] = RawValue();
}
} // namespace

// Each row names the findings in the order they are raised, the exit code, and the rectangle the
// filter copies as "left top right bottom" (NULL: not checked again).
TEST(FilterPlan, EveryFindingAndRuleFromTheCaseThatShowsIt)
{
    const struct {
        const char* pszCodes;
        int nExit;
        void (*make)(Case&);
        const char* pszCapture;
    } cases[] = {
        {"", 0, [](Case&) {}, "42 66 838 516"},   // the published set, as published
        {"ini_override ", 1, [](Case& c) { c.MoveToIni(); }, "42 66 838 516"},
        {"ini_override ", 1, [](Case& c) { c.MoveToIni(); c.src.values[FS_START_X] = RawValue{true, 0, 0, -777, "-777"}; },
         "0 66 796 516"},   // -777 is "not set"
        {"no_key not_tracking filter_not_installed ", 1, [](Case& c) { c.src.key = KeyState::Absent; c.env.filters.clear(); },
         "0 0 1920 1080"},
        {"key_unreadable not_tracking ", 1, [](Case& c) { c.src.key = KeyState::Unreadable; }, NULL},
        {"zero_value ", 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0); }, NULL},
        {"negative_value ", 2, [](Case& c) { c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(-450); }, NULL},
        {"negative_value ", 2, [](Case& c) { c.src.values[FS_DEFAULT_MAX_FPS] = Dword(INT32_MIN); }, NULL},
        {"fps_too_high ", 2, [](Case& c) { c.src.values[FS_DEFAULT_MAX_FPS] = Dword(10000001); }, NULL},
        {"wrong_type ", 1, [](Case& c) { c.src.values[FS_START_X] = RawValue{true, kRegDword, 8, 42, ""}; }, "0 66 796 516"},
        {"short_value ", 1, [](Case& c) { c.src.values[FS_START_X] = RawValue{true, kRegDword, 2, 42, ""}; }, "42 66 838 516"},
        {"ini_override not_a_number ", 1, [](Case& c) { c.MoveToIni(); c.src.values[FS_START_X].strText = "42px"; }, NULL},
        // A window: start_x/start_y are re-read by the first frame and move the copy inside it,
        // which also ends the scaling; a decorated window's 0 is never read beside hwnd_to_track.
        {"window_tracking scaling_lost_after_move ", 1,
         [](Case& c) {
             c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086);
             c.src.values[FS_HWND_TO_TRACK_WITH_DECORATION] = Dword(0);
             c.env.tracked = {true, {108, 131, 608, 431}, {}};
         },
         "150 197 946 647"},
        {"window_tracking window_scaling ", 2,   // tracking and scaling: an error box every frame
         [](Case& c) {
             Remove(c, {FS_START_X, FS_START_Y});
             c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086);
             c.env.tracked = {true, {108, 131, 608, 431}, {}};
         },
         NULL},
        {"window_tracking ", 1,   // the whole window, no scaling: no default size but the screen's
         [](Case& c) {
             Remove(c, {FS_START_X, FS_START_Y, FS_CAPTURE_WIDTH, FS_CAPTURE_HEIGHT, FS_STRETCH_TO_WIDTH, FS_STRETCH_TO_HEIGHT});
             c.src.values[FS_HWND_TO_TRACK_WITH_DECORATION] = Dword(0x10086);
             c.env.trackedDecorated = {true, {}, {100, 100, 1000, 700}};
         },
         "100 100 2020 1180"},
        {"tracked_window_gone ", 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086); }, NULL},
        {"foreground_capture ", 1,   // any value but 0; start_x/start_y inside its client area
         [](Case& c) { c.src.values[FS_CAPTURE_FOREGROUND_WINDOW] = Dword(2); c.env.foreground = {true, {100, 200, 900, 800}, {}}; },
         "142 266 938 716"},
        {"display_override scaling_lost_after_move ", 1,   // the stored start wins at the first frame
         [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(1); }, "42 66 838 516"},
        {"display_override ", 1,   // no stored width: the primary screen's
         [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(1); Remove(c, {FS_START_X, FS_START_Y, FS_CAPTURE_WIDTH}); },
         "-1280 0 640 450"},
        {"display_missing ", 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(2); }, "42 66 838 516"},
        // 144 dpi counts as 1, 192 as 2, below 96 as 0; the default size is multiplied too
        {"dpi_scaling ", 1, [](Case& c) { c.env.dpiX = 144; c.env.dpiY = 192; }, "42 66 838 966"},
        {"dpi_scaling off_screen ", 1, [](Case& c) { c.env.dpiX = 192; c.env.dpiY = 96; Remove(c, {FS_CAPTURE_WIDTH}); },
         "42 66 3882 516"},
        {"dpi_scaling ", 2, [](Case& c) { c.env.dpiX = 72; }, NULL},
        // one pixel past the top, past the right edge, and below the smaller monitor
        {"off_screen ", 1, [](Case& c) { c.src.values[FS_START_Y] = Dword(-1); }, NULL},
        {"off_screen ", 1, [](Case& c) { c.src.values[FS_START_X] = Dword(1125); }, NULL},
        {"off_screen ", 1, [](Case& c) { c.src.values[FS_START_X] = Dword(-1000); c.src.values[FS_START_Y] = Dword(600); }, NULL},
        // the still image and param_set count only for a build that reads them
        {"still_image_ignored ", 1, [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); }, "42 66 838 516"},
        {"capture_off_black ", 0,   // what the program publishes while capture is off
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.src.values[FS_START_X] = Dword(1984); }, "1984 66 2780 516"},
        {"filter_not_installed off_screen still_image_ignored ", 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.src.values[FS_START_X] = Dword(1984); c.env.filters.clear(); }, NULL},
        {"filter_not_installed still_image_ignored ", 1, [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.env.filters.clear(); }, NULL},
        {"", 0, [](Case& c) { c.src.values[FS_PARAM_SET] = Dword(0); }, NULL},
        {"incomplete_set ", 1, [](Case& c) { c.src.values[FS_PARAM_SET] = Dword(0); c.env.filters = {Case::Build(32, true, true), Case::Build(64, true, true)}; }, NULL},
        {"wrong_type still_image_missing ", 1,
         [](Case& c) {
             c.env.filters = {Case::Build(32, true, true), Case::Build(64, true, true)};
             c.src.values[FS_SHOW_IMG] = Dword(1);
             c.src.imageFileName = RawValue{true, 3, 8, 0, ""};
         },
         NULL},
        {"filter_missing_dll ", 1, [](Case& c) { c.env.filters[1].bExists = false; }, NULL},
        {"filter_missing_dll filter_one_bitness ", 2, [](Case& c) { c.env.filters = {Case::Build(64, false)}; }, NULL},
        {"filter_one_bitness ", 1, [](Case& c) { c.env.filters.pop_back(); }, NULL},
        {"not_tracking ", 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue(); }, NULL},
        // a running filter: its summary as it started, then a move (enlarged frame) or a new size
        {"filter_last_start ", 0, [](Case& c) { c.src.lastInitConfig = Text(kSummary); }, "42 66 838 516"},
        {"filter_last_start scaling_lost_after_move ", 1,
         [](Case& c) {
             c.src.lastInitConfig = Text("default/from reg got config as: 576x1020 -> 450x800 (66 top 642 bottom 42 l 1062 r) "
                                         "15fps, dedupe? 0, millis between dedupe polling 10, m_bReReadRegistry? 1 hwnd:0 \n");
             c.src.values[FS_CAPTURE_WIDTH] = Dword(1020);
             c.src.values[FS_CAPTURE_HEIGHT] = Dword(576);
             c.src.values[FS_START_X] = Dword(142);
         },
         "142 66 1162 642"},
        {"filter_last_start restart_needed ", 1,
         [](Case& c) { c.src.lastInitConfig = Text(kSummary); c.src.values[FS_CAPTURE_WIDTH] = Dword(1020); }, "42 66 838 516"},
        {"empty_area ", 2, [](Case& c) { c.src.values[FS_CAPTURE_WIDTH] = RawValue(); c.env.rcScreen.right = 0; }, NULL},
        {"size_too_large ", 2,
         [](Case& c) { c.src.values[FS_STRETCH_TO_WIDTH] = c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(20000); }, NULL},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE("row " + std::to_string(&t - cases));
        Case c;
        t.make(c);
        const Plan plan = Interpret(c.src, c.env);
        const Rect& r = plan.capture;
        const std::string strCapture = std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                                       std::to_string(r.right) + " " + std::to_string(r.bottom);
        std::string strCodes;
        for (const Finding& f : plan.findings)
            strCodes += f.strCode + " ";
        EXPECT_EQ(t.pszCodes, strCodes);
        EXPECT_EQ(t.nExit, plan.ExitCode());
        EXPECT_TRUE(t.nExit != 2 || plan.picture == Picture::None) << "a picture, though the filter fails";
        EXPECT_EQ(strCodes.find("scaling_lost") != std::string::npos, plan.bUnscaled);
        EXPECT_TRUE(t.pszCapture == NULL || strCapture == t.pszCapture) << "copies " << strCapture;
    }
    const Plan published = Interpret(Case().src, Case().env);
    EXPECT_TRUE(published.nOutWidth == 800 && published.nOutHeight == 450 && published.bHalftone &&
                published.picture == Picture::Screen);
    Case mode;   // any stretch mode but 0 is HALFTONE
    mode.src.values[FS_STRETCH_MODE_HIGH_QUALITY] = Dword(2);
    EXPECT_TRUE(Interpret(mode.src, mode.env).bHalftone);
}

TEST(FilterPlan, ReadsTheRunningFiltersStartSummary)
{
    RunningStart run;
    ASSERT_TRUE(ParseRunningStart(kSummary, &run));
    EXPECT_TRUE(run.nCaptureWidth == 796 && run.nCaptureHeight == 450 && run.nOutWidth == 800 && run.nOutHeight == 450);
    EXPECT_TRUE(run.rect.left == 42 && run.rect.top == 66 && run.rect.right == 838 && run.rect.bottom == 516);
    EXPECT_TRUE(run.nFps == 15 && run.bReRead);
    EXPECT_FALSE(ParseRunningStart("default/from reg got config as: 450x796 -> 450x800 (66 top", &run));
    EXPECT_FALSE(ParseRunningStart("", &run));
}
