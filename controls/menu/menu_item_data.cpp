// menu_item_data.cpp - CMenuItemData: text storage and conversion.
#include "controls/menu/menu_item_data.h"

#include <new>

namespace
{
// Longest text, terminator included, that is converted: beyond it the byte counts of the
// conversion calls would overflow an int.
constexpr int kMaxTextUnits = 0x3FFFFFFF;
} // namespace

void CMenuItemData::SetWideText(const wchar_t* pszText)
{
    // Copy before freeing, so that storing the record's own text is harmless.
    wchar_t* pszCopy = NULL;
    if (pszText != NULL) {
        const int nUnits = ::lstrlenW(pszText) + 1;
        pszCopy = new (std::nothrow) wchar_t[nUnits];
        if (pszCopy != NULL)
            memcpy(pszCopy, pszText, nUnits * sizeof(wchar_t));
    }
    delete[] m_pszText;
    m_pszText = pszCopy;
}

void CMenuItemData::SetAnsiText(LPCSTR pszText)
{
    wchar_t* pszWide = AnsiToWide(pszText, CP_THREAD_ACP);
    SetWideText(pszWide);
    delete[] pszWide;
}

wchar_t* CMenuItemData::AnsiToWide(LPCSTR pszText, UINT nCodePage)
{
    if (pszText == NULL)
        return NULL;
    const int nBytes = ::lstrlenA(pszText) + 1;
    if (nBytes > kMaxTextUnits)
        return NULL;
    // Never more UTF-16 units than bytes, in any code page.
    wchar_t* pszWide = new (std::nothrow) wchar_t[nBytes];
    if (pszWide == NULL)
        return NULL;
    pszWide[0] = L'\0';
    if (::MultiByteToWideChar(nCodePage, 0, pszText, -1, pszWide, nBytes) == 0) {
        delete[] pszWide;
        return NULL;
    }
    return pszWide;
}

CString CMenuItemData::WideToAnsi(const wchar_t* pszText, UINT nCodePage)
{
    CString strResult;
    if (pszText == NULL || ::lstrlenW(pszText) + 1 > kMaxTextUnits)
        return strResult;
    const int nBytes = ::WideCharToMultiByte(nCodePage, 0, pszText, -1, NULL, 0, NULL, NULL);
    if (nBytes <= 0)
        return strResult;
    LPSTR pszBuffer = strResult.GetBuffer(nBytes);
    pszBuffer[0] = '\0';
    const int nWritten = ::WideCharToMultiByte(nCodePage, 0, pszText, -1, pszBuffer, nBytes, NULL, NULL);
    // The count includes the terminator; a failed conversion leaves the empty string.
    strResult.ReleaseBuffer(nWritten > 0 ? nWritten - 1 : 0);
    return strResult;
}
