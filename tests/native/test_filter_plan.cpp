// The doctor's judgement: each finding from the case that should raise it, the rectangle the
// filter copies, the JSON's shape, and the bitmap-header check.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "bitmap_header.h"
#include "doctor_report.h"
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

TEST(FilterPlan, ThePublishedSetShowsThePublishedRectangle)
{
    const Case c;
    const Plan plan = Interpret(c.src, c.env);
    EXPECT_EQ("", Codes(plan));
    EXPECT_EQ(0, plan.ExitCode());
    EXPECT_EQ(Picture::Screen, plan.picture);
    EXPECT_EQ(SourceKind::Registry, plan.source);
    EXPECT_EQ(42, plan.capture.left);
    EXPECT_EQ(66, plan.capture.top);
    EXPECT_EQ(796, plan.capture.Width());
    EXPECT_EQ(450, plan.capture.Height());
    EXPECT_EQ(800, plan.nOutWidth);
    EXPECT_EQ(450, plan.nOutHeight);
    EXPECT_TRUE(plan.bHalftone);
    EXPECT_EQ(Origin::Default, plan.settings[FS_CAPTURE_MOUSE].from);
    EXPECT_EQ(1, plan.Value(FS_CAPTURE_MOUSE));
}

TEST(FilterPlan, EveryFindingFromTheCaseThatRaisesIt)
{
    const struct {
        const char* pszCode;
        Level level;
        int nExit;
        std::function<void(Case&)> make;
    } cases[] = {
        {"ini_override", Level::Warning, 1, [](Case& c) { c.MoveToIni(); }},
        {"no_key", Level::Warning, 1, [](Case& c) { c = Case(); c.src.key = KeyState::Absent; }},
        {"key_unreadable", Level::Warning, 1, [](Case& c) { c.src.key = KeyState::Unreadable; }},
        {"zero_value", Level::Error, 2, [](Case& c) { c.src.values[FS_CAPTURE_WIDTH] = Dword(0); }},
        {"zero_value", Level::Error, 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0); }},
        {"negative_value", Level::Error, 2, [](Case& c) { c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(-450); }},
        {"negative_value", Level::Error, 2, [](Case& c) { c.src.values[FS_DEFAULT_MAX_FPS] = Dword(INT32_MIN); }},
        {"wrong_type", Level::Warning, 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue{true, kRegSz, 4, 0, "1"}; }},
        {"wrong_type", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_X] = RawValue{true, kRegDword, 2, 42, ""}; }},
        {"not_a_number", Level::Warning, 1, [](Case& c) { c.MoveToIni(); c.src.values[FS_START_X].strText = "42px"; }},
        {"window_tracking", Level::Warning, 1,
         [](Case& c) {
             c.src.values[FS_HWND_TO_TRACK_WITH_DECORATION] = Dword(0x10086);
             c.env.trackedDecorated = WindowFacts{true, Rect{}, Rect{100, 100, 1000, 700}};
         }},
        {"tracked_window_gone", Level::Error, 2, [](Case& c) { c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086); }},
        {"foreground_capture", Level::Warning, 1, [](Case& c) { c.src.values[FS_CAPTURE_FOREGROUND_WINDOW] = Dword(1); }},
        {"display_override", Level::Warning, 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(0); }},
        {"display_missing", Level::Warning, 1, [](Case& c) { c.src.values[FS_DISPLAY_NUMBER] = Dword(1); }},
        {"dpi_scaling", Level::Warning, 1, [](Case& c) { c.env.dpiX = c.env.dpiY = 192; c.env.rcVirtual.right = 4000; }},
        {"dpi_scaling", Level::Error, 2, [](Case& c) { c.env.dpiX = 72; }},
        {"off_screen", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_Y] = Dword(-10); }},
        {"off_screen", Level::Warning, 1, [](Case& c) { c.src.values[FS_START_X] = Dword(1125); }},
        {"still_image_missing", Level::Warning, 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.env.image = ImageState::NotBitmap; }},
        {"still_image_missing", Level::Warning, 1,
         [](Case& c) { c.src.values[FS_SHOW_IMG] = Dword(1); c.src.imageFileName = RawValue{true, 3, 8, 0, ""}; }},
        {"incomplete_set", Level::Warning, 1, [](Case& c) { c.src.values[FS_PARAM_SET] = Dword(0); }},
        {"not_tracking", Level::Warning, 1, [](Case& c) { c.src.values[FS_TRACK_NEW_XY] = RawValue(); }},
        {"filter_last_start", Level::Info, 0,
         [](Case& c) { c.src.lastInitConfig = RawValue{true, kRegSz, 20, 0, "800x450 @ 15 fps"}; }},
        {"empty_area", Level::Error, 2,
         [](Case& c) {
             c.src.values[FS_CAPTURE_WIDTH] = RawValue();
             c.src.values[FS_HWND_TO_TRACK] = Dword(0x20);
             c.env.tracked = WindowFacts{true, Rect{5, 5, 5, 90}, Rect{}};
         }},
        {"size_too_large", Level::Error, 2,
         [](Case& c) { c.src.values[FS_STRETCH_TO_WIDTH] = c.src.values[FS_STRETCH_TO_HEIGHT] = Dword(20000); }},
    };
    std::set<std::string> seen;
    for (const auto& t : cases) {
        Case c;
        t.make(c);
        const Plan plan = Interpret(c.src, c.env);
        const auto it = std::find_if(plan.findings.begin(), plan.findings.end(),
                                     [&](const Finding& f) { return f.strCode == t.pszCode; });
        ASSERT_TRUE(it != plan.findings.end()) << t.pszCode << " missing; found " << Codes(plan);
        EXPECT_EQ(t.level, it->level) << t.pszCode;
        EXPECT_FALSE(it->strMessage.empty()) << t.pszCode;
        EXPECT_EQ(t.nExit, plan.ExitCode()) << t.pszCode << ": " << Codes(plan);
        if (t.nExit == 2)
            EXPECT_EQ(Picture::None, plan.picture) << t.pszCode << ": no picture when the filter fails";
        seen.insert(t.pszCode);
    }
    EXPECT_EQ(20u, seen.size());
}

TEST(FilterPlan, WhereTheRectangleGoes)
{
    Case c;   // defaults in the key: the whole screen, unscaled, 30 fps
    for (RawValue& v : c.src.values)
        v = RawValue();
    Plan plan = Interpret(c.src, c.env);
    EXPECT_EQ(SourceKind::Registry, plan.source);
    EXPECT_EQ(1920, plan.nOutWidth);
    EXPECT_EQ(1080, plan.capture.Height());
    EXPECT_EQ(30, plan.Value(FS_DEFAULT_MAX_FPS));
    EXPECT_FALSE(plan.bHalftone);

    c = Case();   // 144 dpi counts as 1; 192 as 2, on stored sizes only
    c.env.dpiX = 144;
    c.env.dpiY = 192;
    c.env.rcVirtual.bottom = 2000;
    plan = Interpret(c.src, c.env);
    EXPECT_EQ(796, plan.capture.Width());
    EXPECT_EQ(900, plan.capture.Height());
    EXPECT_EQ(450, plan.nOutHeight);   // the stretch size stays

    c = Case();   // a display number moves the origin to that monitor's
    c.src.values[FS_DISPLAY_NUMBER] = Dword(1);
    c.env.monitors.push_back(Rect{-1280, 0, 0, 1024});
    c.env.rcVirtual.left = -1280;
    plan = Interpret(c.src, c.env);
    EXPECT_EQ(-1280, plan.capture.left);
    EXPECT_EQ(0, plan.capture.top);

    c = Case();   // a tracked window's client area replaces the screen; start_x/start_y no longer count
    c.src.values[FS_HWND_TO_TRACK] = Dword(0x10086);
    c.src.values[FS_CAPTURE_WIDTH] = RawValue();
    c.env.tracked = WindowFacts{true, Rect{108, 131, 608, 431}, Rect{100, 100, 616, 439}};
    plan = Interpret(c.src, c.env);
    EXPECT_EQ(108, plan.capture.left);
    EXPECT_EQ(131, plan.capture.top);
    EXPECT_EQ(500, plan.capture.Width());
    EXPECT_EQ(Picture::Window, plan.picture);

    c = Case();   // show_img 1 with the image: the image, at the output size
    c.src.values[FS_SHOW_IMG] = Dword(1);
    plan = Interpret(c.src, c.env);
    EXPECT_EQ(Picture::Image, plan.picture);
    EXPECT_EQ("C:\\zelvix\\1.bmp", plan.strImagePath);
    EXPECT_EQ(0, plan.ExitCode());
}

TEST(FilterPlan, JsonHasExactlyTheAgreedShape)
{
    Case c;
    c.src.values[FS_CAPTURE_HEIGHT] = Dword(0);
    c.src.imageFileName.strText = "C:\\\xE4\xB8\xAD\\\xFF.bmp";   // "中" and a byte that is no UTF-8
    const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(RenderJson(Interpret(c.src, c.env)));
    std::vector<std::string> keys;
    for (const auto& item : doc.items())
        keys.push_back(item.key());
    EXPECT_EQ((std::vector<std::string>{"source", "settings", "capture", "output", "fps", "image", "findings"}), keys);
    EXPECT_EQ("registry", doc["source"]);
    EXPECT_EQ((size_t)FS_COUNT, doc["settings"].size());
    EXPECT_EQ(0, doc["settings"]["capture_height"]["value"]);
    EXPECT_EQ("registry", doc["settings"]["capture_height"]["from"]);
    EXPECT_EQ("default", doc["settings"]["dedup_if_1"]["from"]);
    EXPECT_EQ(4u, doc["capture"].size());
    EXPECT_EQ(796, doc["capture"]["width"]);
    EXPECT_EQ(800, doc["output"]["width"]);
    EXPECT_EQ(15, doc["fps"]);
    EXPECT_EQ("C:\\\xE4\xB8\xAD\\\xEF\xBF\xBD.bmp", doc["image"]["path"]);   // replaced, not thrown
    EXPECT_EQ(true, doc["image"]["exists"]);
    ASSERT_EQ(1u, doc["findings"].size());
    const nlohmann::ordered_json& f = doc["findings"][0];
    EXPECT_EQ(4u, f.size());
    EXPECT_EQ("error", f["level"]);
    EXPECT_EQ("zero_value", f["code"]);
    EXPECT_EQ("capture_height", f["setting"]);
}

TEST(BitmapHeader, OnlyAWholeBitmapCounts)
{
    // A 3 x 2 24-bit bottom-up picture: 54 header bytes and two rows of 12 bytes.
    std::vector<unsigned char> bmp(54 + 24, 0);
    const auto put32 = [&](size_t at, std::uint32_t v) { for (int i = 0; i < 4; ++i) bmp[at + i] = (unsigned char)(v >> (8 * i)); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, (std::uint32_t)bmp.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, 3);
    put32(22, 2);
    bmp[26] = 1;
    bmp[28] = 24;
    EXPECT_TRUE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size()));
    put32(22, (std::uint32_t)-2);   // top-down
    EXPECT_TRUE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size()));
    EXPECT_FALSE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size() - 1));   // one byte cut off
    EXPECT_FALSE(IsWholeBitmap(bmp.data(), 20, 20));                              // a cut header
    EXPECT_FALSE(IsWholeBitmap(nullptr, 0, 0));                                   // an empty file
    put32(18, 0x7FFFFFFF);   // rows far larger than the file
    EXPECT_FALSE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size()));
    put32(18, 3);
    bmp[28] = 7;   // no such depth
    EXPECT_FALSE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size()));
    bmp[28] = 24;
    bmp[0] = 'P';
    EXPECT_FALSE(IsWholeBitmap(bmp.data(), kBitmapHeaderBytes, bmp.size()));
}
