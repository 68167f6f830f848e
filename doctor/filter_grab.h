// filter_grab.h - a picture through the installed capture filter itself, taken the way a streaming
// host takes it, in a process of its own: the filter's error boxes, exceptions and crashes end
// that process, never the doctor.
//
//   RunFilterChild      the child's side, behind zelvix-doctor's internal switch
//                       --filter-child <CLSID> <out.bmp> [--hold <event name>]
#ifndef ZELVIX_DOCTOR_FILTER_GRAB_H
#define ZELVIX_DOCTOR_FILTER_GRAB_H

#include <windows.h>

#include <string>

namespace zelvix {
namespace doctor {

// The internal switch that makes zelvix-doctor the child, and the child's exit codes besides 0
// and the code of an exception that ended it (0xE06D7363 when the filter's own throw did).
constexpr wchar_t kFilterChildSwitch[] = L"--filter-child";
constexpr DWORD kFilterChildNotLoaded = 2;     // no such device, or it would not bind
constexpr DWORD kFilterChildFailed = 3;        // the graph would not build, run or deliver

// argv: the arguments after kFilterChildSwitch. Returns the child's exit code: 0 with the picture
// written, else non-zero after one line on standard error (UTF-8) saying why.
int RunFilterChild(int argc, wchar_t** argv);

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_FILTER_GRAB_H
