// e2e_doctor_window.cpp - the doctor's window as a streamer meets it, over the running program and
// a known pattern, read from outside through its controls and the screen: it opens without a
// console; its verdict, findings and picture are those of the console program's report and grab
// (zelvix-doctor.com) at the same moment; it follows a move of the frame and capture going off;
// a refused value shows why there is no picture; it copies the report and saves the shown picture;
// it closes at once while a check runs.
#include "tests/common/frame_fixture.h"
#include "tests/common/filter_fixture.h"
#include "doctor/doctor_window.h"

using namespace zelvix::doctor;

namespace
{
const char* const VERDICT_WORDS[] = {"正常", "注意", "失败"};   // by the console program's exit code
const int BOX_CX = 480, BOX_CY = 270;                           // the picture's box at 96 dpi

// zelvix-doctor.com --grab (or the .exe, which is the same command line when given arguments):
// its exit code, its report (code page 936) and the picture's file.
struct ConsoleGrab {
    DWORD dwExit = (DWORD)-1;
    std::string strReport, strBmp;
    std::string ReportAbove(const char* pszLine) const { return strReport.substr(0, strReport.find(pszLine)); }
    std::vector<std::string> Findings() const   // the report's "  [..] code：message" lines
    {
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = strReport.find("\r\n", at)) != std::string::npos; at = end + 2)
            if (strReport.compare(at, 3, "  [") == 0)
                lines.push_back(strReport.substr(at + 2, end - at - 2));
        if (lines.empty())
            lines.push_back("没有问题");   // the report's "发现：没有问题"
        return lines;
    }
};

ConsoleGrab RunConsoleGrab(const std::string& strProgram = "zelvix-doctor.com")
{
    ConsoleGrab run;
    run.strBmp = ArtifactPath((strProgram + ".grab.bmp").c_str());
    ::DeleteFileA(run.strBmp.c_str());
    // No console window of its own, wherever it would appear, over the pattern it grabs.
    const DoctorRun doctor = RunDoctor("--grab \"" + run.strBmp + "\"", strProgram, CREATE_NO_WINDOW);
    run.dwExit = doctor.dwExit;
    run.strReport = doctor.strOut;
    return run;
}

// The picture control shows the .bmp file scaled to the control's size as the window scales it
// (HALFTONE), pixel for pixel on the screen.
Check ShowsPicture(HWND hPicture, const std::string& strBmp)
{
    const std::string file = ReadTextFile(strBmp);
    if (file.size() < 54 || !::IsWindowVisible(hPicture))
        return ::testing::AssertionFailure() << (file.size() < 54 ? "no grab in " + strBmp : "no picture shown");
    const BITMAPINFO* pbi = (const BITMAPINFO*)(file.data() + 14);
    const LONG cxPic = pbi->bmiHeader.biWidth, cyPic = pbi->bmiHeader.biHeight;
    RECT rc = {};
    ::GetClientRect(hPicture, &rc);
    ::MapWindowPoints(hPicture, NULL, (POINT*)&rc, 2);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    // As large as the box allows without enlarging, the shape kept up to rounding of one side.
    const bool bFills = cx == std::min<LONG>(BOX_CX, cxPic) || cy == std::min<LONG>(BOX_CY, cyPic);
    if (2 * std::abs(cx * cyPic - cy * cxPic) > std::max(cxPic, cyPic) || !bFills || cx > BOX_CX || cy > BOX_CY)
        return ::testing::AssertionFailure() << "a " << cxPic << " x " << cyPic << " picture shown " << cx << " x " << cy;
    BITMAPINFOHEADER bih = {sizeof(bih), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD* pWant = NULL;
    HDC hdc = ::CreateCompatibleDC(NULL);
    HBITMAP hBitmap = ::CreateDIBSection(hdc, (BITMAPINFO*)&bih, DIB_RGB_COLORS, (void**)&pWant, NULL, 0);
    HGDIOBJ hOld = ::SelectObject(hdc, hBitmap);
    ::SetStretchBltMode(hdc, HALFTONE);
    ::SetBrushOrgEx(hdc, 0, 0, NULL);
    ::StretchDIBits(hdc, 0, 0, cx, cy, 0, 0, cxPic, cyPic, file.data() + *(const DWORD*)(file.data() + 10), pbi,
                    DIB_RGB_COLORS, SRCCOPY);
    ::GdiFlush();
    const CScreenShot shot;
    Check result = ::testing::AssertionSuccess();
    for (int i = 0; i < cx * cy && result; ++i) {
        const COLORREF crWant = RGB(pWant[i] >> 16, (pWant[i] >> 8) & 255, pWant[i] & 255);
        if (shot.At(rc.left + i % cx, rc.top + i / cx) != crWant)
            result = ::testing::AssertionFailure() << "picture pixel (" << i % cx << ", " << i / cx << ") is "
                                                   << Hex(shot.At(rc.left + i % cx, rc.top + i / cx)) << ", the grab scaled gives " << Hex(crWant);
    }
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hdc);
    return result;
}

class CDoctorWindowTest : public CFrameTest
{
protected:
    const CPatternWindow m_pattern;
    CZelvixProcess m_doctor;
    HWND m_hDoctor = NULL;

    // The program over the pattern with capture on, then the doctor's window as a double-click
    // opens it (a console program would get a console of its own), right of the frame.
    void StartAll()
    {
        ASSERT_TRUE(m_pattern.IsShown()) << "the pattern window is not on the screen";
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ClickFrameButton(CMD_CAPTURE);
        ASSERT_TRUE(NextTick(FRAME_X + 2, FRAME_Y + 26, 796, 450, 0));
        LogStep("start zelvix-doctor.exe without arguments");
        ASSERT_TRUE(m_doctor.Start(false, false, BinDir() + "\\zelvix-doctor.exe", CREATE_NEW_CONSOLE));
        ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return (m_hDoctor = FindProcessWindow(m_doctor.GetProcessId(), [](HWND h) {
            wchar_t sz[64] = L"";
            ::GetClassNameW(h, sz, 64);
            return ::IsWindowVisible(h) && wcscmp(sz, kDoctorWindowClass) == 0; })) != NULL; })) << "no doctor window";
        ::SetWindowPos(m_hDoctor, NULL, 1000, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND Item(int nID) const { return ::GetDlgItem(m_hDoctor, nID); }
    std::vector<std::string> Findings() const
    {
        std::vector<std::string> items;
        // Read as UTF-16: Wine gives a cross-process LB_GETTEXT's Unicode text to SendMessageA unconverted.
        for (int i = 0, n = (int)::SendMessageW(Item(IDC_DOCTOR_FINDINGS), LB_GETCOUNT, 0, 0); i < n; ++i) {
            std::wstring w((size_t)::SendMessageW(Item(IDC_DOCTOR_FINDINGS), LB_GETTEXTLEN, i, 0) + 1, L'\0');
            w.resize((size_t)::SendMessageW(Item(IDC_DOCTOR_FINDINGS), LB_GETTEXT, i, (LPARAM)&w[0]));
            std::string s(w.size() * 2, '\0');
            s.resize((size_t)::WideCharToMultiByte(936, 0, w.data(), (int)w.size(), &s[0], (int)s.size(), NULL, NULL));
            items.push_back(s);
        }
        return items;
    }
    // Verdict, findings and picture are the console program's of this moment (a new check shows
    // within two seconds).
    Check ShowsConsoleCheck(const ConsoleGrab& run, DWORD dwWithinMs = 3000)
    {
        return Eventually(dwWithinMs, [&]() -> Check {
            const std::string strVerdict = WindowText(Item(IDC_DOCTOR_VERDICT));
            if (run.dwExit > 2 || strVerdict.rfind(VERDICT_WORDS[run.dwExit], 0) != 0)
                return ::testing::AssertionFailure() << "verdict \"" << strVerdict << "\", console exit " << run.dwExit;
            const std::vector<std::string> shown = Findings(), want = run.Findings();
            if (shown != want)
                return ::testing::AssertionFailure() << "findings [" << (shown.empty() ? "" : shown[0]) << "]... the report's ["
                                                     << (want.empty() ? "" : want[0]) << "]... (" << shown.size() << ", " << want.size() << ")";
            return ShowsPicture(Item(IDC_DOCTOR_PICTURE), run.strBmp);
        });
    }
};
} // namespace

TEST_F(CDoctorWindowTest, OpensWithoutAConsoleAndShowsTheConsoleCheck)
{
    ASSERT_NO_FATAL_FAILURE(StartAll());
    ::FreeConsole();   // a process attaches to one console at a time
    EXPECT_FALSE(::AttachConsole(m_doctor.GetProcessId())) << "the doctor's window has a console";
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, ::GetLastError()) << "AttachConsole's error";
    const ConsoleGrab run = RunConsoleGrab();
    EXPECT_TRUE(ShowsConsoleCheck(run));
    EXPECT_NE(std::string::npos, WindowText(Item(IDC_DOCTOR_PICTURE_INFO)).find("800 × 450"));
    const ConsoleGrab viaExe = RunConsoleGrab("zelvix-doctor.exe");   // given arguments, the command line
    EXPECT_EQ(run.dwExit, viaExe.dwExit);
    EXPECT_EQ(run.ReportAbove("画面已写入"), viaExe.ReportAbove("画面已写入"));
    EXPECT_TRUE(ReadTextFile(run.strBmp) == ReadTextFile(viaExe.strBmp)) << "the two grabs differ";
    LogStep("window: %s", WindowText(Item(IDC_DOCTOR_VERDICT)).c_str());
}

TEST_F(CDoctorWindowTest, FollowsAMoveOfTheFrameAndCaptureGoingOff)
{
    ASSERT_NO_FATAL_FAILURE(StartAll());
    LogStep("move the frame to (300, 520)");
    ::SetWindowPos(m_hFrame, NULL, 300, 520, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(NextTick(302, 546, 796, 450, 0));
    const DWORD dwPublished = ::GetTickCount();   // the doctor cannot see a move before it is published
    const ConsoleGrab moved = RunConsoleGrab();
    EXPECT_TRUE(ShowsConsoleCheck(moved, 3000 - std::min<DWORD>(3000, ::GetTickCount() - dwPublished)));
    const std::string strVerdictOn = WindowText(Item(IDC_DOCTOR_VERDICT));

    ClickFrameButton(CMD_CAPTURE);
    ASSERT_TRUE(NextTick(302, 546, 796, 450, 1));
    const ConsoleGrab off = RunConsoleGrab();
    EXPECT_TRUE(ShowsConsoleCheck(off));
    EXPECT_NE(strVerdictOn, WindowText(Item(IDC_DOCTOR_VERDICT)));
    EXPECT_NE(moved.Findings(), off.Findings()) << "capture off changed nothing in the report";
}

TEST_F(CDoctorWindowTest, ARefusedValueShowsWhyThereIsNoPicture)
{
    ASSERT_NO_FATAL_FAILURE(StartAll());
    SetCaptureDword("stretch_to_width", 0);   // the program writes it only when it starts
    const ConsoleGrab run = RunConsoleGrab();
    EXPECT_EQ(2u, run.dwExit);
    EXPECT_TRUE(Eventually(3000, [&]() -> Check {
        if (WindowText(Item(IDC_DOCTOR_VERDICT)).rfind("失败", 0) != 0 || Findings() != run.Findings() || ::IsWindowVisible(Item(IDC_DOCTOR_PICTURE)))
            return ::testing::AssertionFailure() << "verdict \"" << WindowText(Item(IDC_DOCTOR_VERDICT)) << "\"";
        return ::testing::AssertionResult(::IsWindowVisible(Item(IDC_DOCTOR_PICTURE_NOTE)) &&
                                          WindowText(Item(IDC_DOCTOR_PICTURE_NOTE)).find("筛选器此刻送不出画面") != std::string::npos)
               << "note \"" << WindowText(Item(IDC_DOCTOR_PICTURE_NOTE)) << "\"";
    }));
}

TEST_F(CDoctorWindowTest, CopiesTheReportAndSavesTheShownPicture)
{
    ASSERT_NO_FATAL_FAILURE(StartAll());
    const ConsoleGrab run = RunConsoleGrab();
    ASSERT_TRUE(ShowsConsoleCheck(run));
    LogStep("click 复制报告");
    ::PostMessageA(Item(IDC_DOCTOR_COPY), BM_CLICK, 0, 0);
    const std::string strWant = run.ReportAbove("画面已写入");
    EXPECT_TRUE(Eventually(5000, [&]() -> Check {
        std::string strText, strUnicode;
        if (::OpenClipboard(NULL)) {
            HANDLE hText = ::GetClipboardData(CF_TEXT), hUnicode = ::GetClipboardData(CF_UNICODETEXT);
            strText = hText != NULL ? (const char*)::GlobalLock(hText) : "";
            char sz[8192] = "";
            if (hUnicode != NULL)
                ::WideCharToMultiByte(936, 0, (const wchar_t*)::GlobalLock(hUnicode), -1, sz, sizeof(sz), NULL, NULL);
            strUnicode = sz;
            ::CloseClipboard();
        }
        return ::testing::AssertionResult(strText == strWant && strUnicode == strWant)
               << "clipboard text:\n" << strText << "\nunicode text:\n" << strUnicode << "\nthe report:\n" << strWant;
    }));

    LogStep("click 保存画面…");
    const std::string strSaved = ArtifactPath("saved.bmp");
    ::DeleteFileA(strSaved.c_str());
    ::PostMessageA(Item(IDC_DOCTOR_SAVE), BM_CLICK, 0, 0);
    HWND hDialog = NULL;
    ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return (hDialog = FindDialogByTitle(m_doctor.GetProcessId(), "保存画面")) != NULL; }));
    HWND hName = ::GetDlgItem(hDialog, 0x47C);   // cmb13, the file name: an edit down inside it
    for (char sz[16] = ""; hName != NULL && (::GetClassNameA(hName, sz, 16), strcmp(sz, "Edit") != 0);)
        hName = ::GetWindow(hName, GW_CHILD);
    ::SendMessageA(hName, WM_SETTEXT, 0, (LPARAM)strSaved.c_str());
    ::PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !::IsWindow(hDialog) && ReadTextFile(strSaved).size() > 54; }));
    EXPECT_TRUE(ReadTextFile(strSaved) == ReadTextFile(run.strBmp)) << "the saved picture is not the one shown";
}

TEST_F(CDoctorWindowTest, ClosesAtOnceWhileACheckRuns)
{
    ASSERT_NO_FATAL_FAILURE(StartAll());
    LogStep("click 重新检查 and close behind it");
    ::PostMessageA(Item(IDC_DOCTOR_RECHECK), BM_CLICK, 0, 0);   // the window handles the two in turn
    ::PostMessageA(m_hDoctor, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitStable(1000, [&] { return !::IsWindow(m_hDoctor); })) << "the window stays";
    EXPECT_TRUE(m_doctor.WaitForExit(10000)) << "the process stays";
    EXPECT_EQ(0u, m_doctor.GetExitCode());
}
