// observe.h - watching the running program from outside, for the end-to-end drivers.
//   LogStep                  a numbered, timed line per step of a driver
//   WaitStable               polls until a state holds on two consecutive reads, or times out
//   FindProcessWindow ...    top-level windows of the program's process, by stable properties
//   ReadCaptureDword ...     the capture filter's registry values (read, seed with sentinels)
//   CScreenShot              the screen's pixels (as the X screen shows them), saved as .bmp
//   RootColor, ArtifactPath  the harness's see-through colour and the folder for failure files
//   ParseCaptureWrites       the program's writes to the filter's key, from Wine's +reg trace
// Nothing here knows the program's internals: windows, pixels, the registry and the trace only.
#ifndef ZELVIX_E2E_OBSERVE_H
#define ZELVIX_E2E_OBSERVE_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

void LogStep(const char* pszFormat, ...);

// True when pred() held on two consecutive reads (50 ms apart) within dwTimeoutMs.
bool WaitStable(DWORD dwTimeoutMs, const std::function<bool()>& pred);

// The first top-level window of process dwPid for which match() is true (NULL: none).
HWND FindProcessWindow(DWORD dwPid, const std::function<bool(HWND)>& match);
// The capture frame: a visible top-level tool window of the process.
HWND FindCaptureFrame(DWORD dwPid);
// A dialog-class (#32770) top-level window of the process with exactly this caption.
HWND FindDialogByTitle(DWORD dwPid, const char* pszTitle);
// The text of a child control with this id ("" when there is none).
std::string ChildText(HWND hParent, int nID);
// Every child window's text, in z order.
std::vector<std::string> ChildTexts(HWND hParent);

// The filter's values under HKCU\SOFTWARE\screen-capture-recorder (32-bit view).
bool ReadCaptureDword(const char* pszName, DWORD* pdwValue);
bool ReadCaptureString(const char* pszName, std::string* pstrValue);
bool SetCaptureDword(const char* pszName, DWORD dwValue);
// Overwrites the values a tick publishes with sentinels, so that the next tick is seen.
void SeedTickSentinels();
const DWORD SENTINEL = 0x5EED5EED;

// Waits for one tick to publish exactly this rectangle (after SeedTickSentinels).
bool WaitForPublishedRect(DWORD dwTimeoutMs, int x, int y, int cx, int cy);
std::string DescribePublished();

// The still image's path the program publishes for an executable at strExePath.
std::string StillImagePathFor(const std::string& strExePath);

class CScreenShot
{
public:
    CScreenShot();  // takes the whole screen now
    ~CScreenShot();
    CScreenShot(const CScreenShot&) = delete;
    CScreenShot& operator=(const CScreenShot&) = delete;

    int Width() const { return m_cx; }
    int Height() const { return m_cy; }
    COLORREF At(int x, int y) const;  // CLR_INVALID outside the screen
    bool SaveBmp(const std::string& strPath) const;

private:
    int m_cx;
    int m_cy;
    std::vector<DWORD> m_pixels;  // top-down, 0x00RRGGBB
};

COLORREF RootColor();
std::string ArtifactPath(const std::string& strFile);
std::string ColorText(COLORREF cr);

// One write to the filter's key, as Wine's +reg trace shows it.
struct CaptureWrite
{
    std::string strName;   // the value's name
    int nType;             // REG_DWORD 4, REG_SZ 1
    int nSize;             // bytes stored
    unsigned nAccess;      // access mask of the key open that preceded it
    bool bOwnOpen;         // the write used a key opened just for it (no other write since)
    std::string strHandle; // handle of that key open
};

// Writes to screen-capture-recorder in trace order. Each key open is noted with its access mask
// and handle; a value write is attributed to the open whose handle it uses.
std::vector<CaptureWrite> ParseCaptureWrites(const std::string& strTrace);

#endif // ZELVIX_E2E_OBSERVE_H
