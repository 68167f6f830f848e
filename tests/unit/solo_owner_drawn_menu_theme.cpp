// The classic-theme test of COwnerDrawnMenu. Its answer is kept for the process, so every case
// runs in a child process of its own: this executable again, running only ThemeChild.Probe with
// HKEY_CURRENT_USER redirected to a scratch key that holds the case's theme value.
#include <gtest/gtest.h>

#include <string>

#include "menu_child_process.h"
#include "owner_drawn_menu.h"

namespace
{

const char PROBE_ENV[] = "ZELVIX_MENU_THEME_PROBE";
const char THEME_KEY[] = "Software\\Microsoft\\Plus!\\Themes\\Current";

// The child: answers the question twice, the second time after the classic theme was written,
// and leaves both answers in its scratch key.
TEST(ThemeChild, Probe)
{
    char szKey[512];
    const DWORD n = ::GetEnvironmentVariableA(PROBE_ENV, szKey, sizeof(szKey));
    if (n == 0 || n >= sizeof(szKey))
        GTEST_SKIP() << "runs only as the child process of the ClassicTheme tests";
    const std::string strCase = szKey;

    HKEY hRoot = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, (strCase + "\\root").c_str(), 0, KEY_ALL_ACCESS, &hRoot));
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, hRoot));
    const BOOL bFirst = COwnerDrawnMenu::IsClassicTheme();
    HKEY hTheme = NULL;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, THEME_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hTheme, NULL)
        == ERROR_SUCCESS) {
        const char szClassic[] = "C:\\Windows\\Resources\\Themes\\Windows Classic.theme";
        ::RegSetValueExA(hTheme, NULL, 0, REG_SZ, (const BYTE*)szClassic, sizeof(szClassic));
        ::RegCloseKey(hTheme);
    }
    const BOOL bSecond = COwnerDrawnMenu::IsClassicTheme();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    ::RegCloseKey(hRoot);

    menutest::WriteDword(strCase, "first", (DWORD)bFirst);
    menutest::WriteDword(strCase, "second", (DWORD)bSecond);
}

struct ThemeCase
{
    const char* pszName;
    DWORD dwType;      // 0: no theme key at all
    std::string data;  // the value's bytes, exactly as stored
    bool bClassic;
};

std::string Text(const char* psz)
{
    return std::string(psz, strlen(psz) + 1);  // with its terminating zero
}

// A value of exactly 260 bytes, the size of the buffer it is read into, with no zero at the end.
// Stored as binary: the system adds a zero to a string value written through the narrow call.
std::string FullBufferPath()
{
    const std::string strName = "\\Windows Classic.theme";
    return "C:" + std::string(260 - 2 - strName.size(), 'x') + strName;
}

class ClassicTheme : public ::testing::TestWithParam<ThemeCase>
{
};

TEST_P(ClassicTheme, AnswersOncePerProcess)
{
    const ThemeCase& c = GetParam();
    menutest::CScratchKey scratch(std::string("menu_theme_") + c.pszName);
    if (c.dwType != 0) {
        HKEY hTheme = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (scratch.Path() + "\\root\\" + THEME_KEY).c_str(),
                                                   0, NULL, 0, KEY_ALL_ACCESS, NULL, &hTheme, NULL));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(hTheme, NULL, 0, c.dwType, (const BYTE*)c.data.data(),
                                                  (DWORD)c.data.size()));
        ::RegCloseKey(hTheme);
    } else {
        HKEY hRoot = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (scratch.Path() + "\\root").c_str(), 0, NULL,
                                                   0, KEY_ALL_ACCESS, NULL, &hRoot, NULL));
        ::RegCloseKey(hRoot);
    }

    ASSERT_EQ(0, menutest::RunChildTest(menutest::ModulePath(), "ThemeChild.Probe", PROBE_ENV, scratch.Path()))
        << "the child process failed";
    DWORD dwFirst = 99, dwSecond = 99;
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "first", dwFirst)) << "the child left no answer";
    ASSERT_TRUE(menutest::ReadDword(scratch.Path(), "second", dwSecond));
    EXPECT_EQ(c.bClassic ? 1u : 0u, dwFirst) << c.pszName;
    EXPECT_EQ(dwFirst, dwSecond) << c.pszName << ": the registry is read once per process";
}

INSTANTIATE_TEST_SUITE_P(
    Values, ClassicTheme,
    ::testing::Values(
        ThemeCase{ "usual_path", REG_SZ, Text("C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme"), true },
        ThemeCase{ "other_case_other_directory", REG_SZ, Text("d:\\My Themes\\wINDOWS cLASSIC.THEME"), true },
        ThemeCase{ "name_alone", REG_SZ, Text("Windows Classic.theme"), true },
        ThemeCase{ "more_after_the_name", REG_SZ, Text("C:\\Themes\\Windows Classic.theme.bak"), false },
        ThemeCase{ "longer_file_name", REG_SZ, Text("C:\\Themes\\MyWindows Classic.theme"), false },
        ThemeCase{ "shorter_than_the_name", REG_SZ, Text("Classic.theme"), false },
        ThemeCase{ "another_theme", REG_SZ, Text("C:\\WINDOWS\\Resources\\Themes\\Luna.theme"), false },
        ThemeCase{ "full_buffer_without_zero", REG_BINARY, FullBufferPath(), true },
        ThemeCase{ "longer_than_the_buffer", REG_SZ, Text(("C:\\" + std::string(300, 'x') + "\\Windows Classic.theme").c_str()), false },
        ThemeCase{ "not_a_string", REG_DWORD, std::string("AAAA", 4), false },
        ThemeCase{ "key_absent", 0, std::string(), false }),
    [](const ::testing::TestParamInfo<ThemeCase>& param) { return std::string(param.param.pszName); });

} // namespace
