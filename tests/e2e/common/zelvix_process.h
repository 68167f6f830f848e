// zelvix_process.h - starting the real program from an end-to-end driver.
//   CZelvixProcess  starts zelvix.exe (from ZELVIX_EXE), optionally with Wine's registry trace,
//                   and makes sure it is gone when the driver ends, even if the driver crashes
//   ZelvixExePath   the program's path as the driver sees it
//   ReadTextFile    the whole of a file, read while its writer may still be running
//
// How the registry trace gets here: Wine writes a process's trace to the Unix standard error it
// inherited, whatever STARTUPINFO says. So scripts/wine-exec sends the driver's standard error
// into the file named by ZELVIX_REG_TRACE (passing every line that is not a trace line on to the
// test log when the driver ends), and only a program started with Start(true) runs with
// WINEDEBUG=-all,+reg. A driver logs to stdout.
#ifndef ZELVIX_E2E_ZELVIX_PROCESS_H
#define ZELVIX_E2E_ZELVIX_PROCESS_H

#include <windows.h>

#include <string>

std::string ZelvixExePath();
std::string ReadTextFile(const std::string& path);

class CZelvixProcess
{
public:
    // construction
    CZelvixProcess();
    ~CZelvixProcess();   // ends the program if it still runs
    CZelvixProcess(const CZelvixProcess&) = delete;
    CZelvixProcess& operator=(const CZelvixProcess&) = delete;

    // operations
    // Starts the program; false if it could not be started. With bTraceRegistry the program runs
    // with WINEDEBUG=-all,+reg: one trace line per registry key open and value write.
    bool Start(bool bTraceRegistry = false);
    // The same for another copy of the program (a Windows path).
    bool StartExe(const std::string& strExe, bool bTraceRegistry = false);
    // The trace lines written since this object's last Start(true), in order (every traced
    // process of the driver writes into the same file: trace one instance at a time).
    std::string GetRegTrace() const;
    // True once the program has ended within the time given.
    bool WaitForExit(DWORD dwMilliseconds);
    // Ends the program at once (no clean shut-down).
    void Kill();

    // attributes
    bool IsRunning() const;
    DWORD GetExitCode() const;           // STILL_ACTIVE while it runs
    DWORD GetProcessId() const { return m_dwProcessId; }
    HANDLE GetProcessHandle() const { return m_hProcess; }

private:
    // data members
    HANDLE m_hJob;       // kill-on-close: the program cannot outlive the driver
    HANDLE m_hProcess;
    DWORD m_dwProcessId;
    size_t m_nTraceStart;   // size of the trace file when the program started
};

#endif // ZELVIX_E2E_ZELVIX_PROCESS_H
