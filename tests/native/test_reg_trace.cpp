// Reading the program's writes to the capture filter's key out of Wine's registry trace.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/e2e/common/reg_trace.h"

namespace {

std::string Trace(const char* pszName)
{
    std::ifstream file(std::string(ZELVIX_TRACE_DIR "/") + pszName, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << "no trace " << pszName;
    return text.str();
}

// "name:type:size:access" per write, "+" where the write had an open of its own.
std::string Describe(const std::string& strTrace)
{
    std::ostringstream os;
    for (const CaptureWrite& w : ParseCaptureWrites(strTrace))
        os << w.strName << ":" << w.nType << ":" << w.nSize << ":" << std::hex << w.nAccess << std::dec
           << (w.bOwnOpen ? "+ " : " ");
    return os.str();
}

// Recorded traces of the end of a run (the close): after the program's last write,
// Wine's multimedia DLLs write their driver cache through handle values the filter's key had.
TEST(RegTrace, ForeignWritesOnReusedHandlesAreNotTheProgramsInEitherFormat)
{
    EXPECT_EQ("show_img:4:4:f023f+ img_filename:1:58:f023f+ param_set:4:4:f023f+ ", Describe(Trace("i686-close.log")));
    // 64-bit Wine opens SOFTWARE first and the key relative to it.
    EXPECT_EQ("show_img:4:4:f023f+ img_filename:1:66:f023f+ param_set:4:4:f023f+ ", Describe(Trace("x86_64-close.log")));
}

TEST(RegTrace, OnlyAnOpenOfTheFiltersKeyLendsAHandle)
{
    const char* const OPEN = "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\screen-capture-recorder\",L\"\",0,f023f,0x7f)\n";
    const char* const OPEN_OTHER = "0010:trace:reg:NtOpenKeyEx (0x24,L\"Software\\\\Other\",2000000,0x7f)\n";
    const std::string strWrite = "0010:trace:reg:NtSetValueKey (0xb0,L\"start_x\",4,0x76f94c,4)\n";
    const struct { const char* pszWhat; std::string strTrace; const char* pszExpected; } cases[] = {
        { "own open", std::string(OPEN) + "0010:trace:reg:NtCreateKey <- 0xb0\n" + strWrite, "start_x:4:4:f023f+ " },
        { "second write, same open", std::string(OPEN) + "0010:trace:reg:NtCreateKey <- 0xb0\n" + strWrite + strWrite,
          "start_x:4:4:f023f+ start_x:4:4:f023f " },
        { "stale: another key's open took the handle since",
          std::string(OPEN) + "0010:trace:reg:NtCreateKey <- 0xb0\n" + OPEN_OTHER + "0010:trace:reg:NtOpenKeyEx <- 0xb0\n" + strWrite, "" },
        { "stale: an open of a shape the reader does not know took it",
          std::string(OPEN) + "0010:trace:reg:NtCreateKey <- 0xb0\n0010:trace:reg:NtCreateKey (0x24,<garbled\n"
          "0010:trace:reg:NtCreateKey <- 0xb0\n" + strWrite, "" },
        { "failed open lends nothing", std::string(OPEN) + "0010:trace:reg:NtCreateKey <- (nil) STATUS_ACCESS_DENIED\n" + strWrite, "" },
        { "no open at all", strWrite, "" },
        { "result on another thread", std::string(OPEN) + "0011:trace:reg:NtCreateKey <- 0xb0\n" + strWrite, "" },
        { "a sub key of the filter's", "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\screen-capture-recorder\\\\x\",L\"\",0,f023f,0x7f)\n"
          "0010:trace:reg:NtCreateKey <- 0xb0\n" + strWrite, "" },
        { "another key ending in the same name", "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\my-screen-capture-recorder\",L\"\",0,f023f,0x7f)\n"
          "0010:trace:reg:NtCreateKey <- 0xb0\n" + strWrite, "" },
        { "case and a full path", "0010:trace:reg:NtOpenKeyEx ((nil),L\"\\\\Registry\\\\User\\\\S-1\\\\Software\\\\Screen-Capture-Recorder\",20006,0x7f)\n"
          "0010:trace:reg:NtOpenKeyEx <- 0xb0\n" + strWrite, "start_x:4:4:20006+ " },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszExpected, Describe(c.strTrace)) << c.pszWhat;
}

} // namespace
