// capture_frame.h - CScreenShareHintWnd: the capture frame on the desktop.
//
// A borderless, topmost tool window whose inside is see-through (painted in the colour key
// and taken out by the platform), with a blue caption strip holding the title, the version
// and six image buttons, and a red outline around the captured area. Once a second it tells
// the capture filter the rectangle inside the outline and the capture switch.
//
// Holds: the frame's command and timer ids, its colours, CScreenShareHintWnd (construction
// with the registry defaults, CreateFrame, painting, the size and switch commands, the
// publishing tick and the hit test that lets the user drag it by any visible part).
#ifndef ZELVIX_CAPTURE_FRAME_H
#define ZELVIX_CAPTURE_FRAME_H

#include <afxwin.h>

#include "controls/button/image_button.h"
#include "capture/filter_registration.h"
#include "capture/frame_geometry.h"

// Commands of the caption-strip buttons (100 has no button).
#define IDC_FRAME_FULLSCREEN    100
#define IDC_FRAME_SHOW_FRAME    101
#define IDC_FRAME_CLOSE         102
#define IDC_FRAME_CAPTURE       103
#define IDC_FRAME_SHRINK        110
#define IDC_FRAME_ENLARGE       111

namespace zelvix {
// The one-second publishing timer.
constexpr UINT_PTR kFramePublishTimerId = 8755;
constexpr UINT kFramePublishPeriodMs = 1000;
// Every this many ticks the frame looks again which builds of the filter are registered.
constexpr int kFrameFilterCheckTicks = 60;
}  // namespace zelvix

class CScreenShareHintWnd : public CWnd
{
public:
// Construction
    // Writes the capture filter's defaults, so a new run starts from a known set.
    CScreenShareHintWnd();
    virtual ~CScreenShareHintWnd();

    // Creates the window at the stored place and size, its buttons, the publishing timer and
    // the colour key. Returns whether the window itself exists; without it nothing else is made.
    BOOL CreateFrame();

// Operations
    // One tick: samples the window's position and publishes the capture rectangle and the
    // capture switch, ending the set with "param_set" = 1 if every write went through. Defaults
    // the key refused at construction are written first.
    void PublishRegion();

    // The set that leaves the filter with nothing of the desktop, for both ways the program
    // ends: the still image, and, while a build that never reads it is registered, a rectangle
    // off every monitor.
    void PublishClosingSet();

    // Command 100: full screen on the primary screen, or back to the stored size.
    void ToggleFullScreen();

    // Draws the whole client picture (without the buttons) into pDC; rcClient is the client
    // rectangle. Reads only the size and the two switches.
    void DrawFrame(CDC* pDC, const CRect& rcClient) const;

    // A string-table entry, or the empty string when there is none.
    static CString LoadResString(UINT nID);

protected:
// Data members
    UINT_PTR m_nTimerID;   // as returned when the publishing timer was started
    // Place and size: the position as sampled by the last tick (the commands do not refresh
    // it), the stored size (800 x 476 or 1024 x 602), full screen, and where leaving it returns to.
    zelvix::FrameSizeState m_size;
    BOOL m_bShowFrame;     // the red outline is drawn
    BOOL m_bCapture;       // screen capture on; off means the filter shows the still image
    BOOL m_bDefaultsPublished;   // the construction's default set went through whole
    // While a registered build never reads show_img (the public one), capture off publishes a
    // rectangle off every monitor, and the output size is the capture size, so that a move never
    // makes it crop. Looked up at construction and every kFrameFilterCheckTicks ticks.
    BOOL m_bScreenOnlyFilter;
    int m_nTicksToFilterCheck;
    int m_nOffScreenLeft;        // start_x right of every monitor; renewed on a display change
                                 // (the platform's answer is slow to ask per tick)
    int m_nStretchWidth;         // the output size last published for such a build (0: none yet)
    int m_nStretchHeight;
    zelvix::CFilterScanCache m_filterScans;
    zelvix::CFilterRegistrationWatch m_filterWatch;
    CImageButton m_btnLogo;
    CImageButton m_btnShowFrame;
    CImageButton m_btnClose;
    CImageButton m_btnShrink;
    CImageButton m_btnEnlarge;
    CImageButton m_btnCapture;
    struct StripButton;
    static constexpr int kStripButtonCount = 6;
    static const StripButton s_stripButtons[kStripButtonCount];   // in the order of the strip

// Implementation
    // The 13 writes of the default set; 0 when all went through (and the set was marked).
    LONG PublishDefaults();
    // Whether a registered build never reads show_img; registry reads only once its DLLs are known.
    BOOL IsScreenOnlyFilterRegistered();
    // The check of the registered builds, when the video sources may have changed.
    void CheckFilterBuilds();
    // Writes the output size for such a build once it differs from the capture size; 0 or the error.
    LONG PublishStretchSize(int nWidth, int nHeight);
    // Carries out a size command's move (with repaint) and invalidates the whole frame.
    void ApplyMove(const zelvix::FrameMove& move);
    // Flips one of the two switches and gives its button the matching image.
    void ToggleSwitch(BOOL& bSwitch, CImageButton& btn);
    static HBITMAP LoadFrameBitmap(UINT nID);

// Message handlers
    LRESULT OnNcHitTest(CPoint point);
    void OnPaint();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    void OnFullScreen();
    void OnShowFrame();
    void OnCloseFrame();
    void OnCapture();
    void OnShrink();
    void OnEnlarge();

    DECLARE_MESSAGE_MAP()
};

#endif // ZELVIX_CAPTURE_FRAME_H
