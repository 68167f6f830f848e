// main_console.cpp - zelvix-doctor.com: the console program. A prompt runs it for "zelvix-doctor"
// before the window program beside it (.com comes before .exe in PATHEXT), so typed commands keep
// their output and exit code.
#include "doctor/doctor_command.h"

int main()
{
    return zelvix::doctor::RunCommandLine();
}
