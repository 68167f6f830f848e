// The doctor's judgement: each finding from the case that should raise it, with the rectangle the
// filter then copies. (The JSON's shape and the bitmap-header check are the fuzz target's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "filter_plan.h"

using namespace zelvix;
using namespace zelvix::doctor;

namespace
{
RawValue Dword(std::int32_t n) { return RawValue{true, kRegDword, 4, n, ""}; }

// What the running program leaves in the key after a tick (frame at (40, 40), capture on), on one
// 1920 x 1080 screen at 96 dpi with the still image beside the program.
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
        env.rcScreen = env.rcVirtual = Rect{0, 0, 1920, 1080};
        env.monitors = {env.rcScreen};
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

std::string Codes(const Plan& plan)
{
    std::string s;
    for (const Finding& f : plan.findings)
        s += f.strCode + " ";
    return s;
}
} // namespace

// Each row also names the rectangle the filter then copies, where the case moves it ({} = the
// published one, not checked again).
TEST(FilterPlan, EveryFindingFromTheCaseThatRaisesIt)
{
    const struct {
        const char* pszCode;
        Level level;
        int nExit;
        std::function<void(Case&)> make;
        Rect want;
    } cases[] = {
        {"ini_override", Level::Warning, 1, [](Case& c) { c.MoveToIni(); }, {}},
        {"no_key", Level::Warning, 1, [](Case& c) { c.src.key = KeyState::Absent; }, Rect{0, 0, 1920, 1080}},
        {"key_unreadable", Level::Warning, 1, [](Case& c) { c.src.key = KeyState::Unreadable; }, {}},
        {"zero_value", Level::Error, 2, [](Case& c) { c.src.values[FS_CAPTURE_WIDTH] = Dword(0); }, {}},
        {"zero_value", Level::Error, 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0); }, {}},
        {"negative_value", Level::Error, 2, [](Case& c) { c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(-450); }, {}},
        {"negative_value", Level::Error, 2, [](Case& c) { c.src.values[FS_DEFAULT_MAX_FPS] = Dword(INT32_MIN); }, {}},
        {"wrong_type", Level::Warning, 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue{true, kRegSz, 4, 0, "1"}; }, {}},
        {"wrong_type", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_X] = RawValue{true, kRegDword, 2, 42, ""}; },
         Rect{0, 66, 796, 516}},
        {"not_a_number", Level::Warning, 1, [](Case& c) { c.MoveToIni(); c.src.values[FS_START_X].strText = "42px"; }, {}},
        {"window_tracking", Level::Warning, 1,   // the client area; start_x/start_y no longer count
         [](Case& c) {
             c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086);
             c.env.tracked = WindowFacts{true, Rect{108, 131, 608, 431}, Rect{100, 100, 616, 439}};
         },
         Rect{108, 131, 904, 581}},
        {"window_tracking", Level::Warning, 1,   // the whole window
         [](Case& c) {
             c.src.values[FS_HWND_TO_TRACK_WITH_DECORATION] = Dword(0x10086);
             c.env.trackedDecorated = WindowFacts{true, Rect{}, Rect{100, 100, 1000, 700}};
         },
         Rect{100, 100, 896, 550}},
        {"tracked_window_gone", Level::Error, 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086); }, {}},
        {"foreground_capture", Level::Warning, 1, [](Case& c) { c.src.values[FS_CAPTURE_FOREGROUND_WINDOW] = Dword(1); }, {}},
        {"display_override", Level::Warning, 1,   // display 1 lends its origin
         [](Case& c) {
             c.src.values[FS_DISPLAY_NUMBER] = Dword(1);
             c.env.monitors.push_back(Rect{-1280, 0, 0, 1024});
             c.env.rcVirtual.left = -1280;
         },
         Rect{-1280, 0, -484, 450}},
        {"display_missing", Level::Warning, 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(1); }, {}},
        {"dpi_scaling", Level::Warning, 1,   // 144 dpi counts as 1, 192 as 2
         [](Case& c) { c.env.dpiX = 144; c.env.dpiY = 192; c.env.rcVirtual.bottom = 2000; }, Rect{42, 66, 838, 966}},
        {"dpi_scaling", Level::Error, 2, [](Case& c) { c.env.dpiX = 72; }, {}},
        {"off_screen", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_Y] = Dword(-10); }, {}},
        {"off_screen", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_X] = Dword(1125); }, {}},
        {"still_image_missing", Level::Warning, 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.env.image = ImageState::NotBitmap; }, {}},
        {"still_image_missing", Level::Warning, 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.src.imageFileName = RawValue{true, 3, 8, 0, ""}; }, {}},
        {"incomplete_set", Level::Warning, 1, [](Case& c) { c.src.values[FS_PARAM_SET] = Dword(0); }, {}},
        {"not_tracking", Level::Warning, 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue(); }, {}},
        {"filter_last_start", Level::Info, 0,
         [](Case& c) { c.src.lastInitConfig = RawValue{true, kRegSz, 20, 0, "800x450 @ 15 fps"}; }, {}},
        {"empty_area", Level::Error, 2,
         [](Case& c) {
             c.src.values[FS_CAPTURE_WIDTH] = RawValue();
             c.src.values[FS_HWND_TO_TRACK] = Dword(0x20);
             c.env.tracked = WindowFacts{true, Rect{5, 5, 5, 90}, Rect{}};
         },
         {}},
        {"size_too_large", Level::Error, 2,
         [](Case& c) { c.src.values[FS_STRETCH_TO_WIDTH] = c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(20000); }, {}},
    };
    Case published;
    const Plan plan0 = Interpret(published.src, published.env);
    EXPECT_EQ("", Codes(plan0)) << "the published set, as published";
    EXPECT_TRUE(plan0.capture.left == 42 && plan0.capture.Width() == 796 && plan0.nOutWidth == 800 && plan0.bHalftone);
    std::set<std::string> seen;
    for (const auto& t : cases) {
        Case c;
        t.make(c);
        const Plan plan = Interpret(c.src, c.env);
        const auto it = std::find_if(plan.findings.begin(), plan.findings.end(),
                                     [&](const Finding& f) { return f.strCode == t.pszCode; });
        ASSERT_TRUE(it != plan.findings.end()) << t.pszCode << " missing; found " << Codes(plan);
        EXPECT_EQ(t.level, it->level) << t.pszCode;
        EXPECT_EQ(t.nExit, plan.ExitCode()) << t.pszCode << ": " << Codes(plan);
        if (t.nExit == 2) {
            EXPECT_EQ(Picture::None, plan.picture) << t.pszCode << ": no picture when the filter fails";
        }
        if (t.want.Width() != 0) {
            const Rect& r = plan.capture;
            EXPECT_TRUE(r.left == t.want.left && r.top == t.want.top && r.right == t.want.right && r.bottom == t.want.bottom)
                << t.pszCode << ": (" << r.left << ", " << r.top << ") - (" << r.right << ", " << r.bottom << ")";
        }
        seen.insert(t.pszCode);
    }
    EXPECT_EQ(20u, seen.size());
}
