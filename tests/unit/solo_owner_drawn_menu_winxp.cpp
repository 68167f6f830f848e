// COwnerDrawnMenu on a live Windows XP version: Wine reports the system a program asks for per
// executable name (HKCU\Software\Wine\AppDefaults\<exe>\Version), read when the process starts.
// The test copies this executable under a name of its own, marks that name "winxp", and runs
// WinXpChild.Probe in it; the child records what the menu made of the system.
#include <gtest/gtest.h>

#include <string>

#include "menu_child_process.h"
#include "menu_test_support.h"

namespace
{

const char PROBE_ENV[] = "ZELVIX_MENU_WINXP_PROBE";
const char PROBE_EXE_NAME[] = "zelvix_menu_winxp_probe.exe";

// The child: the version code computed before the tests started, the code asked again, and the
// style a measured and a drawn item got with no theme key (HKCU redirected to an empty key).
TEST(WinXpChild, Probe)
{
    char szKey[512];
    const DWORD n = ::GetEnvironmentVariableA(PROBE_ENV, szKey, sizeof(szKey));
    if (n == 0 || n >= sizeof(szKey))
        GTEST_SKIP() << "runs only as the child process of WinXp.VersionCodeAndStyle";
    const std::string strCase = szKey;

    const int nStartUp = COwnerDrawnMenu::s_nWindowsVersion;
    const DWORD dwVersion = ::GetVersion();
    const int nAgain = COwnerDrawnMenu::GetWindowsVersionCode();

    HKEY hRoot = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (strCase + "\\root").c_str(), 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &hRoot, NULL));
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, hRoot));
    const BOOL bXP = COwnerDrawnMenu::UseXPStyle();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    ::RegCloseKey(hRoot);

    COwnerDrawnMenu menu;
    CMenuItemData item;
    MEASUREITEMSTRUCT mis;
    memset(&mis, 0, sizeof(mis));
    mis.CtlType = ODT_MENU;
    mis.itemData = (ULONG_PTR)&item;
    menu.MeasureItem(&mis);

    CDibSurface surface(100, 30, RGB(1, 2, 3));
    const RECT rc = { 0, 0, 100, 22 };
    DRAWITEMSTRUCT dis = MakeMenuDrawItem(surface.GetDC(), rc, 0, &item);
    menu.DrawItem(&dis);

    menutest::WriteDword(strCase, "startup_code", (DWORD)nStartUp);
    menutest::WriteDword(strCase, "code", (DWORD)nAgain);
    menutest::WriteDword(strCase, "version", dwVersion);
    menutest::WriteDword(strCase, "xp_style", (DWORD)bXP);
    menutest::WriteDword(strCase, "width", mis.itemWidth);
    menutest::WriteDword(strCase, "height", mis.itemHeight);
    menutest::WriteDword(strCase, "band", surface.Pixel(2, 2));
    menutest::WriteDword(strCase, "text_area", surface.Pixel(60, 2));
}

// Marks an executable name with a Windows version for Wine, and removes the mark afterwards.
class CWineVersionMark
{
public:
    CWineVersionMark(const char* pszExeName, const char* pszVersion)
        : m_strKey(std::string("Software\\Wine\\AppDefaults\\") + pszExeName)
    {
        HKEY hKey = NULL;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_strKey.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL)
            == ERROR_SUCCESS) {
            ::RegSetValueExA(hKey, "Version", 0, REG_SZ, (const BYTE*)pszVersion, (DWORD)strlen(pszVersion) + 1);
            ::RegCloseKey(hKey);
        }
    }
    ~CWineVersionMark() { menutest::DeleteKeyTree(HKEY_CURRENT_USER, m_strKey.c_str()); }

private:
    std::string m_strKey;
};

TEST(WinXp, VersionCodeAndStyle)
{
    if (!menutest::RunningOnWine())
        GTEST_SKIP() << "needs Wine's per-program Windows version";
    char szTemp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, szTemp), 0u);
    const std::string strProbe = std::string(szTemp) + PROBE_EXE_NAME;
    ASSERT_TRUE(::CopyFileA(menutest::ModulePath().c_str(), strProbe.c_str(), FALSE));

    menutest::CScratchKey scratch("menu_winxp");
    int nExit = -1;
    {
        CWineVersionMark mark(PROBE_EXE_NAME, "winxp");
        nExit = menutest::RunChildTest(strProbe, "WinXpChild.Probe", PROBE_ENV, scratch.Path());
    }
    ::DeleteFileA(strProbe.c_str());
    ASSERT_EQ(0, nExit) << "the child process failed";

    DWORD dwVersion = 0, dwStartUp = 0, dwCode = 0, dwXP = 0, dwWidth = 0, dwHeight = 0, dwBand = 0, dwText = 0;
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "version", dwVersion)) << "the child left no results";
    if (LOBYTE(LOWORD(dwVersion)) != 5 || HIBYTE(LOWORD(dwVersion)) != 1)
        GTEST_SKIP() << "Wine did not apply the per-program version: GetVersion gave " << std::hex << dwVersion;
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "startup_code", dwStartUp));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "code", dwCode));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "xp_style", dwXP));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "width", dwWidth));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "height", dwHeight));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "band", dwBand));
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "text_area", dwText));

    EXPECT_EQ(7u, dwStartUp) << "the code computed at start-up";
    EXPECT_EQ(7u, dwCode);
    EXPECT_EQ(1u, dwXP) << "XP without a theme key uses the XP style";
    EXPECT_EQ(31u, dwWidth) << "XP width of an item without text";
    EXPECT_EQ((DWORD)std::max(::GetSystemMetrics(SM_CYMENU), 22), dwHeight);
    EXPECT_EQ(ColorText(::GetSysColor(COLOR_BTNFACE)), ColorText(dwBand)) << "drawn with the XP band";
    EXPECT_EQ(ColorText(::GetSysColor(COLOR_WINDOW)), ColorText(dwText)) << "and the XP text area";
}

} // namespace
