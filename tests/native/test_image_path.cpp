// Still image path beside the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "image_path.h"

namespace {

bool GbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

std::string PathFor(const std::string& module)
{
    // Exactly sized and unterminated, as a cut GetModuleFileNameA result can be.
    std::unique_ptr<char[]> bytes(new char[module.size() + 1]);
    std::memcpy(bytes.get(), module.data(), module.size());
    return zelvix::StillImagePath(bytes.get(), module.size(), GbkLead);
}

TEST(StillImagePath, DirectoryOfTheModuleAndOneBmp)
{
    const struct { std::string module; std::string image; } cases[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools\\1.bmp"},
        {"app.exe", "\\1.bmp"},
        {"", "\\1.bmp"},
        {"\\app.exe", "\\1.bmp"},
        {"C:\\Tools\\", "C:\\Tools\\1.bmp"},
        {std::string("C:\\A\\b.exe\0\\junk", 16), "C:\\A\\1.bmp"},          // stops at a 0 byte
        {"C:\\\xD6\xD0\xCE\xC4\\zelvix.exe", "C:\\\xD6\xD0\xCE\xC4\\1.bmp"},  // "中文" directory
        {"C:\\\x81\x5C.exe", "C:\\1.bmp"},                                   // 0x5C trail byte is no backslash
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.image, PathFor(c.module)) << '"' << c.module << '"';
    EXPECT_EQ("\\1.bmp", zelvix::StillImagePath(nullptr, 10, GbkLead));
}

TEST(StillImagePath, LongPathsAndEveryCut)
{
    std::string dir = "C:";
    while (dir.size() < 600)
        dir += "\\directory";
    EXPECT_EQ(dir + "\\1.bmp", PathFor(dir + "\\zelvix.exe"));

    const std::string module = "C:\\ab\\c.exe";
    for (std::size_t len = 0; len <= module.size(); ++len) {
        const std::size_t cut = module.substr(0, len).rfind('\\');
        const std::string expected = (cut == std::string::npos ? "" : module.substr(0, cut)) + "\\1.bmp";
        EXPECT_EQ(expected, PathFor(module.substr(0, len))) << "length " << len;
    }
}

TEST(ModulePathFits, OnlyACountInsideTheBuffer)
{
    EXPECT_TRUE(zelvix::ModulePathFits(259, 260));
    EXPECT_FALSE(zelvix::ModulePathFits(260, 260));  // cut, possibly unterminated
    EXPECT_FALSE(zelvix::ModulePathFits(0, 260));    // failed
}

}  // namespace
