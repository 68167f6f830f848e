// bench_start.cpp - measures start-up and memory of the program against the floor program, from
// outside, the same way for both (run by scripts/run-bench under Wine):
//   bench_start <program.exe> <floor.exe> <start-ups> <memory runs> <settle ms>
// Start-up: from CreateProcess to the moment the screen shows the strip colour at a point of the
// caption strip that holds no text or button (the frame's first paint; the floor paints its
// whole window in that colour). The screen is polled every millisecond. One unrecorded start of
// each warms the caches; then the two alternate, which one goes first changing every round.
// Memory: both run side by side; <settle ms> after their start the working set and the private
// bytes (commit charge: PagefileUsage, which is what Wine fills in) of each are read.
// Prints one line per sample:  startup <program|floor> <ms>  /  memory <program|floor> <ws> <private>
// (after a line  settle <ms>).
// Exits non-zero when a measurement could not be made.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
const COLORREF STRIP_COLOR = RGB(57, 174, 255);
const int PROBE_X = 40 + 230;  // frame at (40, 40); strip column 230, row 4: no text, no button
const int PROBE_Y = 40 + 4;
const DWORD PAINT_TIMEOUT_MS = 60000;

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
    const COLORREF cr = ::GetPixel(hdc, PROBE_X, PROBE_Y);
    ::ReleaseDC(NULL, hdc);
    return cr == STRIP_COLOR;
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

    bool Start(const std::string& strExe)
    {
        if (m_hJob == NULL) {
            m_hJob = ::CreateJobObjectA(NULL, NULL);
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            ::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        std::string cmd = "\"" + strExe + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        m_tStart = NowMs();
        if (!::CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
            printf("error: cannot start %s (%lu)\n", strExe.c_str(), (unsigned long)::GetLastError());
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
double StartUp(const std::string& strExe)
{
    if (!WaitProbe(false, 10000)) {
        printf("error: the probe point already shows the strip colour before %s starts\n", strExe.c_str());
        return -1;
    }
    CChild child;
    if (!child.Start(strExe))
        return -1;
    const bool bPainted = WaitProbe(true, PAINT_TIMEOUT_MS);
    const double tPainted = NowMs();
    child.Stop();
    if (!bPainted) {
        printf("error: %s did not paint within %lu ms\n", strExe.c_str(), (unsigned long)PAINT_TIMEOUT_MS);
        return -1;
    }
    WaitProbe(false, 10000);  // its window is gone before the next start
    return tPainted - child.StartedAt();
}

bool Memory(const CChild& child, const char* pszName)
{
    PROCESS_MEMORY_COUNTERS pmc;
    memset(&pmc, 0, sizeof pmc);
    pmc.cb = sizeof pmc;
    if (!::GetProcessMemoryInfo(child.Process(), &pmc, sizeof pmc)) {
        printf("error: no memory figures for the %s (%lu)\n", pszName, (unsigned long)::GetLastError());
        return false;
    }
    printf("memory %s %llu %llu\n", pszName, (unsigned long long)pmc.WorkingSetSize,
           (unsigned long long)pmc.PagefileUsage);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: bench_start <program.exe> <floor.exe> <start-ups> <memory runs> <settle ms>\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    const std::string strProgram = argv[1], strFloor = argv[2];
    const int nStartUps = atoi(argv[3]), nMemoryRuns = atoi(argv[4]);
    const DWORD dwSettleMs = (DWORD)atol(argv[5]);

    // Warm-up: the first start of each reads its files from disk.
    if (StartUp(strFloor) < 0 || StartUp(strProgram) < 0)
        return 1;
    for (int i = 0; i < nStartUps; ++i) {
        const bool bFloorFirst = i % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool bFloor = (k == 0) == bFloorFirst;
            const double ms = StartUp(bFloor ? strFloor : strProgram);
            if (ms < 0)
                return 1;
            printf("startup %s %.2f\n", bFloor ? "floor" : "program", ms);
        }
    }

    printf("settle %lu\n", (unsigned long)dwSettleMs);
    for (int i = 0; i < nMemoryRuns; ++i) {
        CChild program, floor;
        if (!program.Start(strProgram) || !floor.Start(strFloor))
            return 1;
        const double tRead = floor.StartedAt() + dwSettleMs;
        while (NowMs() < tRead)
            ::Sleep(50);
        if (!Memory(program, "program") || !Memory(floor, "floor"))
            return 1;
    }
    return 0;
}
