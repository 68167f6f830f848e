// What the owner-drawn menu learns from the system once per process: the classic-theme answer
// and the Windows version. Each case runs a probe of this executable as a child process, with
// HKEY_CURRENT_USER redirected to a scratch key; the probe checks what it finds itself.
#include <gtest/gtest.h>

#include <process.h>
#include <stdlib.h>

#include <string>

#include "dib_surface.h"
#include "owner_drawn_menu.h"

namespace
{
const std::string SCRATCH_KEY = "Software\\ZelvixTests\\menu", ROOT_KEY = SCRATCH_KEY + "\\root";
const std::string THEME_KEY = "Software\\Microsoft\\Plus!\\Themes\\Current";
const char PROBE_VARIABLE[] = "ZELVIX_MENU_PROBE", PROBE_EXE[] = "zelvix_menu_winxp_probe.exe";

// From Vista on, and in Wine; the XP-era headers leave them out.
extern "C" WINADVAPI LONG WINAPI RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);
extern "C" WINADVAPI LONG WINAPI RegSetKeyValueA(HKEY hKey, LPCSTR lpSubKey, LPCSTR lpValueName, DWORD dwType,
                                                 LPCVOID lpData, DWORD cbData);
void DeleteKey(const std::string& strKey) { ::RegDeleteTreeA(HKEY_CURRENT_USER, strKey.c_str()); }

// Runs the probe pszFilter of strExe, which gets pszExpected; the child's exit code.
int RunProbe(const char* pszExe, const char* pszFilter, const char* pszExpected)
{
    _putenv((std::string(PROBE_VARIABLE) + "=" + pszExpected).c_str());
    const int nExit = (int)_spawnl(_P_WAIT, pszExe, (std::string("\"") + pszExe + "\"").c_str(),
                                   (std::string("--gtest_filter=") + pszFilter).c_str(), NULL);
    _putenv((std::string(PROBE_VARIABLE) + "=").c_str());
    return nExit;
}

// In a probe's process: redirects HKEY_CURRENT_USER to the scratch key's "root" for good and
// returns what the case expects; NULL in the test process.
const char* StartProbe()
{
    const char* pszExpected = getenv(PROBE_VARIABLE);
    HKEY hRoot = NULL;
    if (pszExpected != NULL && ::RegCreateKeyA(HKEY_CURRENT_USER, ROOT_KEY.c_str(), &hRoot) == ERROR_SUCCESS)
        ::RegOverridePredefKey(HKEY_CURRENT_USER, hRoot);
    return pszExpected;
}

TEST(ThemeProbe, AnswersOnceFromTheRegistry)
{
    const char* pszExpected = StartProbe();
    if (pszExpected == NULL)
        GTEST_SKIP() << "the child process of ClassicTheme.IsAnsweredOncePerProcessFromTheThemeFileName";
    EXPECT_EQ(atoi(pszExpected), COwnerDrawnMenu::IsClassicTheme());
    ::RegSetKeyValueA(HKEY_CURRENT_USER, THEME_KEY.c_str(), NULL, REG_SZ, "Windows Classic.theme", 22);
    EXPECT_EQ(atoi(pszExpected), COwnerDrawnMenu::IsClassicTheme()) << "the registry was read again";
}

std::string Sz(const std::string& str) { return str + '\0'; }

TEST(ClassicTheme, IsAnsweredOncePerProcessFromTheThemeFileName)
{
    const struct { const char* pszName; DWORD dwType; std::string data; const char* pszClassic; } cases[] = {
        { "any case, any folder", REG_SZ, Sz("d:\\My Themes\\wINDOWS cLASSIC.THEME"), "1" },
        { "more after it", REG_SZ, Sz("C:\\Themes\\Windows Classic.theme.bak"), "0" },
        { "a longer file name", REG_SZ, Sz("C:\\Themes\\MyWindows Classic.theme"), "0" },
        { "shorter", REG_SZ, Sz("Classic.theme"), "0" },
        // 260 bytes without a zero: binary, since the narrow call would add a zero to a string.
        { "a full buffer, no zero", REG_BINARY, "C:" + std::string(236, 'x') + "\\Windows Classic.theme", "1" },
        { "longer than the buffer", REG_SZ, Sz("C:" + std::string(300, 'x') + "\\Windows Classic.theme"), "0" },
        { "no key", 0, "", "0" },
    };
    char szExe[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, szExe, MAX_PATH);
    for (const auto& c : cases) {
        DeleteKey(SCRATCH_KEY);
        if (c.dwType != 0)
            ::RegSetKeyValueA(HKEY_CURRENT_USER, (ROOT_KEY + "\\" + THEME_KEY).c_str(), NULL, c.dwType, c.data.data(),
                              (DWORD)c.data.size());
        EXPECT_EQ(0, RunProbe(szExe, "ThemeProbe.*", c.pszClassic)) << c.pszName << ": the probe failed (see above)";
    }
    DeleteKey(SCRATCH_KEY);
}

// With no theme key, an item without text measures and draws XP-style.
TEST(WinXpProbe, VersionCodeAndStyle)
{
    if (StartProbe() == NULL)
        GTEST_SKIP() << "the child process of WinXp.VersionCodeAndStyleUnderWinesPerProgramVersion";
    ASSERT_EQ(0x0105, LOWORD(::GetVersion())) << "Wine did not apply the per-program version";
    EXPECT_EQ(7, COwnerDrawnMenu::s_nWindowsVersion) << "computed at start-up";
    COwnerDrawnMenu menu;
    CMenuItemData item;
    MEASUREITEMSTRUCT mis = { ODT_MENU, 0, 1, 0, 0, (ULONG_PTR)&item };
    menu.MeasureItem(&mis);
    EXPECT_EQ(std::make_pair(31u, (UINT)std::max(::GetSystemMetrics(SM_CYMENU), 22)),
              std::make_pair(mis.itemWidth, mis.itemHeight));
    zelvix_test::DibSurface surface(100, 22);
    DRAWITEMSTRUCT dis = { ODT_MENU, 0, 1, ODA_DRAWENTIRE, 0, NULL, surface.hdc(), { 0, 0, 100, 22 },
                           (ULONG_PTR)&item };
    menu.DrawItem(&dis);
    EXPECT_EQ(std::make_pair(::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_WINDOW)),
              std::make_pair(surface.At(2, 2), surface.At(60, 2))) << "band and text area";
}

TEST(WinXp, VersionCodeAndStyleUnderWinesPerProgramVersion)
{
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") == NULL)
        GTEST_SKIP() << "needs Wine's per-program Windows version";
    // Wine takes it from HKCU\Software\Wine\AppDefaults\<exe name>\Version when the program starts.
    char szExe[MAX_PATH] = "", szProbe[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, szExe, MAX_PATH);
    ASSERT_GT(::GetTempPathA(MAX_PATH, szProbe), 0u);
    ASSERT_TRUE(::CopyFileA(szExe, lstrcatA(szProbe, PROBE_EXE), FALSE));
    const std::string strMark = std::string("Software\\Wine\\AppDefaults\\") + PROBE_EXE;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, strMark.c_str(), "Version", REG_SZ, "winxp", 6);
    DeleteKey(SCRATCH_KEY);
    const int nExit = RunProbe(szProbe, "WinXpProbe.*", "1");
    DeleteKey(strMark);
    DeleteKey(SCRATCH_KEY);
    ::DeleteFileA(szProbe);
    EXPECT_EQ(0, nExit) << "the probe failed (see above)";
}

} // namespace
