// Still image path beside the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "image_path.h"

namespace {

std::string PathFor(const std::string& module)
{
    std::unique_ptr<char[]> bytes(new char[module.size()]);  // exact size, unterminated like a cut result
    std::memcpy(bytes.get(), module.data(), module.size());
    return zelvix::StillImagePath(bytes.get(), module.size(), [](unsigned char c) { return c >= 0x81 && c <= 0xFE; });
}

TEST(StillImagePath, DirectoryOfTheModuleAndOneBmp)
{
    std::string longDir = "C:";
    while (longDir.size() < 600)
        longDir += "\\directory";
    const struct { std::string module; std::string image; } cases[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools\\1.bmp"},
        {"app.exe", "\\1.bmp"},
        {"", "\\1.bmp"},
        {"C:\\Tools\\", "C:\\Tools\\1.bmp"},
        {std::string("C:\\A\\b.exe\0\\junk", 16), "C:\\A\\1.bmp"},          // stops at a 0 byte
        {"C:\\\xD6\xD0\xCE\xC4\\zelvix.exe", "C:\\\xD6\xD0\xCE\xC4\\1.bmp"},  // "中文" directory
        {"C:\\\x81\x5C.exe", "C:\\1.bmp"},                                   // 0x5C trail byte is no backslash
        {longDir + "\\zelvix.exe", longDir + "\\1.bmp"},
        {"C:\\ab\\c", "C:\\ab\\1.bmp"}, {"C:\\ab\\", "C:\\ab\\1.bmp"}, {"C:\\ab", "C:\\1.bmp"},
        {"C:\\", "C:\\1.bmp"}, {"C:", "\\1.bmp"},  // a path cut at any length
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.image, PathFor(c.module)) << '"' << c.module << '"';
    EXPECT_TRUE(zelvix::ModulePathFits(259, 260));
    EXPECT_FALSE(zelvix::ModulePathFits(260, 260));  // cut, possibly unterminated: grow the buffer
    EXPECT_FALSE(zelvix::ModulePathFits(0, 260));
}

}  // namespace
