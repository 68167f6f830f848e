// capture_settings_store.cpp - writing the capture filter's values.
#include "capture/capture_settings_store.h"

#include "capture/image_path.h"

#include <vector>

namespace
{
// Opens (creating when absent) the filter's key; the caller closes it.
LONG OpenCaptureKey(HKEY* phKey)
{
    DWORD dwDisposition = 0;
    return ::RegCreateKeyExA(HKEY_CURRENT_USER, zelvix::kFilterKeyPath, 0, NULL, REG_OPTION_NON_VOLATILE,
                             zelvix::kCaptureKeyAccess, NULL, phKey, &dwDisposition);
}

LONG WriteCaptureValue(LPCSTR pszValueName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    HKEY hKey = NULL;
    LONG lResult = OpenCaptureKey(&hKey);
    if (lResult == ERROR_SUCCESS)
        lResult = ::RegSetValueExA(hKey, pszValueName, 0, dwType, pData, cbData);
    if (hKey != NULL)
        ::RegCloseKey(hKey);
    return lResult;
}

// The full path of this executable, however long: the buffer grows until the path fits, so
// it is never cut or left without its terminator.
CString GetModulePath()
{
    CString strPath;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        char* pBuf = strPath.GetBuffer((int)nSize);
        const DWORD n = ::GetModuleFileNameA(NULL, pBuf, nSize);
        if (zelvix::ModulePathFits(n, nSize)) {
            strPath.ReleaseBuffer((int)n);
            break;
        }
        strPath.ReleaseBuffer(0);
        if (n == 0)
            break;  // failed: no directory to offer
        // cut: ask again with more room
    }
    return strPath;
}

// UTF-16 text as a zero-terminated buffer (std::vector: std::wstring would link libstdc++'s
// prebuilt wide strings into the program, 37 KB of it).
typedef std::vector<WCHAR> CWideText;

// The same in UTF-16: the names as the file system holds them. Empty when it failed.
CWideText GetModulePathW()
{
    CWideText path;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        path.resize(nSize);
        const DWORD n = ::GetModuleFileNameW(NULL, &path[0], nSize);
        if (zelvix::ModulePathFits(n, nSize)) {
            path.resize(n + 1);
            return path;
        }
        if (n == 0)
            break;
    }
    return CWideText(1, L'\0');
}

// The ANSI spelling of the first nLen characters of pszWide; false when some character has none
// (or the call failed).
bool ToAnsiExactly(LPCWSTR pszWide, int nLen, CString* pstrAnsi)
{
    BOOL bLost = FALSE;
    const int nAnsi = nLen > 0 ? ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszWide, nLen, NULL, 0, NULL, &bLost) : 0;
    if (nAnsi <= 0 || bLost)
        return false;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszWide, nLen, pstrAnsi->GetBuffer(nAnsi), nAnsi, NULL, &bLost);
    pstrAnsi->ReleaseBuffer(nAnsi);
    return !bLost;
}
} // namespace

LONG WriteCaptureDword(LPCSTR pszValueName, int nValue)
{
    const DWORD dwValue = (DWORD)nValue;
    return WriteCaptureValue(pszValueName, REG_DWORD, (const BYTE*)&dwValue, sizeof(dwValue));
}

LONG WriteImageFileName(LPCSTR pszPath)
{
    return WriteCaptureValue(zelvix::setting::kImgFilename, REG_SZ, (const BYTE*)pszPath, (DWORD)lstrlenA(pszPath) + 1);
}

CString GetImageFileName()
{
    return ImageFileNameFromModulePath(&GetModulePathW()[0], GetModulePath());
}

CString ImageFileNameFromModulePath(LPCWSTR pszModulePathW, LPCSTR pszModulePath)
{
    const CString strAsGiven = ImageFileNameFromModulePath(pszModulePath);
    int nDir = -1;  // length of the directory: up to the last backslash
    for (int i = 0; pszModulePathW != NULL && pszModulePathW[i] != L'\0'; ++i)
        if (pszModulePathW[i] == L'\\')
            nDir = i;
    CString strDir;
    if (nDir <= 0 || ToAnsiExactly(pszModulePathW, nDir, &strDir))
        return strAsGiven;  // the code page spells it: publish it as the platform gave it
    // The short form opens the same folder and is plain ASCII.
    CWideText dir(pszModulePathW, pszModulePathW + nDir);
    dir.push_back(L'\0');
    CWideText shortDir(nDir + MAX_PATH);
    const DWORD n = ::GetShortPathNameW(&dir[0], &shortDir[0], (DWORD)shortDir.size());
    if (n == 0 || n >= shortDir.size() || !ToAnsiExactly(&shortDir[0], (int)n, &strDir))
        return strAsGiven;  // no short form: the filter will not find the image
    return strDir + zelvix::kStillImageName;
}

CString ImageFileNameFromModulePath(LPCSTR pszModulePath)
{
    const std::string strImage = zelvix::StillImagePath(
        pszModulePath, pszModulePath != NULL ? strlen(pszModulePath) : 0,
        [](unsigned char ch) { return ::IsDBCSLeadByte(ch) != FALSE; });
    return CString(strImage.c_str());
}

LONG PublishImageSettings(int nShow)
{
    const LONG lShow = WriteCaptureDword(zelvix::setting::kShowImg, nShow);
    return CaptureSetResult(lShow, WriteImageFileName(GetImageFileName()));
}

LONG EndCaptureSet(LONG lSetResult)
{
    return lSetResult == ERROR_SUCCESS ? WriteCaptureDword(zelvix::setting::kParamSet, 1) : lSetResult;
}
