// menu_child_process.h - running one test case of this executable in a child process, for the
// owner-drawn menu's answers that are kept for the life of a process (the Windows version code,
// the classic-theme test).
//
//   CScratchKey        a key under HKCU\Software\ZelvixTests for one case, deleted afterwards
//   RunChildTest       runs an executable with a gtest filter and one environment variable
//   ReadDword/WriteDword  values a child leaves in its scratch key
#ifndef ZELVIX_MENU_CHILD_PROCESS_H
#define ZELVIX_MENU_CHILD_PROCESS_H

#include <windows.h>

#include <string>

namespace menutest
{

const char SCRATCH_ROOT[] = "Software\\ZelvixTests";

inline void DeleteKeyTree(HKEY hParent, const char* pszName)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(hParent, pszName, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    char szChild[256];
    for (;;) {
        DWORD cch = sizeof(szChild);
        if (::RegEnumKeyExA(hKey, 0, szChild, &cch, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        DeleteKeyTree(hKey, szChild);
    }
    ::RegCloseKey(hKey);
    ::RegDeleteKeyA(hParent, pszName);
}

class CScratchKey
{
public:
    explicit CScratchKey(const std::string& strName) : m_strPath(std::string(SCRATCH_ROOT) + "\\" + strName)
    {
        DeleteKeyTree(HKEY_CURRENT_USER, m_strPath.c_str());
        HKEY hKey = NULL;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
        if (hKey != NULL)
            ::RegCloseKey(hKey);
    }
    ~CScratchKey()
    {
        DeleteKeyTree(HKEY_CURRENT_USER, m_strPath.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_ROOT);  // only when no other case is left in it
    }
    CScratchKey(const CScratchKey&) = delete;
    CScratchKey& operator=(const CScratchKey&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;  // under HKEY_CURRENT_USER
};

inline bool ReadDword(const std::string& strKey, const char* pszValue, DWORD& dwValue)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0;
    DWORD cb = sizeof(dwValue);
    const bool bRead = ::RegQueryValueExA(hKey, pszValue, NULL, &dwType, (BYTE*)&dwValue, &cb) == ERROR_SUCCESS
                       && dwType == REG_DWORD;
    ::RegCloseKey(hKey);
    return bRead;
}

inline void WriteDword(const std::string& strKey, const char* pszValue, DWORD dwValue)
{
    HKEY hKey = NULL;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL)
        != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(hKey, pszValue, 0, REG_DWORD, (const BYTE*)&dwValue, sizeof(dwValue));
    ::RegCloseKey(hKey);
}

inline std::string ModulePath()
{
    char szPath[MAX_PATH * 2];
    const DWORD n = ::GetModuleFileNameA(NULL, szPath, sizeof(szPath));
    return std::string(szPath, n < sizeof(szPath) ? n : 0);
}

// Runs strExe with --gtest_filter=strFilter and pszEnvName=strEnvValue in its environment.
// Returns the exit code (0: the child's test passed), or -1 when it could not run or took
// longer than a minute.
inline int RunChildTest(const std::string& strExe, const std::string& strFilter, const char* pszEnvName,
                        const std::string& strEnvValue)
{
    std::string strCommand = "\"" + strExe + "\" --gtest_filter=" + strFilter;
    ::SetEnvironmentVariableA(pszEnvName, strEnvValue.c_str());
    STARTUPINFOA si;
    memset(&si, 0, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    memset(&pi, 0, sizeof(pi));
    const BOOL bStarted = ::CreateProcessA(strExe.c_str(), &strCommand[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    ::SetEnvironmentVariableA(pszEnvName, NULL);
    if (!bStarted)
        return -1;
    DWORD dwExit = (DWORD)-1;
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwExit);
    else
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return (int)dwExit;
}

inline bool RunningOnWine()
{
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

} // namespace menutest

#endif // ZELVIX_MENU_CHILD_PROCESS_H
