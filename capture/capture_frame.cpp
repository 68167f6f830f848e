// capture_frame.cpp - the capture frame window.
#include "capture_frame.h"

#include "../res/resource.h"
#include "capture_settings_store.h"

namespace
{
// Layout of the caption row, in client pixels. The strip's right edge is fixed: at every size
// only the left 800 pixels of the caption row are painted.
const int STRIP_HEIGHT = 24;
const int OUTLINE_WIDTH = 2;
const int STRIP_RIGHT = 799;
const int TEXT_TOP = 6;
const int TEXT_BOTTOM = 20;
const int TEXT_RIGHT = 796;
const int TITLE_RIGHT = 776;

const char VERSION_FORMAT[] = "(ver.%s)";
const char BUILD_DATE[] = "20170315";
const char CAPTURE_OFF_LABEL[] = "屏幕捕捉[关闭]";
const char FONT_FACE[] = "宋体";
const int FONT_POINT_TENTHS = 90;

const DWORD FRAME_EX_STYLE = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
const DWORD FRAME_STYLE = WS_POPUP | WS_VISIBLE;

// Looked up at run time: systems before Windows 2000 have no layered windows, and there the
// frame simply stays opaque.
typedef BOOL(WINAPI* PFN_SET_LAYERED_WINDOW_ATTRIBUTES)(HWND, COLORREF, BYTE, DWORD);
PFN_SET_LAYERED_WINDOW_ATTRIBUTES g_pfnSetLayeredWindowAttributes = NULL;

// One caption-strip button: where it goes and what it shows.
struct FrameButtonLayout
{
    CImageButton CScreenShareHintWnd::*pButton;
    UINT nID;
    int left, top, right, bottom;
    DWORD dwStyle;
    UINT nBitmap;
    BOOL bDarker;  // derive the pressed image; otherwise the button has a single image
};
} // namespace

BEGIN_MESSAGE_MAP(CScreenShareHintWnd, CWnd)
    ON_WM_NCHITTEST()
    ON_WM_PAINT()
    ON_WM_CLOSE()
    ON_WM_TIMER()
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
    : m_nTimerID(0), m_nSavedX(-1), m_nSavedY(-1), m_nX(40), m_nY(40),
      m_nWidth(zelvix::kFrameNormalWidth), m_nHeight(zelvix::kFrameNormalHeight),
      m_bFullScreen(FALSE), m_bShowFrame(TRUE), m_bCapture(FALSE), m_bDefaultsPublished(FALSE),
      m_bScreenOnlyFilter(FALSE), m_nTicksToFilterCheck(FRAME_FILTER_CHECK_TICKS), m_nStretchWidth(0),
      m_nStretchHeight(0)
{
    m_bScreenOnlyFilter = IsScreenOnlyFilterRegistered();
    // The filter may still hold a previous run's values: start it from a complete default set.
    m_bDefaultsPublished = PublishDefaults() == ERROR_SUCCESS;
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
    static const struct {
        LPCSTR pszName;
        int nValue;
    } s_defaults[] = {
        {zelvix::setting::kStretchToWidth, 800}, {zelvix::setting::kStretchToHeight, 450},
        {zelvix::setting::kStretchModeHighQuality, 1}, {zelvix::setting::kTrackNewXY, 1},
        {zelvix::setting::kParamSet, 0}, {zelvix::setting::kStartX, 0}, {zelvix::setting::kStartY, 0},
        {zelvix::setting::kCaptureWidth, 800}, {zelvix::setting::kCaptureHeight, 450},
        {zelvix::setting::kDefaultMaxFps, 15},
    };
    // For a build that never reads show_img the output is the capture size of the frame's first
    // place: the normal size inside the outline.
    const int nCaptureWidth = zelvix::kFrameNormalWidth - 2 * zelvix::kFrameOutlineWidth;
    const int nCaptureHeight = zelvix::kFrameNormalHeight - zelvix::kFrameCaptionAllowance;
    LONG lResult = ERROR_SUCCESS;
    for (const auto& d : s_defaults) {
        int nValue = d.nValue;
        if (m_bScreenOnlyFilter && d.pszName == zelvix::setting::kStretchToWidth)
            nValue = nCaptureWidth;
        else if (m_bScreenOnlyFilter && d.pszName == zelvix::setting::kStretchToHeight)
            nValue = nCaptureHeight;
        lResult = CaptureSetResult(lResult, WriteCaptureDword(d.pszName, nValue));
    }
    if (m_bScreenOnlyFilter && lResult == ERROR_SUCCESS) {
        m_nStretchWidth = nCaptureWidth;
        m_nStretchHeight = nCaptureHeight;
    }
    lResult = CaptureSetResult(lResult, PublishImageSettings(1));
    return EndCaptureSet(lResult);
}

CScreenShareHintWnd::~CScreenShareHintWnd()
{
    // Buttons first, in reverse order, while the frame they belong to is still whole.
    m_btnCapture.DestroyWindow();
    m_btnEnlarge.DestroyWindow();
    m_btnShrink.DestroyWindow();
    m_btnClose.DestroyWindow();
    m_btnShowFrame.DestroyWindow();
    m_btnLogo.DestroyWindow();
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
    static const FrameButtonLayout s_buttons[] = {
        { &CScreenShareHintWnd::m_btnLogo, 0, 2, 2, 20, 20, WS_CHILD | WS_VISIBLE, IDB_LOGO, FALSE },
        { &CScreenShareHintWnd::m_btnShowFrame, IDC_FRAME_SHOW_FRAME, 240, 2, 258, 20, WS_VISIBLE, IDB_SWITCH_ON, TRUE },
        { &CScreenShareHintWnd::m_btnCapture, IDC_FRAME_CAPTURE, 340, 2, 358, 20, WS_VISIBLE, IDB_SWITCH_OFF, TRUE },
        { &CScreenShareHintWnd::m_btnEnlarge, IDC_FRAME_ENLARGE, 480, 2, 498, 20, WS_VISIBLE, IDB_ENLARGE, TRUE },
        { &CScreenShareHintWnd::m_btnShrink, IDC_FRAME_SHRINK, 540, 2, 558, 20, WS_VISIBLE, IDB_SHRINK, TRUE },
        { &CScreenShareHintWnd::m_btnClose, IDC_FRAME_CLOSE, 740, 2, 758, 20, WS_VISIBLE, IDB_CLOSE, TRUE },
    };

    const CRect rcFrame(m_nX, m_nY, m_nX + m_nWidth, m_nY + m_nHeight);
    LPCSTR lpszClass = AfxRegisterWndClass(0, NULL, NULL, NULL);
    const BOOL bCreated = CreateEx(FRAME_EX_STYLE, lpszClass, NULL, FRAME_STYLE, rcFrame, NULL, 0);
    if (!bCreated)
        return FALSE;  // no buttons, timer or colour key for a window that is not there

    for (const FrameButtonLayout& layout : s_buttons) {
        CImageButton& btn = this->*layout.pButton;
        btn.Create(NULL, layout.dwStyle, CRect(layout.left, layout.top, layout.right, layout.bottom), this, layout.nID);
        btn.AssignBitmaps(LoadFrameBitmap(layout.nBitmap), layout.bDarker ? BMP_DARKER : NULL);
        if (&btn == &m_btnLogo) {
            // The logo sits on the strip itself: it draws on a copy of the frame's pixels and
            // never looks pressed.
            btn.EnableParentBackground(FALSE);
            btn.ShowBorder(FALSE, TRUE);
        }
    }

    m_nTimerID = SetTimer(FRAME_PUBLISH_TIMER_ID, FRAME_PUBLISH_PERIOD_MS, NULL);

    HMODULE hUser32 = ::GetModuleHandleA("USER32.DLL");
    if (hUser32 != NULL) {
        g_pfnSetLayeredWindowAttributes = reinterpret_cast<PFN_SET_LAYERED_WINDOW_ATTRIBUTES>(
            reinterpret_cast<void (*)()>(::GetProcAddress(hUser32, "SetLayeredWindowAttributes")));
    }
    if (g_pfnSetLayeredWindowAttributes != NULL) {
        ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        g_pfnSetLayeredWindowAttributes(m_hWnd, FRAME_COLOR_KEY, 0, LWA_COLORKEY);
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

    CBrush brKey(FRAME_COLOR_KEY);
    pDC->FillRect(&r, &brKey);

    CRgn rgnOutline;
    CBrush brOutline;
    if (m_bShowFrame) {
        // FrameRgn paints inside the region: a 2-pixel band from row 24 down to the bottom.
        rgnOutline.CreateRectRgn(r.left, r.top + STRIP_HEIGHT, r.right, r.bottom);
        brOutline.CreateSolidBrush(FRAME_COLOR_OUTLINE);
        pDC->FrameRgn(&rgnOutline, &brOutline, OUTLINE_WIDTH, OUTLINE_WIDTH);
    }

    CRgn rgnStrip;
    rgnStrip.CreateRoundRectRgn(r.left + 1, r.top + 1, STRIP_RIGHT, r.top + STRIP_HEIGHT - 1, 3, 3);
    CBrush brStrip(FRAME_COLOR_STRIP);
    pDC->FillRgn(&rgnStrip, &brStrip);

    CFont font;
    font.CreatePointFont(FONT_POINT_TENTHS, FONT_FACE);
    CFont* pOldFont = pDC->SelectObject(&font);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(FRAME_COLOR_TEXT);

    CString strVersion;
    strVersion.Format(VERSION_FORMAT, BUILD_DATE);
    const struct
    {
        CString strText;
        int nLeft;
        int nRight;
    } texts[] = {
        { LoadResString(IDS_APP_TITLE), 20, TITLE_RIGHT },
        { LoadResString(IDS_SHOW_FRAME), 258, TEXT_RIGHT },
        { m_bCapture ? LoadResString(IDS_SCREEN_CAPTURE) : CString(CAPTURE_OFF_LABEL), 358, TEXT_RIGHT },
        { LoadResString(IDS_ENLARGE), 498, TEXT_RIGHT },
        { LoadResString(IDS_SHRINK), 558, TEXT_RIGHT },
        { LoadResString(IDS_CLOSE), 758, TEXT_RIGHT },
        { strVersion, 110, TEXT_RIGHT },
    };
    for (const auto& text : texts) {
        CRect rcText(r.left + text.nLeft, r.top + TEXT_TOP, text.nRight, TEXT_BOTTOM);
        pDC->DrawText(text.strText, &rcText, DT_END_ELLIPSIS);
    }

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
    m_btnLogo.CopyParentBackground(&dc);
    m_btnShowFrame.CopyParentBackground(&dc);
    m_btnClose.CopyParentBackground(&dc);
    m_btnCapture.CopyParentBackground(&dc);
    m_btnShrink.CopyParentBackground(&dc);
    m_btnEnlarge.CopyParentBackground(&dc);
}

/////////////////////////////////////////////////////////////////////////////
// Sizes and switches

zelvix::FrameSizeState CScreenShareHintWnd::GetSizeState() const
{
    zelvix::FrameSizeState state;
    state.nSavedX = m_nSavedX;
    state.nSavedY = m_nSavedY;
    state.nX = m_nX;
    state.nY = m_nY;
    state.nWidth = m_nWidth;
    state.nHeight = m_nHeight;
    state.bFullScreen = m_bFullScreen != FALSE;
    return state;
}

void CScreenShareHintWnd::SetSizeState(const zelvix::FrameSizeState& state)
{
    m_nSavedX = state.nSavedX;
    m_nSavedY = state.nSavedY;
    m_nX = state.nX;
    m_nY = state.nY;
    m_nWidth = state.nWidth;
    m_nHeight = state.nHeight;
    m_bFullScreen = state.bFullScreen ? TRUE : FALSE;
}

void CScreenShareHintWnd::ApplyMove(const zelvix::FrameMove& move)
{
    if (!move.bMove)
        return;
    MoveWindow(move.x, move.y, move.cx, move.cy, TRUE);
    InvalidateRect(NULL, TRUE);
}

void CScreenShareHintWnd::ToggleFullScreen()
{
    zelvix::FrameSizeState state = GetSizeState();
    const zelvix::FrameMove move =
        state.ToggleFullScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    SetSizeState(state);
    ApplyMove(move);
}

void CScreenShareHintWnd::OnFullScreen()
{
    ToggleFullScreen();
}

void CScreenShareHintWnd::OnEnlarge()
{
    zelvix::FrameSizeState state = GetSizeState();
    const zelvix::FrameMove move = state.Enlarge(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    SetSizeState(state);
    ApplyMove(move);
}

void CScreenShareHintWnd::OnShrink()
{
    const BOOL bWasFullScreen = m_bFullScreen;
    zelvix::FrameSizeState state = GetSizeState();
    const zelvix::FrameMove move = state.Shrink();
    SetSizeState(state);
    ApplyMove(move);
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
        lResult = WriteCaptureDword(zelvix::setting::kStartX, zelvix::OffScreenLeft(::GetSystemMetrics(SM_XVIRTUALSCREEN),
                                                                                     ::GetSystemMetrics(SM_CXVIRTUALSCREEN)));
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

    zelvix::FrameSizeState state = GetSizeState();
    const RECT& rc = wp.rcNormalPosition;
    const zelvix::CaptureRect capture = state.SampleCapture(rc.left, rc.top, rc.right, rc.bottom);
    SetSizeState(state);

    if (--m_nTicksToFilterCheck <= 0) {
        m_nTicksToFilterCheck = FRAME_FILTER_CHECK_TICKS;
        m_bScreenOnlyFilter = IsScreenOnlyFilterRegistered();
    }
    // Defaults the key refused at start-up go first, so the filter never runs on part of them.
    if (!m_bDefaultsPublished)
        m_bDefaultsPublished = PublishDefaults() == ERROR_SUCCESS;

    // A build that never reads show_img shows the still image as nothing: capture off moves its
    // rectangle off every monitor, where it records black.
    const int nLeft = m_bScreenOnlyFilter && !m_bCapture
                          ? zelvix::OffScreenLeft(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_CXVIRTUALSCREEN))
                          : capture.nLeft;
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
    if (nIDEvent == FRAME_PUBLISH_TIMER_ID)
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
