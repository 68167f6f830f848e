// zelvix_process.h - starting the real program from an end-to-end driver.
//   CZelvixProcess  zelvix.exe (ZELVIX_EXE) in a kill-on-close job, so that it never outlives the
//                   driver, optionally with Wine's registry trace
//   ZelvixExePath, ReadTextFile (the whole of a file, also while its writer is running)
#ifndef ZELVIX_E2E_ZELVIX_PROCESS_H
#define ZELVIX_E2E_ZELVIX_PROCESS_H

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ZelvixExePath() { return getenv("ZELVIX_EXE") != NULL ? getenv("ZELVIX_EXE") : ""; }

inline std::string ReadTextFile(const std::string& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class CZelvixProcess
{
public:
    // construction
    CZelvixProcess() : m_hJob(::CreateJobObjectA(NULL, NULL))
    {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    ~CZelvixProcess()   // ends the program if it still runs
    {
        Kill();
        ::CloseHandle(m_hProcess);
        ::CloseHandle(m_hJob);
    }
    CZelvixProcess(const CZelvixProcess&) = delete;
    CZelvixProcess& operator=(const CZelvixProcess&) = delete;

    // operations
    // bTraceRegistry: WINEDEBUG=-all,+reg, a trace line per registry key open and value write.
    bool Start(bool bTraceRegistry = false) { return StartExe(ZelvixExePath(), bTraceRegistry); }
    // The same for another copy of the program (a Windows path).
    bool StartExe(const std::string& strExe, bool bTraceRegistry = false)
    {
        const char* pszTrace = getenv("ZELVIX_REG_TRACE");   // set by CTest
        if (IsRunning() || strExe.empty() || (bTraceRegistry && pszTrace == NULL))
            return false;
        if (bTraceRegistry)
            m_nTraceStart = ReadTextFile(pszTrace).size();
        // The program inherits its Wine options; getenv still gives the driver's own.
        ::SetEnvironmentVariableA("WINEDEBUG", bTraceRegistry ? "-all,+reg" : getenv("WINEDEBUG"));
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        std::string cmdLine = "\"" + strExe + "\"";
        const BOOL bStarted =
            ::CreateProcessA(NULL, &cmdLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &si, &pi);
        const DWORD dwError = ::GetLastError();
        ::SetEnvironmentVariableA("WINEDEBUG", getenv("WINEDEBUG"));
        if (!bStarted) {
            printf("CZelvixProcess: cannot start %s (error %lu)\n", cmdLine.c_str(), dwError);
            return false;
        }
        ::AssignProcessToJobObject(m_hJob, pi.hProcess);   // before it runs a single instruction
        ::ResumeThread(pi.hThread);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(m_hProcess);
        m_hProcess = pi.hProcess;
        m_dwProcessId = pi.dwProcessId;
        return true;
    }

    // The trace file's text since the last Start(true). Wine writes the trace to the Unix standard
    // error the program inherits, which scripts/wine-exec sends to ZELVIX_REG_TRACE for the whole
    // driver: trace one instance at a time.
    std::string GetRegTrace() const
    {
        const std::string text = ReadTextFile(getenv("ZELVIX_REG_TRACE") != NULL ? getenv("ZELVIX_REG_TRACE") : "");
        return m_nTraceStart < text.size() ? text.substr(m_nTraceStart) : std::string();
    }

    bool WaitForExit(DWORD dwMs) { return !m_hProcess || ::WaitForSingleObject(m_hProcess, dwMs) == WAIT_OBJECT_0; }

    void Kill()   // at once, no clean shut-down
    {
        if (IsRunning() && ::TerminateProcess(m_hProcess, 1))
            ::WaitForSingleObject(m_hProcess, 5000);
    }

    // attributes
    bool IsRunning() const { return m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT; }
    DWORD GetExitCode() const   // STILL_ACTIVE while it runs
    {
        DWORD dwCode = 0;
        ::GetExitCodeProcess(m_hProcess, &dwCode);
        return dwCode;
    }
    DWORD GetProcessId() const { return m_dwProcessId; }
    HANDLE GetProcessHandle() const { return m_hProcess; }

private:
    // data members
    HANDLE m_hJob;   // kill on close
    HANDLE m_hProcess = NULL;
    DWORD m_dwProcessId = 0;
    size_t m_nTraceStart = 0;   // size of the trace file at the last Start(true)
};

#endif // ZELVIX_E2E_ZELVIX_PROCESS_H
