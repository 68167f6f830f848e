// test_cstring_dbcs.cpp - CString on generated double-byte text in the thread's code page (936
// under the harness): a fixed-seed generator makes strings of ASCII letters, '&', '\\', double-byte
// characters whose trail bytes look like letters or backslashes, malformed pairs and a lead byte
// cut off at the end, and every search and case change is checked against a walk over whole
// characters. ZELVIX_CSTRING_FUZZ=<count> runs that many strings instead of the default.
#include <gtest/gtest.h>

#include <afxwin.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{
std::mt19937 g_rng(20170315);
int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_rng); }

std::string NextText()
{
    std::string s;
    for (int i = 0, n = Pick(0, 24); i < n; ++i) {
        switch (Pick(0, 5)) {
        case 0: s += (char)Pick('A', 'Z'); break;
        case 1: s += (char)Pick('a', 'z'); break;
        case 2: s += "&\\ :."[Pick(0, 4)]; break;
        case 3: s += (char)Pick(0x81, 0xFE), s += (char)Pick(0x40, 0xFE); break;   // a double-byte character
        case 4: s += (char)Pick(0x81, 0xFE), s += "AZaz\\@[`"[Pick(0, 7)]; break;  // trail byte like a letter
        default: s += (char)Pick(1, 255); break;                                     // any byte but zero
        }
    }
    return Pick(0, 4) == 0 ? s + (char)Pick(0x81, 0xFE) : s;   // maybe a lead byte with nothing after it
}

// Offsets where characters start, as the platform's lead-byte test splits the text.
std::vector<int> CharStarts(const std::string& s)
{
    std::vector<int> starts;
    for (size_t i = 0; i < s.size(); i += (::IsDBCSLeadByte((BYTE)s[i]) && i + 1 < s.size()) ? 2 : 1)
        starts.push_back((int)i);
    return starts;
}

// All checks on one text; the first disagreement, or "" when there is none.
std::string CheckText(const std::string& s)
{
    const CString str(s.data(), (int)s.size());
    const std::vector<int> starts = CharStarts(s);
    for (int i = 0; i <= (int)s.size(); ++i)
        if ((str.IsCharBoundary(i) != FALSE) != (i == (int)s.size() || std::count(starts.begin(), starts.end(), i)))
            return "IsCharBoundary(" + std::to_string(i) + ")";
    // Searches find whole characters only: the first start at or after the given one holding the
    // byte, or the last start holding it.
    for (char ch : { '\\', '&', 'a', 'Z', s.back() }) {
        const int nStart = Pick(-2, (int)s.size() + 1);
        int nFirst = -1, nLast = -1;
        for (int i : starts) {
            if (s[(size_t)i] == ch) {
                nFirst = nFirst < 0 && i >= nStart ? i : nFirst;
                nLast = i;
            }
        }
        if (str.Find(ch, nStart) != nFirst || str.ReverseFind(ch) != nLast)
            return "Find/ReverseFind(" + ::testing::PrintToString(ch) + ", " + std::to_string(nStart) + ")";
    }
    // Case changes keep every character boundary, change the single-byte ASCII letters and leave
    // every other single-byte ASCII character alone.
    for (bool bLower : { true, false }) {
        CString changed(str);
        bLower ? changed.MakeLower() : changed.MakeUpper();
        const std::string t(changed.GetString(), (size_t)changed.GetLength());
        const std::string strName = bLower ? "MakeLower" : "MakeUpper";
        if (CharStarts(t) != starts)
            return strName + " moved a character boundary";
        for (int i : starts)   // below 0x80 no byte leads
            if ((BYTE)s[(size_t)i] < 0x80 && t[(size_t)i] != (char)(bLower ? tolower(s[(size_t)i]) : toupper(s[(size_t)i])))
                return strName + " at " + std::to_string(i);
    }
    return "";
}
} // namespace

TEST(CStringDoubleByte, GeneratedTextAgreesWithAWalkOverWholeCharacters)
{
    ASSERT_EQ(936u, ::GetACP()) << "these texts are code page 936";
    const char* pszCount = getenv("ZELVIX_CSTRING_FUZZ");
    const long nCount = pszCount != NULL ? atol(pszCount) : 20000;
    int nFailures = 0;
    for (long i = 0; i < nCount && nFailures < 10; ++i) {
        const std::string s = NextText();
        const std::string strFailure = s.empty() ? "" : CheckText(s);
        if (!strFailure.empty() && ++nFailures)
            ADD_FAILURE() << "text #" << i << " " << ::testing::PrintToString(s) << ": " << strFailure;
    }
    RecordProperty("texts", (int)nCount);
}
