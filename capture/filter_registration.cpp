// filter_registration.cpp - the installed builds of the capture filter (see filter_registration.h).
#include "capture/filter_registration.h"

#include <windows.h>

#include <cwchar>

namespace zelvix {

namespace {

typedef std::vector<wchar_t> CWideText;   // always zero-terminated

#ifdef _WIN64
constexpr int kProcessBits = 64;
#else
constexpr int kProcessBits = 32;
#endif

void Append(CWideText& text, const wchar_t* psz)
{
    if (!text.empty())
        text.pop_back();
    while (*psz != L'\0')
        text.push_back(*psz++);
    text.push_back(L'\0');
}

void Append(CWideText& text, const char* pszAscii)
{
    if (!text.empty())
        text.pop_back();
    while (*pszAscii != '\0')
        text.push_back(static_cast<unsigned char>(*pszAscii++));
    text.push_back(L'\0');
}

std::string Utf8(const wchar_t* psz)
{
    const int cb = ::WideCharToMultiByte(CP_UTF8, 0, psz, -1, NULL, 0, NULL, NULL);
    if (cb <= 1)
        return std::string();
    std::string s(cb, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, psz, -1, &s[0], cb, NULL, NULL);
    s.resize(cb - 1);
    return s;
}

bool EqualNoCase(const std::string& s, const char* pszAscii)
{
    std::size_t i = 0;
    for (; i < s.size() && pszAscii[i] != '\0'; ++i) {
        const char a = s[i] >= 'a' && s[i] <= 'z' ? static_cast<char>(s[i] - 'a' + 'A') : s[i];
        const char b = pszAscii[i] >= 'a' && pszAscii[i] <= 'z' ? static_cast<char>(pszAscii[i] - 'a' + 'A') : pszAscii[i];
        if (a != b)
            return false;
    }
    return i == s.size() && pszAscii[i] == '\0';
}

template <typename PFN>
PFN ProcOf(HMODULE hModule, const char* pszProc)
{
    return hModule != NULL ? reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(::GetProcAddress(hModule, pszProc))) : NULL;
}

// Two registry views exist in a 64-bit process and in a 32-bit one on 64-bit Windows. Elsewhere
// the WOW64 flags mean nothing (Windows 2000 even refuses them), so one plain view is read.
bool HasTwoViews()
{
#ifdef _WIN64
    return true;
#else
    typedef BOOL(WINAPI * PFNISWOW64PROCESS)(HANDLE, PBOOL);
    const PFNISWOW64PROCESS pfnIsWow64Process =
        ProcOf<PFNISWOW64PROCESS>(::GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    BOOL bWow64 = FALSE;
    return pfnIsWow64Process != NULL && pfnIsWow64Process(::GetCurrentProcess(), &bWow64) && bWow64;
#endif
}

// A REG_SZ or REG_EXPAND_SZ value (the latter with its environment variables expanded); false when
// it is missing or of another type. A stored string need not end in a zero: one is added.
bool QueryText(HKEY hKey, const wchar_t* pszName, CWideText& text)
{
    DWORD dwType = 0, cb = 0;
    LONG lResult = ::RegQueryValueExW(hKey, pszName, NULL, &dwType, NULL, &cb);
    for (int nTry = 0; lResult == ERROR_SUCCESS && nTry < 3; ++nTry) {
        if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
            return false;
        text.assign(cb / sizeof(wchar_t) + 1, L'\0');
        lResult = ::RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(text.data()), &cb);
        if (lResult == ERROR_MORE_DATA) {   // it grew in between: cb is its new size
            lResult = ERROR_SUCCESS;
            continue;
        }
        if (lResult != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
            return false;
        text.resize(cb / sizeof(wchar_t));
        text.push_back(L'\0');
        if (dwType == REG_EXPAND_SZ) {
            const DWORD cch = ::ExpandEnvironmentStringsW(text.data(), NULL, 0);
            CWideText expanded(cch + 1, L'\0');
            const DWORD cchGot = cch != 0 ? ::ExpandEnvironmentStringsW(text.data(), expanded.data(), cch + 1) : 0;
            if (cchGot != 0 && cchGot <= cch + 1)
                text.swap(expanded);
        }
        return true;
    }
    return false;
}

// The path by which this process reaches the file that a process of the view's width would open.
// On 64-bit Windows the system folder is a different folder for 32-bit processes: SysWOW64, which
// they see as System32; a 32-bit process reaches the real System32 as Sysnative.
CWideText PathSeenFrom(const CWideText& path, int nBits, bool bTwoViews)
{
    wchar_t szSystem[MAX_PATH];
    const UINT cchSystem = ::GetSystemDirectoryW(szSystem, MAX_PATH);
    if (!bTwoViews || nBits == kProcessBits || cchSystem == 0 || cchSystem >= MAX_PATH ||
        _wcsnicmp(path.data(), szSystem, cchSystem) != 0 || path[cchSystem] != L'\\')
        return path;
    wchar_t szOther[MAX_PATH + 16];
#ifdef _WIN64
    const UINT cchOther = ::GetSystemWow64DirectoryW(szOther, MAX_PATH);
    if (cchOther == 0 || cchOther >= MAX_PATH)
        return path;
#else
    const UINT cchOther = ::GetWindowsDirectoryW(szOther, MAX_PATH);
    if (cchOther == 0 || cchOther >= MAX_PATH)
        return path;
    wcscpy(szOther + cchOther, L"\\Sysnative");
#endif
    CWideText seen;
    Append(seen, szOther);
    Append(seen, path.data() + cchSystem);
    return seen;
}

// Reads the file in chunks, each scanned with the end of the one before it, so that a name across
// a border is found and a file of any size needs no more memory than a chunk.
bool ScanFile(const wchar_t* pszPath, FilterReads& reads)
{
    reads = FilterReads();
    const HANDLE hFile = ::CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    constexpr DWORD kChunk = 64 * 1024;
    std::vector<unsigned char> buffer(kFilterImageNameOverlap + kChunk);
    std::size_t nKept = 0;
    bool bRead = true;
    while (!(reads.bKey && reads.bShowImg && reads.bImgFilename && reads.bParamSet)) {
        DWORD cbRead = 0;
        if (!::ReadFile(hFile, buffer.data() + nKept, kChunk, &cbRead, NULL)) {
            bRead = false;
            break;
        }
        if (cbRead == 0)
            break;
        const std::size_t n = nKept + cbRead;
        const FilterReads found = ScanFilterImage(buffer.data(), n);
        reads.bKey |= found.bKey;
        reads.bShowImg |= found.bShowImg;
        reads.bImgFilename |= found.bImgFilename;
        reads.bParamSet |= found.bParamSet;
        nKept = n < kFilterImageNameOverlap ? n : kFilterImageNameOverlap;
        memmove(buffer.data(), buffer.data() + n - nKept, nKept);
    }
    ::CloseHandle(hFile);
    if (!bRead)
        reads = FilterReads();
    return bRead;
}

void AppendNumber(std::string& s, unsigned n)
{
    char sz[12];
    char* p = sz + sizeof(sz);
    do
        *--p = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    s.append(p, sz + sizeof(sz));
}

// "a.b.c.d" from the file's VS_FIXEDFILEINFO, or empty. version.dll is loaded on first use and kept.
std::string FileVersion(const wchar_t* pszPath)
{
    typedef DWORD(WINAPI * PFNGETFILEVERSIONINFOSIZEW)(LPCWSTR, LPDWORD);
    typedef BOOL(WINAPI * PFNGETFILEVERSIONINFOW)(LPCWSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * PFNVERQUERYVALUEW)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    static PFNGETFILEVERSIONINFOSIZEW s_pfnSize;
    static PFNGETFILEVERSIONINFOW s_pfnInfo;
    static PFNVERQUERYVALUEW s_pfnQuery;
    if (s_pfnQuery == NULL) {
        // From the system folder only, never from the program's folder.
        wchar_t szPath[MAX_PATH];
        const UINT cch = ::GetSystemDirectoryW(szPath, MAX_PATH - 13);
        if (cch == 0 || cch >= MAX_PATH - 13)
            return std::string();
        wcscpy(szPath + cch, L"\\version.dll");
        const HMODULE hVersion = ::LoadLibraryW(szPath);
        s_pfnSize = ProcOf<PFNGETFILEVERSIONINFOSIZEW>(hVersion, "GetFileVersionInfoSizeW");
        s_pfnInfo = ProcOf<PFNGETFILEVERSIONINFOW>(hVersion, "GetFileVersionInfoW");
        s_pfnQuery = s_pfnSize != NULL && s_pfnInfo != NULL ? ProcOf<PFNVERQUERYVALUEW>(hVersion, "VerQueryValueW") : NULL;
        if (s_pfnQuery == NULL) {
            if (hVersion != NULL)
                ::FreeLibrary(hVersion);
            return std::string();
        }
    }
    DWORD dwHandle = 0;
    const DWORD cb = s_pfnSize(pszPath, &dwHandle);
    if (cb == 0)
        return std::string();
    std::vector<unsigned char> block(cb);
    VS_FIXEDFILEINFO* pInfo = NULL;
    UINT cbInfo = 0;
    if (!s_pfnInfo(pszPath, 0, cb, block.data()) ||
        !s_pfnQuery(block.data(), L"\\", reinterpret_cast<LPVOID*>(&pInfo), &cbInfo) || pInfo == NULL ||
        cbInfo < sizeof(VS_FIXEDFILEINFO) || pInfo->dwSignature != VS_FFI_SIGNATURE)
        return std::string();
    std::string s;
    const DWORD parts[] = {pInfo->dwFileVersionMS, pInfo->dwFileVersionLS};
    for (DWORD dw : parts) {
        AppendNumber(s, HIWORD(dw));
        s += '.';
        AppendNumber(s, LOWORD(dw));
        s += '.';
    }
    s.pop_back();
    return s;
}

// Fills in bExists, strVersion and reads. True when the DLL's bytes were read (now or, unchanged,
// before); false when the file is missing or could not be read, and then reads is all false.
bool InspectDll(const CWideText& dll, bool bTwoViews, CFilterScanCache* pCache, InstalledFilter& filter)
{
    const CWideText path = PathSeenFrom(dll, filter.nBits, bTwoViews);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.size() <= 1 || !::GetFileAttributesExW(path.data(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    filter.bExists = true;
    CFilterScanCache::CEntry entry;
    entry.strPath = filter.strDll;
    entry.nBits = filter.nBits;
    entry.nSize = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.nWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    if (const CFilterScanCache::CEntry* pKnown =
            pCache != nullptr ? pCache->Lookup(entry.strPath, entry.nBits, entry.nSize, entry.nWriteTime) : nullptr) {
        filter.reads = pKnown->reads;
        filter.strVersion = pKnown->strVersion;
        return true;
    }
    if (!ScanFile(path.data(), filter.reads))
        return false;
    filter.strVersion = FileVersion(path.data());
    if (pCache != nullptr) {
        entry.reads = filter.reads;
        entry.strVersion = filter.strVersion;
        pCache->Remember(entry);
    }
    return true;
}

// HKCR's key that lists the video input devices.
CWideText InstanceKeyPath()
{
    CWideText path;
    Append(path, "CLSID\\");
    Append(path, kVideoInputCategory);
    Append(path, "\\Instance");
    return path;
}

// The registrations under the video input category in one registry view.
void ListView(REGSAM samView, int nBits, bool bTwoViews, CFilterScanCache* pCache, std::vector<InstalledFilter>& filters)
{
    const CWideText category = InstanceKeyPath();
    HKEY hInstances = NULL;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, category.data(), 0, KEY_ENUMERATE_SUB_KEYS | samView, &hInstances) != ERROR_SUCCESS)
        return;
    wchar_t szInstance[256];   // key names are at most 255 characters
    for (DWORD dwIndex = 0;; ++dwIndex) {
        DWORD cchInstance = 256;
        const LONG lResult = ::RegEnumKeyExW(hInstances, dwIndex, szInstance, &cchInstance, NULL, NULL, NULL, NULL);
        if (lResult == ERROR_MORE_DATA)
            continue;
        if (lResult != ERROR_SUCCESS)
            break;
        HKEY hInstance = NULL;
        if (::RegOpenKeyExW(hInstances, szInstance, 0, KEY_QUERY_VALUE | samView, &hInstance) != ERROR_SUCCESS)
            continue;
        InstalledFilter filter;
        filter.nBits = nBits;
        CWideText clsid, text;
        if (!QueryText(hInstance, L"CLSID", clsid)) {   // a host falls back on the key's name too
            clsid.clear();
            Append(clsid, szInstance);
        }
        filter.strClsid = Utf8(clsid.data());
        if (QueryText(hInstance, L"FriendlyName", text))
            filter.strName = Utf8(text.data());
        ::RegCloseKey(hInstance);

        CWideText server, dll;
        Append(server, L"CLSID\\");
        Append(server, clsid.data());
        Append(server, L"\\InprocServer32");
        HKEY hServer = NULL;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, server.data(), 0, KEY_QUERY_VALUE | samView, &hServer) == ERROR_SUCCESS) {
            if (QueryText(hServer, NULL, dll))
                filter.strDll = Utf8(dll.data());
            ::RegCloseKey(hServer);
        }
        // Only a DLL's bytes tell a build of the filter; without them, its public names do.
        const bool bRead = !dll.empty() && InspectDll(dll, bTwoViews, pCache, filter);
        const bool bPublicNames = EqualNoCase(filter.strClsid, kPublicFilterClsid32) ||
                                  EqualNoCase(filter.strClsid, kPublicFilterClsid64) || filter.strName == kPublicFilterName;
        if (bRead ? filter.reads.bKey : bPublicNames)
            filters.push_back(filter);
    }
    ::RegCloseKey(hInstances);
}

}  // namespace

/////////////////////////////////////////////////////////////////////////////
// CFilterScanCache

const CFilterScanCache::CEntry* CFilterScanCache::Lookup(const std::string& strPath, int nBits, std::uint64_t nSize,
                                                         std::uint64_t nWriteTime)
{
    for (CEntry& entry : m_entries) {
        if (entry.nBits == nBits && entry.strPath == strPath) {
            entry.bUsed = true;
            return entry.nSize == nSize && entry.nWriteTime == nWriteTime ? &entry : nullptr;
        }
    }
    return nullptr;
}

void CFilterScanCache::Remember(const CEntry& entry)
{
    CEntry* pSlot = nullptr;
    for (CEntry& known : m_entries)
        if (known.nBits == entry.nBits && known.strPath == entry.strPath)
            pSlot = &known;
    if (pSlot == nullptr) {
        m_entries.push_back(entry);
        pSlot = &m_entries.back();
    } else {
        *pSlot = entry;
    }
    pSlot->bUsed = true;
}

void CFilterScanCache::Prune()
{
    std::size_t nKept = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].bUsed) {
            if (nKept != i)
                m_entries[nKept] = m_entries[i];
            m_entries[nKept++].bUsed = false;
        }
    }
    m_entries.resize(nKept);
}

/////////////////////////////////////////////////////////////////////////////

CFilterRegistrationWatch::CFilterRegistrationWatch()
    : m_hEvent(::CreateEventW(NULL, TRUE, FALSE, NULL)), m_hKeys{NULL, NULL}, m_bArmed(false)
{
}

CFilterRegistrationWatch::~CFilterRegistrationWatch()
{
    for (void* hKey : m_hKeys)
        if (hKey != NULL)
            ::RegCloseKey(static_cast<HKEY>(hKey));
    if (m_hEvent != NULL)
        ::CloseHandle(m_hEvent);
}

bool CFilterRegistrationWatch::HasChanged()
{
    if (m_bArmed && ::WaitForSingleObject(m_hEvent, 0) == WAIT_TIMEOUT)
        return false;
    // (Re-)arm: a change from here on signals the event; what happened before is the caller's to
    // read. Each view is watched at the deepest of the category's Instance key, the category's key
    // and CLSID that exists, so that a first registration in a view is seen too; once it is, the
    // next arming goes deeper.
    ::ResetEvent(m_hEvent);
    CWideText category;
    Append(category, "CLSID\\");
    Append(category, kVideoInputCategory);
    CWideText clsid;
    Append(clsid, "CLSID");
    const CWideText instances = InstanceKeyPath();
    const CWideText* const paths[] = {&instances, &category, &clsid};
    const bool bTwoViews = HasTwoViews();
    const REGSAM views[2] = {static_cast<REGSAM>(bTwoViews ? KEY_WOW64_32KEY : 0), KEY_WOW64_64KEY};
    m_bArmed = m_hEvent != NULL;
    for (int i = 0; i < (bTwoViews ? 2 : 1); ++i) {
        if (m_hKeys[i] != NULL)
            ::RegCloseKey(static_cast<HKEY>(m_hKeys[i]));
        HKEY hKey = NULL;
        for (const CWideText* pPath : paths)
            if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, pPath->data(), 0, KEY_NOTIFY | views[i], &hKey) == ERROR_SUCCESS)
                break;
            else
                hKey = NULL;
        const LONG lResult = hKey == NULL ? ERROR_FILE_NOT_FOUND
                                          : ::RegNotifyChangeKeyValue(hKey, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                                                      static_cast<HANDLE>(m_hEvent), TRUE);
        if (lResult != ERROR_SUCCESS && hKey != NULL) {
            ::RegCloseKey(hKey);
            hKey = NULL;
        }
        m_hKeys[i] = hKey;
        m_bArmed = m_bArmed && lResult == ERROR_SUCCESS;
    }
    return true;
}

std::vector<InstalledFilter> FindInstalledFilters(CFilterScanCache* pCache)
{
    std::vector<InstalledFilter> filters;
    const bool bTwoViews = HasTwoViews();
    ListView(bTwoViews ? KEY_WOW64_32KEY : 0, 32, bTwoViews, pCache, filters);
    if (bTwoViews)
        ListView(KEY_WOW64_64KEY, 64, bTwoViews, pCache, filters);
    if (pCache != nullptr)
        pCache->Prune();
    return filters;
}

}  // namespace zelvix
