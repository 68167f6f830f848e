// doctor_command.h - zelvix-doctor's command line, shared by zelvix-doctor.com and, when it is
// started with arguments, zelvix-doctor.exe (doctor_command.cpp lists the options).
//
//   HasArguments     whether this process was given anything after its own name
//   RunCommandLine   the report, JSON or grab the arguments ask for, on the standard handles, or
//                    the filter's child (--filter-child); returns the process's exit code
#ifndef ZELVIX_DOCTOR_COMMAND_H
#define ZELVIX_DOCTOR_COMMAND_H

namespace zelvix {
namespace doctor {

bool HasArguments();
int RunCommandLine();

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_COMMAND_H
