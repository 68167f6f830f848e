// e2e_frame_trace.cpp - the write protocol with the capture filter, read from Wine's +reg trace.
//
// The trace shows each key open with its access mask and the handle it returned, and each value
// write with the handle, name, type and size (not the value). A key closed after its write frees
// its handle, so the next open gets the same handle again: a key left open would show as a new
// handle on the next write.
#include "common/frame_fixture.h"

#include <sstream>

namespace
{
const char* const CONSTRUCTION_WRITES[] = {
    "stretch_to_width", "stretch_to_height", "stretch_mode_high_quality_if_1", "track_new_x_y_coords_each_frame_if_1",
    "param_set", "start_x", "start_y", "capture_width", "capture_height", "default_max_fps", "show_img",
    "img_filename", "param_set",
};
const char* const TICK_WRITES[] = {
    "start_x", "start_y", "capture_width", "capture_height", "show_img", "img_filename", "param_set",
};
const char* const CLOSE_WRITES[] = { "show_img", "img_filename", "param_set" };
const unsigned CAPTURE_ACCESS = 0xF023F;

std::string Describe(const std::vector<CaptureWrite>& writes, size_t nFirst, size_t nCount)
{
    std::ostringstream os;
    for (size_t i = nFirst; i < writes.size() && i < nFirst + nCount; ++i)
        os << "\n  #" << i << " " << writes[i].strName << " type " << writes[i].nType << " size " << writes[i].nSize
           << " access " << std::hex << writes[i].nAccess << std::dec << " handle " << writes[i].strHandle
           << (writes[i].bOwnOpen ? "" : " (shared open)");
    return os.str();
}

// Checks one set of writes starting at nFirst against the names, and the way each was written.
::testing::AssertionResult SetIs(const std::vector<CaptureWrite>& writes, size_t nFirst, const char* const* names,
                                 size_t nNames, size_t nImageNameSize)
{
    if (writes.size() < nFirst + nNames)
        return ::testing::AssertionFailure() << "only " << writes.size() << " writes, set from #" << nFirst
                                             << Describe(writes, nFirst, nNames);
    for (size_t i = 0; i < nNames; ++i) {
        const CaptureWrite& w = writes[nFirst + i];
        const bool bImage = w.strName == "img_filename";
        const int nType = bImage ? REG_SZ : REG_DWORD;
        // Wine stores the narrow string as UTF-16: two bytes per character and terminator.
        const int nSize = bImage ? (int)nImageNameSize : 4;
        if (w.strName != names[i] || w.nType != nType || w.nSize != nSize || w.nAccess != CAPTURE_ACCESS
            || !w.bOwnOpen || w.strHandle != writes[nFirst].strHandle)
            return ::testing::AssertionFailure() << "write #" << nFirst + i << " should be " << names[i] << " type "
                                                 << nType << " size " << nSize << " on a key of its own, opened with "
                                                 << std::hex << CAPTURE_ACCESS << Describe(writes, nFirst, nNames);
    }
    return ::testing::AssertionSuccess();
}

class FrameTrace : public CFrameTest
{
};
} // namespace

TEST_F(FrameTrace, ConstructionTicksAndHostCloseWriteTheirSetsInOrderEachWithItsOwnKey)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    for (int i = 0; i < 2; ++i) {
        SeedTickSentinels();
        ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();
    }
    // Another party setting "param_set" does not change what the next tick writes.
    SetCaptureDword("param_set", 1);
    SeedTickSentinels();
    SetCaptureDword("param_set", 1);
    ASSERT_TRUE(WaitStable(TICK_WAIT_MS, []() {
        DWORD v = 0;
        return ReadCaptureDword("start_x", &v) && v == 42;
    }));

    HWND hHost = FindProcessWindow(m_process.GetProcessId(), [](HWND h) {
        char szTitle[64] = "";
        ::GetWindowTextA(h, szTitle, sizeof(szTitle));
        return strcmp(szTitle, "ZELVIX直播伴侣") == 0;
    });
    ASSERT_TRUE(hHost != NULL);
    LogStep("close the host dialog");
    ::PostMessageA(hHost, WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS));

    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    LogStep("%u writes to the filter's key in the trace", (unsigned)writes.size());
    const size_t nImageSize = (StillImagePathFor(ZelvixExePath()).size() + 1) * 2;
    const size_t nConstruction = sizeof(CONSTRUCTION_WRITES) / sizeof(CONSTRUCTION_WRITES[0]);
    const size_t nTick = sizeof(TICK_WRITES) / sizeof(TICK_WRITES[0]);
    const size_t nClose = sizeof(CLOSE_WRITES) / sizeof(CLOSE_WRITES[0]);

    ASSERT_TRUE(SetIs(writes, 0, CONSTRUCTION_WRITES, nConstruction, nImageSize));
    // At least three ticks were seen; everything between construction and close is whole ticks.
    ASSERT_GE(writes.size(), nConstruction + 3 * nTick + nClose);
    const size_t nTicks = (writes.size() - nConstruction - nClose) / nTick;
    ASSERT_EQ(writes.size(), nConstruction + nTicks * nTick + nClose)
        << "writes that belong to no whole set" << Describe(writes, nConstruction, writes.size());
    for (size_t t = 0; t < nTicks; ++t)
        EXPECT_TRUE(SetIs(writes, nConstruction + t * nTick, TICK_WRITES, nTick, nImageSize)) << "tick " << t;
    EXPECT_TRUE(SetIs(writes, writes.size() - nClose, CLOSE_WRITES, nClose, nImageSize));
}
