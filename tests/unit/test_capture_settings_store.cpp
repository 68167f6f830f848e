// Registry writes of the capture settings store, checked against the real registry.
#include <gtest/gtest.h>

#include <string>

#include "../../capture/capture_settings_store.h"

namespace
{
struct RegValue
{
    LONG status = -1;
    DWORD type = 0;
    std::string bytes;
};

RegValue ReadValue(const char* name)
{
    RegValue v;
    HKEY hKey = NULL;
    v.status = ::RegOpenKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, KEY_READ, &hKey);
    if (v.status != ERROR_SUCCESS)
        return v;
    char buf[1024];
    DWORD cb = sizeof(buf);
    v.status = ::RegQueryValueExA(hKey, name, NULL, &v.type, (BYTE*)buf, &cb);
    if (v.status == ERROR_SUCCESS)
        v.bytes.assign(buf, cb);
    ::RegCloseKey(hKey);
    return v;
}

DWORD AsDword(const RegValue& v)
{
    DWORD d = 0;
    memcpy(&d, v.bytes.data(), sizeof(d));
    return d;
}
} // namespace

TEST(CaptureSettingsStore, CreatesTheKeyWhenAbsentAndStoresDwordsAsTheirBitPattern)
{
    ::RegDeleteKeyA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH);
    ASSERT_NE(ERROR_SUCCESS, ReadValue("start_x").status) << "key should be gone before the test";

    EXPECT_EQ(ERROR_SUCCESS, WriteCaptureDword("start_x", -48));
    RegValue v = ReadValue("start_x");
    ASSERT_EQ(ERROR_SUCCESS, v.status);
    EXPECT_EQ((DWORD)REG_DWORD, v.type);
    ASSERT_EQ(4u, v.bytes.size());
    EXPECT_EQ(0xFFFFFFD0u, AsDword(v));

    EXPECT_EQ(ERROR_SUCCESS, WriteCaptureDword("capture_width", 796));
    EXPECT_EQ(796u, AsDword(ReadValue("capture_width")));
}

TEST(CaptureSettingsStore, StoresThePathWithItsTerminatorCounted)
{
    const char* path = "C:\\Tools\\1.bmp";
    EXPECT_EQ(ERROR_SUCCESS, WriteImageFileName(path));
    RegValue v = ReadValue("img_filename");
    ASSERT_EQ(ERROR_SUCCESS, v.status);
    EXPECT_EQ((DWORD)REG_SZ, v.type);
    EXPECT_EQ(std::string(path, strlen(path) + 1), v.bytes);
}

TEST(CaptureSettingsStore, PublishesShowFlagAndTheImageBesideTheExecutable)
{
    PublishImageSettings(0);
    EXPECT_EQ(0u, AsDword(ReadValue("show_img")));

    char module[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(NULL, module, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::string expected(module, n);
    expected = expected.substr(0, expected.rfind('\\')) + "\\1.bmp";
    const RegValue v = ReadValue("img_filename");
    EXPECT_EQ(expected + '\0', v.bytes);

    PublishImageSettings(1);
    EXPECT_EQ(1u, AsDword(ReadValue("show_img")));
}

TEST(CaptureSettingsStore, ImagePathCases)
{
    EXPECT_STREQ("C:\\Tools\\1.bmp", ImageFileNameFromModulePath("C:\\Tools\\app.exe"));
    EXPECT_STREQ("\\1.bmp", ImageFileNameFromModulePath("app.exe"));
    EXPECT_STREQ("\\1.bmp", ImageFileNameFromModulePath(""));

    // Longer than the old 260-byte buffer: nothing is cut.
    std::string dir = "C:";
    while (dir.size() < 300)
        dir += "\\abcdefghij";
    EXPECT_STREQ((dir + "\\1.bmp").c_str(), ImageFileNameFromModulePath((dir + "\\app.exe").c_str()));

    // Under code page 936, 0x5C can be the trail byte of a double-byte character; only a
    // real backslash separates directories.
    if (::GetACP() == 936) {
        const char pathWithTrail5C[] = "C:\\\x81\x5C\\app.exe";   // C:\<GBK 0x815C>\app.exe
        EXPECT_STREQ("C:\\\x81\x5C\\1.bmp", ImageFileNameFromModulePath(pathWithTrail5C));
        const char fileWithTrail5C[] = "\x81\x5C" "app.exe";        // no directory at all
        EXPECT_STREQ("\\1.bmp", ImageFileNameFromModulePath(fileWithTrail5C));
    }
}
