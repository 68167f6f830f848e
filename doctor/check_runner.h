// check_runner.h - CCheckRunner: the doctor's check (Diagnose, with a picture) on a thread of its
// own, so that a window stays responsive while the filter's child takes its picture.
//
//   CheckResult    what one check gives the window: the diagnosis, its report as text, its time,
//                  or why it could not be made
//   CCheckRunner   one check at a time; posts a message when a result is ready, and hands the
//                  result over through TakeResult (never through the message, which a closing
//                  window may drop)
#ifndef ZELVIX_DOCTOR_CHECK_RUNNER_H
#define ZELVIX_DOCTOR_CHECK_RUNNER_H

#include <windows.h>

#include <memory>
#include <string>

#include "doctor/diagnosis.h"

namespace zelvix {
namespace doctor {

struct CheckResult {
    bool bChecked = false;      // Diagnose returned; else strError says why not
    Diagnosis diagnosis;
    std::string strReport;      // RenderText of the diagnosis (UTF-8)
    std::string strError;       // UTF-8
    DWORD dwMillis = 0;         // how long the check took
};

class CCheckRunner
{
public:
    CCheckRunner();
    ~CCheckRunner();   // waits a while for a check that still runs (its filter child ends with it)
    CCheckRunner(const CCheckRunner&) = delete;
    CCheckRunner& operator=(const CCheckRunner&) = delete;

    // Starts a check that posts nMsg to hNotify when its result is ready; false while one runs.
    bool Start(HWND hNotify, UINT nMsg);
    bool IsRunning() const;
    DWORD RunningMillis() const;   // 0 when none runs
    std::unique_ptr<CheckResult> TakeResult();
    void Forget();                 // the window goes: post nothing more

private:
    struct State;
    static void Run(std::shared_ptr<State> pState);

    std::shared_ptr<State> m_pState;   // shared with the running check's thread
};

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_CHECK_RUNNER_H
