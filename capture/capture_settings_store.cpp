// capture_settings_store.cpp - writing the capture filter's values.
#include "capture_settings_store.h"

#include "image_path.h"

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
    return ImageFileNameFromModulePath(GetModulePath());
}

CString ImageFileNameFromModulePath(LPCSTR pszModulePath)
{
    const std::string strImage = zelvix::StillImagePath(
        pszModulePath, pszModulePath != NULL ? strlen(pszModulePath) : 0,
        [](unsigned char ch) { return ::IsDBCSLeadByte(ch) != FALSE; });
    return CString(strImage.c_str());
}

void PublishImageSettings(int nShow)
{
    WriteCaptureDword(zelvix::setting::kShowImg, nShow);
    WriteImageFileName(GetImageFileName());
}
