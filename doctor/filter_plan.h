// filter_plan.h - what the capture filter will do with the settings it finds: the doctor's judgement.
//
//   SettingsSource, Environment   what the doctor read (each value's origin, type and raw value)
//                                 and what it saw of the machine (screens, DPI, windows, the image,
//                                 the installed builds of the filter)
//   RunningStart, ParseRunningStart   the summary a running filter left when it started
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
#include <cstdio>
#include <string>
#include <vector>

#include "capture/filter_settings.h"

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
enum class GrabSource { None, Filter, Model };

// One value as the doctor found it.
struct RawValue {
    bool bPresent = false;      // the key has the value / the ini section has a non-empty entry
    std::uint32_t dwType = 0;   // registry: the value's type
    std::uint32_t cbData = 0;   // registry: its size in bytes
    std::int32_t nValue = 0;    // registry: a REG_DWORD of up to 4 bytes (the missing high bytes 0);
                                // ini: what GetPrivateProfileInt returned
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
    Rect Intersect(const Rect& r) const noexcept
    {
        Rect i{left > r.left ? left : r.left, top > r.top ? top : r.top, right < r.right ? right : r.right,
               bottom < r.bottom ? bottom : r.bottom};
        return i.Width() > 0 && i.Height() > 0 ? i : Rect{};
    }
};

struct WindowFacts {
    bool bExists = false;
    Rect rcClient;   // the client area, in screen coordinates
    Rect rcWindow;   // the whole window
};

// One registration of the filter (under DirectShow's video input category) and what its DLL reads.
struct FilterBuild {
    std::string strName, strClsid, strDll, strVersion;   // UTF-8
    int nBits = 32;                 // the registry view: which hosts list it
    bool bExists = false;           // the DLL is there
    bool bReadsKey = false, bReadsShowImg = false, bReadsImgFilename = false, bReadsParamSet = false;
};

struct Environment {
    Rect rcScreen;                 // the primary screen (HORZRES x VERTRES)
    Rect rcVirtual;                // all screens together
    std::vector<Rect> monitors;    // in the order the system enumerates them
    std::int32_t dpiX = kFilterBaseDpi;
    std::int32_t dpiY = kFilterBaseDpi;
    WindowFacts tracked;           // the window hwnd_to_track names
    WindowFacts trackedDecorated;  // the window hwnd_to_track_with_window_decoration names
    WindowFacts foreground;        // the foreground window, if any
    ImageState image = ImageState::Missing;  // the file img_filename names
    std::vector<FilterBuild> filters;        // every registration found, in both registry views
};

// What a running filter wrote as last_init_config_was when it started: sizes with the DPI factor
// applied, its rectangle (in the coordinates of the device context it copies from) and frame rate.
struct RunningStart {
    std::int64_t nCaptureWidth = 0, nCaptureHeight = 0, nOutWidth = 0, nOutHeight = 0;
    Rect rect;
    std::int64_t nFps = 0;
    bool bReRead = false;   // it re-reads start_x/start_y for every frame
};

// The filter writes "... config as: HxW -> HxW (T top B bottom L l R r) Ffps, dedupe? D, millis
// between dedupe polling M, m_bReReadRegistry? R hwnd:N" (heights first). False for anything else.
inline bool ParseRunningStart(const std::string& s, RunningStart* pStart)
{
    const std::size_t at = s.find("config as:");
    if (at == std::string::npos)
        return false;
    long long ch = 0, cw = 0, oh = 0, ow = 0, t = 0, b = 0, l = 0, r = 0, fps = 0, dedup = 0, millis = 0, reread = 0;
    if (std::sscanf(s.c_str() + at,
                    "config as: %lldx%lld -> %lldx%lld (%lld top %lld bottom %lld l %lld r) %lldfps, dedupe? %lld, "
                    "millis between dedupe polling %lld, m_bReReadRegistry? %lld",
                    &ch, &cw, &oh, &ow, &t, &b, &l, &r, &fps, &dedup, &millis, &reread) != 12)
        return false;
    *pStart = RunningStart{cw, ch, ow, oh, Rect{l, t, r, b}, fps, reread != 0};
    return true;
}

struct Setting {
    std::int32_t nValue = 0;
    Origin from = Origin::Default;
};

struct Finding {
    Level level;
    std::string strCode;
    std::string strSetting;   // empty when no single setting is to blame
    std::string strMessage;
    bool bStops = false;      // the filter cannot start or deliver a frame
};

// What the installed builds read. With none installed the public build is assumed: it reads none
// of the product's own values.
struct FilterAbilities {
    bool bInstalled = false;
    bool bShowImg = false, bImgFilename = false, bParamSet = false;
};

struct Plan {
    SourceKind source = SourceKind::Defaults;
    Setting settings[FS_COUNT];
    std::string strImagePath;
    FilterAbilities build;
    std::vector<FilterBuild> filters;
    // The frame the viewers get now: from a filter that is running, as its start summary and the
    // current values make it, else from one that starts now.
    Rect capture;                  // what the filter copies, screen coordinates
    std::int64_t nOutWidth = 0;    // what it delivers
    std::int64_t nOutHeight = 0;
    bool bHalftone = false;        // HALFTONE scaling, else COLORONCOLOR
    bool bUnscaled = false;        // copied 1:1 into the output's top-left corner, the rest stale
    std::vector<Rect> visible;     // the parts of the screen that give pixels; the rest is black
    bool bImageExists = false;
    Picture picture = Picture::None;
    bool bRunning = false;         // a start summary was found
    RunningStart running;
    GrabSource grabSource = GrabSource::None;
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
    bool Stops() const noexcept
    {
        for (const Finding& f : findings)
            if (f.bStops)
                return true;
        return false;
    }
    int ExitCode() const noexcept { return Stops() ? 2 : Has(Level::Error) || Has(Level::Warning) ? 1 : 0; }
};

namespace detail {

inline std::string Num(std::int64_t n) { return std::to_string(n); }

inline std::string Hex(std::int32_t n)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
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

inline Finding& Add(Plan& plan, Level level, const char* pszCode, const std::string& strSetting, std::string strMessage)
{
    plan.findings.push_back(Finding{level, pszCode, strSetting, std::move(strMessage), false});
    return plan.findings.back();
}

inline void AddStop(Plan& plan, const char* pszCode, const std::string& strSetting, std::string strMessage)
{
    Add(plan, Level::Error, pszCode, strSetting, std::move(strMessage)).bStops = true;
}

// The weakest of the builds that are there counts: a host may load any of them.
inline FilterAbilities AbilitiesOf(const std::vector<FilterBuild>& filters) noexcept
{
    FilterAbilities a;
    a.bInstalled = !filters.empty();
    bool bAny = false;
    a.bShowImg = a.bImgFilename = a.bParamSet = true;
    for (const FilterBuild& f : filters) {
        if (!f.bExists)
            continue;
        bAny = true;
        a.bShowImg = a.bShowImg && f.bReadsShowImg;
        a.bImgFilename = a.bImgFilename && f.bReadsImgFilename;
        a.bParamSet = a.bParamSet && f.bReadsParamSet;
    }
    if (!bAny)
        a.bShowImg = a.bImgFilename = a.bParamSet = false;
    return a;
}

// The parts of r that lie on some monitor (monitors do not overlap).
inline std::vector<Rect> OnMonitors(const Rect& r, const std::vector<Rect>& monitors)
{
    std::vector<Rect> parts;
    for (const Rect& m : monitors) {
        const Rect i = r.Intersect(m);
        if (i.Width() > 0)
            parts.push_back(i);
    }
    return parts;
}

inline void AddInstallFindings(Plan& plan)
{
    bool b32 = false, b64 = false, bUsable = false;
    for (const FilterBuild& f : plan.filters) {
        (f.nBits == 64 ? b64 : b32) = true;
        bUsable = bUsable || f.bExists;
    }
    if (plan.filters.empty())
        Add(plan, Level::Warning, "filter_not_installed", "",
            u8"两个注册表视图里都没有注册这个捕捉筛选器：直播软件里列不出这个摄像头。下面按公开版筛选器的行为推算");
    for (const FilterBuild& f : plan.filters)
        if (!f.bExists) {
            Finding& x = Add(plan, Level::Error, "filter_missing_dll", "",
                             Num(f.nBits) + u8" 位的筛选器 " + f.strClsid + u8" 注册了，但它的 DLL “" + f.strDll +
                                 u8"”不存在：直播软件列得出这个摄像头，却打不开它");
            x.bStops = !bUsable;
        }
    if (b32 != b64)
        Add(plan, Level::Warning, "filter_one_bitness", "",
            b32 ? u8"只注册了 32 位的筛选器：64 位的直播软件（现在的直播软件大多是 64 位）列不出这个摄像头，要装 64 位的筛选器"
                : u8"只注册了 64 位的筛选器：32 位的直播软件列不出这个摄像头，要装 32 位的筛选器");
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
        if (plan.source == SourceKind::Ini && raw.bPresent && raw.nValue != kIniNotSet) {
            s = Setting{raw.nValue, Origin::Ini};
            if (!detail::IsPlainNumber(raw.strText))
                Add(plan, Level::Warning, "not_a_number", rule.pszName,
                    std::string(rule.pszName) + u8" 写的是“" + raw.strText + u8"”，不是整数：筛选器读作 " +
                        Num(raw.nValue));
        } else if (plan.source == SourceKind::Registry && raw.bPresent) {
            if (raw.dwType == kRegDword && raw.cbData <= 4) {
                s = Setting{raw.nValue, Origin::Registry};
                if (raw.cbData < 4)
                    Add(plan, Level::Warning, "short_value", rule.pszName,
                        std::string(rule.pszName) + u8" 只有 " + Num(raw.cbData) +
                            u8" 字节：筛选器照样读，只有低位字节是存的值（这里按 " + Num(raw.nValue) +
                            u8" 算），高位字节是它内存里碰巧有的东西");
            } else {
                Add(plan, Level::Warning, "wrong_type", rule.pszName,
                    std::string(rule.pszName) + u8" 不是最多 4 字节的 REG_DWORD（类型 " + Num(raw.dwType) + u8"，" +
                        Num(raw.cbData) + u8" 字节）：筛选器改用默认值 " + Num(rule.nDefault));
            }
        }
        // The decorated window is asked for only when hwnd_to_track is not stored: otherwise its 0
        // is never read.
        const bool bRead = id != FS_HWND_TO_TRACK_WITH_DECORATION || !plan.Stored(FS_HWND_TO_TRACK);
        if (s.from != Origin::Default && bRead && IsRefusedValue(id, s.nValue)) {
            if (s.nValue == 0)
                detail::AddStop(plan, "zero_value", rule.pszName,
                                std::string(rule.pszName) + u8" 存的是 0：筛选器会弹出错误框，无法启动");
            else
                detail::AddStop(plan, "negative_value", rule.pszName,
                                std::string(rule.pszName) + u8" 是负数 " + Num(s.nValue) + u8"：筛选器无法启动");
        }
    }
    if (plan.Value(FS_DEFAULT_MAX_FPS) > kFilterMaxFps)
        detail::AddStop(plan, "fps_too_high", setting::kDefaultMaxFps,
                        u8"default_max_fps 是 " + Num(plan.Value(FS_DEFAULT_MAX_FPS)) +
                            u8"，超过 10000000：筛选器算帧长时得 0，随后除以 0 崩溃");

    const RawValue& image = src.imageFileName;
    if (plan.source == SourceKind::Ini && image.bPresent)
        plan.strImagePath = image.strText;
    else if (plan.source == SourceKind::Registry && image.bPresent && image.dwType == kRegSz)
        plan.strImagePath = image.strText;
    if (src.lastInitConfig.bPresent && src.lastInitConfig.dwType == kRegSz && !src.lastInitConfig.strText.empty()) {
        Add(plan, Level::Info, "filter_last_start", setting::kLastInitConfig,
            u8"筛选器上次启动时记下的设置：" + src.lastInitConfig.strText);
        plan.bRunning = ParseRunningStart(src.lastInitConfig.strText, &plan.running);
    }
    if (plan.Value(FS_TRACK_NEW_XY) != 1)
        Add(plan, Level::Warning, "not_tracking", setting::kTrackNewXY,
            u8"track_new_x_y_coords_each_frame_if_1 不是 1：移动捕捉框后，要等筛选器重新启动才会跟上");
    return plan;
}

// Phase 2: the rectangle the filter copies, what it delivers, and the findings that depend on this
// machine and on the installed builds. plan comes from ReadSettings.
inline void PlanCapture(Plan& plan, const Environment& env, const SettingsSource& src)
{
    using detail::Add;
    using detail::AddStop;
    using detail::Area;
    using detail::Num;
    using detail::Size;
    plan.filters = env.filters;
    plan.build = detail::AbilitiesOf(env.filters);
    detail::AddInstallFindings(plan);
    const FilterAbilities& build = plan.build;

    if (build.bImgFilename && plan.source == SourceKind::Registry && src.imageFileName.bPresent &&
        src.imageFileName.dwType != kRegSz)
        Add(plan, Level::Warning, "wrong_type", setting::kImgFilename,
            u8"img_filename 不是 REG_SZ（类型 " + Num(src.imageFileName.dwType) + u8"）：筛选器找不到静态图片");
    if (build.bParamSet && plan.source != SourceKind::Defaults && plan.Value(FS_PARAM_SET) != 1)
        Add(plan, Level::Warning, "incomplete_set", setting::kParamSet,
            u8"param_set 是 " + Num(plan.Value(FS_PARAM_SET)) + u8"，不是 1：筛选器要等它是 1 才采用这组值");

    // The device context the filter copies from: a tracked window's client area or whole window,
    // the foreground window's client area, or the screen. Coordinates are that context's.
    const WindowFacts* pWindow = nullptr;
    bool bClient = true, bTracked = false;
    if (plan.Stored(FS_HWND_TO_TRACK) || plan.Stored(FS_HWND_TO_TRACK_WITH_DECORATION)) {
        const bool bPlain = plan.Stored(FS_HWND_TO_TRACK);
        const FilterSettingId id = bPlain ? FS_HWND_TO_TRACK : FS_HWND_TO_TRACK_WITH_DECORATION;
        bTracked = plan.Value(id) != 0;   // a stored 0 is refused already
        bClient = bPlain;
        pWindow = bPlain ? &env.tracked : &env.trackedDecorated;
        const std::string strHwnd = detail::Hex(plan.Value(id));
        if (bTracked && !pWindow->bExists)
            AddStop(plan, "tracked_window_gone", kFilterSettings[id].pszName,
                    u8"要跟踪的窗口 " + strHwnd + u8" 已经不存在：筛选器无法启动");
        else if (bTracked)
            Add(plan, Level::Warning, "window_tracking", kFilterSettings[id].pszName,
                u8"筛选器录制窗口 " + strHwnd + u8" 的" + (bPlain ? u8"客户区" : u8"整个窗口") +
                    u8"，不是屏幕区域；窗口以外的部分录成黑色");
    } else if (plan.Value(FS_CAPTURE_FOREGROUND_WINDOW) != 0) {
        Add(plan, Level::Warning, "foreground_capture", setting::kCaptureForegroundWindow,
            u8"筛选器录制当时的前台窗口（start_x、start_y 是窗口里的位置），不是发布的区域");
        if (env.foreground.bExists)
            pWindow = &env.foreground;
    }
    const bool bWindow = pWindow != nullptr && pWindow->bExists;
    const Rect bounds = !bWindow ? env.rcVirtual : bClient ? pWindow->rcClient : pWindow->rcWindow;
    const std::int64_t baseX = bWindow ? bounds.left : 0, baseY = bWindow ? bounds.top : 0;
    plan.picture = bWindow ? Picture::Window : Picture::Screen;

    // At start: start_x/start_y (not read while a window is tracked), then a display number on
    // top, then the size from there: stored sizes and the primary screen's size alike times the
    // whole-number DPI factor.
    std::int64_t x = bTracked ? 0 : plan.Value(FS_START_X), y = bTracked ? 0 : plan.Value(FS_START_Y);
    if (plan.Value(FS_DISPLAY_NUMBER) != -1) {
        const std::int32_t n = plan.Value(FS_DISPLAY_NUMBER);
        if (n >= 0 && static_cast<std::size_t>(n) < env.monitors.size()) {
            x = env.monitors[static_cast<std::size_t>(n)].left;
            y = env.monitors[static_cast<std::size_t>(n)].top;
            Add(plan, Level::Warning, "display_override", setting::kDisplayNumber,
                u8"筛选器录制第 " + Num(n) + u8" 个显示器（从 0 数起），区域的原点换成它的左上角 (" + Num(x) + ", " +
                    Num(y) + ")");
        } else {
            Add(plan, Level::Warning, "display_missing", setting::kDisplayNumber,
                u8"要录制第 " + Num(n) + u8" 个显示器，但只有 " + Num(static_cast<std::int64_t>(env.monitors.size())) +
                    u8" 个：区域的原点不变");
        }
    }
    const std::int64_t factorX = DpiFactor(env.dpiX), factorY = DpiFactor(env.dpiY);
    const std::int64_t cx = (plan.Stored(FS_CAPTURE_WIDTH) ? plan.Value(FS_CAPTURE_WIDTH) : env.rcScreen.Width()) * factorX;
    const std::int64_t cy = (plan.Stored(FS_CAPTURE_HEIGHT) ? plan.Value(FS_CAPTURE_HEIGHT) : env.rcScreen.Height()) * factorY;
    if (factorX != 1 || factorY != 1) {
        const bool bZero = factorX <= 0 || factorY <= 0;
        Add(plan, bZero ? Level::Error : Level::Warning, "dpi_scaling", "",
            u8"屏幕是 " + Num(env.dpiX) + " × " + Num(env.dpiY) + u8" DPI：筛选器把捕捉的宽和高分别乘以 " +
                Num(factorX) + u8" 和 " + Num(factorY) + u8"（只取整数倍，默认的整屏大小也一样）" +
                (bZero ? u8"，区域变成空的，筛选器无法启动" : u8"，录到的比发布的区域大"))
            .bStops = bZero;
    }
    std::int64_t outW = plan.Stored(FS_STRETCH_TO_WIDTH) ? plan.Value(FS_STRETCH_TO_WIDTH) : cx;
    std::int64_t outH = plan.Stored(FS_STRETCH_TO_HEIGHT) ? plan.Value(FS_STRETCH_TO_HEIGHT) : cy;
    plan.bHalftone = plan.Value(FS_STRETCH_MODE_HIGH_QUALITY) != 0;

    // The first frame re-reads start_x/start_y when tracking is on; a changed origin resets the
    // rectangle to the capture size, and from then on the copy is 1:1, without scaling.
    const bool bReRead = plan.Value(FS_TRACK_NEW_XY) == 1;
    std::int64_t frameX = x, frameY = y, frameW = cx, frameH = cy;
    const auto reRead = [&](std::int64_t& nx, std::int64_t& ny) {
        nx = plan.Stored(FS_START_X) ? plan.Value(FS_START_X) : nx;
        ny = plan.Stored(FS_START_Y) ? plan.Value(FS_START_Y) : ny;
    };
    const std::int64_t freshOutW = outW, freshOutH = outH;
    if (plan.bRunning) {
        // The running filter keeps the sizes and rate it started with.
        const RunningStart& run = plan.running;
        frameX = run.rect.left;
        frameY = run.rect.top;
        frameW = run.nCaptureWidth;
        frameH = run.nCaptureHeight;
        outW = run.nOutWidth;
        outH = run.nOutHeight;
        if (run.nCaptureWidth != cx || run.nCaptureHeight != cy || run.nOutWidth != freshOutW ||
            run.nOutHeight != freshOutH || run.nFps != plan.Value(FS_DEFAULT_MAX_FPS))
            Add(plan, Level::Warning, "restart_needed", "",
                u8"如果直播软件还开着摄像头：筛选器仍按它启动时的 " + Size(run.nCaptureWidth, run.nCaptureHeight) + u8" → " +
                    Size(run.nOutWidth, run.nOutHeight) + u8"、每秒 " + Num(run.nFps) + u8" 帧工作，现在的 " +
                    Size(cx, cy) + u8"、输出大小或帧率要等直播软件重新打开摄像头才生效");
        if (run.bReRead)
            reRead(frameX, frameY);
        plan.bUnscaled = !plan.Stops() && run.bReRead && (frameX != run.rect.left || frameY != run.rect.top) &&
                         (frameW != outW || frameH != outH);
        if (plan.bUnscaled)
            Add(plan, Level::Warning, "scaling_lost_after_move", setting::kStartX,
                u8"如果直播软件还开着摄像头：捕捉框移动后，筛选器不再缩放，把 " + Size(frameW, frameH) +
                    u8" 原样复制到 " + Size(outW, outH) + u8" 的画面里，观众看到被裁掉或残留的画面，要等直播软件重新打开摄像头");
    } else {
        if (bReRead)
            reRead(frameX, frameY);
        plan.bUnscaled = !plan.Stops() && (frameX != x || frameY != y) && (cx != outW || cy != outH);
        if (plan.bUnscaled)
            Add(plan, Level::Warning, "scaling_lost_after_move", setting::kStartX,
                u8"筛选器第一帧重读 start_x、start_y 时原点变了：它从此不再缩放，把 " + Size(cx, cy) + u8" 原样复制到 " +
                    Size(outW, outH) + u8" 的画面里");
    }
    if (bTracked && bWindow && !plan.bUnscaled && (frameW != outW || frameH != outH))
        AddStop(plan, "window_scaling", "",
                u8"筛选器跟踪窗口时不能缩放（捕捉 " + Size(frameW, frameH) + u8"，输出 " + Size(outW, outH) +
                    u8"）：每一帧都弹出 assert failed 错误框");
    plan.capture = Rect{baseX + frameX, baseY + frameY, baseX + frameX + frameW, baseY + frameY + frameH};
    plan.nOutWidth = outW;
    plan.nOutHeight = outH;

    const bool bRefusedSize = plan.Stops();  // refused values say it themselves
    const bool bEmpty = frameW <= 0 || frameH <= 0 || outW <= 0 || outH <= 0;
    if (!bRefusedSize && bEmpty)
        AddStop(plan, "empty_area", "", u8"捕捉区域 " + Area(plan.capture) + u8" 或输出大小是空的：筛选器没有东西可录");
    else if (!bRefusedSize && (detail::TooLarge(frameW, frameH) || detail::TooLarge(outW, outH)))
        AddStop(plan, "size_too_large", "",
                u8"捕捉区域 " + Area(plan.capture) + u8" 或输出 " + Size(outW, outH) +
                    u8" 要超过 1 GB 的位图：32 位的筛选器分配不了，无法启动");

    // Only monitors give pixels (and, from a window, only the window): rows or columns that fall
    // off them record black.
    const std::vector<Rect> monitors = env.monitors.empty() ? std::vector<Rect>{env.rcVirtual} : env.monitors;
    plan.visible = detail::OnMonitors(bWindow ? bounds : plan.capture, monitors);
    // What this program publishes while capture is off, for a build that never reads show_img.
    const bool bBlackout = plan.Value(FS_SHOW_IMG) == 1 && !build.bShowImg && build.bInstalled && !bWindow &&
                           plan.visible.empty();
    if (!plan.Stops() && !bWindow && !bEmpty && !bBlackout) {
        std::int64_t nCovered = 0;
        for (const Rect& part : plan.visible)
            nCovered += part.Width() * part.Height();
        if (nCovered != frameW * frameH)
            Add(plan, Level::Warning, "off_screen", "",
                u8"捕捉区域 " + Area(plan.capture) + u8" 不全在显示器上：超出显示器的部分录成黑色");
    }

    plan.bImageExists = env.image == ImageState::Bitmap && !plan.strImagePath.empty();
    if (bBlackout) {
        Add(plan, Level::Info, "capture_off_black", setting::kShowImg,
            u8"观众看到黑屏，不是静态图片：已安装的筛选器不读 show_img，捕捉区域 " + Area(plan.capture) +
                u8" 在所有显示器之外");
    } else if (plan.Value(FS_SHOW_IMG) == 1 && !build.bShowImg) {
        // The public build never reads the switch: the live screen goes on.
        Add(plan, build.bInstalled ? Level::Error : Level::Warning, "still_image_ignored", setting::kShowImg,
            std::string(build.bInstalled ? u8"已安装的筛选器" : u8"公开版筛选器") +
                u8"不读 show_img：观众看到的是捕捉框里的实时屏幕，不是静态图片");
    } else if (plan.Value(FS_SHOW_IMG) == 1) {
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
    if (plan.Stops())
        plan.picture = Picture::None;
}

inline Plan Interpret(const SettingsSource& src, const Environment& env)
{
    Plan plan = ReadSettings(src);
    PlanCapture(plan, env, src);
    return plan;
}

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_FILTER_PLAN_H
