// test_cstring_dbcs.cpp - CString on generated double-byte text in the thread's code page (936
// under the harness): a fixed-seed generator makes strings of ASCII letters, '&', '\\', double-byte
// characters whose trail bytes look like letters or backslashes, malformed pairs and a lead byte
// cut off at the end, and every search, case change and cut is checked against a walk over whole
// characters. ZELVIX_CSTRING_FUZZ=<count> runs that many strings instead of the default.
#include <gtest/gtest.h>

#include <afxwin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
class CTextGen
{
public:
    explicit CTextGen(unsigned nSeed) : m_rng(nSeed) {}

    std::string Next()
    {
        std::string s;
        const int nChars = Pick(0, 24);
        for (int i = 0; i < nChars; ++i) {
            switch (Pick(0, 5)) {
            case 0: s += (char)Pick('A', 'Z'); break;
            case 1: s += (char)Pick('a', 'z'); break;
            case 2: s += "&\\ :."[Pick(0, 4)]; break;
            case 3:  // a double-byte character of code page 936
                s += (char)Pick(0x81, 0xFE);
                s += (char)Pick(0x40, 0xFE);
                break;
            case 4:  // one whose trail byte is an ASCII letter, '\\' or '&' look-alike
                s += (char)Pick(0x81, 0xFE);
                s += "AZaz\\@[`"[Pick(0, 7)];
                break;
            default:  // any byte at all but zero
                s += (char)Pick(1, 255);
                break;
            }
        }
        if (Pick(0, 4) == 0)
            s += (char)Pick(0x81, 0xFE);  // a lead byte with nothing after it
        return s;
    }

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

private:
    std::mt19937 m_rng;
};

// Offsets where characters start, as the platform's lead-byte test splits the text.
std::vector<int> CharStarts(const std::string& s)
{
    std::vector<int> starts;
    for (size_t i = 0; i < s.size();) {
        starts.push_back((int)i);
        i += (::IsDBCSLeadByte((BYTE)s[i]) && i + 1 < s.size()) ? 2 : 1;
    }
    return starts;
}

bool IsSingleByteAt(const std::string& s, int i)
{
    return !(::IsDBCSLeadByte((BYTE)s[(size_t)i]) && (size_t)i + 1 < s.size());
}

std::string Hex(const std::string& s)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += DIGITS[c >> 4];
        out += DIGITS[c & 15];
        out += ' ';
    }
    return out;
}

// All checks on one text; the first disagreement, or "" when there is none.
std::string CheckText(const std::string& s, CTextGen& gen)
{
    const CString str(s.data(), (int)s.size());
    if (str.GetLength() != (int)s.size())
        return "length";
    const std::vector<int> starts = CharStarts(s);
    for (int i = 0; i <= (int)s.size(); ++i) {
        const bool bStart = i == (int)s.size() || std::find(starts.begin(), starts.end(), i) != starts.end();
        if ((str.IsCharBoundary(i) != FALSE) != bStart)
            return "IsCharBoundary(" + std::to_string(i) + ")";
    }

    // Searches find whole characters only: the first (or last) start holding the byte.
    for (char ch : { '\\', '&', 'A', 'a', 'Z', '@', (char)s.back() }) {
        const int nStart = gen.Pick(-2, (int)s.size() + 1);
        int nWant = -1, nLast = -1;
        for (int i : starts) {
            if (s[(size_t)i] != ch)
                continue;
            if (nWant < 0 && i >= nStart)
                nWant = i;
            nLast = i;
        }
        if (str.Find(ch, nStart) != nWant)
            return "Find('" + std::string(1, ch) + "', " + std::to_string(nStart) + ") = " + std::to_string(str.Find(ch, nStart));
        if (str.ReverseFind(ch) != nLast)
            return "ReverseFind('" + std::string(1, ch) + "')";
    }
    // A piece of the text itself, looked for from a random place.
    const int nFrom = gen.Pick(0, (int)s.size()), nLen = gen.Pick(0, 4);
    const std::string sub = s.substr((size_t)nFrom, (size_t)nLen);
    if (sub.find('\0') == std::string::npos) {
        const int nStart = gen.Pick(0, (int)s.size());
        std::vector<int> candidates = starts;
        candidates.push_back((int)s.size());  // where an empty text is found last
        int nWant = -1;
        for (int i : candidates)
            if (i >= nStart && i + sub.size() <= s.size() && s.compare((size_t)i, sub.size(), sub) == 0) {
                nWant = i;
                break;
            }
        const int nGot = str.Find(sub.c_str(), nStart);
        if (nGot != nWant)
            return "Find(\"" + Hex(sub) + "\", " + std::to_string(nStart) + ") = " + std::to_string(nGot) + ", want "
                + std::to_string(nWant);
    }

    // Cuts are by bytes and stay inside the text.
    const int n = gen.Pick(-3, (int)s.size() + 3);
    const int nClamped = n < 0 ? 0 : (n > (int)s.size() ? (int)s.size() : n);
    if (std::string(str.Left(n)) != s.substr(0, (size_t)nClamped))
        return "Left(" + std::to_string(n) + ")";
    if (std::string(str.Right(n)) != s.substr(s.size() - (size_t)nClamped))
        return "Right(" + std::to_string(n) + ")";
    if (std::string(str.Mid(n)) != s.substr((size_t)nClamped))
        return "Mid(" + std::to_string(n) + ")";

    // Case changes keep the length and every character boundary, change the single-byte ASCII
    // letters and leave every other single-byte ASCII character alone.
    for (bool bLower : { true, false }) {
        CString changed(str);
        if (bLower)
            changed.MakeLower();
        else
            changed.MakeUpper();
        const std::string t(changed.GetString(), (size_t)changed.GetLength());
        if (t.size() != s.size())
            return bLower ? "MakeLower changed the length" : "MakeUpper changed the length";
        for (int i : starts) {
            const unsigned char c = (unsigned char)s[(size_t)i];
            if (!IsSingleByteAt(s, i) || c >= 0x80)
                continue;
            char want = (char)c;
            if (bLower && c >= 'A' && c <= 'Z')
                want = (char)(c + 32);
            if (!bLower && c >= 'a' && c <= 'z')
                want = (char)(c - 32);
            if (t[(size_t)i] != want)
                return std::string(bLower ? "MakeLower" : "MakeUpper") + " at " + std::to_string(i);
        }
        if (CharStarts(t) != starts)
            return std::string(bLower ? "MakeLower" : "MakeUpper") + " moved a character boundary";
    }
    if (str.CompareNoCase(CString(str).MakeUpper()) != 0)
        return "CompareNoCase with its own upper case";

    // The fill-a-buffer round trip keeps every byte.
    CString buf;
    char* p = buf.GetBuffer((int)s.size());
    memcpy(p, s.data(), s.size());
    buf.ReleaseBuffer((int)s.size());
    if (std::string(buf.GetString(), (size_t)buf.GetLength()) != s)
        return "GetBuffer/ReleaseBuffer";
    return "";
}
} // namespace

TEST(CStringDoubleByte, GeneratedTextAgreesWithAWalkOverWholeCharacters)
{
    ASSERT_EQ(936u, ::GetACP()) << "these texts are code page 936";
    const char* pszCount = getenv("ZELVIX_CSTRING_FUZZ");
    const long nCount = pszCount != NULL ? atol(pszCount) : 20000;
    CTextGen gen(20170315);
    int nFailures = 0;
    for (long i = 0; i < nCount && nFailures < 10; ++i) {
        const std::string s = gen.Next();
        if (s.empty())
            continue;
        const std::string strFailure = CheckText(s, gen);
        if (!strFailure.empty()) {
            ++nFailures;
            ADD_FAILURE() << "text #" << i << " [" << Hex(s) << "]: " << strFailure;
        }
    }
    RecordProperty("texts", (int)nCount);
}

TEST(CStringDoubleByte, CaseChangesTakeWholeCharactersAndLeaveUndefinedBytesAlone)
{
    const struct { const char* pszText; const char* pszLower; const char* pszUpper; } cases[] = {
        { "ZELVIX直播伴侣", "zelvix直播伴侣", "ZELVIX直播伴侣" },
        { "\xB0\x41" "b", "\xB0\x41" "b", "\xB0\x41" "B" },           // trail byte 'A' is no letter
        { "\xA3\xC1\xA3\xE1", "\xA3\xE1\xA3\xE1", "\xA3\xC1\xA3\xC1" },  // fullwidth A and a
        // Found by the generated texts: a lead byte before '&' (no trail byte of code page 936)
        // and a lead byte at the end came back as default characters, shifting the rest.
        { "\xB8&A\x91", "\xB8&a\x91", "\xB8&A\x91" },
        { "e\xFA\x97\xB8&\xA0K~\x91", "e\xFA\x97\xB8&\xA0K~\x91", "E\xFA\x97\xB8&\xA0K~\x91" },
        { "Q\xA1\x40" "eW", "q\xA1\x40" "ew", "Q\xA1\x40" "EW" },
    };
    for (const auto& c : cases) {
        CString strLower(c.pszText), strUpper(c.pszText);
        strLower.MakeLower();
        strUpper.MakeUpper();
        EXPECT_STREQ(c.pszLower, strLower) << "[" << Hex(c.pszText) << "] lower: [" << Hex(std::string(strLower)) << "]";
        EXPECT_STREQ(c.pszUpper, strUpper) << "[" << Hex(c.pszText) << "] upper: [" << Hex(std::string(strUpper)) << "]";
    }
}
