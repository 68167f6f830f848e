// dist_install.cpp - the installer as a user meets it, in a fresh prefix (tests/dist/run-install-test
// makes one): a silent install, and a second one over it, leave the files, the Start-menu shortcuts
// (the program and the doctor's window) and the uninstall entry in place; the installed program runs and publishes its own folder's
// still image; the uninstaller refuses while it runs; a silent uninstall removes all it installed
// and leaves the capture filter's values alone. Built in each tree, it checks the installer of its
// own bitness: the Program Files folder and the uninstall entry's registry view are those a process
// of that bitness sees (the shipped 32-bit installer, or the amd64 one run-install-test builds).
//   ZELVIX_SETUP     the installer (Windows path)
//   ZELVIX_VERSION   the version it carries, e.g. 1.0.0.0
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "tests/common/observe.h"

namespace
{
const wchar_t PRODUCT[] = L"ZELVIX直播伴侣";
const DWORD WAIT_MS = 60000;

std::wstring Folder(int nCsidl)
{
    wchar_t sz[MAX_PATH] = L"";
    ::SHGetFolderPathW(NULL, nCsidl, NULL, SHGFP_TYPE_CURRENT, sz);
    return sz;
}

std::string Narrow(const std::wstring& str)
{
    char sz[1024] = "";
    ::WideCharToMultiByte(CP_ACP, 0, str.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return sz;
}

bool Exists(const std::wstring& strPath) { return ::GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs a command to its end: its exit code, or -1 if it did not start or end.
int RunToEnd(std::wstring strCommand)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    DWORD dwCode = (DWORD)-1;
    if (::CreateProcessW(NULL, &strCommand[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)
        && ::WaitForSingleObject(pi.hProcess, WAIT_MS) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return (int)dwCode;
}

// A text value of the uninstall entry; empty without one.
std::wstring UninstallValue(const wchar_t* pszName)
{
    wchar_t sz[1024] = L"";
    DWORD cb = sizeof(sz);
    ::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZELVIX Live Companion",
                   pszName, RRF_RT_REG_SZ, NULL, sz, &cb);
    return sz;
}

std::wstring ShortcutTarget(const std::wstring& strLink)
{
    wchar_t sz[MAX_PATH] = L"";
    IShellLinkW* pLink = NULL;
    IPersistFile* pFile = NULL;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&pLink))
        && SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, (void**)&pFile)) && SUCCEEDED(pFile->Load(strLink.c_str(), STGM_READ)))
        pLink->GetPath(sz, MAX_PATH, NULL, 0);
    if (pFile)
        pFile->Release();
    if (pLink)
        pLink->Release();
    return sz;
}

TEST(Installer, InstallsRunsRefusesWhileRunningReinstallsAndUninstallsCleanly)
{
    ::CoInitialize(NULL);
    const char* pszSetup = getenv("ZELVIX_SETUP");
    const char* pszVersion = getenv("ZELVIX_VERSION");
    ASSERT_TRUE(pszSetup && pszVersion) << "ZELVIX_SETUP and ZELVIX_VERSION are not set";
    const std::wstring strDir = Folder(CSIDL_PROGRAM_FILES) + L"\\" + PRODUCT;
    const std::wstring strExe = strDir + L"\\zelvix.exe", strUninstaller = strDir + L"\\uninstall.exe";
    const std::wstring strLink = Folder(CSIDL_COMMON_PROGRAMS) + L"\\" + PRODUCT + L".lnk";
    const std::wstring strDoctorLink = Folder(CSIDL_COMMON_PROGRAMS) + L"\\检查直播画面.lnk";
    // Anything installed besides these would be left behind by the uninstaller, and its folder with it.
    const wchar_t* const installed[] = { L"zelvix.exe", L"zelvix-doctor.exe", L"zelvix-doctor.com", L"1.bmp", L"说明.txt", L"uninstall.exe" };

    for (int nPass = 1; nPass <= 2; ++nPass) {   // the second replaces the first in place
        LogStep("silent install %d", nPass);
        ASSERT_EQ(0, RunToEnd(L"\"" + std::wstring(pszSetup, pszSetup + strlen(pszSetup)) + L"\" /S")) << "install " << nPass;
    }
    for (const wchar_t* pszFile : installed)
        EXPECT_TRUE(Exists(strDir + L"\\" + pszFile)) << Narrow(pszFile) << " is not installed";
    EXPECT_EQ(0, lstrcmpiW(strExe.c_str(), ShortcutTarget(strLink).c_str())) << "Start-menu shortcut";
    EXPECT_EQ(0, lstrcmpiW((strDir + L"\\zelvix-doctor.exe").c_str(), ShortcutTarget(strDoctorLink).c_str())) << "the doctor's shortcut";
    EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + PRODUCT + L".lnk")) << "desktop shortcut not asked for";
    const std::pair<const wchar_t*, std::wstring> entry[] = {
        { L"DisplayName", PRODUCT },
        { L"DisplayVersion", std::wstring(pszVersion, pszVersion + strlen(pszVersion)) },
        { L"Publisher", L"ZELVIX" },
        { L"DisplayIcon", strExe + L",0" },
        { L"UninstallString", L"\"" + strUninstaller + L"\"" },
    };
    for (const auto& value : entry)
        EXPECT_EQ(value.second, UninstallValue(value.first)) << Narrow(value.first);

    // The installed program runs, and points the filter at its own folder's still image.
    CZelvixProcess program;
    ASSERT_TRUE(program.Start(false, false, Narrow(strExe)));
    SeedTickSentinels();
    ASSERT_TRUE(WaitStable(WAIT_MS, [] { return CaptureDword("param_set") == 1; })) << "no tick";
    const std::string strImage = Narrow(strDir) + "\\1.bmp";
    EXPECT_EQ(strImage, CaptureString("img_filename"));

    // Run in place (_?=), so that its exit code is its own verdict.
    LogStep("uninstall while the program runs");
    EXPECT_EQ(2, RunToEnd(L"\"" + strUninstaller + L"\" _?=" + strDir + L" /S")) << "the uninstaller did not refuse";
    EXPECT_TRUE(Exists(strExe)) << "the program's file went while it ran";
    program.Kill();

    LogStep("silent uninstall");
    ASSERT_EQ(0, RunToEnd(L"\"" + strUninstaller + L"\" /S"));
    // It goes on from a copy of itself in the temporary folder.
    EXPECT_TRUE(WaitStable(WAIT_MS, [&] { return !Exists(strDir); })) << Narrow(strDir) << " stays";
    EXPECT_FALSE(Exists(strLink)) << "Start-menu shortcut stays";
    EXPECT_FALSE(Exists(strDoctorLink)) << "the doctor's shortcut stays";
    EXPECT_EQ(L"", UninstallValue(L"DisplayName")) << "uninstall entry stays";
    EXPECT_EQ(strImage, CaptureString("img_filename")) << "the capture filter's values changed";
    ::CoUninitialize();
}

} // namespace
