// e2e_faults.cpp - faults the running program must live through with nothing lost: the capture
// filter's key denied to it for a while, twenty starts at the same moment, and bitmap resources
// that cannot be loaded. (Another program changing the values between ticks is every driver's
// NextTick: it seeds its own values first.)
#include "tests/common/frame_fixture.h"

#include <sddl.h>

#include <set>
#include <sstream>

namespace
{
const char CAPTURE_KEY[] = "SOFTWARE\\screen-capture-recorder";
const DWORD CROWD_WAIT_MS = 120000;   // twenty Wine processes starting on two cores
const char SECOND_START_TEXT[] = "你已经打开【ZELVIX直播伴侣】了！同一时间只能打开一个！";

// Whether the key takes a write now (of "param_set", which every tick awaited is seeded with anyway).
bool CanWriteKey() { return SetCaptureDword("param_set", SENTINEL); }

// Gives the key the DACL of an SDDL string (Wine enforces registry access checks; the key's owner
// keeps the right to change the DACL).
const char EVERYONE_READS[] = "D:(A;;KR;;;WD)", EVERYONE_WRITES[] = "D:(A;;KA;;;WD)";
LONG SetKeyDacl(const char* pszDacl)
{
    PSECURITY_DESCRIPTOR pSD = NULL;
    HKEY hKey = NULL;
    LONG l = ::ConvertStringSecurityDescriptorToSecurityDescriptorA(pszDacl, SDDL_REVISION_1, &pSD, NULL)
        ? ::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, WRITE_DAC | KEY_WOW64_32KEY, &hKey) : ERROR_INVALID_ACL;
    if (l == ERROR_SUCCESS)
        l = ::RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pSD);
    ::RegCloseKey(hKey);
    ::LocalFree(pSD);
    return l;
}

// Opens of the filter's key in a +reg trace (failed ones included: the call line comes first).
int CountKeyOpens(const std::string& strTrace)
{
    int n = 0;
    std::istringstream in(strTrace);
    for (std::string line; std::getline(in, line);)
        n += line.find(":NtCreateKey (") != line.npos && line.find("screen-capture-recorder\"") != line.npos;
    return n;
}

// Every test starts and ends with a writable key, also after a driver that died while it was denied.
class Faults : public CFrameTest
{
protected:
    void SetUp() override { ASSERT_TRUE(CanWriteKey() || SetKeyDacl(EVERYONE_WRITES) == ERROR_SUCCESS); }
    void TearDown() override
    {
        CFrameTest::TearDown();
        SetKeyDacl(EVERYONE_WRITES);   // as the denial test leaves it anyway
    }
};
} // namespace

TEST_F(Faults, KeyDeniedForAWhileIsSurvivedAndTheFirstTickAfterwardsWritesTheWholeSet)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ASSERT_TRUE(NextTick(42, 66, 796, 450));
    const size_t nWritesBefore = ParseCaptureWrites(m_process.GetRegTrace()).size();
    const int nOpensBefore = CountKeyOpens(m_process.GetRegTrace());
    LogStep("deny writing to the key");
    ASSERT_EQ(ERROR_SUCCESS, SetKeyDacl(EVERYONE_READS)) << "the key's security could not be changed";
    ASSERT_FALSE(CanWriteKey()) << "the platform does not enforce the key's security descriptor";

    // The user goes on working meanwhile: the first set after the fault must carry it.
    ClickFrameButton(CMD_ENLARGE);
    ClickFrameButton(CMD_CAPTURE);
    ASSERT_TRUE(Eventually(WAIT_MS, [&] { return WindowIs(m_hFrame, 40, 40, 1024, 602); }));
    // Opened up again right after a tick has tried all seven writes: the next tick then starts on
    // a writable key, a whole second away.
    int nOpens = 0;
    ASSERT_TRUE(WaitStable(2000 + TICK_WAIT_MS, [&] {
        nOpens = CountKeyOpens(m_process.GetRegTrace()) - nOpensBefore;
        return nOpens >= 14 && nOpens % 7 == 0;
    })) << "the ticks stopped trying while the key was denied (" << nOpens << " opens)";
    EXPECT_TRUE(m_process.IsRunning()) << "the program ended while its key was denied";
    EXPECT_EQ(nWritesBefore, ParseCaptureWrites(m_process.GetRegTrace()).size()) << "a write got through the denial";

    LogStep("allow writing again");
    ASSERT_EQ(ERROR_SUCCESS, SetKeyDacl(EVERYONE_WRITES));
    EXPECT_TRUE(NextTick(42, 66, 1020, 576, 0)) << "the enlargement or the capture switch made during the fault is lost";
    EXPECT_TRUE(SetIs(ParseCaptureWrites(m_process.GetRegTrace()), nWritesBefore, TICK_WRITES)) << "the first set after the fault";
}

TEST_F(Faults, TwentyStartsAtOnceLeaveExactlyOneRunningAndNineteenNotices)
{
    const int N = 20;
    CZelvixProcess starts[N];   // all made first, let go together
    for (CZelvixProcess& p : starts)
        ASSERT_TRUE(p.Start(false, true));
    LogStep("resume all %d at once", N);
    for (CZelvixProcess& p : starts)
        p.Resume();

    int nFrames = 0, nNotices = 0, nRunner = -1;
    HWND hNotices[N] = {};
    const bool bSettled = WaitStable(CROWD_WAIT_MS, [&] {
        nFrames = nNotices = 0;
        for (int i = 0; i < N; ++i) {
            if (FindCaptureFrame(starts[i].GetProcessId()) != NULL)
                ++nFrames, nRunner = i;
            hNotices[i] = FindDialogByTitle(starts[i].GetProcessId(), "提示", SECOND_START_TEXT);
            nNotices += hNotices[i] != NULL;
        }
        return nFrames + nNotices == N;
    });
    ASSERT_TRUE(bSettled && nFrames == 1 && nNotices == N - 1) << nFrames << " frames and " << nNotices << " notices";
    for (HWND hNotice : hNotices)
        ::PostMessageA(::GetDlgItem(hNotice, IDOK), BM_CLICK, 0, 0);
    LogStep("pressed OK on %d notices", nNotices);
    for (int i = 0; i < N; ++i)
        EXPECT_TRUE(i == nRunner ? starts[i].IsRunning() : starts[i].WaitForExit(WAIT_MS))
            << "start " << i << (i == nRunner ? ", the one instance, ended" : " did not end");
    EXPECT_TRUE(NextTick(42, 66, 796, 450)) << "the one instance does not publish";
}

TEST_F(Faults, BitmapsThatCannotBeLoadedLeaveButtonsWithoutImagesAndEverythingElseWorks)
{
    // A copy of the program whose six bitmaps are replaced by bytes no loader accepts, by the
    // platform's resource updater. (Wine's updater ignores deleting a resource: replacing it is
    // what works there. A bitmap left in place would show on its button below.)
    const std::string strCopy = Env("ZELVIX_ARTIFACT_DIR") + "\\zelvix_bad_bitmaps.exe";
    ASSERT_TRUE(::CopyFileA(ZelvixExePath().c_str(), strCopy.c_str(), FALSE)) << strCopy;
    const int BITMAPS[] = { 129, 131, 134, 136, 138, 139 };
    HANDLE hUpdate = ::BeginUpdateResourceA(strCopy.c_str(), FALSE);
    static const char BAD[] = "BM not a bitmap";
    for (int id : BITMAPS)
        ASSERT_TRUE(::UpdateResourceA(hUpdate, (LPCSTR)RT_BITMAP, MAKEINTRESOURCEA(id),
                                      MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), (LPVOID)BAD, sizeof BAD));
    ASSERT_TRUE(::EndUpdateResourceA(hUpdate, FALSE));

    ASSERT_NO_FATAL_FAILURE(StartProgram(false, strCopy));
    EXPECT_TRUE(NextTick(42, 66, 796, 450));
    EXPECT_EQ(StillImagePathFor(strCopy), CaptureString("img_filename"));
    // The strip, its texts and the outline are there; each button is a plain face without an image.
    EXPECT_TRUE(Eventually(WAIT_MS, [] { return PictureIs(FRAME_X, FRAME_Y, FRAME_CX, FRAME_CY, true); }));
    const CScreenShot shot;
    for (int nLeft : { 2, 240, 340, 480, 540, 740 }) {   // logo, outline, capture, enlarge, shrink, close
        std::set<COLORREF> colours;
        for (int y = 4; y < 18; ++y)
            for (int x = nLeft + 2; x < nLeft + 16; ++x)
                colours.insert(shot.At(FRAME_X + x, FRAME_Y + y));
        EXPECT_EQ(1u, colours.size()) << "the button at " << nLeft << " shows more than a plain face";
    }

    ClickFrameButton(CMD_CAPTURE);
    ClickFrameButton(CMD_ENLARGE);
    EXPECT_TRUE(NextTick(42, 66, 1020, 576, 0));
}
