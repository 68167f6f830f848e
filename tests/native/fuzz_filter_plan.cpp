// libFuzzer target for the doctor's judgement (built on its own with clang
// -fsanitize=fuzzer,address,undefined): any settings source (file or key, any types, sizes,
// values and texts, bytes that are no UTF-8 included) on any machine (screens, monitors, DPI,
// windows, image) gives a plan whose exit code and picture agree with its findings, whose picture
// is one the grab can make, and whose JSON parses back into exactly the agreed shape. The
// bitmap-header check gets the remaining bytes as a file of exactly their size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <memory>

#include "bitmap_header.h"
#include "doctor_report.h"

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
    v.dwType = in.ConsumeBool() ? in.PickValueInArray({kRegDword, kRegSz, 0u, 3u}) : in.ConsumeIntegral<std::uint32_t>();
    v.cbData = in.ConsumeBool() ? 4 : in.ConsumeIntegral<std::uint32_t>();
    v.nValue = in.ConsumeBool() ? in.PickValueInArray({0, 1, -1, 450, INT32_MIN, INT32_MAX}) : in.ConsumeIntegral<std::int32_t>();
    v.strText = in.ConsumeRandomLengthString(64);
    return v;
}

Rect MakeRect(FuzzedDataProvider& in)
{
    const std::int32_t x = in.ConsumeIntegral<std::int32_t>(), y = in.ConsumeIntegral<std::int32_t>();
    return in.ConsumeBool() ? Rect{x, y, x + std::int64_t{in.ConsumeIntegralInRange(-10, 4000)},
                                   y + std::int64_t{in.ConsumeIntegralInRange(-10, 3000)}}
                            : Rect{x, y, in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>()};
}

std::string Keys(const nlohmann::ordered_json& object)
{
    std::string s;
    for (const auto& item : object.items())
        s += item.key() + " ";
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
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
    env.dpiX = in.ConsumeBool() ? in.PickValueInArray({72, 96, 144, 192}) : in.ConsumeIntegral<std::int32_t>();
    env.dpiY = in.ConsumeBool() ? env.dpiX : in.ConsumeIntegral<std::int32_t>();
    for (WindowFacts* w : {&env.tracked, &env.trackedDecorated, &env.foreground})
        *w = WindowFacts{in.ConsumeBool(), MakeRect(in), MakeRect(in)};
    env.image = in.PickValueInArray({ImageState::Missing, ImageState::NotBitmap, ImageState::Bitmap, ImageState::PathTooLong});

    const Plan plan = Interpret(src, env);
    bool bError = false, bWarning = false;
    for (const Finding& f : plan.findings) {
        Require(!f.strCode.empty() && !f.strMessage.empty());
        bError |= f.level == Level::Error;
        bWarning |= f.level == Level::Warning;
    }
    Require(plan.ExitCode() == (bError ? 2 : bWarning ? 1 : 0));
    Require(!bError || plan.picture == Picture::None);
    if (plan.picture != Picture::None) {   // what the grab will allocate and copy
        Require(plan.nOutWidth > 0 && plan.nOutHeight > 0 && !detail::TooLarge(plan.nOutWidth, plan.nOutHeight));
        Require(plan.picture == Picture::Image
                    ? plan.bImageExists && plan.Value(FS_SHOW_IMG) == 1
                    : plan.capture.Width() > 0 && plan.capture.Height() > 0 &&
                          !detail::TooLarge(plan.capture.Width(), plan.capture.Height()));
    }
    const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(RenderJson(plan));
    Require(Keys(doc) == "source settings capture output fps image findings " && doc["settings"].size() == FS_COUNT &&
            Keys(doc["capture"]) == "x y width height " && Keys(doc["output"]) == "width height " &&
            Keys(doc["image"]) == "show path exists " && doc["findings"].size() == plan.findings.size());
    for (const auto& f : doc["findings"])
        Require(Keys(f) == "level code setting message ");
    Require(!RenderText(plan, "1.0.0.0", src.strIniPath).empty());

    const std::string rest = in.ConsumeRemainingBytesAsString();
    std::unique_ptr<unsigned char[]> file(new unsigned char[rest.size()]);
    std::copy(rest.begin(), rest.end(), file.get());
    Require(!IsWholeBitmap(file.get(), std::min(rest.size(), kBitmapHeaderBytes), rest.size()) ||
            (rest.size() >= kBitmapHeaderBytes && rest[0] == 'B' && rest[1] == 'M'));
    return 0;
}
