// filter_settings.h - the capture filter's settings: their names, the filter's defaults, and the
// rules by which the filter reads them. The program writes these names and zelvix-doctor reads them
// back; both take them from here, so the two can never drift apart.
//
//   kFilterKeyPath, kFilterIniFileName, kFilterIniSection   where the filter looks
//   setting::k...                                            every value name, as stored
//   FilterSetting, kFilterSettings, kFilterSettingCount     the numeric settings with the filter's
//                                                            default and what it refuses
//   DpiFactor, IsRefusedValue                                two of the rules, as code
//
// Platform-free and header-only (it is fuzzed natively through the doctor's plan).
//
// The filter's contract, as the public build behaves (the filter is not ours; the doctor must
// reproduce it, not improve on it):
//
// 1. Where settings come from. For every setting the filter first looks for
//    %APPDATA%\ScreenCaptureRecorder.ini. While that file exists it never opens the registry: each
//    setting is read from the file's [all_settings] section (GetPrivateProfileInt), and one that the
//    section lacks, or whose value is -777, takes the filter's default. Without the file it opens
//    HKEY_CURRENT_USER\SOFTWARE\screen-capture-recorder read-only; no key, no value, a value of any
//    type but REG_DWORD, or one longer than 4 bytes all mean the default. A REG_DWORD shorter than 4
//    bytes is taken: its low bytes are the stored ones, its high bytes whatever the filter's
//    variable held. Numbers are signed 32-bit integers.
//
// 2. What it refuses. A setting that is *stored* (in the file or the key, not defaulted) as 0 stops
//    the filter with an error box for: capture_width, capture_height, stretch_to_width,
//    stretch_to_height, default_max_fps, hwnd_to_track, and hwnd_to_track_with_window_decoration
//    (that one is read only when hwnd_to_track is not stored). A negative capture or stretch size,
//    stretch mode or frame rate stops it as well; a frame rate above 10,000,000 makes its frame
//    length 0 and it divides by zero.
//
// 3. Which rectangle, at start. The source is a device context: the tracked window's client area
//    (hwnd_to_track), the whole tracked window (..._with_window_decoration), the foreground
//    window's client area (capture_foreground_window_if_1 not 0), else the screen; coordinates are
//    that context's and nothing outside it is copied. The origin is start_x/start_y (not read while
//    a window is tracked), then, on top, the origin of the monitor a display number other than -1
//    names (monitors in the order the system enumerates them; a number with no monitor changes
//    nothing). The size is the stored capture size, else the primary screen's HORZRES x VERTRES,
//    either way multiplied by LOGPIXELSX/96 and LOGPIXELSY/96 in whole numbers (144 dpi: 1, 192
//    dpi: 2, below 96: 0). The output is the stored stretch size, else the capture size.
//
// 4. When it reads. Size, frame rate and scaling are read once, when the video source starts (the
//    host may override the frame rate: default_max_fps is a default). With
//    track_new_x_y_coords_each_frame_if_1 = 1, start_x and start_y are read again for every frame;
//    a change resets the rectangle to the capture size, and from then on the capture is copied 1:1
//    into the output's top-left corner, without scaling, until the host reopens the camera.
//    Otherwise a move of the frame reaches the filter only when it restarts.
//
// 5. The picture. A copy of the rectangle (BitBlt, SRCCOPY), scaled to the output size by
//    StretchBlt in COLORONCOLOR mode when stretch_mode_high_quality_if_1 is 0, else HALFTONE.
//    Tracking a window while scaling fails on every frame with an "assert failed" error box.
//    The public build never reads show_img, img_filename or param_set; a build that reads them
//    shows the bitmap file img_filename names, scaled to the output size, while show_img is 1, and
//    takes a set of values only once param_set is 1. After it starts it leaves a summary of what it
//    used in the key as last_init_config_was.
#ifndef ZELVIX_FILTER_SETTINGS_H
#define ZELVIX_FILTER_SETTINGS_H

#include <cstdint>

namespace zelvix {

constexpr char kFilterKeyPath[] = "SOFTWARE\\screen-capture-recorder";   // under HKEY_CURRENT_USER
constexpr char kFilterIniFileName[] = "ScreenCaptureRecorder.ini";       // in %APPDATA%
constexpr char kFilterIniSection[] = "all_settings";

// Value names, exactly as the filter reads them: never translate or change them.
namespace setting {
constexpr char kCaptureWidth[] = "capture_width";
constexpr char kCaptureHeight[] = "capture_height";
constexpr char kStretchToWidth[] = "stretch_to_width";
constexpr char kStretchToHeight[] = "stretch_to_height";
constexpr char kStretchModeHighQuality[] = "stretch_mode_high_quality_if_1";
constexpr char kDefaultMaxFps[] = "default_max_fps";
constexpr char kTrackNewXY[] = "track_new_x_y_coords_each_frame_if_1";
constexpr char kStartX[] = "start_x";
constexpr char kStartY[] = "start_y";
constexpr char kHwndToTrack[] = "hwnd_to_track";
constexpr char kHwndToTrackWithDecoration[] = "hwnd_to_track_with_window_decoration";
constexpr char kCaptureForegroundWindow[] = "capture_foreground_window_if_1";
constexpr char kDisplayNumber[] = "capture_particular_display_number_starting_at_zero";
constexpr char kCaptureMouse[] = "capture_mouse_default_1";
constexpr char kDedup[] = "dedup_if_1";
constexpr char kShowImg[] = "show_img";               // the product's build only
constexpr char kParamSet[] = "param_set";             // the product's build only
constexpr char kImgFilename[] = "img_filename";       // REG_SZ, the product's build only
constexpr char kLastInitConfig[] = "last_init_config_was";  // REG_SZ written by the filter
}  // namespace setting

// The numeric settings, in the order of kFilterSettings.
enum FilterSettingId {
    FS_CAPTURE_WIDTH,
    FS_CAPTURE_HEIGHT,
    FS_STRETCH_TO_WIDTH,
    FS_STRETCH_TO_HEIGHT,
    FS_STRETCH_MODE_HIGH_QUALITY,
    FS_DEFAULT_MAX_FPS,
    FS_TRACK_NEW_XY,
    FS_START_X,
    FS_START_Y,
    FS_HWND_TO_TRACK,
    FS_HWND_TO_TRACK_WITH_DECORATION,
    FS_CAPTURE_FOREGROUND_WINDOW,
    FS_DISPLAY_NUMBER,
    FS_CAPTURE_MOUSE,
    FS_DEDUP,
    FS_SHOW_IMG,
    FS_PARAM_SET,
    FS_COUNT
};

struct FilterSetting {
    const char* pszName;
    std::int32_t nDefault;  // what a missing, unreadable or wrong-typed value gives
    bool bNoDefault;        // the default is "none" (no window), shown as 0
    bool bZeroRefused;      // stored as 0, it stops the filter
    bool bNegativeRefused;  // stored negative, it stops the filter
};

constexpr int kFilterSettingCount = FS_COUNT;

constexpr FilterSetting kFilterSettings[FS_COUNT] = {
    {setting::kCaptureWidth, 0, false, true, true},
    {setting::kCaptureHeight, 0, false, true, true},
    {setting::kStretchToWidth, 0, false, true, true},
    {setting::kStretchToHeight, 0, false, true, true},
    {setting::kStretchModeHighQuality, 0, false, false, true},
    {setting::kDefaultMaxFps, 30, false, true, true},
    {setting::kTrackNewXY, 0, false, false, false},
    {setting::kStartX, 0, false, false, false},
    {setting::kStartY, 0, false, false, false},
    {setting::kHwndToTrack, 0, true, true, false},
    {setting::kHwndToTrackWithDecoration, 0, true, true, false},
    {setting::kCaptureForegroundWindow, 0, false, false, false},
    {setting::kDisplayNumber, -1, false, false, false},
    {setting::kCaptureMouse, 1, false, false, false},
    {setting::kDedup, 0, false, false, false},
    {setting::kShowImg, 0, false, false, false},
    {setting::kParamSet, 0, false, false, false},
};

constexpr int kFilterBaseDpi = 96;
constexpr std::int32_t kIniNotSet = -777;           // an ini entry of this value counts as absent
constexpr std::int32_t kFilterMaxFps = 10000000;    // above it the frame length is 0

// The whole-number factor the filter multiplies a stored capture size by.
constexpr std::int32_t DpiFactor(std::int32_t dpi) noexcept { return dpi / kFilterBaseDpi; }

// Whether a value read from the file or the key (never a default) stops the filter.
constexpr bool IsRefusedValue(FilterSettingId id, std::int32_t value) noexcept
{
    return (value == 0 && kFilterSettings[id].bZeroRefused) || (value < 0 && kFilterSettings[id].bNegativeRefused);
}

}  // namespace zelvix

#endif  // ZELVIX_FILTER_SETTINGS_H
