#include "common/zelvix_process.h"

#include <cstdio>
#include <cstdlib>

std::string ZelvixExePath()
{
    const char* pszExe = getenv("ZELVIX_EXE");
    return pszExe ? pszExe : "";
}

std::string ReadTextFile(const std::string& path)
{
    std::string text;
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return text;
    char buf[65536];
    DWORD cbRead = 0;
    while (ReadFile(hFile, buf, sizeof buf, &cbRead, NULL) && cbRead > 0)
        text.append(buf, cbRead);
    CloseHandle(hFile);
    return text;
}

CZelvixProcess::CZelvixProcess()
    : m_hJob(NULL), m_hProcess(NULL), m_dwProcessId(0), m_nTraceStart(0)
{
}

CZelvixProcess::~CZelvixProcess()
{
    Kill();
    if (m_hProcess)
        CloseHandle(m_hProcess);
    if (m_hJob)
        CloseHandle(m_hJob);
}

static std::string RegTracePath()
{
    const char* pszPath = getenv("ZELVIX_REG_TRACE");
    return pszPath ? pszPath : "";
}

bool CZelvixProcess::Start(bool bTraceRegistry)
{
    const std::string exe = ZelvixExePath();
    if (exe.empty()) {
        fprintf(stdout, "CZelvixProcess: ZELVIX_EXE is not set (run the driver through ctest)\n");
        return false;
    }
    return StartExe(exe, bTraceRegistry);
}

bool CZelvixProcess::StartExe(const std::string& exe, bool bTraceRegistry)
{
    if (IsRunning())
        return false;
    if (m_hProcess) {
        CloseHandle(m_hProcess);
        m_hProcess = NULL;
    }
    if (bTraceRegistry) {
        if (RegTracePath().empty()) {
            fprintf(stdout, "CZelvixProcess: ZELVIX_REG_TRACE is not set (run the driver through ctest)\n");
            return false;
        }
        m_nTraceStart = ReadTextFile(RegTracePath()).size();
    }

    if (!m_hJob) {
        m_hJob = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        ZeroMemory(&limits, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (m_hJob)
            SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    // The child takes its Wine options from the environment it inherits.
    std::string oldDebug;
    bool bHadDebug = false;
    if (bTraceRegistry) {
        char szOld[1024];
        DWORD cch = GetEnvironmentVariableA("WINEDEBUG", szOld, sizeof szOld);
        bHadDebug = cch > 0 && cch < sizeof szOld;
        if (bHadDebug)
            oldDebug = szOld;
        SetEnvironmentVariableA("WINEDEBUG", "-all,+reg");
    }
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    std::string cmdLine = "\"" + exe + "\"";
    PROCESS_INFORMATION pi;
    BOOL bStarted = CreateProcessA(NULL, &cmdLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &si, &pi);
    DWORD dwError = GetLastError();
    if (bTraceRegistry)
        SetEnvironmentVariableA("WINEDEBUG", bHadDebug ? oldDebug.c_str() : NULL);
    if (!bStarted) {
        fprintf(stdout, "CZelvixProcess: cannot start %s (error %lu)\n", exe.c_str(), (unsigned long)dwError);
        return false;
    }
    if (m_hJob)
        AssignProcessToJobObject(m_hJob, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwProcessId = pi.dwProcessId;
    return true;
}

std::string CZelvixProcess::GetRegTrace() const
{
    std::string text = ReadTextFile(RegTracePath());
    std::string trace;
    size_t pos = m_nTraceStart < text.size() ? m_nTraceStart : text.size();
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        size_t next = eol == std::string::npos ? text.size() : eol + 1;
        std::string line = text.substr(pos, next - pos);
        if (line.find(":trace:reg:") != std::string::npos)
            trace += line;
        pos = next;
    }
    return trace;
}

bool CZelvixProcess::WaitForExit(DWORD dwMilliseconds)
{
    return !m_hProcess || WaitForSingleObject(m_hProcess, dwMilliseconds) == WAIT_OBJECT_0;
}

void CZelvixProcess::Kill()
{
    if (IsRunning()) {
        TerminateProcess(m_hProcess, 1);
        WaitForSingleObject(m_hProcess, 5000);
    }
}

bool CZelvixProcess::IsRunning() const
{
    return m_hProcess && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

DWORD CZelvixProcess::GetExitCode() const
{
    DWORD dwCode = 0;
    if (m_hProcess)
        GetExitCodeProcess(m_hProcess, &dwCode);
    return dwCode;
}
