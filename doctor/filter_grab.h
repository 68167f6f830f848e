// filter_grab.h - a picture through the installed capture filter itself, taken the way a streaming
// host takes it, in a process of its own: the filter's error boxes, exceptions and crashes end
// that process, never the doctor.
//
//   FilterGrab          what became of a run: a picture, the filter's failure (with its box's
//                       text), a time-out, or a filter that did not load
//   GrabThroughFilter   one picture: starts the child, waits for it, leaves no process behind
//   CFilterSession      a graph kept running, so the key can change under it: Start, TakeLatest
//   RunFilterChild      the child's side, behind zelvix-doctor's internal switch
//                       --filter-child <CLSID> <out.bmp> [--hold <event name>]
#ifndef ZELVIX_DOCTOR_FILTER_GRAB_H
#define ZELVIX_DOCTOR_FILTER_GRAB_H

#include <windows.h>

#include <memory>
#include <string>

namespace zelvix {
namespace doctor {

// A grab under Wine takes about 0.3 s (0.9 s for the first of a session), a refusal about the
// same; the limit leaves a slow machine four times the slowest.
constexpr DWORD kFilterGrabTimeoutMs = 4000;

// The internal switch that makes zelvix-doctor the child, and the child's exit codes besides 0
// and the code of an exception that ended it (0xE06D7363 when the filter's own throw did).
constexpr wchar_t kFilterChildSwitch[] = L"--filter-child";
constexpr DWORD kFilterChildNotLoaded = 2;     // no such device, or it would not bind
constexpr DWORD kFilterChildFailed = 3;        // the graph would not build, run or deliver
constexpr DWORD kFilterChildTerminated = 255;  // ended by the parent

struct FilterGrab {
    enum class Outcome {
        Picture,        // the frame is written (CFilterSession::Start: frames are coming)
        FilterFailed,   // the filter showed its error box, or its process crashed
        TimedOut,       // no frame in time; the child was ended
        NotLoaded       // no such filter installed for this bitness, or it would not bind
    };
    Outcome outcome = Outcome::NotLoaded;
    std::string strError;   // UTF-8: the error box's text, or what went wrong
    DWORD dwMillis = 0;     // from the start of the call to its outcome
    DWORD dwChildPid = 0;   // the child's process id (gone by the time the call returns, unless running)
    DWORD dwExitCode = 0;   // the child's exit code (STILL_ACTIVE while a session runs)
};

// Runs strChildExe (empty: this program) as the child for the video input device of that CLSID
// ("{...}") and has it write one frame to strBmp as a 24-bit .bmp. After dwTimeoutMs without a
// frame the child is terminated.
FilterGrab GrabThroughFilter(const std::string& strClsid, const std::wstring& strBmp,
                             DWORD dwTimeoutMs = kFilterGrabTimeoutMs,
                             const std::wstring& strChildExe = std::wstring());

class CFilterChild;   // one child process and its watch (filter_grab.cpp)

// A child whose graph keeps running after its first frames. One take per start: TakeLatest
// writes the frame the filter delivers after the call and ends the child.
class CFilterSession
{
public:
    explicit CFilterSession(const std::wstring& strChildExe = std::wstring());
    ~CFilterSession();
    CFilterSession(const CFilterSession&) = delete;
    CFilterSession& operator=(const CFilterSession&) = delete;

    // Picture once the filter has delivered its first frames; the child is gone on any other outcome.
    FilterGrab Start(const std::string& strClsid, DWORD dwTimeoutMs = kFilterGrabTimeoutMs);
    FilterGrab TakeLatest(const std::wstring& strBmp, DWORD dwTimeoutMs = kFilterGrabTimeoutMs);
    void Stop();   // ends the child at once, if there is one
    bool IsRunning() const;

private:
    std::wstring m_strChildExe;
    std::unique_ptr<CFilterChild> m_pChild;
};

// argv: the arguments after kFilterChildSwitch. Returns the child's exit code: 0 with the picture
// written, else non-zero after one line on standard error (UTF-8) saying why.
int RunFilterChild(int argc, wchar_t** argv);

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_FILTER_GRAB_H
