// Still image path beside the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "image_path.h"

TEST(StillImagePath, DirectoryOfTheModuleAndOneBmp)
{
    std::string longDir = "C:";
    while (longDir.size() < 600)
        longDir += "\\directory";
    const struct { std::string module, image; } cases[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools\\1.bmp"}, {"app.exe", "\\1.bmp"}, {"", "\\1.bmp"},
        {"C:\\ab\\", "C:\\ab\\1.bmp"}, {"C:\\ab", "C:\\1.bmp"}, {"C:", "\\1.bmp"},  // a path cut anywhere
        {std::string("C:\\A\\b.exe\0\\junk", 16), "C:\\A\\1.bmp"},          // stops at a 0 byte
        {"C:\\\xD6\xD0\xCE\xC4\\zelvix.exe", "C:\\\xD6\xD0\xCE\xC4\\1.bmp"},  // a "中文" directory
        {"C:\\\x81\x5C.exe", "C:\\1.bmp"},                                   // 0x5C as trail byte is no backslash
        {longDir + "\\zelvix.exe", longDir + "\\1.bmp"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> bytes(new char[c.module.size()]);  // exact size, unterminated like a cut result
        std::memcpy(bytes.get(), c.module.data(), c.module.size());
        EXPECT_EQ(c.image, zelvix::StillImagePath(bytes.get(), c.module.size(), [](unsigned char b) { return b >= 0x81 && b <= 0xFE; }))
            << '"' << c.module << '"';
    }
    EXPECT_TRUE(zelvix::ModulePathFits(259, 260));
    EXPECT_FALSE(zelvix::ModulePathFits(260, 260) || zelvix::ModulePathFits(0, 260));  // cut or failed: grow or give up
}
