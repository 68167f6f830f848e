// libFuzzer target for the doctor's judgement (built on its own with clang
// -fsanitize=fuzzer,address,undefined): any settings source (file or key, any types, sizes,
// values and texts, including bytes that are no UTF-8) on any machine (screens, monitors, DPI,
// windows, image) must give a plan whose exit code, picture and sizes agree with its findings,
// and whose JSON parses back into exactly the agreed shape. The bitmap-header check gets the
// same bytes as a file, copied to exactly their size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "bitmap_header.h"
#include "doctor_report.h"
#include "filter_plan.h"

using namespace zelvix;
using namespace zelvix::doctor;

namespace
{
void Require(bool b)
{
    if (!b)
        std::abort();
}

RawValue MakeValue(FuzzedDataProvider& in)
{
    RawValue v;
    v.bPresent = in.ConsumeBool();
    const std::uint32_t kTypes[] = {kRegDword, kRegSz, 0, 2, 3, 11};
    v.dwType = in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<std::uint32_t>();
    v.cbData = in.ConsumeBool() ? 4 : in.ConsumeIntegral<std::uint32_t>();
    const std::int32_t kEdges[] = {0, 1, -1, 15, 96, 450, 800, INT32_MIN, INT32_MAX};
    v.nValue = in.ConsumeBool() ? in.PickValueInArray(kEdges) : in.ConsumeIntegral<std::int32_t>();
    v.strText = in.ConsumeRandomLengthString(64);
    return v;
}

Rect MakeRect(FuzzedDataProvider& in)
{
    Rect r;
    r.left = in.ConsumeIntegral<std::int32_t>();
    r.top = in.ConsumeIntegral<std::int32_t>();
    r.right = in.ConsumeBool() ? r.left + in.ConsumeIntegralInRange<std::int32_t>(-10, 4000)
                               : in.ConsumeIntegral<std::int32_t>();
    r.bottom = in.ConsumeBool() ? r.top + in.ConsumeIntegralInRange<std::int32_t>(-10, 3000)
                                : in.ConsumeIntegral<std::int32_t>();
    return r;
}

WindowFacts MakeWindow(FuzzedDataProvider& in)
{
    WindowFacts w;
    w.bExists = in.ConsumeBool();
    w.rcClient = MakeRect(in);
    w.rcWindow = MakeRect(in);
    return w;
}

void CheckJson(const Plan& plan)
{
    const nlohmann::json doc = nlohmann::json::parse(RenderJson(plan));
    Require(doc.size() == 7 && doc["settings"].size() == FS_COUNT && doc["capture"].size() == 4 &&
            doc["output"].size() == 2 && doc["image"].size() == 3);
    const std::string source = doc["source"];
    Require(source == "registry" || source == "ini" || source == "defaults");
    Require(doc["findings"].size() == plan.findings.size());
    for (const auto& f : doc["findings"])
        Require(f.size() == 4 && f["code"].is_string() && f["setting"].is_string() && f["message"].is_string());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::set<std::string> kCodes = {
        "ini_override",   "no_key",     "key_unreadable",      "zero_value",       "negative_value",
        "wrong_type",     "not_a_number", "window_tracking",   "tracked_window_gone", "foreground_capture",
        "display_override", "display_missing", "dpi_scaling",  "off_screen",       "still_image_missing",
        "incomplete_set", "not_tracking", "filter_last_start", "empty_area",       "size_too_large"};

    FuzzedDataProvider in(data, size);
    SettingsSource src;
    src.bIniPresent = in.ConsumeBool();
    src.key = in.PickValueInArray({KeyState::Absent, KeyState::Open, KeyState::Unreadable});
    src.strIniPath = in.ConsumeRandomLengthString(32);
    for (RawValue& v : src.values)
        v = MakeValue(in);
    src.imageFileName = MakeValue(in);
    src.lastInitConfig = MakeValue(in);

    Environment env;
    env.rcScreen = MakeRect(in);
    env.rcVirtual = MakeRect(in);
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        env.monitors.push_back(MakeRect(in));
    env.dpiX = in.ConsumeBool() ? in.PickValueInArray({72, 96, 120, 144, 192, 288}) : in.ConsumeIntegral<std::int32_t>();
    env.dpiY = in.ConsumeBool() ? env.dpiX : in.ConsumeIntegral<std::int32_t>();
    env.tracked = MakeWindow(in);
    env.trackedDecorated = MakeWindow(in);
    env.foreground = MakeWindow(in);
    env.image = in.PickValueInArray({ImageState::Missing, ImageState::NotBitmap, ImageState::Bitmap, ImageState::PathTooLong});

    const Plan plan = Interpret(src, env);
    bool bError = false, bWarning = false;
    for (const Finding& f : plan.findings) {
        Require(kCodes.count(f.strCode) == 1 && !f.strMessage.empty());
        bError |= f.level == Level::Error;
        bWarning |= f.level == Level::Warning;
    }
    Require(plan.ExitCode() == (bError ? 2 : bWarning ? 1 : 0));
    Require(!bError || plan.picture == Picture::None);
    if (plan.picture != Picture::None) {   // what the grab will allocate and copy
        Require(plan.nOutWidth > 0 && plan.nOutHeight > 0 && !detail::TooLarge(plan.nOutWidth, plan.nOutHeight));
        Require(plan.picture == Picture::Image ||
                (plan.capture.Width() > 0 && plan.capture.Height() > 0 &&
                 !detail::TooLarge(plan.capture.Width(), plan.capture.Height())));
        Require(plan.picture != Picture::Image || (plan.bImageExists && plan.Value(FS_SHOW_IMG) == 1));
    }
    CheckJson(plan);
    Require(!RenderText(plan, "1.0.0.0", src.strIniPath).empty());

    const std::string rest = in.ConsumeRemainingBytesAsString();
    std::unique_ptr<unsigned char[]> file(new unsigned char[rest.size()]);
    std::copy(rest.begin(), rest.end(), file.get());
    const bool bWhole = IsWholeBitmap(file.get(), std::min(rest.size(), kBitmapHeaderBytes), rest.size());
    Require(!bWhole || (rest.size() >= kBitmapHeaderBytes && rest[0] == 'B' && rest[1] == 'M'));
    return 0;
}
