// libFuzzer target for the doctor's judgement and reports (built on its own with clang
// -fsanitize=fuzzer,address,undefined): any settings source (file or key, any types, sizes, values
// and texts, bytes that are no UTF-8 included) on any machine (screens, monitors, DPI, windows, image)
// and any installed builds gives, without a crash or a sanitizer error, a plan whose picture is one the grab can make, and
// both reports. The bitmap-header check gets the remaining bytes as a file of exactly their size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "doctor/bitmap_header.h"
#include "doctor/doctor_report.h"

using namespace zelvix;
using namespace zelvix::doctor;

namespace
{
// A broken invariant ends the run as a crash, which libFuzzer reports with its input.
void Require(bool b)
{
    if (!b)
        std::abort();
}

RawValue MakeValue(FuzzedDataProvider& in)   // the members in order: a braced list is read left to right
{
    return RawValue{in.ConsumeBool(), in.PickValueInArray({kRegDword, kRegSz, 0u, 3u}),
                    in.ConsumeBool() ? 4u : in.ConsumeIntegral<std::uint32_t>(), in.ConsumeIntegral<std::int32_t>(),
                    in.ConsumeRandomLengthString(64)};
}

// Any place, and a size from a little below zero to more than a 32-bit filter can allocate.
Rect MakeRect(FuzzedDataProvider& in)
{
    const std::int64_t x = in.ConsumeIntegral<std::int32_t>(), y = in.ConsumeIntegral<std::int32_t>();
    return Rect{x, y, x + in.ConsumeIntegralInRange(-10, 70000), y + in.ConsumeIntegralInRange(-10, 70000)};
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
    for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n) {
        FilterBuild f;
        f.nBits = in.ConsumeBool() ? 32 : 64;
        f.bExists = in.ConsumeBool();
        f.bReadsShowImg = f.bReadsImgFilename = f.bReadsParamSet = in.ConsumeBool();
        f.strDll = in.ConsumeRandomLengthString(16);
        env.filters.push_back(f);
    }

    const Plan plan = Interpret(src, env);
    if (plan.picture == Picture::Screen || plan.picture == Picture::Window)   // what the grab will allocate and copy
        Require(plan.capture.Width() > 0 && plan.capture.Height() > 0 &&
                !detail::TooLarge(plan.capture.Width(), plan.capture.Height()));
    if (plan.picture != Picture::None)
        Require(plan.nOutWidth > 0 && plan.nOutHeight > 0 && !detail::TooLarge(plan.nOutWidth, plan.nOutHeight));
    // Both reports render: a text that is no UTF-8 is replaced, never thrown about (which would end the run).
    Require(!RenderJson(plan).empty() && !RenderText(plan, "1.0.0.0", src.strIniPath).empty());

    const std::vector<unsigned char> file = in.ConsumeRemainingBytes<unsigned char>();   // exactly their size
    Require(!IsWholeBitmap(file.data(), std::min(file.size(), kBitmapHeaderBytes), file.size()) ||
            (file[0] == 'B' && file[1] == 'M'));
    return 0;
}
