// diagnosis.cpp - one check of what the capture filter will show: the settings where the filter
// reads them, this machine, the installed builds, and the picture. Every judgement is
// filter_plan.h's; this file gathers the facts and makes the picture. It reads the key; its one write
// puts back the start summary that the filter of its own grab leaves there.
#include "doctor/diagnosis.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "doctor/bitmap_header.h"
#include "doctor/filter_grab.h"
#include "capture/filter_registration.h"

namespace zelvix {
namespace doctor {

std::string ToUtf8(const wchar_t* psz, size_t n)
{
    if (n == 0)
        return std::string();
    const int cb = ::WideCharToMultiByte(CP_UTF8, 0, psz, (int)n, NULL, 0, NULL, NULL);
    std::string s(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, psz, (int)n, &s[0], cb, NULL, NULL);
    return s;
}

std::wstring FromUtf8(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), NULL, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &w[0], n);
    return w;
}

namespace
{
constexpr DWORD kMaxTextChars = 32768;   // longer texts are cut: no path or summary is that long

std::vector<FilterBuild> InstalledBuilds();

std::wstring Widen(const char* pszAscii)   // the filter's names are plain ASCII
{
    return std::wstring(pszAscii, pszAscii + strlen(pszAscii));
}

// --- the settings, where the filter takes them from ---------------------------------------------

std::wstring IniPath()
{
    wchar_t szDir[MAX_PATH] = L"";
    if (FAILED(::SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, szDir)))
        return std::wstring();
    return std::wstring(szDir) + L"\\" + Widen(kFilterIniFileName);
}

bool IsFile(const std::wstring& strPath)
{
    const DWORD dwAttributes = strPath.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An entry of [all_settings]: its text as GetPrivateProfileString gives it (an empty entry counts
// as missing, as it does for GetPrivateProfileInt), and, for numbers, what GetPrivateProfileInt
// makes of it, which is what the filter gets.
RawValue ReadIniValue(const std::wstring& strIni, const char* pszName, bool bNumber, int nDefault)
{
    const std::wstring strSection = Widen(kFilterIniSection), strName = Widen(pszName);
    std::vector<wchar_t> buf(kMaxTextChars);
    const DWORD n = ::GetPrivateProfileStringW(strSection.c_str(), strName.c_str(), L"", buf.data(),
                                               (DWORD)buf.size(), strIni.c_str());
    RawValue raw;
    raw.bPresent = n > 0;
    raw.strText = ToUtf8(buf.data(), std::min<DWORD>(n, (DWORD)buf.size() - 1));
    if (bNumber)
        raw.nValue = (std::int32_t)::GetPrivateProfileIntW(strSection.c_str(), strName.c_str(), nDefault, strIni.c_str());
    return raw;
}

// A value of the key: its type and size always; its number when it is a 4-byte REG_DWORD, its
// text when it is a string. The program may rewrite it between the two reads: then read again.
RawValue ReadRegistryValue(HKEY hKey, const char* pszName)
{
    const std::wstring strName = Widen(pszName);
    RawValue raw;
    for (int nTry = 0; nTry < 3; ++nTry) {
        DWORD dwType = 0, cb = 0;
        if (::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwType, NULL, &cb) != ERROR_SUCCESS)
            return RawValue();
        raw.bPresent = true;
        raw.dwType = dwType;
        raw.cbData = cb;
        if (dwType == REG_DWORD && cb <= 4) {
            DWORD dw = 0, cbGot = 4, dwGotType = 0;   // a short value: its low bytes, the rest 0
            if (::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwGotType, (BYTE*)&dw, &cbGot) == ERROR_SUCCESS &&
                dwGotType == REG_DWORD && cbGot == cb) {
                raw.nValue = (std::int32_t)dw;
                return raw;
            }
        } else if (dwType == REG_SZ || dwType == REG_EXPAND_SZ) {
            // An odd size fits too: the filter stores its summary with one byte of the last zero.
            std::vector<wchar_t> buf((std::min<DWORD>(cb, kMaxTextChars * 2) + 1) / 2 + 1, L'\0');
            DWORD cbGot = (DWORD)(buf.size() - 1) * 2, dwGotType = 0;
            const LONG l = ::RegQueryValueExW(hKey, strName.c_str(), NULL, &dwGotType, (BYTE*)buf.data(), &cbGot);
            if (l == ERROR_MORE_DATA && cb > kMaxTextChars * 2) {
                raw.strText = std::string(kMaxTextChars, '?');   // too long to be any path
                return raw;
            }
            if (l == ERROR_SUCCESS) {
                size_t n = cbGot / 2;
                while (n > 0 && buf[n - 1] == L'\0')
                    --n;
                raw.strText = ToUtf8(buf.data(), wcsnlen(buf.data(), n));
                return raw;
            }
        } else {
            return raw;   // any other type: its type and size say enough
        }
    }
    return raw;
}

SettingsSource ReadSource()
{
    SettingsSource src;
    const std::wstring strIni = IniPath();
    src.strIniPath = ToUtf8(strIni.data(), strIni.size());
    src.bIniPresent = IsFile(strIni);

    HKEY hKey = NULL;
    const LONG l = ::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(kFilterKeyPath).c_str(), 0,
                                   KEY_QUERY_VALUE | KEY_WOW64_32KEY, &hKey);
    src.key = l == ERROR_SUCCESS ? KeyState::Open : l == ERROR_FILE_NOT_FOUND ? KeyState::Absent : KeyState::Unreadable;

    for (int i = 0; i < FS_COUNT; ++i) {
        if (src.bIniPresent)
            src.values[i] = ReadIniValue(strIni, kFilterSettings[i].pszName, true, kFilterSettings[i].nDefault);
        else if (hKey != NULL)
            src.values[i] = ReadRegistryValue(hKey, kFilterSettings[i].pszName);
    }
    if (src.bIniPresent)
        src.imageFileName = ReadIniValue(strIni, setting::kImgFilename, false, 0);
    else if (hKey != NULL)
        src.imageFileName = ReadRegistryValue(hKey, setting::kImgFilename);
    if (hKey != NULL) {
        src.lastInitConfig = ReadRegistryValue(hKey, setting::kLastInitConfig);
        ::RegCloseKey(hKey);
    }
    return src;
}

// --- the machine ---------------------------------------------------------------------------------

Rect ToRect(const RECT& rc) { return Rect{rc.left, rc.top, rc.right, rc.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR /*hMonitor*/, HDC /*hdc*/, LPRECT prc, LPARAM lParam)
{
    ((std::vector<Rect>*)lParam)->push_back(ToRect(*prc));
    return TRUE;
}

WindowFacts DescribeWindow(HWND hWnd)
{
    WindowFacts facts;
    RECT rcWindow, rcClient;
    if (hWnd == NULL || !::IsWindow(hWnd) || !::GetWindowRect(hWnd, &rcWindow) || !::GetClientRect(hWnd, &rcClient))
        return facts;
    ::MapWindowPoints(hWnd, NULL, (POINT*)&rcClient, 2);
    facts.bExists = true;
    facts.rcWindow = ToRect(rcWindow);
    facts.rcClient = ToRect(rcClient);
    return facts;
}

ImageState DescribeImage(const std::wstring& strPath)
{
    if (strPath.empty())
        return ImageState::Missing;
    if (strPath.size() >= MAX_PATH)
        return ImageState::PathTooLong;   // the filter opens it through the ANSI calls
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return ImageState::Missing;
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return ImageState::NotBitmap;   // there, but a folder or not for us to read
    unsigned char head[kBitmapHeaderBytes];
    DWORD nRead = 0;
    LARGE_INTEGER size = {};
    const bool bRead = ::ReadFile(hFile, head, sizeof(head), &nRead, NULL) && ::GetFileSizeEx(hFile, &size);
    ::CloseHandle(hFile);
    return bRead && IsWholeBitmap(head, nRead, (std::uint64_t)size.QuadPart) ? ImageState::Bitmap
                                                                             : ImageState::NotBitmap;
}

Environment DescribeMachine(const Plan& plan)
{
    Environment env;
    env.filters = InstalledBuilds();
    env.rcScreen = Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    env.rcVirtual = Rect{x, y, (std::int64_t)x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         (std::int64_t)y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    ::EnumDisplayMonitors(NULL, NULL, AddMonitor, (LPARAM)&env.monitors);
    HDC hScreen = ::GetDC(NULL);
    env.dpiX = ::GetDeviceCaps(hScreen, LOGPIXELSX);
    env.dpiY = ::GetDeviceCaps(hScreen, LOGPIXELSY);
    ::ReleaseDC(NULL, hScreen);
    // Window handles are 32-bit values on every Windows, sign-extended in 64-bit programs.
    if (plan.Stored(FS_HWND_TO_TRACK))
        env.tracked = DescribeWindow((HWND)(LONG_PTR)plan.Value(FS_HWND_TO_TRACK));
    if (plan.Stored(FS_HWND_TO_TRACK_WITH_DECORATION))
        env.trackedDecorated = DescribeWindow((HWND)(LONG_PTR)plan.Value(FS_HWND_TO_TRACK_WITH_DECORATION));
    env.foreground = DescribeWindow(::GetForegroundWindow());
    env.image = DescribeImage(FromUtf8(plan.strImagePath));
    return env;
}

// --- the grab ---------------------------------------------------------------------------------

// One device context with a bitmap selected, both released on the way out.
class CMemoryPicture
{
public:
    CMemoryPicture(HDC hdcLike, HBITMAP hBitmap) : m_hdc(::CreateCompatibleDC(hdcLike)), m_hBitmap(hBitmap)
    {
        m_hOld = m_hdc != NULL && m_hBitmap != NULL ? ::SelectObject(m_hdc, m_hBitmap) : NULL;
    }
    ~CMemoryPicture()
    {
        if (m_hOld != NULL)
            ::SelectObject(m_hdc, m_hOld);
        if (m_hdc != NULL)
            ::DeleteDC(m_hdc);
        if (m_hBitmap != NULL)
            ::DeleteObject(m_hBitmap);
    }
    CMemoryPicture(const CMemoryPicture&) = delete;
    CMemoryPicture& operator=(const CMemoryPicture&) = delete;

    bool IsValid() const { return m_hOld != NULL; }
    HDC GetDC() const { return m_hdc; }
    HBITMAP GetBitmap() const { return m_hBitmap; }

private:
    HDC m_hdc;
    HBITMAP m_hBitmap;   // owned
    HGDIOBJ m_hOld;
};

// The filter's scaling: HALFTONE (which needs the brush origin set) or COLORONCOLOR.
BOOL StretchLikeTheFilter(HDC hdcDest, int cx, int cy, HDC hdcSrc, int xSrc, int ySrc, int cxSrc, int cySrc,
                          bool bHalftone)
{
    ::SetStretchBltMode(hdcDest, bHalftone ? HALFTONE : COLORONCOLOR);
    ::SetBrushOrgEx(hdcDest, 0, 0, NULL);
    return ::StretchBlt(hdcDest, 0, 0, cx, cy, hdcSrc, xSrc, ySrc, cxSrc, cySrc, SRCCOPY);
}

// Draws the filter's picture into a new 24-bit bitmap of the output size, as the model makes it.
// Returns an empty string or what went wrong.
std::string GrabByModel(const Plan& plan, GrabImage* pImage)
{
    const int cx = (int)plan.nOutWidth, cy = (int)plan.nOutHeight;
    BITMAPINFOHEADER bih = {sizeof(BITMAPINFOHEADER), cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD cbStride = ((DWORD)cx * 3 + 3) & ~3u;
    bih.biSizeImage = cbStride * (DWORD)cy;

    HDC hScreen = ::GetDC(NULL);
    void* pBits = NULL;
    CMemoryPicture out(hScreen, ::CreateDIBSection(hScreen, (BITMAPINFO*)&bih, DIB_RGB_COLORS, &pBits, NULL, 0));
    BOOL bDrawn = FALSE;
    if (out.IsValid() && plan.picture == Picture::Image) {
        CMemoryPicture image(hScreen, (HBITMAP)::LoadImageW(NULL, FromUtf8(plan.strImagePath).c_str(), IMAGE_BITMAP, 0,
                                                             0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm = {};
        if (image.IsValid() && ::GetObjectW(image.GetBitmap(), sizeof(bm), &bm) != 0)
            bDrawn = StretchLikeTheFilter(out.GetDC(), cx, cy, image.GetDC(), 0, 0, bm.bmWidth, bm.bmHeight,
                                          plan.bHalftone);
    } else if (out.IsValid()) {
        // The filter's copy of the rectangle first: from the screen in one call, as the filter
        // makes it, so the platform decides what lies off the monitors; from a window only what
        // lies inside it. Then its scaling of that copy, or, once a move has reset it, the copy 1:1
        // into the output's top-left corner, of which the filter fetches only as many rows as the
        // capture has, counted from the bottom: the rows above those are stale (black here).
        const int cxCapture = (int)plan.capture.Width(), cyCapture = (int)plan.capture.Height();
        CMemoryPicture copy(hScreen, ::CreateCompatibleBitmap(hScreen, cxCapture, cyCapture));
        bDrawn = copy.IsValid() && ::PatBlt(copy.GetDC(), 0, 0, cxCapture, cyCapture, BLACKNESS) &&
                 ::PatBlt(out.GetDC(), 0, 0, cx, cy, BLACKNESS);
        if (plan.picture == Picture::Screen)
            bDrawn = bDrawn && ::BitBlt(copy.GetDC(), 0, 0, cxCapture, cyCapture, hScreen, (int)plan.capture.left,
                                        (int)plan.capture.top, SRCCOPY);
        else
            for (const Rect& part : plan.visible)
                bDrawn = bDrawn && ::BitBlt(copy.GetDC(), (int)(part.left - plan.capture.left),
                                            (int)(part.top - plan.capture.top), (int)part.Width(), (int)part.Height(),
                                            hScreen, (int)part.left, (int)part.top, SRCCOPY);
        if (bDrawn && (plan.bUnscaled || (cxCapture == cx && cyCapture == cy))) {
            bDrawn = ::BitBlt(out.GetDC(), 0, 0, std::min(cx, cxCapture), std::min(cy, cyCapture), copy.GetDC(), 0, 0,
                              SRCCOPY) &&
                     ::PatBlt(out.GetDC(), 0, 0, cx, cy - std::min(cy, cyCapture), BLACKNESS);
        } else if (bDrawn) {
            bDrawn = StretchLikeTheFilter(out.GetDC(), cx, cy, copy.GetDC(), 0, 0, cxCapture, cyCapture, plan.bHalftone);
        }
    }
    ::ReleaseDC(NULL, hScreen);
    if (!out.IsValid())
        return u8"建不了 " + detail::Size(cx, cy) + u8" 的位图";
    if (!bDrawn)
        return plan.picture == Picture::Image ? u8"载入不了静态图片" : u8"复制不了屏幕";
    ::GdiFlush();
    pImage->cx = cx;
    pImage->cy = cy;
    pImage->bits.assign((const unsigned char*)pBits, (const unsigned char*)pBits + bih.biSizeImage);
    return std::string();
}

// A .bmp file the filter's child wrote, as 24-bit rows.
bool LoadBmp(const std::wstring& strPath, GrabImage* pImage)
{
    HBITMAP hBitmap = (HBITMAP)::LoadImageW(NULL, strPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    BITMAP bm = {};
    if (hBitmap == NULL || ::GetObjectW(hBitmap, sizeof(bm), &bm) == 0) {
        if (hBitmap != NULL)
            ::DeleteObject(hBitmap);
        return false;
    }
    BITMAPINFOHEADER bih = {sizeof(bih), bm.bmWidth, bm.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    pImage->cx = bm.bmWidth;
    pImage->cy = bm.bmHeight;
    pImage->bits.assign(pImage->Stride() * (size_t)bm.bmHeight, 0);
    HDC hScreen = ::GetDC(NULL);
    const int nLines = ::GetDIBits(hScreen, hBitmap, 0, bm.bmHeight, pImage->bits.data(), (BITMAPINFO*)&bih, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hScreen);
    ::DeleteObject(hBitmap);
    return nLines == bm.bmHeight;
}

// Mean absolute difference per channel of two pictures of one size; -1 for different sizes.
double MeanDifference(const GrabImage& a, const GrabImage& b)
{
    if (a.cx != b.cx || a.cy != b.cy || a.bits.size() != b.bits.size() || a.cx <= 0)
        return -1;
    unsigned long long nSum = 0;
    for (int y = 0; y < a.cy; ++y) {
        const unsigned char* p = a.bits.data() + a.Stride() * y;
        const unsigned char* q = b.bits.data() + b.Stride() * y;
        for (int i = 0; i < a.cx * 3; ++i)
            nSum += (unsigned)std::abs(p[i] - q[i]);
    }
    return (double)nSum / ((double)a.cx * a.cy * 3);
}

// The registrations as the plan wants them.
std::vector<FilterBuild> InstalledBuilds()
{
    std::vector<FilterBuild> builds;
    for (const InstalledFilter& f : FindInstalledFilters()) {
        FilterBuild b;
        b.strName = f.strName;
        b.strClsid = f.strClsid;
        b.strDll = f.strDll;
        b.strVersion = f.strVersion;
        b.nBits = f.nBits;
        b.bExists = f.bExists;
        b.bReadsKey = f.reads.bKey;
        b.bReadsShowImg = f.reads.bShowImg;
        b.bReadsImgFilename = f.reads.bImgFilename;
        b.bReadsParamSet = f.reads.bParamSet;
        builds.push_back(b);
    }
    return builds;
}

// The filter the doctor runs leaves its start summary in the key, as any filter does when it
// starts: what was there before is put back afterwards, so that no later check takes the doctor's
// own grab for a streaming program that has the camera open.
class CSummaryKeeper
{
public:
    CSummaryKeeper()
    {
        HKEY hKey = NULL;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(kFilterKeyPath).c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                            &hKey) != ERROR_SUCCESS)
            return;
        DWORD cb = 0;
        m_bHad = ::RegQueryValueExW(hKey, kName, NULL, &m_dwType, NULL, &cb) == ERROR_SUCCESS;
        m_bytes.resize(cb);
        if (m_bHad && cb > 0)
            m_bHad = ::RegQueryValueExW(hKey, kName, NULL, &m_dwType, m_bytes.data(), &cb) == ERROR_SUCCESS;
        ::RegCloseKey(hKey);
    }
    ~CSummaryKeeper()
    {
        HKEY hKey = NULL;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(kFilterKeyPath).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                            &hKey) != ERROR_SUCCESS)
            return;
        if (m_bHad)
            ::RegSetValueExW(hKey, kName, 0, m_dwType, m_bytes.data(), (DWORD)m_bytes.size());
        else
            ::RegDeleteValueW(hKey, kName);
        ::RegCloseKey(hKey);
    }
    CSummaryKeeper(const CSummaryKeeper&) = delete;
    CSummaryKeeper& operator=(const CSummaryKeeper&) = delete;

private:
    static constexpr const wchar_t* kName = L"last_init_config_was";
    bool m_bHad = false;
    DWORD m_dwType = 0;
    std::vector<BYTE> m_bytes;
};

// A registration this process can load: of its own bitness, with its DLL there.
const FilterBuild* OwnBuild(const Plan& plan)
{
    for (const FilterBuild& f : plan.filters)
        if (f.nBits == (int)sizeof(void*) * 8 && f.bExists)
            return &f;
    return nullptr;
}

std::wstring TempBmpPath()
{
    wchar_t szDir[MAX_PATH] = L"", szFile[MAX_PATH] = L"";
    if (::GetTempPathW(MAX_PATH, szDir) == 0 || ::GetTempFileNameW(szDir, L"zdg", 0, szFile) == 0)
        return std::wstring();
    return szFile;
}
} // namespace

size_t GrabImage::Stride() const { return ((size_t)cx * 3 + 3) & ~(size_t)3; }

// The filter usually runs in a DPI-aware host (a streaming application): see the screen as it does.
void BecomeDpiAware()
{
    typedef BOOL(WINAPI * PFN_SET_PROCESS_DPI_AWARE)();
    const PFN_SET_PROCESS_DPI_AWARE pfn =
        (PFN_SET_PROCESS_DPI_AWARE)(void*)::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware");
    if (pfn != NULL)
        pfn();
}


Diagnosis Diagnose(GrabRequest request, DWORD dwFilterTimeoutMs)
{
    Diagnosis d;
    d.src = ReadSource();
    d.plan = ReadSettings(d.src);
    PlanCapture(d.plan, DescribeMachine(d.plan), d.src);
    if (request == GrabRequest::None)
        return d;
    Plan& plan = d.plan;
    GrabImage model;
    const std::string strModelError = plan.picture == Picture::None ? std::string() : GrabByModel(plan, &model);

    const FilterBuild* pOwn = request == GrabRequest::Auto ? OwnBuild(plan) : nullptr;
    if (pOwn != nullptr) {
        const std::wstring strFile = TempBmpPath();
        FilterGrab run;
        {
            const CSummaryKeeper keeper;
            run = GrabThroughFilter(pOwn->strClsid, strFile, dwFilterTimeoutMs);
        }
        GrabImage filtered;
        const bool bPicture = run.outcome == FilterGrab::Outcome::Picture && LoadBmp(strFile, &filtered);
        ::DeleteFileW(strFile.c_str());
        if (bPicture) {
            plan.grabSource = GrabSource::Filter;
            const double dDiff = plan.picture == Picture::None ? -1 : MeanDifference(filtered, model);
            if (plan.picture == Picture::None || dDiff < 0 || dDiff > kModelTolerance)
                detail::Add(plan, Level::Info, "model_mismatch", "",
                            u8"已安装的筛选器送出的画面和按规则推算的不一样（每个通道平均差 " +
                                (dDiff < 0 ? std::string(u8"无法比较") : std::to_string((int)(dDiff + 0.5))) +
                                u8"）：下面用筛选器的画面");
            plan.picture = plan.picture == Picture::None ? Picture::Screen : plan.picture;
            d.image = std::move(filtered);
            return d;
        }
        if (run.outcome == FilterGrab::Outcome::FilterFailed || run.outcome == FilterGrab::Outcome::TimedOut) {
            detail::AddStop(plan, "filter_failed", "",
                            run.outcome == FilterGrab::Outcome::TimedOut
                                ? u8"已安装的筛选器在 " + std::to_string(dwFilterTimeoutMs / 1000) + u8" 秒内没有送出画面"
                                : u8"已安装的筛选器失败了：" + run.strError);
            plan.picture = Picture::None;
            plan.grabSource = GrabSource::Filter;
            d.strGrabError = u8"筛选器此刻送不出画面";
            return d;
        }
        // It did not load: the model stands in.
    }
    plan.grabSource = GrabSource::Model;
    if (plan.picture == Picture::None)
        d.strGrabError = u8"筛选器此刻送不出画面";
    else if (!strModelError.empty())
        d.strGrabError = strModelError;
    else
        d.image = std::move(model);
    return d;
}

bool WriteBmp(const GrabImage& image, const std::wstring& strFile, std::string* pstrError)
{
    BITMAPINFOHEADER bih = {sizeof(BITMAPINFOHEADER), image.cx, image.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    bih.biSizeImage = (DWORD)image.bits.size();
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;   // "BM"
    bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    HANDLE hFile = ::CreateFileW(strFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE) {
        *pstrError = u8"打不开要写的文件（错误 " + std::to_string(::GetLastError()) + u8"）";
        return false;
    }
    DWORD n1 = 0, n2 = 0, n3 = 0;
    const bool bWritten = ::WriteFile(hFile, &bfh, sizeof(bfh), &n1, NULL) && ::WriteFile(hFile, &bih, sizeof(bih), &n2, NULL) &&
                          ::WriteFile(hFile, image.bits.data(), bih.biSizeImage, &n3, NULL) && n3 == bih.biSizeImage;
    const bool bClosed = ::CloseHandle(hFile) != FALSE;
    if (!bWritten || !bClosed) {
        ::DeleteFileW(strFile.c_str());
        *pstrError = u8"写文件失败";
        return false;
    }
    return true;
}

}  // namespace doctor
}  // namespace zelvix
