// capture_frame.cpp - the capture frame window.
#include "capture/capture_frame.h"

#include "res/resource.h"
#include "res/version.h"
#include "capture/capture_settings_store.h"

namespace
{
// Layout of the caption row, in client pixels. The strip's right edge is fixed: at every size
// only the left 800 pixels of the caption row are painted.
constexpr int kStripHeight = zelvix::kFrameCaptionAllowance - zelvix::kFrameOutlineWidth;
constexpr int kStripRight = 799;
constexpr int kButtonTop = 2;
constexpr int kButtonSize = 18;
constexpr int kTextTop = 6;
constexpr int kTextBottom = 20;
constexpr int kTextRight = 796;
constexpr int kTitleLeft = 20;
constexpr int kTitleRight = 776;
constexpr int kVersionLeft = 110;

constexpr char kVersionText[] = "(ver." ZELVIX_BUILD_DATE ")";
constexpr char kCaptureOffLabel[] = "屏幕捕捉[关闭]";
constexpr char kFontFace[] = "宋体";
constexpr int kFontPointTenths = 90;

constexpr DWORD kFrameExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr DWORD kFrameStyle = WS_POPUP | WS_VISIBLE;

// Looked up at run time: systems before Windows 2000 have no layered windows, and there the
// frame simply stays opaque.
typedef BOOL(WINAPI* PFN_SET_LAYERED_WINDOW_ATTRIBUTES)(HWND, COLORREF, BYTE, DWORD);
PFN_SET_LAYERED_WINDOW_ATTRIBUTES g_pfnSetLayeredWindowAttributes = NULL;

} // namespace

// One caption-strip button and its label, which starts where the button ends. The logo has no
// command, no label and no pressed image.
struct CScreenShareHintWnd::StripButton
{
    CImageButton CScreenShareHintWnd::*pButton;
    UINT nID;
    int nLeft;
    UINT nBitmap;
    UINT nLabel;   // string resource; the capture switch's label follows its state
};

const CScreenShareHintWnd::StripButton CScreenShareHintWnd::s_stripButtons[kStripButtonCount] = {
    {&CScreenShareHintWnd::m_btnLogo, 0, 2, IDB_LOGO, 0},
    {&CScreenShareHintWnd::m_btnShowFrame, IDC_FRAME_SHOW_FRAME, 240, IDB_SWITCH_ON, IDS_SHOW_FRAME},
    {&CScreenShareHintWnd::m_btnCapture, IDC_FRAME_CAPTURE, 340, IDB_SWITCH_OFF, IDS_SCREEN_CAPTURE},
    {&CScreenShareHintWnd::m_btnEnlarge, IDC_FRAME_ENLARGE, 480, IDB_ENLARGE, IDS_ENLARGE},
    {&CScreenShareHintWnd::m_btnShrink, IDC_FRAME_SHRINK, 540, IDB_SHRINK, IDS_SHRINK},
    {&CScreenShareHintWnd::m_btnClose, IDC_FRAME_CLOSE, 740, IDB_CLOSE, IDS_CLOSE},
};

BEGIN_MESSAGE_MAP(CScreenShareHintWnd, CWnd)
    ON_WM_NCHITTEST()
    ON_WM_PAINT()
    ON_WM_CLOSE()
    ON_WM_TIMER()
    ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChange)
    ON_COMMAND(IDC_FRAME_FULLSCREEN, OnFullScreen)
    ON_COMMAND(IDC_FRAME_SHOW_FRAME, OnShowFrame)
    ON_COMMAND(IDC_FRAME_CLOSE, OnCloseFrame)
    ON_COMMAND(IDC_FRAME_CAPTURE, OnCapture)
    ON_COMMAND(IDC_FRAME_SHRINK, OnShrink)
    ON_COMMAND(IDC_FRAME_ENLARGE, OnEnlarge)
END_MESSAGE_MAP()

/////////////////////////////////////////////////////////////////////////////
// Construction

CScreenShareHintWnd::CScreenShareHintWnd()
    : m_nTimerID(0), m_bShowFrame(TRUE), m_bCapture(FALSE), m_bDefaultsPublished(FALSE),
      m_bScreenOnlyFilter(FALSE), m_nTicksToFilterCheck(zelvix::kFrameFilterCheckTicks), m_nOffScreenLeft(0),
      m_nStretchWidth(0), m_nStretchHeight(0)
{
    CheckFilterBuilds();
    OnDisplayChange(0, 0);
    // The filter may still hold a previous run's values: start it from a complete default set.
    m_bDefaultsPublished = PublishDefaults() == ERROR_SUCCESS;
}

void CScreenShareHintWnd::CheckFilterBuilds()
{
    if (m_filterWatch.HasChanged())
        m_bScreenOnlyFilter = IsScreenOnlyFilterRegistered();
}

LRESULT CScreenShareHintWnd::OnDisplayChange(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    m_nOffScreenLeft = zelvix::OffScreenLeft(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
    return 0;
}

BOOL CScreenShareHintWnd::IsScreenOnlyFilterRegistered()
{
    BOOL bFound = FALSE;
    for (const zelvix::InstalledFilter& filter : zelvix::FindInstalledFilters(&m_filterScans))
        bFound = bFound || (filter.bExists && filter.reads.bKey && !filter.reads.bShowImg);
    return bFound;
}

LONG CScreenShareHintWnd::PublishStretchSize(int nWidth, int nHeight)
{
    if (nWidth == m_nStretchWidth && nHeight == m_nStretchHeight)
        return ERROR_SUCCESS;
    LONG lResult = WriteCaptureDword(zelvix::setting::kStretchToWidth, nWidth);
    lResult = CaptureSetResult(lResult, WriteCaptureDword(zelvix::setting::kStretchToHeight, nHeight));
    m_nStretchWidth = lResult == ERROR_SUCCESS ? nWidth : 0;   // a refused write is tried again
    m_nStretchHeight = lResult == ERROR_SUCCESS ? nHeight : 0;
    return lResult;
}

LONG CScreenShareHintWnd::PublishDefaults()
{
    // In this order: opened by "param_set" 0 and, after the image settings, closed by 1.
    // For a build that never reads show_img the output is the capture size of the frame's first
    // place (the normal size inside the outline), else 800 x 450.
    const int nStretchWidth = m_bScreenOnlyFilter ? zelvix::kFrameNormalWidth - 2 * zelvix::kFrameOutlineWidth : 800;
    const int nStretchHeight = m_bScreenOnlyFilter ? zelvix::kFrameNormalHeight - zelvix::kFrameCaptionAllowance : 450;
    const struct {
        LPCSTR pszName;
        int nValue;
    } defaults[] = {
        {zelvix::setting::kStretchToWidth, nStretchWidth}, {zelvix::setting::kStretchToHeight, nStretchHeight},
        {zelvix::setting::kStretchModeHighQuality, 1}, {zelvix::setting::kTrackNewXY, 1},
        {zelvix::setting::kParamSet, 0}, {zelvix::setting::kStartX, 0}, {zelvix::setting::kStartY, 0},
        {zelvix::setting::kCaptureWidth, 800}, {zelvix::setting::kCaptureHeight, 450},
        {zelvix::setting::kDefaultMaxFps, 15},
    };
    LONG lResult = ERROR_SUCCESS;
    for (const auto& d : defaults)
        lResult = CaptureSetResult(lResult, WriteCaptureDword(d.pszName, d.nValue));
    if (m_bScreenOnlyFilter && lResult == ERROR_SUCCESS) {
        m_nStretchWidth = nStretchWidth;
        m_nStretchHeight = nStretchHeight;
    }
    lResult = CaptureSetResult(lResult, PublishImageSettings(1));
    return EndCaptureSet(lResult);
}

CScreenShareHintWnd::~CScreenShareHintWnd()
{
    // Buttons first, in reverse order, while the frame they belong to is still whole.
    for (int i = kStripButtonCount - 1; i >= 0; --i)
        (this->*s_stripButtons[i].pButton).DestroyWindow();
    DestroyWindow();
}

HBITMAP CScreenShareHintWnd::LoadFrameBitmap(UINT nID)
{
    LPCSTR lpszName = MAKEINTRESOURCEA(nID);
    return (HBITMAP)::LoadImageA(AfxFindResourceHandle(lpszName, (LPCSTR)RT_BITMAP), lpszName, IMAGE_BITMAP, 0, 0,
                                 LR_DEFAULTCOLOR);
}

BOOL CScreenShareHintWnd::CreateFrame()
{
    const CRect rcFrame(m_size.nX, m_size.nY, m_size.nX + m_size.nWidth, m_size.nY + m_size.nHeight);
    LPCSTR lpszClass = AfxRegisterWndClass(0, NULL, NULL, NULL);
    const BOOL bCreated = CreateEx(kFrameExStyle, lpszClass, NULL, kFrameStyle, rcFrame, NULL, 0);
    if (!bCreated)
        return FALSE;  // no buttons, timer or colour key for a window that is not there

    for (const StripButton& layout : s_stripButtons) {
        CImageButton& btn = this->*layout.pButton;
        const bool bLogo = layout.nID == 0;
        btn.Create(NULL, bLogo ? WS_CHILD | WS_VISIBLE : WS_VISIBLE,
                   CRect(layout.nLeft, kButtonTop, layout.nLeft + kButtonSize, kButtonTop + kButtonSize), this, layout.nID);
        btn.AssignBitmaps(LoadFrameBitmap(layout.nBitmap), bLogo ? NULL : BMP_DARKER);
        if (bLogo) {
            // The logo sits on the strip itself: it draws on a copy of the frame's pixels and
            // never looks pressed.
            btn.EnableParentBackground(FALSE);
            btn.ShowBorder(FALSE, TRUE);
        }
    }

    m_nTimerID = SetTimer(zelvix::kFramePublishTimerId, zelvix::kFramePublishPeriodMs, NULL);

    HMODULE hUser32 = ::GetModuleHandleA("USER32.DLL");
    if (hUser32 != NULL) {
        g_pfnSetLayeredWindowAttributes = reinterpret_cast<PFN_SET_LAYERED_WINDOW_ATTRIBUTES>(
            reinterpret_cast<void (*)()>(::GetProcAddress(hUser32, "SetLayeredWindowAttributes")));
    }
    if (g_pfnSetLayeredWindowAttributes != NULL) {
        ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        g_pfnSetLayeredWindowAttributes(m_hWnd, zelvix::kFrameColorKey, 0, LWA_COLORKEY);
    }
    return bCreated;
}

/////////////////////////////////////////////////////////////////////////////
// Painting

CString CScreenShareHintWnd::LoadResString(UINT nID)
{
    CString str;
    if (!str.LoadString(nID))
        str.Empty();
    return str;
}

void CScreenShareHintWnd::DrawFrame(CDC* pDC, const CRect& rcClient) const
{
    const CRect& r = rcClient;

    CBrush brKey(zelvix::kFrameColorKey);
    pDC->FillRect(&r, &brKey);

    CRgn rgnOutline;
    CBrush brOutline;
    if (m_bShowFrame) {
        // FrameRgn paints inside the region: a 2-pixel band from row 24 down to the bottom.
        rgnOutline.CreateRectRgn(r.left, r.top + kStripHeight, r.right, r.bottom);
        brOutline.CreateSolidBrush(zelvix::kFrameOutlineColor);
        pDC->FrameRgn(&rgnOutline, &brOutline, zelvix::kFrameOutlineWidth, zelvix::kFrameOutlineWidth);
    }

    CRgn rgnStrip;
    rgnStrip.CreateRoundRectRgn(r.left + 1, r.top + 1, kStripRight, r.top + kStripHeight - 1, 3, 3);
    CBrush brStrip(zelvix::kFrameStripColor);
    pDC->FillRgn(&rgnStrip, &brStrip);

    CFont font;
    font.CreatePointFont(kFontPointTenths, kFontFace);
    CFont* pOldFont = pDC->SelectObject(&font);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(zelvix::kFrameTextColor);

    const auto draw = [&](const CString& strText, int nLeft, int nRight) {
        CRect rcText(r.left + nLeft, r.top + kTextTop, nRight, kTextBottom);
        pDC->DrawText(strText, &rcText, DT_END_ELLIPSIS);
    };
    draw(LoadResString(IDS_APP_TITLE), kTitleLeft, kTitleRight);
    for (const StripButton& button : s_stripButtons) {
        if (button.nLabel == 0)
            continue;
        const bool bCaptureOff = button.nID == IDC_FRAME_CAPTURE && !m_bCapture;
        draw(bCaptureOff ? CString(kCaptureOffLabel) : LoadResString(button.nLabel), button.nLeft + kButtonSize, kTextRight);
    }
    draw(CString(kVersionText), kVersionLeft, kTextRight);

    pDC->SelectObject(pOldFont);
    font.DeleteObject();
}

void CScreenShareHintWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    DrawFrame(&dc, rcClient);

    // The logo button shows the strip through itself: let it copy the freshly painted pixels.
    // The others are not in that mode and return at once.
    for (const StripButton& button : s_stripButtons)
        (this->*button.pButton).CopyParentBackground(&dc);
}

/////////////////////////////////////////////////////////////////////////////
// Sizes and switches

void CScreenShareHintWnd::ApplyMove(const zelvix::FrameMove& move)
{
    if (!move.bMove)
        return;
    MoveWindow(move.x, move.y, move.cx, move.cy, TRUE);
    InvalidateRect(NULL, TRUE);
}

void CScreenShareHintWnd::ToggleFullScreen()
{
    ApplyMove(m_size.ToggleFullScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
}

void CScreenShareHintWnd::OnFullScreen()
{
    ToggleFullScreen();
}

void CScreenShareHintWnd::OnEnlarge()
{
    ApplyMove(m_size.Enlarge(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
}

void CScreenShareHintWnd::OnShrink()
{
    const bool bWasFullScreen = m_size.bFullScreen;
    ApplyMove(m_size.Shrink());
    if (bWasFullScreen)
        InvalidateRect(NULL, TRUE);
}

void CScreenShareHintWnd::ToggleSwitch(BOOL& bSwitch, CImageButton& btn)
{
    bSwitch = !bSwitch;
    btn.AssignBitmaps(LoadFrameBitmap(bSwitch ? IDB_SWITCH_ON : IDB_SWITCH_OFF), BMP_DARKER);
    InvalidateRect(NULL, TRUE);
}

void CScreenShareHintWnd::OnShowFrame()
{
    // Only a mark on the screen: the filter is not told.
    ToggleSwitch(m_bShowFrame, m_btnShowFrame);
}

void CScreenShareHintWnd::OnCapture()
{
    // The filter learns it at the next tick ("show_img").
    ToggleSwitch(m_bCapture, m_btnCapture);
}

void CScreenShareHintWnd::OnCloseFrame()
{
    const int nAnswer = ::MessageBoxA(NULL, "关闭【ZELVIX直播伴侣】将无法进行视频直播了，您真的要关闭吗？",
                                      "ZELVIX直播伴侣", MB_ICONINFORMATION | MB_YESNO);
    if (nAnswer != IDYES)
        return;

    // Leave the filter with nothing of the desktop, as a complete set, then end the program's
    // modal run; the windows go with the process.
    PublishClosingSet();
    AfxPostQuitMessage(0);
}

void CScreenShareHintWnd::PublishClosingSet()
{
    LONG lResult = ERROR_SUCCESS;
    if (m_bScreenOnlyFilter) {
        lResult = WriteCaptureDword(zelvix::setting::kStartX, m_nOffScreenLeft);
    }
    EndCaptureSet(CaptureSetResult(lResult, PublishImageSettings(1)));
}

void CScreenShareHintWnd::OnClose()
{
    // The window alone goes; the program runs on and the registry keeps the last set.
    KillTimer(m_nTimerID);
    CWnd::OnClose();
}

/////////////////////////////////////////////////////////////////////////////
// Publishing and dragging

void CScreenShareHintWnd::PublishRegion()
{
    WINDOWPLACEMENT wp;
    memset(&wp, 0, sizeof(wp));
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(&wp))
        return;  // no window, no position to publish

    const RECT& rc = wp.rcNormalPosition;
    const zelvix::CaptureRect capture = m_size.SampleCapture(rc.left, rc.top, rc.right, rc.bottom);

    if (--m_nTicksToFilterCheck <= 0) {
        m_nTicksToFilterCheck = zelvix::kFrameFilterCheckTicks;
        CheckFilterBuilds();
    }
    // Defaults the key refused at start-up go first, so the filter never runs on part of them.
    if (!m_bDefaultsPublished)
        m_bDefaultsPublished = PublishDefaults() == ERROR_SUCCESS;

    // A build that never reads show_img shows the still image as nothing: capture off moves its
    // rectangle off every monitor, where it records black.
    const int nLeft = m_bScreenOnlyFilter && !m_bCapture ? m_nOffScreenLeft : capture.nLeft;
    LONG lResult = WriteCaptureDword(zelvix::setting::kStartX, nLeft);
    lResult = CaptureSetResult(lResult, WriteCaptureDword(zelvix::setting::kStartY, capture.nTop));
    lResult = CaptureSetResult(lResult, WriteCaptureDword(zelvix::setting::kCaptureWidth, capture.nWidth));
    lResult = CaptureSetResult(lResult, WriteCaptureDword(zelvix::setting::kCaptureHeight, capture.nHeight));
    if (m_bScreenOnlyFilter)
        lResult = CaptureSetResult(lResult, PublishStretchSize(capture.nWidth, capture.nHeight));
    lResult = CaptureSetResult(lResult, PublishImageSettings(m_bCapture ? 0 : 1));
    EndCaptureSet(lResult);  // a set with a failed write stays unmarked; the next tick writes it whole
}

void CScreenShareHintWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == zelvix::kFramePublishTimerId)
        PublishRegion();
    CWnd::OnTimer(nIDEvent);
}

LRESULT CScreenShareHintWnd::OnNcHitTest(CPoint point)
{
    // No border and no title bar: every visible part is client area, and dragging it moves
    // the frame through the platform's own move loop. The buttons hit-test themselves.
    const LRESULT nHit = CWnd::OnNcHitTest(point);
    return nHit == HTCLIENT ? HTCAPTION : nHit;
}
