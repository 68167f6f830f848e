// capture_settings_store.cpp - writing the capture filter's values.
#include "capture_settings_store.h"

#include "image_path.h"

#include <string>

namespace
{
// Opens (creating when absent) the filter's key; the caller closes it.
LONG OpenCaptureKey(HKEY* phKey)
{
    DWORD dwDisposition = 0;
    return ::RegCreateKeyExA(HKEY_CURRENT_USER, CAPTURE_KEY_PATH, 0, NULL, REG_OPTION_NON_VOLATILE,
                             CAPTURE_KEY_ACCESS, NULL, phKey, &dwDisposition);
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

// The same in UTF-16: the names as the file system holds them.
std::wstring GetModulePathW()
{
    std::wstring strPath;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        strPath.resize(nSize);
        const DWORD n = ::GetModuleFileNameW(NULL, &strPath[0], nSize);
        if (zelvix::ModulePathFits(n, nSize)) {
            strPath.resize(n);
            return strPath;
        }
        if (n == 0)
            break;
    }
    return std::wstring();
}

// The ANSI spelling of a UTF-16 text; false when some character has none (or the call failed).
bool ToAnsiExactly(const std::wstring& strWide, CString* pstrAnsi)
{
    if (strWide.empty())
        return false;
    BOOL bLost = FALSE;
    const int nLen = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, strWide.c_str(), (int)strWide.size(),
                                           NULL, 0, NULL, &bLost);
    if (nLen <= 0 || bLost)
        return false;
    char* pBuf = pstrAnsi->GetBuffer(nLen);
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, strWide.c_str(), (int)strWide.size(), pBuf, nLen, NULL, &bLost);
    pstrAnsi->ReleaseBuffer(nLen);
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
    return WriteCaptureValue("img_filename", REG_SZ, (const BYTE*)pszPath, (DWORD)lstrlenA(pszPath) + 1);
}

CString GetImageFileName()
{
    return ImageFileNameFromModulePath(GetModulePathW().c_str(), GetModulePath());
}

CString ImageFileNameFromModulePath(LPCWSTR pszModulePathW, LPCSTR pszModulePath)
{
    const CString strAsGiven = ImageFileNameFromModulePath(pszModulePath);
    const std::wstring strPathW = pszModulePathW != NULL ? pszModulePathW : L"";
    const size_t nSlash = strPathW.rfind(L'\\');
    if (nSlash == std::wstring::npos || nSlash == 0)
        return strAsGiven;
    const std::wstring strDirW = strPathW.substr(0, nSlash);
    CString strDir;
    if (ToAnsiExactly(strDirW, &strDir))
        return strAsGiven;  // the code page spells it: publish it as the platform gave it
    // The short form opens the same folder and is plain ASCII.
    std::wstring strShortW(strDirW.size() + MAX_PATH, L'\0');
    const DWORD n = ::GetShortPathNameW(strDirW.c_str(), &strShortW[0], (DWORD)strShortW.size());
    if (n == 0 || n >= strShortW.size())
        return strAsGiven;
    strShortW.resize(n);
    if (!ToAnsiExactly(strShortW, &strDir))
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
    const LONG lShow = WriteCaptureDword("show_img", nShow);
    return CaptureSetResult(lShow, WriteImageFileName(GetImageFileName()));
}

LONG EndCaptureSet(LONG lSetResult)
{
    return lSetResult == ERROR_SUCCESS ? WriteCaptureDword("param_set", 1) : lSetResult;
}
