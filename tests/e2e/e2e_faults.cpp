// e2e_faults.cpp - faults the running program must live through with nothing lost: the capture
// filter's key denied to it for a while, another program changing the values between ticks,
// twenty starts at the same moment, and bitmap resources that cannot be loaded.
#include "common/frame_fixture.h"

#include <aclapi.h>

#include <algorithm>
#include <sstream>

namespace
{
const char CAPTURE_KEY[] = "SOFTWARE\\screen-capture-recorder";
const REGSAM CAPTURE_VIEW = KEY_WOW64_32KEY;
const char NOTICE_TITLE[] = "提示";
const char NOTICE_TEXT[] = "你已经打开【ZELVIX直播伴侣】了！同一时间只能打开一个！";
const char* const TICK_WRITES[] = {
    "start_x", "start_y", "capture_width", "capture_height", "show_img", "img_filename", "param_set",
};
const DWORD CROWD_WAIT_MS = 120000;  // twenty Wine processes starting on two cores
const COLORREF STRIP_COLOR = RGB(57, 174, 255);
const COLORREF OUTLINE_COLOR = RGB(255, 0, 0);

bool ReadCaptureString(const char* pszName, std::string* pstr)
{
    char sz[1024] = "";
    if (!CaptureValue(pszName, REG_SZ, sz, sizeof(sz) - 1))
        return false;
    *pstr = sz;
    return true;
}

bool SetCaptureDword(const char* pszName, DWORD dw) { return CaptureValue(pszName, REG_DWORD, &dw, 4, true); }

// A whole set with this rectangle, closed by "param_set" 1 (whatever "show_img" says).
bool WaitForPublishedRect(DWORD dwTimeoutMs, int x, int y, int cx, int cy)
{
    return WaitStable(dwTimeoutMs, [&] {
        DWORD v[5] = {};
        const char* names[5] = { "start_x", "start_y", "capture_width", "capture_height", "param_set" };
        for (int i = 0; i < 5; ++i)
            if (!ReadCaptureDword(names[i], &v[i]))
                return false;
        return (int)v[0] == x && (int)v[1] == y && (int)v[2] == cx && (int)v[3] == cy && v[4] == 1;
    });
}

std::vector<std::string> ChildTexts(HWND hParent)
{
    std::vector<std::string> texts;
    for (HWND h = ::GetWindow(hParent, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT))
        texts.push_back(WindowText(h));
    return texts;
}

std::string ArtifactPath(const std::string& strFile)
{
    const char* pszDir = getenv("ZELVIX_ARTIFACT_DIR");
    return std::string(pszDir ? pszDir : ".") + "\\" + strFile;
}

COLORREF RootColor()   // ZELVIX_ROOT_COLOR, "r,g,b"
{
    int r = 255, g = 255, b = 255;
    if (const char* psz = getenv("ZELVIX_ROOT_COLOR"))
        sscanf(psz, "%d,%d,%d", &r, &g, &b);
    return RGB(r, g, b);
}

::testing::AssertionResult PixelIs(const CScreenShot& shot, int x, int y, COLORREF cr)
{
    if (shot.At(x, y) == cr)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is 0x" << std::hex << shot.At(x, y)
                                         << ", expected 0x" << cr;
}

bool CanWriteKey()
{
    HKEY hKey = NULL;
    const LONG l = ::RegCreateKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, NULL, 0, KEY_ALL_ACCESS | CAPTURE_VIEW, NULL,
                                     &hKey, NULL);
    if (hKey != NULL)
        ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS;
}

// A DACL with one entry for everyone; NULL when it cannot be built. Freed with LocalFree.
PACL DaclForEveryone(DWORD dwAccess)
{
    EXPLICIT_ACCESSA ea;
    memset(&ea, 0, sizeof ea);
    ea.grfAccessPermissions = dwAccess;
    ea.grfAccessMode = SET_ACCESS;
    ea.grfInheritance = NO_INHERITANCE;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    ea.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    ea.Trustee.ptstrName = (LPSTR) "EVERYONE";
    PACL pAcl = NULL;
    return ::SetEntriesInAclA(1, &ea, NULL, &pAcl) == ERROR_SUCCESS ? pAcl : NULL;
}

LONG SetKeyDacl(HKEY hKey, PACL pAcl)
{
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE);
    return ::RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd);
}

// Takes the right to write away from everybody by the key's own security descriptor (Wine
// enforces registry access checks), and gives back the descriptor it found, also when the test
// fails half way. The key's owner keeps the right to change the descriptor.
class CKeyWriteDenial
{
public:
    CKeyWriteDenial() : m_hKey(NULL) {}
    ~CKeyWriteDenial() { Restore(); }
    CKeyWriteDenial(const CKeyWriteDenial&) = delete;
    CKeyWriteDenial& operator=(const CKeyWriteDenial&) = delete;

    ::testing::AssertionResult Deny()
    {
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, READ_CONTROL | WRITE_DAC | CAPTURE_VIEW, &m_hKey)
            != ERROR_SUCCESS)
            return ::testing::AssertionFailure() << "cannot open the key to change its security";
        DWORD cb = 0;
        ::RegGetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, NULL, &cb);
        m_saved.assign(cb, 0);
        if (cb == 0 || ::RegGetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, m_saved.data(), &cb) != ERROR_SUCCESS)
            return ::testing::AssertionFailure() << "cannot read the key's security descriptor";
        PACL pAcl = DaclForEveryone(KEY_READ);
        const LONG l = pAcl != NULL ? SetKeyDacl(m_hKey, pAcl) : ERROR_INVALID_ACL;
        ::LocalFree(pAcl);
        if (l != ERROR_SUCCESS)
            return ::testing::AssertionFailure() << "RegSetKeySecurity failed: " << l;
        return ::testing::AssertionSuccess();
    }

    void Restore()
    {
        if (m_hKey == NULL)
            return;
        if (!m_saved.empty())
            ::RegSetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, m_saved.data());
        ::RegCloseKey(m_hKey);
        m_hKey = NULL;
    }

private:
    HKEY m_hKey;
    std::vector<BYTE> m_saved;
};

// Opens of the filter's key in a +reg trace (failed ones included: the call line comes first).
int CountKeyOpens(const std::string& strTrace)
{
    int n = 0;
    std::istringstream in(strTrace);
    std::string line;
    while (std::getline(in, line))
        n += line.find(":NtCreateKey (") != std::string::npos && line.find("screen-capture-recorder\"") != std::string::npos;
    return n;
}

bool WriteCaptureString(const char* pszName, const char* pszValue)
{
    HKEY hKey = NULL;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, NULL, 0, KEY_ALL_ACCESS | CAPTURE_VIEW, NULL, &hKey, NULL)
        != ERROR_SUCCESS)
        return false;
    const LONG l = ::RegSetValueExA(hKey, pszName, 0, REG_SZ, (const BYTE*)pszValue, (DWORD)strlen(pszValue) + 1);
    ::RegCloseKey(hKey);
    return l == ERROR_SUCCESS;
}

DWORD Dword(const char* pszName)
{
    DWORD v = 0xDEADBEEF;
    return ReadCaptureDword(pszName, &v) ? v : 0xDEADBEEF;
}

std::string String(const char* pszName)
{
    std::string s = "<none>";
    ReadCaptureString(pszName, &s);
    return s;
}

std::string ClassOf(HWND h)
{
    char sz[64] = "";
    ::GetClassNameA(h, sz, sizeof(sz));
    return sz;
}

std::string TitleOf(HWND h)
{
    char sz[128] = "";
    ::GetWindowTextA(h, sz, sizeof(sz));
    return sz;
}

HWND FindNotice(DWORD dwPid)
{
    return FindProcessWindow(dwPid, [](HWND h) {
        return ClassOf(h) == "#32770" && TitleOf(h) == NOTICE_TITLE && ::IsWindowVisible(h);
    });
}

bool Responds(HWND hWnd)
{
    DWORD_PTR dwResult = 0;
    return ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &dwResult) != 0;
}

// Colours inside a screen rectangle (at most a few: stops counting at 8).
int DistinctColours(const CScreenShot& shot, int left, int top, int right, int bottom)
{
    std::vector<COLORREF> seen;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (std::find(seen.begin(), seen.end(), shot.At(x, y)) == seen.end() && seen.size() < 8)
                seen.push_back(shot.At(x, y));
    return (int)seen.size();
}

class Faults : public CFrameTest
{
protected:
    void SetUp() override
    {
        // A driver that died while the key was denied would leave it so for every later run.
        if (!CanWriteKey()) {
            LogStep("the capture key was left unwritable: opening it up again");
            HKEY hKey = NULL;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY, 0, WRITE_DAC | CAPTURE_VIEW, &hKey) == ERROR_SUCCESS) {
                PACL pAcl = DaclForEveryone(KEY_ALL_ACCESS);
                SetKeyDacl(hKey, pAcl);
                ::LocalFree(pAcl);
                ::RegCloseKey(hKey);
            }
        }
        ASSERT_TRUE(CanWriteKey()) << "the capture key cannot be written before the test";
    }

    bool FrameRectIs(int x, int y, int cx, int cy) const
    {
        RECT rc = {};
        return ::GetWindowRect(m_hFrame, &rc) && rc.left == x && rc.top == y && rc.right - rc.left == cx
               && rc.bottom - rc.top == cy;
    }
    std::string DescribeFrameRect() const
    {
        RECT rc = {};
        ::GetWindowRect(m_hFrame, &rc);
        std::ostringstream os;
        os << "frame at " << rc.left << "," << rc.top << " size " << rc.right - rc.left << "x" << rc.bottom - rc.top;
        return os.str();
    }

    // Waits until the trace shows nTicks more ticks' worth of key opens (seven each) than
    // nOpensBefore, and returns the count then; -1 on time-out.
    int WaitForOpens(int nOpensBefore, int nTicks)
    {
        int nOpens = -1;
        const bool bSeen = WaitStable(nTicks * 1000 + TICK_WAIT_MS, [&]() {
            nOpens = CountKeyOpens(m_process.GetRegTrace());
            return nOpens >= nOpensBefore + 7 * nTicks && (nOpens - nOpensBefore) % 7 == 0;
        });
        return bSeen ? nOpens : -1;
    }
};
} // namespace

TEST_F(Faults, KeyDeniedForAWhileIsSurvivedAndTheFirstTickAfterwardsWritesTheWholeSet)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(true));
    ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();

    SeedTickSentinels();
    const size_t nWritesBefore = ParseCaptureWrites(m_process.GetRegTrace()).size();
    const int nOpensBefore = CountKeyOpens(m_process.GetRegTrace());
    CKeyWriteDenial denial;
    LogStep("deny writing to the key");
    ASSERT_TRUE(denial.Deny());
    ASSERT_FALSE(CanWriteKey()) << "the platform does not enforce the key's security descriptor";

    // The user goes on working meanwhile: the first set after the fault must carry it.
    ClickFrameButton(CMD_ENLARGE);
    ClickFrameButton(CMD_CAPTURE);
    ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(40, 40, 1024, 602); })) << DescribeFrameRect();
    // Restored right after a tick has tried all seven writes: the next tick then starts on a
    // writable key, a whole second away.
    ASSERT_GE(WaitForOpens(nOpensBefore, 2), 0) << "the ticks stopped trying while the key was denied";
    EXPECT_TRUE(m_process.IsRunning()) << "the program ended while its key was denied";
    EXPECT_TRUE(Responds(m_hFrame)) << "the frame stopped answering";
    EXPECT_EQ(nWritesBefore, ParseCaptureWrites(m_process.GetRegTrace()).size()) << "a write got through the denial";
    EXPECT_EQ(SENTINEL, Dword("param_set")) << DescribePublished();

    LogStep("allow writing again");
    denial.Restore();
    ASSERT_TRUE(CanWriteKey());
    EXPECT_TRUE(WaitStable(TICK_WAIT_MS, []() { return Dword("param_set") == 1; })) << DescribePublished();
    EXPECT_EQ(42u, Dword("start_x"));
    EXPECT_EQ(66u, Dword("start_y"));
    EXPECT_EQ(1020u, Dword("capture_width")) << "the enlargement made during the fault is lost";
    EXPECT_EQ(576u, Dword("capture_height"));
    EXPECT_EQ(0u, Dword("show_img")) << "the capture switch made during the fault is lost";
    EXPECT_EQ(StillImagePathFor(ZelvixExePath()), String("img_filename"));

    const std::vector<CaptureWrite> writes = ParseCaptureWrites(m_process.GetRegTrace());
    ASSERT_GE(writes.size(), nWritesBefore + 7) << "no whole set after the fault";
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(TICK_WRITES[i], writes[nWritesBefore + i].strName) << "write " << i << " of the first set after the fault";
}

TEST_F(Faults, ValuesChangedByAnotherProgramAreOverwrittenByTheNextTick)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();
    const std::string strImage = String("img_filename");

    LogStep("another program writes its own values");
    for (const char* psz : { "start_x", "start_y", "capture_width", "capture_height" })
        ASSERT_TRUE(SetCaptureDword(psz, 7));
    ASSERT_TRUE(SetCaptureDword("show_img", 0));
    ASSERT_TRUE(SetCaptureDword("param_set", 0));
    ASSERT_TRUE(WriteCaptureString("img_filename", "C:\\other\\still.bmp"));
    ASSERT_TRUE(SetCaptureDword("stretch_to_width", 640));

    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();
    EXPECT_EQ(1u, Dword("show_img"));
    EXPECT_EQ(strImage, String("img_filename"));
    // Written once at start-up, not by the ticks.
    EXPECT_EQ(640u, Dword("stretch_to_width"));
    ASSERT_TRUE(SetCaptureDword("stretch_to_width", 800));
}

TEST_F(Faults, TwentyStartsAtOnceLeaveExactlyOneRunningAndNineteenNotices)
{
    const std::string strExe = ZelvixExePath();
    ASSERT_FALSE(strExe.empty());
    HANDLE hJob = ::CreateJobObjectA(NULL, NULL);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    // All twenty are made first and let go together.
    const int N = 20;
    PROCESS_INFORMATION pi[N];
    for (int i = 0; i < N; ++i) {
        std::string cmd = "\"" + strExe + "\"";
        STARTUPINFOA si;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        ASSERT_TRUE(::CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &si, &pi[i]))
            << "start " << i;
        ::AssignProcessToJobObject(hJob, pi[i].hProcess);
    }
    LogStep("resume all %d at once", N);
    for (int i = 0; i < N; ++i)
        ::ResumeThread(pi[i].hThread);

    int nFrames = 0, nNotices = 0, nRunner = -1;
    HWND hNotices[N] = {};
    const bool bSettled = WaitStable(CROWD_WAIT_MS, [&]() {
        nFrames = nNotices = 0;
        for (int i = 0; i < N; ++i) {
            if (FindCaptureFrame(pi[i].dwProcessId) != NULL) {
                ++nFrames;
                nRunner = i;
            }
            hNotices[i] = FindNotice(pi[i].dwProcessId);
            nNotices += hNotices[i] != NULL;
        }
        return nFrames + nNotices == N;
    });
    EXPECT_TRUE(bSettled) << nFrames << " frames and " << nNotices << " notices";
    EXPECT_EQ(1, nFrames);
    EXPECT_EQ(N - 1, nNotices);

    for (int i = 0; i < N; ++i) {
        if (hNotices[i] == NULL)
            continue;
        const std::vector<std::string> texts = ChildTexts(hNotices[i]);
        EXPECT_TRUE(std::find(texts.begin(), texts.end(), NOTICE_TEXT) != texts.end()) << "notice of start " << i;
        EXPECT_TRUE(FindCaptureFrame(pi[i].dwProcessId) == NULL) << "start " << i << " has a notice and a frame";
        ::PostMessageA(::GetDlgItem(hNotices[i], IDOK), BM_CLICK, 0, 0);
    }
    LogStep("pressed OK on %d notices", nNotices);
    for (int i = 0; i < N; ++i) {
        if (i == nRunner)
            continue;
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi[i].hProcess, WAIT_MS)) << "start " << i << " did not end";
    }
    ASSERT_GE(nRunner, 0);
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(pi[nRunner].hProcess, 0)) << "the one instance ended";
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << "the one instance does not publish";

    for (int i = 0; i < N; ++i) {
        ::CloseHandle(pi[i].hThread);
        ::CloseHandle(pi[i].hProcess);
    }
    ::CloseHandle(hJob);  // ends the one that runs
}

TEST_F(Faults, BitmapsThatCannotBeLoadedLeaveButtonsWithoutImagesAndEverythingElseWorks)
{
    // A copy of the program whose six bitmaps are replaced by bytes no loader accepts, by the
    // platform's resource updater. (Wine's updater ignores deleting a resource: replacing it is
    // what works there.)
    const std::string strCopy = ArtifactPath("zelvix_bad_bitmaps.exe");
    ASSERT_TRUE(::CopyFileA(ZelvixExePath().c_str(), strCopy.c_str(), FALSE)) << strCopy;
    const WORD LANG_ZH_CN = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const int BITMAPS[] = { 129, 131, 134, 136, 138, 139 };
    HANDLE hUpdate = ::BeginUpdateResourceA(strCopy.c_str(), FALSE);
    ASSERT_TRUE(hUpdate != NULL);
    static const char BAD[] = "BM not a bitmap";
    for (int id : BITMAPS)
        ASSERT_TRUE(::UpdateResourceA(hUpdate, (LPCSTR)RT_BITMAP, MAKEINTRESOURCEA(id), LANG_ZH_CN, (LPVOID)BAD, sizeof BAD));
    ASSERT_TRUE(::EndUpdateResourceA(hUpdate, FALSE));
    HMODULE hCopy = ::LoadLibraryExA(strCopy.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(hCopy != NULL);
    for (int id : BITMAPS)
        EXPECT_TRUE(::LoadImageA(hCopy, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0) == NULL) << "bitmap " << id << " still loads";
    ::FreeLibrary(hCopy);

    LogStep("start %s", strCopy.c_str());
    ASSERT_TRUE(m_process.StartExe(strCopy));
    ASSERT_TRUE(WaitStable(WAIT_MS, [&]() { return (m_hFrame = FindCaptureFrame(m_process.GetProcessId())) != NULL; }));
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 796, 450)) << DescribePublished();
    EXPECT_EQ(StillImagePathFor(strCopy), String("img_filename"));

    // The strip and its texts are there; each button is a plain face without an image.
    struct { int nID; int left; } buttons[] = { { 0, 2 }, { CMD_SHOW_FRAME, 240 }, { CMD_CAPTURE, 340 },
                                                 { CMD_ENLARGE, 480 }, { CMD_SHRINK, 540 }, { CMD_CLOSE, 740 } };
    {
        CScreenShot shot;
        EXPECT_TRUE(PixelIs(shot, FRAME_X + 230, FRAME_Y + 4, STRIP_COLOR));
        EXPECT_TRUE(PixelIs(shot, FRAME_X + 1, FRAME_Y + 300, OUTLINE_COLOR));
        EXPECT_GT(DistinctColours(shot, FRAME_X + 20, FRAME_Y + 6, FRAME_X + 100, FRAME_Y + 20), 1) << "no title";
        for (const auto& b : buttons)
            EXPECT_EQ(1, DistinctColours(shot, FRAME_X + b.left + 2, FRAME_Y + 4, FRAME_X + b.left + 16, FRAME_Y + 18))
                << "button at " << b.left << " shows more than a plain face";
    }

    ClickFrameButton(CMD_SHOW_FRAME);
    EXPECT_TRUE(WaitStable(WAIT_MS, []() { CScreenShot s; return s.At(FRAME_X + 1, FRAME_Y + 300) == RootColor(); }))
        << "the outline stayed";
    ClickFrameButton(CMD_CAPTURE);
    ClickFrameButton(CMD_ENLARGE);
    EXPECT_TRUE(WaitStable(WAIT_MS, [&]() { return FrameRectIs(40, 40, 1024, 602); })) << DescribeFrameRect();
    SeedTickSentinels();
    EXPECT_TRUE(WaitForPublishedRect(TICK_WAIT_MS, 42, 66, 1020, 576)) << DescribePublished();
    EXPECT_EQ(0u, Dword("show_img"));
    EXPECT_TRUE(m_process.IsRunning());
}
