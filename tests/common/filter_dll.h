// filter_dll.h - the capture filter's DLL in the test prefix, as an installer puts it there
// (header-only, without GoogleTest):
//   SystemDir, Regsvr32   the system folder and the regsvr32 of a width, from a process of either
//   CopyWritable          a copy of a read-only file that the test may change and delete
//   AppendBytes, U16      bytes past a file's end; ASCII as UTF-16LE, as a DLL holds its names
//   MakeShowImgCopy       a copy of a DLL that also names the product's own values: a build that
//                         reads show_img, as FindInstalledFilters judges it
#ifndef ZELVIX_E2E_FILTER_DLL_H
#define ZELVIX_E2E_FILTER_DLL_H

#include <windows.h>

#include <string>

const int kOwnBits = (int)sizeof(void*) * 8;   // the width every test can register: its own

// The system folder of that width as this process names it; empty where there is none.
inline std::wstring SystemDir(int nBits)
{
    wchar_t sz[MAX_PATH] = L"";
    BOOL bWow64 = FALSE;
    if (nBits == kOwnBits)
        ::GetSystemDirectoryW(sz, MAX_PATH);
    else if (nBits == 32 && ::GetSystemWow64DirectoryW(sz, MAX_PATH) == 0)
        sz[0] = L'\0';
    else if (nBits == 64 && ::IsWow64Process(::GetCurrentProcess(), &bWow64) && bWow64 && ::GetWindowsDirectoryW(sz, MAX_PATH))
        wcscat(sz, L"\\Sysnative");   // the real System32, seen from a 32-bit process
    return sz;
}

// regsvr32 /s of that width: its exit code (258 if it did not end within a minute), or -1 with the
// reason when it cannot start here.
inline int Regsvr32(int nBits, const std::wstring& dll, bool bUnregister, std::string* pWhy = nullptr)
{
    std::wstring cmd = L"\"" + SystemDir(nBits) + L"\\regsvr32.exe\" /s " + (bUnregister ? L"/u \"" : L"\"") + dll + L"\"";
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (SystemDir(nBits).empty() || !::CreateProcessW(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        if (pWhy) *pWhy = "no " + std::to_string(nBits) + "-bit regsvr32 starts here (error " + std::to_string(::GetLastError()) + ")";
        return -1;
    }
    DWORD dwExit = WAIT_TIMEOUT;
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwExit);
    else
        ::TerminateProcess(pi.hProcess, WAIT_TIMEOUT);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return (int)dwExit;
}

// The filter's files are read-only beside the repository; their copies must not be.
inline bool CopyWritable(const std::wstring& from, const std::wstring& to)
{
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) && ::SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

inline bool AppendBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE hFile = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, NULL, OPEN_EXISTING, 0, NULL);
    DWORD cb = 0;
    const bool bDone = hFile != INVALID_HANDLE_VALUE && ::WriteFile(hFile, bytes.data(), (DWORD)bytes.size(), &cb, NULL) &&
                       cb == bytes.size();
    if (hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(hFile);
    return bDone;
}

inline std::string U16(const std::string& s) { std::string w; for (char c : s) w += std::string(1, c) + '\0'; return w; }

inline bool MakeShowImgCopy(const std::wstring& from, const std::wstring& to)
{
    return CopyWritable(from, to) && AppendBytes(to, U16("show_img") + U16("img_filename") + U16("param_set"));
}

#endif // ZELVIX_E2E_FILTER_DLL_H
