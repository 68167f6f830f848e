// e2e_filter_grab.cpp - pictures through the real capture filter, registered in the prefix for
// this build's bitness and run by zelvix-doctor's child: the published rectangle of a known
// pattern, and the filter's refusal of a zero height (its box read and closed, its process gone),
// a time-out and an unknown filter. e2e_filter_table runs it beside the program.
#include "tests/common/filter_fixture.h"
#include "doctor/filter_grab.h"

using namespace zelvix::doctor;

namespace
{
// The picture is a whole 24-bit .bmp of the pattern's rectangle at (x0, y0), rows padded to 4 bytes
// (a lenient loader would also take a cut-off file), and per channel the mean absolute difference
// from the pattern is at most 2.
Check IsPatternAt(const std::string& strBmp, int x0, int y0, int cx, int cy)
{
    const size_t cbFile = ReadTextFile(strBmp).size(), cbWant = 54 + (size_t)((cx * 3 + 3) & ~3) * cy;
    const Picture pic = ReadBmp(strBmp);
    if (cbFile != cbWant || pic.cx != cx || pic.cy != cy || pic.nBits != 24)
        return ::testing::AssertionFailure() << strBmp << " is " << pic.cx << " x " << pic.cy << " x " << pic.nBits
                                             << " in " << cbFile << " bytes, expected " << cx << " x " << cy
                                             << " x 24 in " << cbWant;
    const double dDiff = PatternDifference(pic, x0, y0);
    if (dDiff <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mean difference " << dDiff << " from the pattern at (" << x0 << ", " << y0 << ")";
}

class FilterGrabTest : public CFilterTest
{
protected:
    void TearDown() override
    {
        DeleteCaptureKey();
        CFilterTest::TearDown();
    }

    // The key for a rectangle copied without scaling, without the mouse pointer.
    static void Publish(int x, int y, int cx, int cy)
    {
        DeleteCaptureKey();
        const std::pair<const char*, DWORD> values[] = {
            {"start_x", (DWORD)x}, {"start_y", (DWORD)y}, {"capture_width", (DWORD)cx}, {"capture_height", (DWORD)cy},
            {"stretch_to_width", (DWORD)cx}, {"stretch_to_height", (DWORD)cy}, {"capture_mouse_default_1", 0}};
        for (const auto& v : values)
            ASSERT_TRUE(SetCaptureDword(v.first, v.second)) << v.first;
    }
    static void Log(const char* pszWhat, const FilterGrab& grab)
    {
        LogStep("%s: outcome %d in %lu ms, child %lu ended %s: %s", pszWhat, (int)grab.outcome, grab.dwMillis,
                grab.dwChildPid, Hex(grab.dwExitCode).c_str(), grab.strError.c_str());
    }
};
}  // namespace

// 321 columns: rows of 963 bytes, padded to 964 in the sample and in the file.
TEST_F(FilterGrabTest, PictureIsThePublishedRectangleOfThePattern)
{
    const CPatternWindow pattern;
    ASSERT_TRUE(pattern.IsShown()) << "the pattern window is not on the screen";
    ASSERT_NO_FATAL_FAILURE(Publish(123, 77, 321, 241));
    const std::string strBmp = ArtifactPath("filter-grab.bmp");
    ::DeleteFileA(strBmp.c_str());
    const FilterGrab grab = GrabThroughFilter(m_strClsid, Wide(strBmp), 20000, Wide(DoctorExe()));
    Log("grab", grab);
    ASSERT_EQ(FilterGrab::Outcome::Picture, grab.outcome) << grab.strError;
    EXPECT_TRUE(IsPatternAt(strBmp, 123, 77, 321, 241));
}

// The refusal ends in its box's text, long before the limit, and with the filter's own throw (so its
// boxes were closed, not just left to the kill); a time-out and an unknown filter end in their own
// outcomes. No child is left either way, and no picture is written.
TEST_F(FilterGrabTest, RefusalTimeOutAndUnknownFilterLeaveNoProcessAndNoPicture)
{
    ASSERT_NO_FATAL_FAILURE(Publish(0, 0, 320, 240));
    ASSERT_TRUE(SetCaptureDword("capture_height", 0));
    const std::string strBmp = ArtifactPath("refused.bmp");
    const struct {
        const char* pszCase;
        std::string strClsid;
        DWORD dwTimeoutMs;
        FilterGrab::Outcome outcome;
        const char* pszError;
        DWORD dwExitCode;
    } cases[] = {
        {"capture_height 0", m_strClsid, 20000, FilterGrab::Outcome::FilterFailed, "capture_height", 0xE06D7363},
        {"time-out", m_strClsid, 100, FilterGrab::Outcome::TimedOut, "", kFilterChildTerminated},
        {"unknown CLSID", "{5A3E1D00-0000-4000-8000-0000000000AA}", 20000, FilterGrab::Outcome::NotLoaded, "CLSID",
         kFilterChildNotLoaded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        ::DeleteFileA(strBmp.c_str());
        const FilterGrab grab = GrabThroughFilter(c.strClsid, Wide(strBmp), c.dwTimeoutMs, Wide(DoctorExe()));
        Log(c.pszCase, grab);
        EXPECT_EQ(c.outcome, grab.outcome) << grab.strError;
        EXPECT_NE(std::string::npos, grab.strError.find(c.pszError)) << grab.strError;
        EXPECT_EQ(Hex(c.dwExitCode), Hex(grab.dwExitCode));
        EXPECT_LT(grab.dwMillis, c.dwTimeoutMs + 5000);
        const std::vector<DWORD> pids = ProcessesNamed("zelvix-doctor.exe");
        EXPECT_FALSE(grab.dwChildPid == 0 || std::count(pids.begin(), pids.end(), grab.dwChildPid)) << "child " << grab.dwChildPid;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strBmp.c_str())) << "a picture was written";
    }
}
