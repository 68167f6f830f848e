// Reading the program's writes to the capture filter's key out of Wine's registry trace.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/common/reg_trace.h"

namespace {

std::string Trace(const char* pszName)   // a recorded trace; its row fails without it
{
    std::ifstream file(std::string(ZELVIX_TRACE_DIR "/") + pszName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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

TEST(RegTrace, OnlyAWriteThroughAnOpenOfTheFiltersKeyIsTheProgramsInRecordedAndMadeTraces)
{
    const std::string OPEN = "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\screen-capture-recorder\",L\"\",0,f023f,0x7f)\n";
    const std::string RESULT = "0010:trace:reg:NtCreateKey <- 0xb0\n";
    const std::string WRITE = "0010:trace:reg:NtSetValueKey (0xb0,L\"start_x\",4,0x76f94c,4)\n";
    const struct { const char* pszWhat; std::string strTrace; const char* pszExpected; } cases[] = {
        // Recorded ends of runs: after the program's last write, Wine's multimedia DLLs write their
        // driver cache through handle values the filter's key had. 64-bit Wine opens SOFTWARE first.
        { "recorded, 32-bit", Trace("i686-close.log"), "show_img:4:4:f023f+ img_filename:1:58:f023f+ " },
        { "recorded, 64-bit", Trace("x86_64-close.log"), "show_img:4:4:f023f+ " },
        { "second write, same open", OPEN + RESULT + WRITE + WRITE, "start_x:4:4:f023f+ start_x:4:4:f023f " },
        { "stale: another key's open took the handle since",
          OPEN + RESULT + "0010:trace:reg:NtOpenKeyEx (0x24,L\"Software\\\\Other\",2000000,0x7f)\n"
          "0010:trace:reg:NtOpenKeyEx <- 0xb0\n" + WRITE, "" },
        { "stale: an open of a shape the reader does not know took it",
          OPEN + RESULT + "0010:trace:reg:NtCreateKey (0x24,<garbled\n" + RESULT + WRITE, "" },
        { "failed open lends nothing", OPEN + "0010:trace:reg:NtCreateKey <- (nil) STATUS_ACCESS_DENIED\n" + WRITE, "" },
        { "no open at all", WRITE, "" },
        { "result on another thread", OPEN + "0011:trace:reg:NtCreateKey <- 0xb0\n" + WRITE, "" },
        { "a sub key of the filter's", "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\screen-capture-recorder\\\\x\","
          "L\"\",0,f023f,0x7f)\n" + RESULT + WRITE, "" },
        { "another key ending in the same name", "0010:trace:reg:NtCreateKey (0x30,L\"SOFTWARE\\\\my-screen-capture-"
          "recorder\",L\"\",0,f023f,0x7f)\n" + RESULT + WRITE, "" },
        { "case and a full path", "0010:trace:reg:NtOpenKeyEx ((nil),L\"\\\\Registry\\\\User\\\\S-1\\\\Software\\\\"
          "Screen-Capture-Recorder\",20006,0x7f)\n0010:trace:reg:NtOpenKeyEx <- 0xb0\n" + WRITE, "start_x:4:4:20006+ " },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszExpected, Describe(c.strTrace)) << c.pszWhat;
}

} // namespace
