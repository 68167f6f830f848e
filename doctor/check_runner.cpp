// check_runner.cpp - the doctor's check on a worker thread; see check_runner.h.
#include "doctor/check_runner.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "doctor/doctor_report.h"
#include "doctor/filter_grab.h"
#include "res/version.h"

namespace zelvix {
namespace doctor {

// Everything the thread touches lives here, so that a thread that outlives the runner (a check
// that hangs past the destructor's wait) still finds it.
struct CCheckRunner::State {
    std::mutex mutex;
    std::condition_variable ended;
    HWND hNotify = NULL;   // not owned
    UINT nMsg = 0;
    bool bRunning = false;
    DWORD dwStart = 0;
    std::unique_ptr<CheckResult> pResult;
};

CCheckRunner::CCheckRunner() : m_pState(std::make_shared<State>()) {}

CCheckRunner::~CCheckRunner()
{
    Forget();
    // A check ends within the filter's time-out; waiting lets it end its child and delete its file.
    std::unique_lock<std::mutex> lock(m_pState->mutex);
    m_pState->ended.wait_for(lock, std::chrono::milliseconds(kFilterGrabTimeoutMs + 5000),
                             [this] { return !m_pState->bRunning; });
}

bool CCheckRunner::Start(HWND hNotify, UINT nMsg)
{
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    if (m_pState->bRunning)
        return false;
    try {
        std::thread(Run, m_pState).detach();
    } catch (const std::exception&) {
        return false;   // no thread to be had: the caller tries again later
    }
    m_pState->hNotify = hNotify;
    m_pState->nMsg = nMsg;
    m_pState->bRunning = true;
    m_pState->dwStart = ::GetTickCount();
    return true;
}

bool CCheckRunner::IsRunning() const
{
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    return m_pState->bRunning;
}

DWORD CCheckRunner::RunningMillis() const
{
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    return m_pState->bRunning ? ::GetTickCount() - m_pState->dwStart : 0;
}

std::unique_ptr<CheckResult> CCheckRunner::TakeResult()
{
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    return std::move(m_pState->pResult);
}

void CCheckRunner::Forget()
{
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    m_pState->hNotify = NULL;
}

void CCheckRunner::Run(std::shared_ptr<State> pState)
{
    const DWORD dwStart = ::GetTickCount();
    std::unique_ptr<CheckResult> pResult;
    try {
        pResult.reset(new CheckResult);
        pResult->diagnosis = Diagnose(GrabRequest::Auto, kFilterGrabTimeoutMs);
        pResult->strReport = RenderText(pResult->diagnosis.plan, ZELVIX_VERSION_TEXT, pResult->diagnosis.src.strIniPath);
        pResult->bChecked = true;
    } catch (const std::exception& e) {
        pResult.reset(new (std::nothrow) CheckResult);
        if (pResult)
            pResult->strError = e.what();
    } catch (...) {
        pResult.reset(new (std::nothrow) CheckResult);
        if (pResult)
            pResult->strError = "?";
    }
    if (pResult)
        pResult->dwMillis = ::GetTickCount() - dwStart;
    // Posted under the lock, so that Forget() never returns while a message is on its way.
    std::lock_guard<std::mutex> lock(pState->mutex);
    pState->pResult = std::move(pResult);
    pState->bRunning = false;
    if (pState->hNotify != NULL)
        ::PostMessageW(pState->hNotify, pState->nMsg, 0, 0);
    pState->ended.notify_all();
}

}  // namespace doctor
}  // namespace zelvix
