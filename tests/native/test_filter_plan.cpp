// The doctor's judgement: for each finding the case that raises it, with every finding then raised,
// the exit code and the rectangle the filter copies. Inputs that e2e_doctor gives the real program (a
// zero capture_width, a number stored as text, a still image that is no bitmap) are not repeated.
#include <gtest/gtest.h>

#include "filter_plan.h"

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
} // namespace

// Each row names the findings in the order they are raised, the exit code, and the rectangle the
// filter copies as "left top right bottom" where the case moves it (NULL: not checked again).
TEST(FilterPlan, EveryFindingFromTheCaseThatRaisesIt)
{
    const struct {
        const char* pszCodes;
        int nExit;
        void (*make)(Case&);
        const char* pszCapture;
    } cases[] = {
        {"", 0, [](Case&) {}, "42 66 838 516"},   // the published set, as published
        {"ini_override ", 1, [](Case& c) { c.MoveToIni(); }, "42 66 838 516"},
        {"no_key not_tracking ", 1, [](Case& c) { c.src.key = KeyState::Absent; }, "0 0 1920 1080"},
        {"key_unreadable not_tracking ", 1, [](Case& c) { c.src.key = KeyState::Unreadable; }, NULL},
        {"zero_value ", 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0); }, NULL},
        {"negative_value ", 2, [](Case& c) { c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(-450); }, NULL},
        {"negative_value ", 2, [](Case& c) { c.src.values[FS_DEFAULT_MAX_FPS] = Dword(INT32_MIN); }, NULL},
        {"wrong_type ", 1, [](Case& c) { c.src.values[FS_START_X] = RawValue{true, kRegDword, 2, 42, ""}; }, "0 66 796 516"},
        {"ini_override not_a_number ", 1, [](Case& c) { c.MoveToIni(); c.src.values[FS_START_X].strText = "42px"; }, NULL},
        {"window_tracking ", 1,   // its client area; start_x and start_y no longer count
         [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086); c.env.tracked = {true, {108, 131, 608, 431}, {}}; },
         "108 131 904 581"},
        {"window_tracking ", 1,   // the whole window
         [](Case& c) {
             c.src.values[FS_HWND_TO_TRACK_WITH_DECORATION] = Dword(0x10086);
             c.env.trackedDecorated = {true, {}, {100, 100, 1000, 700}};
         },
         "100 100 896 550"},
        {"tracked_window_gone ", 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086); }, NULL},
        {"foreground_capture ", 1, [](Case& c) { c.src.values[FS_CAPTURE_FOREGROUND_WINDOW] = Dword(1); }, NULL},
        {"display_override ", 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(1); }, "-1280 0 -484 450"},
        {"display_missing ", 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(2); }, NULL},
        // 144 dpi counts as 1, 192 as 2, below 96 as 0
        {"dpi_scaling ", 1, [](Case& c) { c.env.dpiX = 144; c.env.dpiY = 192; }, "42 66 838 966"},
        {"dpi_scaling ", 2, [](Case& c) { c.env.dpiX = 72; }, NULL},
        // one pixel past the top, and past the right edge
        {"off_screen ", 1, [](Case& c) { c.src.values[FS_START_Y] = Dword(-1); }, NULL},
        {"off_screen ", 1, [](Case& c) { c.src.values[FS_START_X] = Dword(1125); }, NULL},
        {"wrong_type still_image_missing ", 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.src.imageFileName = RawValue{true, 3, 8, 0, ""}; }, NULL},
        {"incomplete_set ", 1, [](Case& c) { c.src.values[FS_PARAM_SET] = Dword(0); }, NULL},
        {"not_tracking ", 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue(); }, NULL},
        {"filter_last_start ", 0, [](Case& c) { c.src.lastInitConfig = RawValue{true, kRegSz, 20, 0, "800x450 @ 15 fps"}; },
         NULL},
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
        EXPECT_TRUE(t.pszCapture == NULL || strCapture == t.pszCapture) << "copies " << strCapture;
    }
    const Plan published = Interpret(Case().src, Case().env);
    EXPECT_TRUE(published.nOutWidth == 800 && published.nOutHeight == 450 && published.bHalftone);
}
