// bench_start.cpp - measures start-up and memory of the program against floor programs, from
// outside, the same way for all (run by scripts/run-bench under Wine):
//   bench_start <start-ups> <memory runs> <settle ms> <name>=<command line> ...
// Start-up: from CreateProcess to the moment the screen shows the strip colour at a point of the
// caption strip that holds no text or button (the frame's first paint; a floor paints its whole
// window in that colour). The screen is polled every millisecond. One unrecorded start of each
// warms the caches; then they take turns, who goes first changing every round.
// Memory: all run side by side; <settle ms> after their start the working set and the private
// bytes (commit charge: PagefileUsage, which is what Wine fills in) of each are read.
// Prints one line per sample:  startup <name> <ms>  /  memory <name> <ws> <private>
// (after a line  settle <ms>). Exits non-zero when a measurement could not be made.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capture/frame_geometry.h"

namespace
{
constexpr COLORREF kStripColor = zelvix::kFrameStripColor;
constexpr int kProbeX = 40 + 230;  // frame at (40, 40); strip column 230, row 4: no text, no button
constexpr int kProbeY = 40 + 4;
constexpr DWORD kPaintTimeoutMs = 60000;

double NowMs()
{
    static LARGE_INTEGER s_freq;
    if (s_freq.QuadPart == 0)
        ::QueryPerformanceFrequency(&s_freq);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)s_freq.QuadPart;
}

bool ProbeShowsStrip()
{
    HDC hdc = ::GetDC(NULL);
    const COLORREF cr = ::GetPixel(hdc, kProbeX, kProbeY);
    ::ReleaseDC(NULL, hdc);
    return cr == kStripColor;
}

bool WaitProbe(bool bStrip, DWORD dwTimeoutMs)
{
    const double tEnd = NowMs() + dwTimeoutMs;
    while (ProbeShowsStrip() != bStrip) {
        if (NowMs() > tEnd)
            return false;
        ::Sleep(1);
    }
    return true;
}

// A started program; it cannot outlive this driver (kill-on-close job).
class CChild
{
public:
    CChild() : m_hJob(NULL), m_hProcess(NULL), m_tStart(0) {}
    ~CChild()
    {
        Stop();
        if (m_hJob != NULL)
            ::CloseHandle(m_hJob);
    }
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    bool Start(const std::string& strCmdLine)
    {
        if (m_hJob == NULL) {
            m_hJob = ::CreateJobObjectA(NULL, NULL);
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            ::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        std::string cmd = strCmdLine;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        m_tStart = NowMs();
        if (!::CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
            printf("error: cannot start %s (%lu)\n", strCmdLine.c_str(), (unsigned long)::GetLastError());
            return false;
        }
        ::AssignProcessToJobObject(m_hJob, pi.hProcess);
        ::CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        return true;
    }

    void Stop()
    {
        if (m_hProcess == NULL)
            return;
        ::TerminateProcess(m_hProcess, 0);
        ::WaitForSingleObject(m_hProcess, 10000);
        ::CloseHandle(m_hProcess);
        m_hProcess = NULL;
    }

    HANDLE Process() const { return m_hProcess; }
    double StartedAt() const { return m_tStart; }

private:
    HANDLE m_hJob;
    HANDLE m_hProcess;
    double m_tStart;
};

// Milliseconds from start to first paint, or a negative value when it never came.
double StartUp(const std::string& strCmdLine)
{
    if (!WaitProbe(false, 10000)) {
        printf("error: the probe point already shows the strip colour before %s starts\n", strCmdLine.c_str());
        return -1;
    }
    CChild child;
    if (!child.Start(strCmdLine))
        return -1;
    const bool bPainted = WaitProbe(true, kPaintTimeoutMs);
    const double tPainted = NowMs();
    child.Stop();
    if (!bPainted) {
        printf("error: %s did not paint within %lu ms\n", strCmdLine.c_str(), (unsigned long)kPaintTimeoutMs);
        return -1;
    }
    WaitProbe(false, 10000);  // its window is gone before the next start
    return tPainted - child.StartedAt();
}

bool Memory(const CChild& child, const std::string& strName)
{
    PROCESS_MEMORY_COUNTERS pmc;
    memset(&pmc, 0, sizeof pmc);
    pmc.cb = sizeof pmc;
    if (!::GetProcessMemoryInfo(child.Process(), &pmc, sizeof pmc)) {
        printf("error: no memory figures for %s (%lu)\n", strName.c_str(), (unsigned long)::GetLastError());
        return false;
    }
    printf("memory %s %llu %llu\n", strName.c_str(), (unsigned long long)pmc.WorkingSetSize,
           (unsigned long long)pmc.PagefileUsage);
    return true;
}

struct Subject
{
    std::string strName;
    std::string strCmdLine;
};
} // namespace

int main(int argc, char** argv)
{
    std::vector<Subject> subjects;
    for (int i = 4; i < argc; ++i) {
        const char* pszEq = strchr(argv[i], '=');
        if (pszEq == NULL || pszEq == argv[i])
            break;
        subjects.push_back(Subject{ std::string(argv[i], (size_t)(pszEq - argv[i])), pszEq + 1 });
    }
    if (argc < 6 || (int)subjects.size() != argc - 4) {
        fprintf(stderr, "usage: bench_start <start-ups> <memory runs> <settle ms> <name>=<command line> ...\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    const int nStartUps = atoi(argv[1]), nMemoryRuns = atoi(argv[2]);
    const DWORD dwSettleMs = (DWORD)atol(argv[3]);
    const size_t n = subjects.size();

    // Warm-up: the first start of each reads its files from disk.
    for (const Subject& subject : subjects)
        if (StartUp(subject.strCmdLine) < 0)
            return 1;
    for (int i = 0; i < nStartUps; ++i) {
        for (size_t k = 0; k < n; ++k) {
            const Subject& subject = subjects[(i + k) % n];
            const double ms = StartUp(subject.strCmdLine);
            if (ms < 0)
                return 1;
            printf("startup %s %.2f\n", subject.strName.c_str(), ms);
        }
    }

    printf("settle %lu\n", (unsigned long)dwSettleMs);
    for (int i = 0; i < nMemoryRuns; ++i) {
        std::vector<std::unique_ptr<CChild>> children;
        for (const Subject& subject : subjects) {
            children.emplace_back(new CChild);
            if (!children.back()->Start(subject.strCmdLine))
                return 1;
        }
        const double tRead = children.back()->StartedAt() + dwSettleMs;
        while (NowMs() < tRead)
            ::Sleep(50);
        for (size_t k = 0; k < n; ++k)
            if (!Memory(*children[k], subjects[k].strName))
                return 1;
    }
    return 0;
}
