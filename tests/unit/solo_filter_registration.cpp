// solo_filter_registration.cpp - the installed capture filters as FindInstalledFilters lists them,
// with the real public DLLs (and copies of them) registered by regsvr32 in the test prefix, as an
// installer would, and registrations written by hand. Every test leaves the prefix with none
// registered; the suite also unregisters first, in case an earlier run died midway.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "capture/filter_registration.h"
#include "tests/common/filter_dll.h"
#include "res/version.h"

using namespace zelvix;

namespace
{
std::wstring Wide(const char* pszAscii) { return std::wstring(pszAscii, pszAscii + strlen(pszAscii)); }

std::string Utf8(const std::wstring& w)
{
    std::string s(w.size() * 3 + 1, '\0');
    s.resize(::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], (int)s.size(), NULL, NULL) - 1);
    return s;
}

std::wstring FilterDll(int nBits)   // beside the repository; Z: is the Unix root
{
    std::wstring path = L"Z:" + Wide(ZELVIX_FILTER_DIR) + (nBits == 64 ? L"/screen-capture-recorder-x64.dll" : L"/screen-capture-recorder.dll");
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

#define REGISTER_OR_SKIP(bits, dll)                                                              \
    do {                                                                                         \
        std::string why;                                                                         \
        const int n = Regsvr32(bits, dll, false, &why);                                          \
        if (n < 0) {                                                                             \
            GTEST_SKIP() << why;                                                                 \
        }                                                                                        \
        ASSERT_EQ(0, n) << "regsvr32 of " << Utf8(dll);                                          \
    } while (0)

std::wstring TempDir() { wchar_t sz[MAX_PATH]; ::GetTempPathW(MAX_PATH, sz); return std::wstring(sz) + L"zelvix-filter-test\\"; }

bool SetText(const std::wstring& key, const wchar_t* pszName, DWORD dwType, const std::wstring& text)
{
    HKEY hKey;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) != ERROR_SUCCESS)
        return false;
    const LONG lResult = ::RegSetValueExW(hKey, pszName, 0, dwType, (const BYTE*)text.c_str(), (DWORD)(text.size() + 1) * 2);
    ::RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

// Registrations by hand, in this process's view: {CLSID, FriendlyName, DLL in TempDir()}.
const struct { const wchar_t* pszClsid; const wchar_t* pszName; const wchar_t* pszFile; } kByHand[] = {
    {L"{5A1E0001-0000-4000-8000-00000000ABCD}", L"ZELVIX 测试源", L"by-hand.dll"},              // reads the key
    {L"{5A1E0002-0000-4000-8000-00000000ABCD}", L"Other camera", L"other.dll"},                // does not
    {L"{5A1E0003-0000-4000-8000-00000000ABCD}", L"screen-capture-recorder", L"none.dll"}};     // missing

std::wstring InstanceKey(const wchar_t* pszClsid) { return L"CLSID\\" + Wide(kVideoInputCategory) + L"\\Instance\\" + pszClsid; }

void UnregisterAll()
{
    for (int nBits : {32, 64})
        Regsvr32(nBits, FilterDll(nBits), true);   // a copy of the same width shares its keys
    for (const auto& r : kByHand) {
        for (const std::wstring& key : {L"CLSID\\" + std::wstring(r.pszClsid) + L"\\InprocServer32", L"CLSID\\" + std::wstring(r.pszClsid), InstanceKey(r.pszClsid)})
            ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        ::DeleteFileW((TempDir() + r.pszFile).c_str());
    }
    ::DeleteFileW((SystemDir(96 - kOwnBits) + L"\\zelvix-test.dll").c_str());
    ::DeleteFileW((TempDir() + L"copy.dll").c_str());
}

// "name clsid bits dll exists|missing version reads...", a line each
std::string Describe(const std::vector<InstalledFilter>& filters)
{
    std::string s;
    for (const InstalledFilter& f : filters)
        s += f.strName + " " + f.strClsid + " " + std::to_string(f.nBits) + " " + f.strDll + (f.bExists ? " exists " : " missing ") +
             (f.strVersion.empty() ? "-" : f.strVersion) + (f.reads.bKey ? " key" : "") + (f.reads.bShowImg ? " show_img" : "") +
             (f.reads.bImgFilename ? " img_filename" : "") + (f.reads.bParamSet ? " param_set" : "") + "\n";
    return s;
}

std::string Public(int nBits, const std::wstring& dll, const char* pszState = " exists - key")   // no version resource
{
    return std::string("screen-capture-recorder ") + (nBits == 64 ? kPublicFilterClsid64 : kPublicFilterClsid32) + " " +
           std::to_string(nBits) + " " + Utf8(dll) + pszState + "\n";
}

class FilterRegistration : public testing::Test
{
protected:
    static void SetUpTestSuite() { UnregisterAll(); ::CreateDirectoryW(TempDir().c_str(), NULL); }
    void TearDown() override { UnregisterAll(); }
    const std::wstring m_copy = TempDir() + L"copy.dll";
};
} // namespace

TEST_F(FilterRegistration, ThePublicBuildsInEitherViewAndNoneAtFirst)
{
    EXPECT_EQ("", Describe(FindInstalledFilters()));
    REGISTER_OR_SKIP(kOwnBits, FilterDll(kOwnBits));
    EXPECT_EQ(Public(kOwnBits, FilterDll(kOwnBits)), Describe(FindInstalledFilters()));
    CFilterRegistrationWatch watch;   // the minute's check reads nothing while nothing changes
    EXPECT_TRUE(watch.HasChanged());
    EXPECT_FALSE(watch.HasChanged());
    ASSERT_EQ(0, Regsvr32(kOwnBits, FilterDll(kOwnBits), true));
    EXPECT_TRUE(watch.HasChanged());
    const int nOther = 96 - kOwnBits;
    REGISTER_OR_SKIP(nOther, FilterDll(nOther));
    EXPECT_EQ(Public(nOther, FilterDll(nOther)), Describe(FindInstalledFilters()));
    REGISTER_OR_SKIP(kOwnBits, FilterDll(kOwnBits));
    EXPECT_EQ(Public(32, FilterDll(32)) + Public(64, FilterDll(64)), Describe(FindInstalledFilters()));
}

TEST_F(FilterRegistration, ADeletedCopyAndABuildThatReadsTheProductsValues)
{
    ASSERT_TRUE(CopyWritable(FilterDll(kOwnBits), m_copy));
    REGISTER_OR_SKIP(kOwnBits, m_copy);
    ASSERT_TRUE(::DeleteFileW(m_copy.c_str()));
    EXPECT_EQ(Public(kOwnBits, m_copy, " missing -"), Describe(FindInstalledFilters()));

    ASSERT_TRUE(MakeShowImgCopy(FilterDll(kOwnBits), m_copy));   // the names past the last section
    REGISTER_OR_SKIP(kOwnBits, m_copy);
    EXPECT_EQ(Public(kOwnBits, m_copy, " exists - key show_img img_filename param_set"), Describe(FindInstalledFilters()));
}

// A build of the other width in its own system folder: registered as System32\..., which is
// another folder for this process (Sysnative or SysWOW64 here).
TEST_F(FilterRegistration, ABuildOfTheOtherWidthInItsSystemFolder)
{
    const int nOther = 96 - kOwnBits;
    if (SystemDir(nOther).empty())
        GTEST_SKIP() << "no " << nOther << "-bit system folder here";
    ASSERT_TRUE(CopyWritable(FilterDll(nOther), SystemDir(nOther) + L"\\zelvix-test.dll"));
    wchar_t szSystem[MAX_PATH];   // System32, as processes of either width name it
    ::GetSystemDirectoryW(szSystem, MAX_PATH);
    const std::wstring dll = std::wstring(szSystem) + L"\\zelvix-test.dll";
    REGISTER_OR_SKIP(nOther, dll);
    EXPECT_EQ(Public(nOther, dll), Describe(FindInstalledFilters()));
}

// As an installer might write them: expandable paths and names of their own. by-hand.dll is a copy
// of this test, which has a version resource and holds all four names (see MakeShowImgCopy);
// other.dll, a system library's copy, holds none and is no build of the filter.
TEST_F(FilterRegistration, ARegistrationByHandGoesByWhatItsDllReads)
{
    for (const auto& r : kByHand) {
        ASSERT_TRUE(SetText(InstanceKey(r.pszClsid), L"CLSID", REG_SZ, r.pszClsid));
        ASSERT_TRUE(SetText(InstanceKey(r.pszClsid), L"FriendlyName", REG_SZ, r.pszName));
        ASSERT_TRUE(SetText(L"CLSID\\" + std::wstring(r.pszClsid) + L"\\InprocServer32", NULL, REG_EXPAND_SZ,
                            L"%TMP%\\zelvix-filter-test\\" + std::wstring(r.pszFile)));
    }
    wchar_t szSelf[MAX_PATH];
    ::GetModuleFileNameW(NULL, szSelf, MAX_PATH);
    ASSERT_TRUE(CopyWritable(szSelf, TempDir() + L"by-hand.dll"));
    ASSERT_TRUE(CopyWritable(SystemDir(kOwnBits) + L"\\version.dll", TempDir() + L"other.dll"));
    const std::string bits = " " + std::to_string(kOwnBits) + " ";
    EXPECT_EQ(u8"ZELVIX 测试源 {5A1E0001-0000-4000-8000-00000000ABCD}" + bits + Utf8(TempDir()) +
                  "by-hand.dll exists " ZELVIX_VERSION_TEXT " key show_img img_filename param_set\n"
                  "screen-capture-recorder {5A1E0003-0000-4000-8000-00000000ABCD}" + bits + Utf8(TempDir()) + "none.dll missing -\n",
              Describe(FindInstalledFilters()));
}

// The cache reads a DLL once while it stays the same: a DLL nobody may open is still known to it.
TEST_F(FilterRegistration, TheCacheReadsEachDllOnceWhileItIsUnchanged)
{
    ASSERT_TRUE(CopyWritable(FilterDll(kOwnBits), m_copy));
    AppendBytes(m_copy, std::string(340 * 1024, '\0'));   // as large as the product's build
    REGISTER_OR_SKIP(kOwnBits, m_copy);
    CFilterScanCache cache;
    FindInstalledFilters(&cache);
    LARGE_INTEGER f, t0, t1, t2;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < 20; ++i) FindInstalledFilters();
    ::QueryPerformanceCounter(&t1);
    for (int i = 0; i < 20; ++i) FindInstalledFilters(&cache);
    ::QueryPerformanceCounter(&t2);
    printf("FindInstalledFilters, one registration, a 400 KB DLL: %.2f ms uncached, %.2f ms cached\n",
           (t1.QuadPart - t0.QuadPart) * 1000.0 / f.QuadPart / 20, (t2.QuadPart - t1.QuadPart) * 1000.0 / f.QuadPart / 20);

    HANDLE hLock = ::CreateFileW(m_copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
    EXPECT_EQ(Public(kOwnBits, m_copy), Describe(FindInstalledFilters(&cache)));
    EXPECT_EQ(Public(kOwnBits, m_copy, " exists -"), Describe(FindInstalledFilters()));   // unreadable: by its CLSID
    ::SetFilePointer(hLock, 0, NULL, FILE_END);
    DWORD cb = 0;
    ::WriteFile(hLock, "param_set", 9, &cb, NULL);   // a changed DLL is read again
    ::CloseHandle(hLock);
    EXPECT_EQ(Public(kOwnBits, m_copy, " exists - key param_set"), Describe(FindInstalledFilters(&cache)));
    ASSERT_EQ(0, Regsvr32(kOwnBits, FilterDll(kOwnBits), true));
    EXPECT_EQ("", Describe(FindInstalledFilters(&cache)));
    EXPECT_EQ(0u, cache.GetCount()) << "an unregistered DLL stays remembered";
}
