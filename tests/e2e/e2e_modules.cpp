// e2e_modules.cpp - the libraries the running program has mapped, seen from outside: after start-up,
// the everyday clicks and a tick, none of the common controls, sound or shell libraries (only a
// tool tip with a tip, a click sound or a link needs them, and the frame's buttons have none).
#include "common/frame_fixture.h"

#include <tlhelp32.h>

#include <algorithm>

namespace
{
// Lower-case file names of the modules loaded in process dwPid.
std::vector<std::string> LoadedModules(DWORD dwPid)
{
    std::vector<std::string> names;
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, dwPid);
    if (hSnap == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof(me);
    for (BOOL bMore = ::Module32First(hSnap, &me); bMore; bMore = ::Module32Next(hSnap, &me)) {
        std::string name = me.szModule;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return (char)tolower(c); });
        names.push_back(name);
    }
    ::CloseHandle(hSnap);
    return names;
}
} // namespace

class Modules : public CFrameTest
{
};

TEST_F(Modules, NoCommonControlsSoundOrShellLibraryAfterStartClicksAndATick)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (int nID : { CMD_SHOW_FRAME, CMD_CAPTURE, CMD_ENLARGE, CMD_SHRINK })
        ClickFrameButton(nID);
    ASSERT_TRUE(NextTick(42, 66, 796, 450, 0)) << "the clicks did not all reach the program";

    const std::vector<std::string> modules = LoadedModules(m_process.GetProcessId());
    std::string all;
    for (const std::string& name : modules)
        all += name + " ";
    LogStep("modules: %s", all.c_str());
    const auto loaded = [&](const char* psz) { return std::find(modules.begin(), modules.end(), psz) != modules.end(); };
    // The enumeration itself works: it sees the program and what it imports.
    for (const char* psz : { "zelvix.exe", "user32.dll", "gdi32.dll", "advapi32.dll" })
        EXPECT_TRUE(loaded(psz)) << psz << " missing from: " << all;
    for (const char* psz : { "comctl32.dll", "winmm.dll", "shell32.dll" })
        EXPECT_FALSE(loaded(psz)) << psz << " is loaded: " << all;
}
