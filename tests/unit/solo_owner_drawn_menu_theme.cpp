// The classic-theme test keeps its answer for the process, so every case runs in a child process
// of its own: this executable running only ThemeChild.Probe, with HKEY_CURRENT_USER redirected to
// a scratch key that holds the case's theme value.
#include <gtest/gtest.h>

#include "menu_test_support.h"

namespace
{

const char THEME_KEY[] = "Software\\Microsoft\\Plus!\\Themes\\Current";

// The child asks twice, the second time after the classic theme was written, and leaves both
// answers in its scratch key.
TEST(ThemeChild, Probe)
{
    const std::string strCase = ChildCaseKey();
    if (strCase.empty())
        GTEST_SKIP() << "runs only as a child process of the ClassicTheme cases";
    HKEY hRoot = CreateKey(strCase + "\\root");
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, hRoot));
    const BOOL bFirst = COwnerDrawnMenu::IsClassicTheme();
    HKEY hTheme = CreateKey(THEME_KEY);
    ::RegSetValueExA(hTheme, NULL, 0, REG_SZ, (const BYTE*)"Windows Classic.theme", 22);
    ::RegCloseKey(hTheme);
    const BOOL bSecond = COwnerDrawnMenu::IsClassicTheme();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    ::RegCloseKey(hRoot);
    WriteDword(strCase, "first", bFirst);
    WriteDword(strCase, "second", bSecond);
}

struct ThemeCase
{
    const char* pszName;
    DWORD dwType;      // 0: no theme key
    std::string data;  // stored as it is
    DWORD dwClassic;
};

std::string Sz(const std::string& str) { return str + '\0'; }

class ClassicTheme : public ::testing::TestWithParam<ThemeCase>
{
};

TEST_P(ClassicTheme, IsAnsweredOncePerProcess)
{
    const ThemeCase& c = GetParam();
    const std::string strCase = std::string(SCRATCH_KEY) + "\\" + c.pszName;
    DeleteKey(strCase);
    HKEY hKey = CreateKey(strCase + "\\root" + (c.dwType != 0 ? std::string("\\") + THEME_KEY : ""));
    if (c.dwType != 0)
        ::RegSetValueExA(hKey, NULL, 0, c.dwType, (const BYTE*)c.data.data(), (DWORD)c.data.size());
    ::RegCloseKey(hKey);
    ASSERT_EQ(0, RunChild(ModulePath(), "ThemeChild.Probe", strCase)) << "the child process failed";
    EXPECT_EQ(c.dwClassic, ReadDword(strCase, "first"));
    EXPECT_EQ(c.dwClassic, ReadDword(strCase, "second")) << "the registry is read once per process";
    DeleteKey(strCase);
}

// A full 260-byte buffer without a zero is stored as binary: the narrow call would add a zero
// to a string value.
INSTANTIATE_TEST_SUITE_P(
    Values, ClassicTheme,
    ::testing::Values(
        ThemeCase{ "usual", REG_SZ, Sz("C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme"), 1 },
        ThemeCase{ "any_case_any_folder", REG_SZ, Sz("d:\\My Themes\\wINDOWS cLASSIC.THEME"), 1 },
        ThemeCase{ "name_alone", REG_SZ, Sz("Windows Classic.theme"), 1 },
        ThemeCase{ "more_after_it", REG_SZ, Sz("C:\\Themes\\Windows Classic.theme.bak"), 0 },
        ThemeCase{ "longer_file_name", REG_SZ, Sz("C:\\Themes\\MyWindows Classic.theme"), 0 },
        ThemeCase{ "shorter", REG_SZ, Sz("Classic.theme"), 0 },
        ThemeCase{ "full_buffer_no_zero", REG_BINARY, "C:" + std::string(236, 'x') + "\\Windows Classic.theme", 1 },
        ThemeCase{ "longer_than_buffer", REG_SZ, Sz("C:" + std::string(300, 'x') + "\\Windows Classic.theme"), 0 },
        ThemeCase{ "not_a_string", REG_DWORD, "AAAA", 0 },
        ThemeCase{ "key_absent", 0, "", 0 }),
    [](const ::testing::TestParamInfo<ThemeCase>& param) { return std::string(param.param.pszName); });

} // namespace
