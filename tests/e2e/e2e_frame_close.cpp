// e2e_frame_close.cpp - the close button with its question, and WM_CLOSE to the frame alone.
#include "common/frame_fixture.h"

#include <algorithm>

namespace
{
const char APP_TITLE[] = "ZELVIX直播伴侣";
const char CLOSE_QUESTION[] = "关闭【ZELVIX直播伴侣】将无法进行视频直播了，您真的要关闭吗？";

// The program's message box: a dialog with the program's title and Yes/No buttons (the host
// dialog has the same title and no buttons).
HWND FindQuestionBox(DWORD dwPid)
{
    return FindProcessWindow(dwPid, [](HWND h) {
        char szClass[64] = "", szTitle[128] = "";
        ::GetClassNameA(h, szClass, sizeof(szClass));
        ::GetWindowTextA(h, szTitle, sizeof(szTitle));
        return strcmp(szClass, "#32770") == 0 && strcmp(szTitle, APP_TITLE) == 0 && ::IsWindowVisible(h)
            && ::GetDlgItem(h, IDYES) != NULL && ::GetDlgItem(h, IDNO) != NULL;
    });
}

HWND FindHostDialog(DWORD dwPid)
{
    return FindProcessWindow(dwPid, [](HWND h) {
        char szClass[64] = "", szTitle[128] = "";
        ::GetClassNameA(h, szClass, sizeof(szClass));
        ::GetWindowTextA(h, szTitle, sizeof(szTitle));
        return strcmp(szClass, "#32770") == 0 && strcmp(szTitle, APP_TITLE) == 0 && ::GetDlgItem(h, IDYES) == NULL;
    });
}

// True when no tick overwrote the sentinels during the whole period.
bool NoTickFor(DWORD dwMs)
{
    const DWORD dwStart = ::GetTickCount();
    while (::GetTickCount() - dwStart < dwMs) {
        DWORD v = 0;
        if (!ReadCaptureDword("param_set", &v) || v != SENTINEL)
            return false;
        ::Sleep(100);
    }
    return true;
}

class FrameClose : public CFrameTest
{
protected:
    HWND AskToClose()
    {
        ClickFrameButton(CMD_CLOSE);
        HWND hBox = NULL;
        EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return (hBox = FindQuestionBox(m_process.GetProcessId())) != NULL; }))
            << "no question box";
        if (hBox != NULL) {
            const std::vector<std::string> texts = ChildTexts(hBox);
            EXPECT_TRUE(std::find(texts.begin(), texts.end(), CLOSE_QUESTION) != texts.end())
                << "the box does not show the question";
        }
        return hBox;
    }
};
} // namespace

TEST_F(FrameClose, AnsweringNoChangesNothingAndTicksGoOnWhileTheQuestionIsOpen)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();

    HWND hBox = AskToClose();
    ASSERT_TRUE(hBox != NULL);
    // The question's own loop keeps the timer going.
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << "no tick while the question is open";

    LogStep("answer No");
    ::PostMessageA(::GetDlgItem(hBox, IDNO), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return !::IsWindow(hBox); })) << "the question stays";
    EXPECT_TRUE(m_process.IsRunning());
    EXPECT_TRUE(::IsWindowVisible(m_hFrame));
    EXPECT_TRUE(FrameRectIs(40, 40, 800, 476)) << DescribeFrameRect();
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << "ticks stopped after No";
    DWORD dwShow = 0;
    EXPECT_TRUE(ReadCaptureDword("show_img", &dwShow) && dwShow == 1) << DescribePublished();
}

TEST_F(FrameClose, AnsweringYesSwitchesTheFilterToTheStillImageAndEndsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));

    // Capture on first, so that the closing "show_img" 1 is seen to overwrite a 0.
    ClickFrameButton(CMD_CAPTURE);
    SetCaptureDword("show_img", SENTINEL);
    EXPECT_TRUE(WaitStable(TICK_WAIT_MS, []() {
        DWORD v = 0;
        return ReadCaptureDword("show_img", &v) && v == 0;
    })) << DescribePublished();

    HWND hBox = AskToClose();
    ASSERT_TRUE(hBox != NULL);
    SetCaptureDword("param_set", SENTINEL);
    LogStep("answer Yes");
    ::PostMessageA(::GetDlgItem(hBox, IDYES), BM_CLICK, 0, 0);
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs after Yes";
    LogStep("program ended with code %lu", (unsigned long)m_process.GetExitCode());

    DWORD dwShow = 0, dwSet = 0;
    EXPECT_TRUE(ReadCaptureDword("show_img", &dwShow) && dwShow == 1) << DescribePublished();
    EXPECT_TRUE(ReadCaptureDword("param_set", &dwSet) && dwSet == 1) << DescribePublished();

    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    ASSERT_GE(writes.size(), 3u);
    const size_t n = writes.size();
    EXPECT_EQ("show_img", writes[n - 3].strName);
    EXPECT_EQ("img_filename", writes[n - 2].strName);
    EXPECT_EQ("param_set", writes[n - 1].strName);
}

TEST_F(FrameClose, ClosingTheFrameWindowAloneStopsTheTicksAndTheProgramRunsOn)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();

    LogStep("WM_CLOSE to the frame");
    ::PostMessageA(m_hFrame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return !::IsWindow(m_hFrame); })) << "the frame window stays";
    SeedTickSentinels();
    EXPECT_TRUE(NoTickFor(2500)) << "a tick came after the frame was closed: " << DescribePublished();
    EXPECT_TRUE(m_process.IsRunning());

    // The host dialog still ends the program properly, without a frame to release.
    HWND hHost = FindHostDialog(m_process.GetProcessId());
    ASSERT_TRUE(hHost != NULL);
    LogStep("WM_CLOSE to the host dialog");
    ::PostMessageA(hHost, WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_process.WaitForExit(WAIT_MS)) << "the program still runs";
    DWORD dwShow = 0, dwSet = 0;
    EXPECT_TRUE(ReadCaptureDword("show_img", &dwShow) && dwShow == 1) << DescribePublished();
    EXPECT_TRUE(ReadCaptureDword("param_set", &dwSet) && dwSet == 1) << DescribePublished();
    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ("show_img", writes[writes.size() - 3].strName);
}
