// filter_plan.h - what the capture filter will do with the settings it finds: the doctor's judgement.
//
//   SettingsSource, Environment   what the doctor read (each value's origin, type and raw value)
//                                 and what it saw of the machine (screens, DPI, windows, the image)
//   ReadSettings                  source -> the settings as the filter will use them (phase 1)
//   PlanCapture                   + environment -> rectangle, output size, picture, findings (phase 2)
//   Interpret                     both
//   Plan::ExitCode                0 the published rectangle, 1 something else, 2 the filter fails
//
// Platform-free and header-only, so that it is fuzzed natively. The rules are the filter's, stated
// in capture/filter_settings.h; this file only applies them. Messages are UTF-8 Chinese.
#ifndef ZELVIX_DOCTOR_FILTER_PLAN_H
#define ZELVIX_DOCTOR_FILTER_PLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "filter_settings.h"

namespace zelvix {
namespace doctor {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::int64_t kMaxBitmapBytes = 1LL << 30;  // a 32-bit filter cannot allocate more at once

enum class Origin { Default, Registry, Ini };
enum class Level { Info, Warning, Error };
enum class KeyState { Absent, Open, Unreadable };
enum class ImageState { Missing, NotBitmap, Bitmap, PathTooLong };
enum class SourceKind { Defaults, Registry, Ini };
enum class Picture { None, Screen, Window, Image };

// One value as the doctor found it.
struct RawValue {
    bool bPresent = false;      // the key has the value / the ini section has a non-empty entry
    std::uint32_t dwType = 0;   // registry: the value's type
    std::uint32_t cbData = 0;   // registry: its size in bytes
    std::int32_t nValue = 0;    // registry: a 4-byte REG_DWORD; ini: what GetPrivateProfileInt returned
    std::string strText;        // ini: the entry as written; registry REG_SZ: the text (UTF-8)
};

struct SettingsSource {
    bool bIniPresent = false;
    KeyState key = KeyState::Absent;
    std::string strIniPath;                 // for the messages (UTF-8)
    RawValue values[FS_COUNT];              // from the ini when it is present, else from the key
    RawValue imageFileName;                 // img_filename, from the same place
    RawValue lastInitConfig;                // last_init_config_was, always from the key
};

// Screen rectangles in 64 bits: sums of two 32-bit values must not overflow.
struct Rect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    std::int64_t Width() const noexcept { return right - left; }
    std::int64_t Height() const noexcept { return bottom - top; }
    bool Contains(const Rect& r) const noexcept
    {
        return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
    }
};

struct WindowFacts {
    bool bExists = false;
    Rect rcClient;   // the client area, in screen coordinates
    Rect rcWindow;   // the whole window
};

struct Environment {
    Rect rcScreen;                 // the primary screen
    Rect rcVirtual;                // all screens together
    std::vector<Rect> monitors;    // in the order the system enumerates them
    std::int32_t dpiX = kFilterBaseDpi;
    std::int32_t dpiY = kFilterBaseDpi;
    WindowFacts tracked;           // the window hwnd_to_track names
    WindowFacts trackedDecorated;  // the window hwnd_to_track_with_window_decoration names
    WindowFacts foreground;        // the foreground window, if any
    ImageState image = ImageState::Missing;  // the file img_filename names
};

struct Setting {
    std::int32_t nValue = 0;
    Origin from = Origin::Default;
};

struct Finding {
    Level level;
    std::string strCode;
    std::string strSetting;   // empty when no single setting is to blame
    std::string strMessage;
};

struct Plan {
    SourceKind source = SourceKind::Defaults;
    Setting settings[FS_COUNT];
    std::string strImagePath;
    Rect capture;                  // what the filter copies, screen coordinates
    std::int64_t nOutWidth = 0;    // what it delivers
    std::int64_t nOutHeight = 0;
    bool bHalftone = false;        // HALFTONE scaling, else COLORONCOLOR
    bool bImageExists = false;
    Picture picture = Picture::None;
    std::vector<Finding> findings;

    std::int32_t Value(FilterSettingId id) const noexcept { return settings[id].nValue; }
    bool Stored(FilterSettingId id) const noexcept { return settings[id].from != Origin::Default; }
    bool Has(Level level) const noexcept
    {
        for (const Finding& f : findings)
            if (f.level == level)
                return true;
        return false;
    }
    int ExitCode() const noexcept { return Has(Level::Error) ? 2 : Has(Level::Warning) ? 1 : 0; }
};

namespace detail {

inline std::string Num(std::int64_t n) { return std::to_string(n); }

inline std::string Hex(std::int32_t n)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint32_t u = static_cast<std::uint32_t>(n); s.empty() || u != 0; u >>= 4)
        s.insert(s.begin(), kDigits[u & 15]);
    return "0x" + s;
}

inline std::string Size(std::int64_t cx, std::int64_t cy) { return Num(cx) + u8" × " + Num(cy); }

inline std::string Area(const Rect& r)
{
    return "(" + Num(r.left) + ", " + Num(r.top) + u8")，" + Size(r.Width(), r.Height());
}

// Text that GetPrivateProfileInt reads exactly as written: an optional sign and decimal digits.
inline bool IsPlainNumber(const std::string& s) noexcept
{
    std::size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (i == s.size())
        return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// A 32-bit picture of cx x cy (both positive) needs more than kMaxBitmapBytes; checked side by
// side first, so that the product cannot overflow.
inline bool TooLarge(std::int64_t cx, std::int64_t cy) noexcept
{
    const std::int64_t nMaxPixels = kMaxBitmapBytes / 4;
    return cx > nMaxPixels || cy > nMaxPixels || cx * cy > nMaxPixels;
}

inline void Add(Plan& plan, Level level, const char* pszCode, const std::string& strSetting, std::string strMessage)
{
    plan.findings.push_back(Finding{level, pszCode, strSetting, std::move(strMessage)});
}

}  // namespace detail

// Phase 1: the value of every setting as the filter will take it, and what is wrong with the source.
inline Plan ReadSettings(const SettingsSource& src)
{
    using detail::Add;
    using detail::Num;
    Plan plan;
    plan.source = src.bIniPresent ? SourceKind::Ini : src.key == KeyState::Open ? SourceKind::Registry
                                                                                : SourceKind::Defaults;
    if (src.bIniPresent)
        Add(plan, Level::Warning, "ini_override", "",
            u8"存在 " + src.strIniPath + u8"：筛选器只读这个文件，不读注册表，本程序发布的区域不起作用");
    else if (src.key == KeyState::Absent)
        Add(plan, Level::Warning, "no_key", "",
            u8"注册表里没有 HKEY_CURRENT_USER\\SOFTWARE\\screen-capture-recorder：筛选器全部用默认值（整个屏幕）");
    else if (src.key == KeyState::Unreadable)
        Add(plan, Level::Warning, "key_unreadable", "",
            u8"打不开 HKEY_CURRENT_USER\\SOFTWARE\\screen-capture-recorder：筛选器全部用默认值（整个屏幕）");

    for (int i = 0; i < FS_COUNT; ++i) {
        const FilterSettingId id = static_cast<FilterSettingId>(i);
        const FilterSetting& rule = kFilterSettings[i];
        const RawValue& raw = src.values[i];
        Setting& s = plan.settings[i];
        s = Setting{rule.nDefault, Origin::Default};
        if (plan.source == SourceKind::Ini && raw.bPresent) {
            s = Setting{raw.nValue, Origin::Ini};
            if (!detail::IsPlainNumber(raw.strText))
                Add(plan, Level::Warning, "not_a_number", rule.pszName,
                    std::string(rule.pszName) + u8" 写的是“" + raw.strText + u8"”，不是整数：筛选器读作 " +
                        Num(raw.nValue));
        } else if (plan.source == SourceKind::Registry && raw.bPresent) {
            if (raw.dwType == kRegDword && raw.cbData == 4)
                s = Setting{raw.nValue, Origin::Registry};
            else
                Add(plan, Level::Warning, "wrong_type", rule.pszName,
                    std::string(rule.pszName) + u8" 不是 4 字节的 REG_DWORD（类型 " + Num(raw.dwType) + u8"，" +
                        Num(raw.cbData) + u8" 字节）：筛选器改用默认值 " + Num(rule.nDefault));
        }
        if (s.from != Origin::Default && IsRefusedValue(id, s.nValue)) {
            if (s.nValue == 0)
                Add(plan, Level::Error, "zero_value", rule.pszName,
                    std::string(rule.pszName) + u8" 存的是 0：筛选器会弹出错误框，无法启动");
            else
                Add(plan, Level::Error, "negative_value", rule.pszName,
                    std::string(rule.pszName) + u8" 是负数 " + Num(s.nValue) + u8"：筛选器无法启动");
        }
    }

    const RawValue& image = src.imageFileName;
    if (plan.source == SourceKind::Ini && image.bPresent) {
        plan.strImagePath = image.strText;
    } else if (plan.source == SourceKind::Registry && image.bPresent) {
        if (image.dwType == kRegSz)
            plan.strImagePath = image.strText;
        else
            Add(plan, Level::Warning, "wrong_type", setting::kImgFilename,
                u8"img_filename 不是 REG_SZ（类型 " + Num(image.dwType) + u8"）：筛选器找不到静态图片");
    }
    if (src.lastInitConfig.bPresent && src.lastInitConfig.dwType == kRegSz && !src.lastInitConfig.strText.empty())
        Add(plan, Level::Info, "filter_last_start", setting::kLastInitConfig,
            u8"筛选器上次启动时记下的设置：" + src.lastInitConfig.strText);

    if (plan.source != SourceKind::Defaults && plan.Value(FS_PARAM_SET) != 1)
        Add(plan, Level::Warning, "incomplete_set", setting::kParamSet,
            u8"param_set 是 " + Num(plan.Value(FS_PARAM_SET)) + u8"，不是 1：筛选器要等它是 1 才采用这组值");
    if (plan.Value(FS_TRACK_NEW_XY) != 1)
        Add(plan, Level::Warning, "not_tracking", setting::kTrackNewXY,
            u8"track_new_x_y_coords_each_frame_if_1 不是 1：移动捕捉框后，要等筛选器重新启动才会跟上");
    return plan;
}

// Phase 2: the rectangle the filter copies, what it delivers, and the findings that depend on this
// machine. plan comes from ReadSettings.
inline void PlanCapture(Plan& plan, const Environment& env)
{
    using detail::Add;
    using detail::Area;
    using detail::Num;
    using detail::TooLarge;
    Rect whole = env.rcScreen;  // what a default capture size covers
    std::int64_t x = plan.Value(FS_START_X), y = plan.Value(FS_START_Y);
    plan.picture = Picture::Screen;

    const bool bTrack = plan.Stored(FS_HWND_TO_TRACK), bTrackDecorated = plan.Stored(FS_HWND_TO_TRACK_WITH_DECORATION);
    if (bTrack || bTrackDecorated) {
        const FilterSettingId id = bTrack ? FS_HWND_TO_TRACK : FS_HWND_TO_TRACK_WITH_DECORATION;
        const WindowFacts& window = bTrack ? env.tracked : env.trackedDecorated;
        const std::string strHwnd = detail::Hex(plan.Value(id));
        if (plan.Value(id) == 0) {
            // already refused as a stored 0
        } else if (!window.bExists) {
            Add(plan, Level::Error, "tracked_window_gone", kFilterSettings[id].pszName,
                u8"要跟踪的窗口 " + strHwnd + u8" 已经不存在：筛选器无法启动");
        } else {
            whole = bTrack ? window.rcClient : window.rcWindow;
            Add(plan, Level::Warning, "window_tracking", kFilterSettings[id].pszName,
                u8"筛选器录制窗口 " + strHwnd + u8"，不是屏幕区域（start_x、start_y 不起作用）");
        }
        x = whole.left;
        y = whole.top;
        plan.picture = Picture::Window;
    } else if (plan.Value(FS_CAPTURE_FOREGROUND_WINDOW) == 1) {
        Add(plan, Level::Warning, "foreground_capture", setting::kCaptureForegroundWindow,
            u8"筛选器录制当时的前台窗口，不是发布的区域");
        if (env.foreground.bExists)
            whole = env.foreground.rcClient;
        x = whole.left;
        y = whole.top;
        plan.picture = Picture::Window;
    } else if (plan.Value(FS_DISPLAY_NUMBER) != -1) {
        const std::int32_t n = plan.Value(FS_DISPLAY_NUMBER);
        if (n >= 0 && static_cast<std::size_t>(n) < env.monitors.size()) {
            whole = env.monitors[static_cast<std::size_t>(n)];
            x = whole.left;
            y = whole.top;
            Add(plan, Level::Warning, "display_override", setting::kDisplayNumber,
                u8"筛选器录制第 " + Num(n) + u8" 个显示器（从 0 数起），区域的原点换成它的左上角 (" + Num(x) + ", " +
                    Num(y) + ")");
        } else {
            Add(plan, Level::Warning, "display_missing", setting::kDisplayNumber,
                u8"要录制第 " + Num(n) + u8" 个显示器，但只有 " + Num(static_cast<std::int64_t>(env.monitors.size())) +
                    u8" 个：筛选器不会录制发布的区域");
        }
    }

    const std::int64_t factorX = DpiFactor(env.dpiX), factorY = DpiFactor(env.dpiY);
    const bool bStoredSize = plan.Stored(FS_CAPTURE_WIDTH) || plan.Stored(FS_CAPTURE_HEIGHT);
    const std::int64_t cx = plan.Stored(FS_CAPTURE_WIDTH) ? plan.Value(FS_CAPTURE_WIDTH) * factorX : whole.Width();
    const std::int64_t cy = plan.Stored(FS_CAPTURE_HEIGHT) ? plan.Value(FS_CAPTURE_HEIGHT) * factorY : whole.Height();
    if (bStoredSize && (factorX != 1 || factorY != 1)) {
        const bool bZero = factorX <= 0 || factorY <= 0;
        Add(plan, bZero ? Level::Error : Level::Warning, "dpi_scaling", "",
            u8"屏幕是 " + Num(env.dpiX) + " × " + Num(env.dpiY) + u8" DPI：筛选器把捕捉的宽和高分别乘以 " +
                Num(factorX) + u8" 和 " + Num(factorY) + u8"（只取整数倍）" +
                (bZero ? u8"，区域变成空的，筛选器无法启动" : u8"，录到的比发布的区域大"));
    }
    plan.capture = Rect{x, y, x + cx, y + cy};
    plan.nOutWidth = plan.Stored(FS_STRETCH_TO_WIDTH) ? plan.Value(FS_STRETCH_TO_WIDTH) : cx;
    plan.nOutHeight = plan.Stored(FS_STRETCH_TO_HEIGHT) ? plan.Value(FS_STRETCH_TO_HEIGHT) : cy;
    plan.bHalftone = plan.Value(FS_STRETCH_MODE_HIGH_QUALITY) == 1;

    const bool bRefusedSize = plan.Has(Level::Error);  // refused values say it themselves
    if (!bRefusedSize && (cx <= 0 || cy <= 0 || plan.nOutWidth <= 0 || plan.nOutHeight <= 0))
        Add(plan, Level::Error, "empty_area", "",
            u8"捕捉区域 " + Area(plan.capture) + u8" 或输出大小是空的：筛选器没有东西可录");
    else if (!bRefusedSize && (TooLarge(cx, cy) || TooLarge(plan.nOutWidth, plan.nOutHeight)))
        Add(plan, Level::Error, "size_too_large", "",
            u8"捕捉区域 " + Area(plan.capture) + u8" 或输出 " + detail::Size(plan.nOutWidth, plan.nOutHeight) +
                u8" 要超过 1 GB 的位图：32 位的筛选器分配不了，无法启动");
    if (plan.picture != Picture::Window && cx > 0 && cy > 0 && !env.rcVirtual.Contains(plan.capture))
        Add(plan, Level::Warning, "off_screen", "",
            u8"捕捉区域 " + Area(plan.capture) + u8" 不全在屏幕上（虚拟屏幕 " + Area(env.rcVirtual) + u8"）：超出的部分录成黑色");

    plan.bImageExists = env.image == ImageState::Bitmap && !plan.strImagePath.empty();
    if (plan.Value(FS_SHOW_IMG) == 1) {
        if (plan.bImageExists) {
            plan.picture = Picture::Image;
        } else {
            const char* pszWhy = env.image == ImageState::NotBitmap     ? u8"不是可用的位图文件"
                                 : env.image == ImageState::PathTooLong ? u8"的路径超过 MAX_PATH，筛选器打不开"
                                 : plan.strImagePath.empty()            ? u8"没有设置"
                                                                        : u8"不存在";
            Add(plan, Level::Warning, "still_image_missing", setting::kImgFilename,
                u8"show_img 是 1，但静态图片“" + plan.strImagePath + u8"”" + pszWhy + u8"：观众看不到暂停画面");
            plan.picture = Picture::None;
        }
    }
    if (plan.Has(Level::Error))
        plan.picture = Picture::None;
}

inline Plan Interpret(const SettingsSource& src, const Environment& env)
{
    Plan plan = ReadSettings(src);
    PlanCapture(plan, env);
    return plan;
}

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_FILTER_PLAN_H
