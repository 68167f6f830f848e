// What a capture filter build reads, from its DLL's bytes: made-up pieces of a DLL, names cut by the
// end of the buffer or by a chunk border, and the real public builds beside the repository.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "capture/filter_image_scan.h"

using zelvix::ScanFilterImage;

namespace {

std::string U16(const std::string& s, char high = '\0')   // UTF-16LE of ASCII text (high 0)
{
    std::string w;
    for (char c : s)
        w += std::string(1, c) + high;
    return w;
}

std::string Describe(const zelvix::FilterReads& r)
{
    return std::string(r.bKey ? "key " : "") + (r.bShowImg ? "show_img " : "") + (r.bImgFilename ? "img_filename " : "") +
           (r.bParamSet ? "param_set " : "");
}

std::string Scan(const std::string& s)
{
    return Describe(ScanFilterImage(reinterpret_cast<const unsigned char*>(s.data()), s.size()));
}

TEST(FilterImageScan, NamesInEitherEncodingAndNoneCutShort)
{
    const std::string mz("MZ\x90\0\3\0\0\0", 8);
    const struct {
        std::string bytes;
        const char* pszReads;
    } cases[] = {
        {"", ""},
        {mz + U16("SOFTWARE\\screen-capture-recorder") + mz, "key "},
        {mz + "screen-capture-recorder" + U16("show_img") + "img_filename" + '\0' + "param_set", "key show_img img_filename param_set "},
        {U16("param_set"), "param_set "},                  // a name that ends the buffer exactly
        {"SHOW_IMG", "show_img "},                         // the registry ignores case
        {"show_imgX" + U16("img_filenames"), "show_img img_filename "},
        {"show_im", ""},                                   // cut by the buffer's end
        {U16("param_set").substr(0, 17), ""},              // its last letter's high byte missing
        {"screen-capture-recorde" + U16("show_im"), ""},
        {U16("show_") + "img" + "param-set", ""},           // mixed encodings, a look-alike
        {U16("show_img", '\x4e'), ""},                      // CJK text whose low bytes spell it
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszReads, Scan(c.bytes)) << "bytes: " << testing::PrintToString(c.bytes);
    EXPECT_EQ("", Describe(ScanFilterImage(nullptr, 0)));
}

// A reader that scans a file in chunks, carrying the overlap into the next, finds a name at every
// place a chunk border can cut it.
TEST(FilterImageScan, OverlapCarriesANameAcrossAChunkBorder)
{
    const std::string bytes = "xyz" + U16("screen-capture-recorder") + "xyz";
    for (std::size_t border = 1; border < bytes.size(); ++border) {
        const std::size_t next = border > zelvix::kFilterImageNameOverlap ? border - zelvix::kFilterImageNameOverlap : 0;
        EXPECT_EQ("key ", Scan(bytes.substr(0, border)) + Scan(bytes.substr(next))) << "border at " << border;
    }
}

TEST(FilterImageScan, ThePublicBuildsReadTheKeyButNotTheProductsValues)
{
    for (const char* pszDll : {"screen-capture-recorder.dll", "screen-capture-recorder-x64.dll"}) {
        std::ifstream file(std::string(ZELVIX_FILTER_DIR "/") + pszDll, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 50000u) << pszDll << " is missing from " ZELVIX_FILTER_DIR;
        EXPECT_EQ("key ", Scan(bytes)) << pszDll;
    }
}

}  // namespace
