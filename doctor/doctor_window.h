// doctor_window.h - the doctor's window: the same check as the command line, for streamers who
// never open a command prompt. It shows the verdict, the picture the viewers get now, the findings
// and the installed filters, and checks again by itself every two seconds (on a worker thread,
// check_runner.h).
//
//   kDoctorWindowClass, IDC_DOCTOR_*   what an outside program finds the window and its controls by
//                                      (the findings are a plain LISTBOX: LB_GETTEXT reads them)
//   kRecheckMs                         the time between two checks
//   RunDoctorWindow                    shows the window and runs its message loop until it closes
#ifndef ZELVIX_DOCTOR_WINDOW_H
#define ZELVIX_DOCTOR_WINDOW_H

#include <windows.h>

namespace zelvix {
namespace doctor {

constexpr wchar_t kDoctorWindowClass[] = L"ZelvixDoctorWindow";
constexpr UINT kRecheckMs = 2000;

enum DoctorControlId : int {
    IDC_DOCTOR_VERDICT_ICON = 1001,
    IDC_DOCTOR_VERDICT = 1002,        // one line: 正常 / 注意 / 失败 / 没能检查, then why
    IDC_DOCTOR_PICTURE = 1003,        // the picture, exactly its scaled size (FitPicture)
    IDC_DOCTOR_PICTURE_NOTE = 1004,   // in the picture's place while there is none: why not
    IDC_DOCTOR_PICTURE_INFO = 1005,   // the picture's size and who made it
    IDC_DOCTOR_FILTERS = 1006,        // the registered builds of the filter, with their bitness
    IDC_DOCTOR_FINDINGS = 1007,       // LISTBOX, one finding an item: "[警告] code：message"
    IDC_DOCTOR_STATUS = 1008,         // checking, last check, or what a button did
    IDC_DOCTOR_RECHECK = 1010,
    IDC_DOCTOR_SAVE = 1011,
    IDC_DOCTOR_COPY = 1012,
    IDC_DOCTOR_CLOSE = IDCANCEL,
};

// Returns the process's exit code (0 once the window has closed).
int RunDoctorWindow(HINSTANCE hInstance, int nCmdShow);

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_WINDOW_H
