// e2e_modules.cpp - the libraries the running program has mapped, seen from outside: after start-up,
// the everyday clicks and a tick, none of the common controls, sound or shell libraries (only a
// tool tip with a tip, a click sound or a link needs them, and the frame's buttons have none).
#include "tests/common/frame_fixture.h"

#include <tlhelp32.h>

using Modules = CFrameTest;

TEST_F(Modules, NoCommonControlsSoundOrShellLibraryAfterStartClicksAndATick)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (int nID : { CMD_SHOW_FRAME, CMD_CAPTURE, CMD_ENLARGE, CMD_SHRINK })
        ClickFrameButton(nID);
    ASSERT_TRUE(NextTick(42, 66, 796, 450, 0)) << "the clicks did not all reach the program";

    std::string strLoaded = " ";   // " zelvix.exe ntdll.dll ... ", in lower case
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, m_process.GetProcessId());
    MODULEENTRY32 me = {};
    me.dwSize = sizeof(me);
    for (BOOL bMore = ::Module32First(hSnap, &me); bMore; bMore = ::Module32Next(hSnap, &me))
        strLoaded += std::string(::CharLowerA(me.szModule)) + " ";
    ::CloseHandle(hSnap);
    LogStep("modules:%s", strLoaded.c_str());
    // The enumeration itself works: it sees the program and what it imports.
    for (const char* psz : { "zelvix.exe", "user32.dll", "gdi32.dll", "advapi32.dll" })
        EXPECT_NE(std::string::npos, strLoaded.find(std::string(" ") + psz + " ")) << psz << " is missing";
    for (const char* psz : { "comctl32.dll", "winmm.dll", "shell32.dll" })
        EXPECT_EQ(std::string::npos, strLoaded.find(std::string(" ") + psz + " ")) << psz << " is loaded";
}
