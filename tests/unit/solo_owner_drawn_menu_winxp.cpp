// The version code and the style on a live Windows XP: Wine reports the system named for an
// executable under HKCU\Software\Wine\AppDefaults\<exe>\Version when the process starts. This
// executable is copied under a name of its own, marked "winxp", and run as WinXpChild.Probe.
#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace
{

const char PROBE_EXE[] = "zelvix_menu_winxp_probe.exe";

// Records the code computed at start-up, GetVersion, and what an item without text measures and
// draws like with no theme key (HKEY_CURRENT_USER redirected to an empty key).
TEST(WinXpChild, Probe)
{
    const std::string strCase = ChildCaseKey();
    if (strCase.empty())
        GTEST_SKIP() << "runs only as the child process of WinXp.VersionCodeAndStyle";
    WriteDword(strCase, "startup_code", COwnerDrawnMenu::s_nWindowsVersion);
    WriteDword(strCase, "version", ::GetVersion());
    HKEY hRoot = CreateKey(strCase + "\\root");
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, hRoot));
    COwnerDrawnMenu menu;
    CMenuItemData item;
    MEASUREITEMSTRUCT mis = { ODT_MENU, 0, 1, 0, 0, (ULONG_PTR)&item };
    menu.MeasureItem(&mis);
    CDibSurface surface(100, 22);
    DRAWITEMSTRUCT dis = { ODT_MENU, 0, 1, ODA_DRAWENTIRE, 0, NULL, surface.m_hDC, { 0, 0, 100, 22 }, (ULONG_PTR)&item };
    menu.DrawItem(&dis);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    ::RegCloseKey(hRoot);
    WriteDword(strCase, "width", mis.itemWidth);
    WriteDword(strCase, "height", mis.itemHeight);
    WriteDword(strCase, "band", surface.Pixel(2, 2));
    WriteDword(strCase, "text_area", surface.Pixel(60, 2));
}

TEST(WinXp, VersionCodeAndStyle)
{
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") == NULL)
        GTEST_SKIP() << "needs Wine's per-program Windows version";
    char szTemp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, szTemp), 0u);
    const std::string strProbe = std::string(szTemp) + PROBE_EXE, strCase = std::string(SCRATCH_KEY) + "\\winxp";
    const std::string strMark = std::string("Software\\Wine\\AppDefaults\\") + PROBE_EXE;
    ASSERT_TRUE(::CopyFileA(ModulePath().c_str(), strProbe.c_str(), FALSE));
    HKEY hMark = CreateKey(strMark);
    ::RegSetValueExA(hMark, "Version", 0, REG_SZ, (const BYTE*)"winxp", 6);
    ::RegCloseKey(hMark);
    DeleteKey(strCase);
    const int nExit = RunChild(strProbe, "WinXpChild.Probe", strCase);
    DeleteKey(strMark);
    ::DeleteFileA(strProbe.c_str());
    ASSERT_EQ(0, nExit) << "the child process failed";
    const DWORD dwVersion = ReadDword(strCase, "version");
    if (LOWORD(dwVersion) != 0x0105)
        GTEST_SKIP() << "Wine did not apply the per-program version: GetVersion gave " << std::hex << dwVersion;
    EXPECT_EQ(7u, ReadDword(strCase, "startup_code"));
    EXPECT_EQ(31u, ReadDword(strCase, "width")) << "XP width of an item without text";
    EXPECT_EQ((DWORD)std::max(::GetSystemMetrics(SM_CYMENU), 22), ReadDword(strCase, "height"));
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), ReadDword(strCase, "band")) << "drawn with the XP band";
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), ReadDword(strCase, "text_area"));
    DeleteKey(strCase);
}

} // namespace
