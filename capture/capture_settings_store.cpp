// capture_settings_store.cpp - writing the capture filter's values.
#include "capture_settings_store.h"

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
        if (n == 0) {
            strPath.ReleaseBuffer(0);
            break;
        }
        if (n < nSize) {
            strPath.ReleaseBuffer((int)n);
            break;
        }
        strPath.ReleaseBuffer(0);  // cut: ask again with more room
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
    return WriteCaptureValue("img_filename", REG_SZ, (const BYTE*)pszPath, (DWORD)lstrlenA(pszPath) + 1);
}

CString GetImageFileName()
{
    return ImageFileNameFromModulePath(GetModulePath());
}

CString ImageFileNameFromModulePath(LPCSTR pszModulePath)
{
    // The last backslash is found character by character, so a double-byte character's
    // trail byte (which can be 0x5C) is never taken for one.
    const CString strPath(pszModulePath);
    const int nSlash = strPath.ReverseFind('\\');
    CString strImage = (nSlash >= 0) ? strPath.Left(nSlash) : CString();
    strImage += "\\1.bmp";
    return strImage;
}

void PublishImageSettings(int nShow)
{
    WriteCaptureDword("show_img", nShow);
    WriteImageFileName(GetImageFileName());
}
