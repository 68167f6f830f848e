// dist_install.cpp - the installer as a user meets it, in a fresh prefix (tests/dist/run-install-test
// makes one): a silent install puts the files, the Start-menu shortcut and the uninstall entry in
// place; the installed program runs and publishes its own folder's still image; the uninstaller
// refuses while the program runs; installing again replaces the installation in place; a silent
// uninstall removes all it installed and leaves the capture filter's key alone.
//   ZELVIX_SETUP     the installer (Windows path)
//   ZELVIX_VERSION   the version it carries, e.g. 1.0.0.0
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <set>
#include <string>

#include "common/observe.h"

namespace
{
const wchar_t PRODUCT[] = L"ZELVIX直播伴侣";
const wchar_t UNINSTALL_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZELVIX Live Companion";
const DWORD WAIT_MS = 60000;

std::wstring Folder(int nCsidl)
{
    wchar_t sz[MAX_PATH] = L"";
    ::SHGetFolderPathW(NULL, nCsidl, NULL, SHGFP_TYPE_CURRENT, sz);
    return sz;
}

std::string Narrow(const std::wstring& str, UINT nCodePage = CP_ACP)
{
    char sz[1024] = "";
    ::WideCharToMultiByte(nCodePage, 0, str.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return sz;
}

bool Exists(const std::wstring& strPath) { return ::GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::set<std::wstring> FilesIn(const std::wstring& strDir)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((strDir + L"\\*").c_str(), &fd);
    for (BOOL b = h != INVALID_HANDLE_VALUE; b; b = ::FindNextFileW(h, &fd))
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
            names.insert(fd.cFileName);
    if (h != INVALID_HANDLE_VALUE)
        ::FindClose(h);
    return names;
}

// The bytes of all files in strDir.
int SizeOf(const std::wstring& strDir)
{
    int nBytes = 0;
    for (const std::wstring& strName : FilesIn(strDir)) {
        WIN32_FILE_ATTRIBUTE_DATA fad = {};
        ::GetFileAttributesExW((strDir + L"\\" + strName).c_str(), GetFileExInfoStandard, &fad);
        nBytes += (int)fad.nFileSizeLow;
    }
    return nBytes;
}

// Starts a program (pi zeroed if it could not).
PROCESS_INFORMATION Start(std::wstring strCommand)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessW(NULL, &strCommand[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        ::CloseHandle(pi.hThread);
    return pi;
}

// Waits for a started program; its exit code, or -1 if it did not start or end.
int WaitFor(PROCESS_INFORMATION pi)
{
    DWORD dwCode = (DWORD)-1;
    if (pi.hProcess != NULL && ::WaitForSingleObject(pi.hProcess, WAIT_MS) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwCode);
    ::CloseHandle(pi.hProcess);
    return (int)dwCode;
}
int RunAndWait(const std::wstring& strCommand) { return WaitFor(Start(strCommand)); }

// The values of a key in the 32-bit view, name -> type and data as text (a DWORD in decimal);
// empty if there is no key.
std::map<std::wstring, std::wstring> Values(HKEY hRoot, const wchar_t* pszPath)
{
    std::map<std::wstring, std::wstring> values;
    HKEY hKey = NULL;
    wchar_t szName[256], szData[1024];
    DWORD cchName = 256, cb = sizeof(szData) - 2, dwType = 0;
    for (DWORD i = ::RegOpenKeyExW(hRoot, pszPath, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) == ERROR_SUCCESS ? 0 : ~0u;
         i != ~0u && ::RegEnumValueW(hKey, i, szName, &cchName, NULL, &dwType, (BYTE*)szData, &cb) == ERROR_SUCCESS;
         ++i, cchName = 256, cb = sizeof(szData) - 2) {
        szData[cb / 2] = L'\0';
        values[szName] = std::to_wstring(dwType) + L":" + (dwType == REG_DWORD ? std::to_wstring(*(DWORD*)szData) : szData);
    }
    ::RegCloseKey(hKey);
    return values;
}

std::wstring ShortcutTarget(const std::wstring& strLink)
{
    std::wstring strTarget;
    IShellLinkW* pLink = NULL;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&pLink))) {
        IPersistFile* pFile = NULL;
        wchar_t sz[MAX_PATH] = L"";
        if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, (void**)&pFile)) && SUCCEEDED(pFile->Load(strLink.c_str(), STGM_READ))
            && SUCCEEDED(pLink->GetPath(sz, MAX_PATH, NULL, 0)))
            strTarget = sz;
        if (pFile)
            pFile->Release();
        pLink->Release();
    }
    return strTarget;
}

TEST(Installer, InstallsRunsRefusesWhileRunningReinstallsAndUninstallsCleanly)
{
    ::CoInitialize(NULL);
    const char* pszSetup = getenv("ZELVIX_SETUP");
    const char* pszVersion = getenv("ZELVIX_VERSION");
    ASSERT_TRUE(pszSetup && pszVersion) << "ZELVIX_SETUP and ZELVIX_VERSION are not set";
    const std::wstring strSetup(pszSetup, pszSetup + strlen(pszSetup));
    const std::wstring strDir = Folder(CSIDL_PROGRAM_FILES) + L"\\" + PRODUCT;
    const std::wstring strExe = strDir + L"\\zelvix.exe", strUninstaller = strDir + L"\\uninstall.exe";
    const std::wstring strLink = Folder(CSIDL_COMMON_PROGRAMS) + L"\\" + PRODUCT + L".lnk";
    const std::set<std::wstring> installed = { L"zelvix.exe", L"zelvix-doctor.exe", L"1.bmp", L"说明.txt", L"uninstall.exe" };

    for (int nPass = 1; nPass <= 2; ++nPass) {   // the second installs over the first
        SCOPED_TRACE(nPass == 1 ? "first install" : "install over the first");
        LogStep("silent install %d", nPass);
        ASSERT_EQ(0, RunAndWait(L"\"" + strSetup + L"\" /S"));
        LogStep("installed");
        EXPECT_EQ(installed, FilesIn(strDir)) << Narrow(strDir, CP_UTF8);
        EXPECT_EQ(0, lstrcmpiW(strExe.c_str(), ShortcutTarget(strLink).c_str())) << "Start-menu shortcut";
        EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + PRODUCT + L".lnk")) << "desktop shortcut not asked for";
        std::map<std::wstring, std::wstring> entry = Values(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
        EXPECT_EQ(std::wstring(L"1:") + PRODUCT, entry[L"DisplayName"]);
        EXPECT_EQ(L"1:" + std::wstring(pszVersion, pszVersion + strlen(pszVersion)), entry[L"DisplayVersion"]);
        EXPECT_EQ(L"1:ZELVIX", entry[L"Publisher"]);
        EXPECT_EQ(L"1:" + strExe + L",0", entry[L"DisplayIcon"]);
        EXPECT_EQ(L"1:\"" + strUninstaller + L"\"", entry[L"UninstallString"]);
        EXPECT_NEAR(SizeOf(strDir) / 1024, _wtoi(entry[L"EstimatedSize"].c_str() + 2), 8) << "KB";
    }

    // The installed program runs, and points the filter at its own folder's still image.
    CZelvixProcess program;
    ASSERT_TRUE(program.Start(false, false, Narrow(strExe)));
    ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return FindCaptureFrame(program.GetProcessId()) != NULL; })) << "no frame";
    SeedTickSentinels();
    ASSERT_TRUE(WaitStable(WAIT_MS, [] { return CaptureDword("param_set") == 1; })) << "no tick";
    EXPECT_EQ(Narrow(strDir) + "\\1.bmp", CaptureString("img_filename"));

    // In place (_?=), so that its exit code is its own verdict: a silent one refuses; a shown one
    // says why and offers to retry, and cancelling ends it.
    const std::wstring strInPlace = L"\"" + strUninstaller + L"\" _?=" + strDir;
    LogStep("uninstall while the program runs");
    EXPECT_EQ(2, RunAndWait(strInPlace + L" /S")) << "the silent uninstaller did not refuse";
    const PROCESS_INFORMATION pi = Start(strInPlace);
    HWND hBox = NULL;
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] {
        hBox = FindProcessWindow(pi.dwProcessId, [](HWND h) {
            wchar_t sz[256] = L"";
            HWND hText = ::GetDlgItem(h, 0xFFFF);
            ::GetWindowTextW(hText, sz, 256);
            return ::IsWindowVisible(h) && ::GetDlgItem(h, IDRETRY) != NULL && wcsstr(sz, L"正在运行") != NULL;
        });
        return hBox != NULL;
    })) << "no message with a retry button saying the program runs";
    ::PostMessageW(hBox, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(2, WaitFor(pi)) << "cancelled uninstaller";
    EXPECT_EQ(installed, FilesIn(strDir)) << "files went while the program ran";
    program.Kill();

    const wchar_t FILTER_KEY[] = L"SOFTWARE\\screen-capture-recorder";
    const std::map<std::wstring, std::wstring> filterKey = Values(HKEY_CURRENT_USER, FILTER_KEY);
    LogStep("silent uninstall");
    ASSERT_EQ(0, RunAndWait(L"\"" + strUninstaller + L"\" /S"));
    // It goes on from a copy of itself in the temporary folder.
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !Exists(strDir); })) << Narrow(strDir, CP_UTF8) << " stays";
    LogStep("uninstalled");
    EXPECT_FALSE(Exists(strLink)) << "Start-menu shortcut stays";
    EXPECT_TRUE(Values(HKEY_LOCAL_MACHINE, UNINSTALL_KEY).empty()) << "uninstall entry stays";
    EXPECT_FALSE(filterKey.empty());
    EXPECT_EQ(filterKey, Values(HKEY_CURRENT_USER, FILTER_KEY)) << "the capture filter's key changed";
    ::CoUninitialize();
}

} // namespace
