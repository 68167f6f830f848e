// afx_string.cpp - CString.
#include "framework/afx.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "framework/afx_app.h"

CString::CString(LPCSTR psz)
{
    if (psz != NULL)
        m_str = psz;
}

CString::CString(LPCSTR pch, int nLength)
{
    if (pch != NULL && nLength > 0)
        m_str.assign(pch, (size_t)nLength);
}

CString::CString(char ch, int nRepeat)
{
    if (nRepeat > 0)
        m_str.assign((size_t)nRepeat, ch);
}

CString& CString::operator=(LPCSTR psz)
{
    if (psz == NULL)
        m_str.clear();
    else
        m_str = psz;
    return *this;
}

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    if (psz != NULL)
        m_str += psz;
    return *this;
}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    return m_str[(size_t)nIndex];
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    m_str[(size_t)nIndex] = ch;
}

int CString::Compare(LPCSTR psz) const
{
    return strcmp(m_str.c_str(), psz != NULL ? psz : "");
}

int CString::CompareNoCase(LPCSTR psz) const
{
    CString a(*this), b(psz);
    a.MakeLower();
    b.MakeLower();
    return a.Compare(b);
}

int CString::NextCharIndex(int nIndex) const
{
    if (IsDBCSLeadByte((BYTE)m_str[(size_t)nIndex]) && nIndex + 1 < GetLength())
        return nIndex + 2;
    return nIndex + 1;
}

BOOL CString::IsCharBoundary(int nIndex) const
{
    if (nIndex < 0 || nIndex > GetLength())
        return FALSE;
    int i = 0;
    while (i < nIndex)
        i = NextCharIndex(i);
    return i == nIndex;
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    for (int i = 0; i < GetLength(); i = NextCharIndex(i)) {
        if (i >= nStart && m_str[(size_t)i] == ch)
            return i;
    }
    return -1;
}

int CString::Find(LPCSTR pszSub, int nStart) const
{
    if (pszSub == NULL)
        return -1;
    if (nStart < 0)
        nStart = 0;
    const int nSub = (int)strlen(pszSub);
    for (int i = 0; i + nSub <= GetLength(); i = NextCharIndex(i)) {
        if (i >= nStart && m_str.compare((size_t)i, (size_t)nSub, pszSub) == 0)
            return i;
        if (i == GetLength())
            break;
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    int nFound = -1;
    for (int i = 0; i < GetLength(); i = NextCharIndex(i)) {
        if (m_str[(size_t)i] == ch)
            nFound = i;
    }
    return nFound;
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > GetLength())
        nCount = GetLength();
    return CString(m_str.c_str(), nCount);
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (nFirst > GetLength())
        nFirst = GetLength();
    if (nCount > GetLength() - nFirst)
        nCount = GetLength() - nFirst;
    return CString(m_str.c_str() + nFirst, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > GetLength())
        nCount = GetLength();
    return CString(m_str.c_str() + GetLength() - nCount, nCount);
}

// Changes the case one whole character at a time, through its UTF-16 form. A byte sequence the
// code page does not define (a lead byte without a valid trail byte, or cut off at the end) is
// left exactly as it is: CharLowerBuffA on the whole text would turn it into a default character
// and shift every character after it.
static void ChangeCase(std::string& str, BOOL bLower)
{
    for (size_t i = 0; i < str.size();) {
        const size_t n = (IsDBCSLeadByte((BYTE)str[i]) && i + 1 < str.size()) ? 2 : 1;
        WCHAR wch = 0;
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &str[i], (int)n, &wch, 1) == 1) {
            if (bLower)
                CharLowerBuffW(&wch, 1);
            else
                CharUpperBuffW(&wch, 1);
            char out[4];
            BOOL bDefaultUsed = FALSE;
            if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wch, 1, out, (int)sizeof(out), NULL, &bDefaultUsed)
                    == (int)n
                && !bDefaultUsed)
                memcpy(&str[i], out, n);
        }
        i += n;
    }
}

CString& CString::MakeLower()
{
    ChangeCase(m_str, TRUE);
    return *this;
}

CString& CString::MakeUpper()
{
    ChangeCase(m_str, FALSE);
    return *this;
}

static std::string FormatV(LPCSTR pszFormat, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = vsnprintf(NULL, 0, pszFormat, copy);
    va_end(copy);
    if (n <= 0)
        return std::string();
    std::string out((size_t)n + 1, '\0');
    vsnprintf(&out[0], out.size(), pszFormat, args);
    out.resize((size_t)n);
    return out;
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    m_str = FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    m_str += FormatV(pszFormat, args);
    va_end(args);
}

BOOL CString::LoadString(UINT nID)
{
    // String-table entries are at most 4096 characters; ask with room to spare and shrink.
    char buf[4097];
    const int n = ::LoadStringA(AfxGetResourceHandle(), nID, buf, (int)sizeof(buf));
    if (n <= 0) {
        m_str.clear();
        return FALSE;
    }
    m_str.assign(buf, (size_t)n);
    return TRUE;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength < GetLength())
        nMinBufLength = GetLength();
    m_str.resize((size_t)nMinBufLength);
    // std::string keeps a terminator at size(); writing it is allowed as '\0'.
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = (int)strlen(m_str.c_str());
    if (nNewLength > GetLength())
        nNewLength = GetLength();
    m_str.resize((size_t)nNewLength);
}

CString operator+(const CString& a, const CString& b) { CString s(a); s += b; return s; }
CString operator+(const CString& a, LPCSTR b) { CString s(a); s += b; return s; }
CString operator+(LPCSTR a, const CString& b) { CString s(a); s += b; return s; }
CString operator+(const CString& a, char ch) { CString s(a); s += ch; return s; }
