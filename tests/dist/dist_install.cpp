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
#include "common/zelvix_process.h"

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

// Runs a program and waits for it; its exit code, or -1 if it could not start or did not end.
int RunAndWait(const std::wstring& strCommand)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = strCommand;
    if (!::CreateProcessW(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    DWORD dwCode = (DWORD)-1;
    if (::WaitForSingleObject(pi.hProcess, WAIT_MS) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return (int)dwCode;
}

// The uninstall entry's values as text (numbers in decimal), empty if there is no entry.
std::map<std::wstring, std::wstring> UninstallEntry()
{
    std::map<std::wstring, std::wstring> values;
    HKEY hKey = NULL;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ | KEY_WOW64_32KEY, &hKey) != ERROR_SUCCESS)
        return values;
    wchar_t szName[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = 256, cb = sizeof(data) - 2, dwType = 0;
        if (::RegEnumValueW(hKey, i, szName, &cchName, NULL, &dwType, data, &cb) != ERROR_SUCCESS)
            break;
        data[cb] = data[cb + 1] = 0;
        values[szName] = dwType == REG_DWORD ? std::to_wstring(*(DWORD*)data) : std::wstring((wchar_t*)data);
    }
    ::RegCloseKey(hKey);
    return values;
}

// Every value of the capture filter's key, name -> type and bytes.
std::map<std::string, std::string> FilterKey()
{
    std::map<std::string, std::string> values;
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\screen-capture-recorder", 0, KEY_READ | KEY_WOW64_32KEY, &hKey) != ERROR_SUCCESS)
        return values;
    char szName[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = 256, cb = sizeof(data), dwType = 0;
        if (::RegEnumValueA(hKey, i, szName, &cchName, NULL, &dwType, data, &cb) != ERROR_SUCCESS)
            break;
        values[szName] = std::to_string(dwType) + ":" + std::string((char*)data, cb);
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
        std::map<std::wstring, std::wstring> entry = UninstallEntry();
        const std::wstring strVersion(pszVersion, pszVersion + strlen(pszVersion));
        EXPECT_EQ(PRODUCT, entry[L"DisplayName"]);
        EXPECT_EQ(strVersion, entry[L"DisplayVersion"]);
        EXPECT_EQ(L"ZELVIX", entry[L"Publisher"]);
        EXPECT_EQ(strExe + L",0", entry[L"DisplayIcon"]);
        EXPECT_EQ(L"\"" + strUninstaller + L"\"", entry[L"UninstallString"]);
        EXPECT_NEAR(SizeOf(strDir) / 1024, _wtoi(entry[L"EstimatedSize"].c_str()), 8) << "KB";
    }

    // The installed program runs, and points the filter at its own folder's still image.
    CZelvixProcess program;
    ASSERT_TRUE(program.StartExe(Narrow(strExe)));
    ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return FindCaptureFrame(program.GetProcessId()) != NULL; })) << "no frame";
    SeedTickSentinels();
    DWORD dwSet = 0;
    ASSERT_TRUE(WaitStable(WAIT_MS, [&] { return ReadCaptureDword("param_set", &dwSet) && dwSet == 1; })) << "no tick";
    char szImage[1024] = "";
    EXPECT_TRUE(CaptureValue("img_filename", REG_SZ, szImage, sizeof(szImage)));
    EXPECT_EQ(Narrow(strDir) + "\\1.bmp", szImage);

    // In place (_?=), so that its exit code is its own verdict: a silent one refuses; a shown one
    // says why and offers to retry, and cancelling ends it.
    const std::wstring strInPlace = L"\"" + strUninstaller + L"\" _?=" + strDir;
    LogStep("uninstall while the program runs");
    EXPECT_EQ(2, RunAndWait(strInPlace + L" /S")) << "the silent uninstaller did not refuse";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = strInPlace;
    ASSERT_TRUE(::CreateProcessW(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi));
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
    DWORD dwCode = 0;
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, WAIT_MS));
    ::GetExitCodeProcess(pi.hProcess, &dwCode);
    EXPECT_EQ(2u, dwCode) << "cancelled uninstaller";
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(installed, FilesIn(strDir)) << "files went while the program ran";
    program.Kill();

    const std::map<std::string, std::string> filterKey = FilterKey();
    LogStep("silent uninstall");
    ASSERT_EQ(0, RunAndWait(L"\"" + strUninstaller + L"\" /S"));
    // It goes on from a copy of itself in the temporary folder.
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !Exists(strDir); })) << Narrow(strDir, CP_UTF8) << " stays";
    LogStep("uninstalled");
    EXPECT_FALSE(Exists(strLink)) << "Start-menu shortcut stays";
    EXPECT_TRUE(UninstallEntry().empty()) << "uninstall entry stays";
    EXPECT_FALSE(filterKey.empty());
    EXPECT_EQ(filterKey, FilterKey()) << "the capture filter's key changed";
    ::CoUninitialize();
}

} // namespace
