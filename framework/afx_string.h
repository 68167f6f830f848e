// afx_string.h - CString: the framework's narrow string, aware of double-byte code pages.
//
// Covers construction (from text, a character repeated, a counted run), comparison
// (Compare, CompareNoCase, ==, <), concatenation, GetLength/IsEmpty/Empty/GetAt/SetAt,
// Find (character or text, from a start), ReverseFind, Left/Mid/Right, MakeLower/MakeUpper,
// Format/AppendFormat, LoadString, GetBuffer/ReleaseBuffer. Searches and case changes step
// over double-byte characters of the thread's ANSI code page, so a trail byte that looks like
// an ASCII letter or the searched character is never matched or changed on its own; case
// changes leave bytes the code page does not define as they are.
// Storage is a plain value (not reference counted); indices are byte offsets as in the
// framework's narrow build.
#ifndef ZELVIX_AFX_STRING_H
#define ZELVIX_AFX_STRING_H

#include <windows.h>
#include <string>

class CString
{
public:
// Construction
    CString() {}
    CString(const CString& str) = default;
    CString(CString&& str) noexcept = default;
    CString(LPCSTR psz);
    CString(LPCSTR pch, int nLength);
    CString(char ch, int nRepeat = 1);
    CString& operator=(const CString& str) = default;
    CString& operator=(CString&& str) noexcept = default;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);

// Attributes
    int GetLength() const { return (int)m_str.size(); }
    BOOL IsEmpty() const { return m_str.empty(); }
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }

// Operations
    void Empty() { m_str.clear(); }
    void SetAt(int nIndex, char ch);
    CString& operator+=(const CString& str) { m_str += str.m_str; return *this; }
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch) { m_str += ch; return *this; }

    int Compare(LPCSTR psz) const;          // byte order, as strcmp
    int CompareNoCase(LPCSTR psz) const;    // byte order after MakeLower on both

    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    CString& MakeLower();
    CString& MakeUpper();

    void Format(LPCSTR pszFormat, ...);
    void AppendFormat(LPCSTR pszFormat, ...);
    BOOL LoadString(UINT nID);

    // Direct access for the platform's fill-a-buffer calls: GetBuffer(n) gives room for n
    // characters plus the terminator; ReleaseBuffer(-1) then takes the length from the text.
    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    // True when the byte at nIndex starts a character (is not a trail byte).
    BOOL IsCharBoundary(int nIndex) const;

private:
    int NextCharIndex(int nIndex) const;

    std::string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char ch);
inline bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }

#endif // ZELVIX_AFX_STRING_H
