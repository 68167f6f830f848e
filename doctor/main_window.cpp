// main_window.cpp - zelvix-doctor.exe: the window program, started by a double-click or the Start
// menu's "检查直播画面", with no console. Given arguments it is the command line instead
// (doctor_command.h): its output goes to the standard handles it inherits, as when a script or a
// test redirects them, and the filter's child (--filter-child) runs this way too. Typed at a prompt
// as "zelvix-doctor.exe ..." (the prompt does not wait for a window program) it writes to that
// prompt's console; plain "zelvix-doctor" there finds zelvix-doctor.com first.
#include <windows.h>

#include "doctor/doctor_command.h"
#include "doctor/doctor_window.h"

namespace
{
bool IsHandle(HANDLE h) { return h != NULL && h != INVALID_HANDLE_VALUE; }

void UseParentConsoleForOutput()
{
    if (IsHandle(::GetStdHandle(STD_OUTPUT_HANDLE)) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    HANDLE hConsole = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                    OPEN_EXISTING, 0, NULL);
    if (!IsHandle(hConsole))
        return;
    ::SetStdHandle(STD_OUTPUT_HANDLE, hConsole);
    if (!IsHandle(::GetStdHandle(STD_ERROR_HANDLE)))
        ::SetStdHandle(STD_ERROR_HANDLE, hConsole);
}
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*pszCmdLine*/, int nCmdShow)
{
    if (zelvix::doctor::HasArguments()) {
        UseParentConsoleForOutput();
        return zelvix::doctor::RunCommandLine();
    }
    return zelvix::doctor::RunDoctorWindow(hInstance, nCmdShow);
}
