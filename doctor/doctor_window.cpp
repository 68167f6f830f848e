// doctor_window.cpp - the doctor's window (doctor_window.h): plain Win32, controls made in code,
// Unicode throughout. Every check runs on CCheckRunner's thread; the window only shows results.
#include "doctor/doctor_window.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "doctor/check_runner.h"
#include "doctor/diagnosis.h"
#include "doctor/filter_grab.h"
#include "doctor/picture_fit.h"
#include "res/resource.h"

namespace zelvix {
namespace doctor {

namespace
{
constexpr UINT kWmCheckDone = WM_APP + 1;
constexpr UINT_PTR kTimerRecheck = 1;
constexpr UINT_PTR kTimerBusy = 2;            // shows "checking" only for a check that takes a while
constexpr UINT kBusyAfterMs = 300;
constexpr DWORD kOverdueMs = kFilterGrabTimeoutMs + 6000;   // a check should have ended long before

// Layout at 96 dpi, in client pixels.
constexpr int kMargin = 12, kClientCx = 860, kClientCy = 562;
constexpr int kBoxX = kMargin, kBoxY = 56, kBoxCx = 480, kBoxCy = 270;   // 800 x 450 shows at 0.6
constexpr int kSideX = kBoxX + kBoxCx + 16, kSideCx = kClientCx - kSideX - kMargin;
constexpr int kListY = kBoxY + kBoxCy + 34, kListCy = 150;
constexpr int kButtonY = kListY + kListCy + 12, kButtonCx = 100, kButtonCy = 28, kButtonGap = 8;
constexpr COLORREF kBoxColor = RGB(64, 64, 64);

std::wstring Num(long long n) { return std::to_wstring(n); }

const wchar_t* LevelWord(Level level)
{
    return level == Level::Error ? L"错误" : level == Level::Warning ? L"警告" : L"提示";
}

// The verdict: the exit code's three outcomes in words, with the number of problems behind them.
std::wstring VerdictText(const Plan& plan)
{
    int nProblems = 0;
    for (const Finding& f : plan.findings)
        nProblems += f.level != Level::Info;
    const std::wstring strCount = L"（" + Num(nProblems) + L" 个问题，见下面）";
    switch (plan.ExitCode()) {
    case 0:
        return L"正常：观众看到的就是本程序发布的画面。";
    case 1:
        return L"注意：筛选器能运行，但观众看到的不是本程序发布的画面" + strCount;
    default:
        return L"失败：筛选器无法启动，观众什么也看不到" + strCount;
    }
}

std::wstring PictureInfo(const Diagnosis& d)
{
    if (d.image.IsEmpty())
        return L"没有画面：" + FromUtf8(d.strGrabError);
    std::wstring s = L"大小 " + Num(d.image.cx) + L" × " + Num(d.image.cy) + L"\r\n";
    s += d.plan.grabSource == GrabSource::Filter
             ? L"由已安装的 " + Num(sizeof(void*) * 8) + L" 位筛选器拍下"
             : std::wstring(L"按筛选器的规则推算（没有运行已安装的筛选器）");
    return s;
}

std::wstring FiltersText(const Plan& plan)
{
    if (plan.filters.empty())
        return L"没有找到：直播软件里列不出这个摄像头，上面的画面按公开版筛选器推算。";
    std::wstring s;
    for (const FilterBuild& f : plan.filters) {
        s += Num(f.nBits) + L" 位：" + FromUtf8(f.strName);
        s += f.bExists ? L"，版本 " + (f.strVersion.empty() ? std::wstring(L"?") : FromUtf8(f.strVersion))
                       : std::wstring(L"，文件不存在");
        s += L"\r\n    " + FromUtf8(f.strDll) + L"\r\n";
    }
    return s;
}

std::wstring FindingText(const Finding& f)
{
    return L"[" + std::wstring(LevelWord(f.level)) + L"] " + FromUtf8(f.strCode) + L"：" + FromUtf8(f.strMessage);
}

std::wstring WithCrLf(const std::wstring& s)
{
    std::wstring out;
    for (wchar_t ch : s) {
        if (ch == L'\n')
            out += L'\r';
        out += ch;
    }
    return out;
}

// A global block of the bytes, handed to the clipboard on success.
bool SetClipboardBytes(UINT nFormat, const void* pData, size_t cb)
{
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, cb);
    void* p = hMem != NULL ? ::GlobalLock(hMem) : NULL;
    if (p == NULL) {
        if (hMem != NULL)
            ::GlobalFree(hMem);
        return false;
    }
    memcpy(p, pData, cb);
    ::GlobalUnlock(hMem);
    if (::SetClipboardData(nFormat, hMem) != NULL)
        return true;
    ::GlobalFree(hMem);
    return false;
}

class CDoctorWindow
{
public:
    explicit CDoctorWindow(CCheckRunner& runner) : m_runner(runner) {}
    ~CDoctorWindow()
    {
        for (HFONT h : {m_hFont, m_hBoldFont})
            if (h != NULL)
                ::DeleteObject(h);
        if (m_hBoxBrush != NULL)
            ::DeleteObject(m_hBoxBrush);
    }
    CDoctorWindow(const CDoctorWindow&) = delete;
    CDoctorWindow& operator=(const CDoctorWindow&) = delete;

    bool Create(HINSTANCE hInstance, int nCmdShow);
    HWND GetHwnd() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);

    // Message handlers
    void OnCreate();
    void OnTimer(UINT_PTR nIDEvent);
    void OnCheckDone();
    void OnCommand(int nID);
    void OnPaint();
    void OnDrawPicture(const DRAWITEMSTRUCT& dis);
    void OnDestroy();

    // Operations
    HWND AddControl(const wchar_t* pszClass, const wchar_t* pszText, DWORD dwStyle, int nID, int x, int y, int cx, int cy);
    int Scale(int n) const { return ::MulDiv(n, m_nDpi, 96); }
    RECT BoxRect() const { return RECT{Scale(kBoxX), Scale(kBoxY), Scale(kBoxX + kBoxCx), Scale(kBoxY + kBoxCy)}; }
    void StartCheck();
    void Show(std::unique_ptr<CheckResult> pResult);
    void ShowFindings(const Plan& plan);
    void SetText(int nID, const std::wstring& s) { ::SetDlgItemTextW(m_hWnd, nID, s.c_str()); }
    void SavePicture();
    void CopyReport();

    // Data members
    HWND m_hWnd = NULL;
    CCheckRunner& m_runner;
    int m_nDpi = 96;
    HFONT m_hFont = NULL, m_hBoldFont = NULL;       // owned
    HBRUSH m_hBoxBrush = NULL;                       // owned
    std::unique_ptr<CheckResult> m_pShown;           // the check the window shows
    std::unique_ptr<CheckResult> m_pHeld;            // arrived while the save dialog was open
    bool m_bHold = false;                            // the save dialog is open: the picture stays
    bool m_bCheckAgain = false;                      // "check again" was asked while one ran
};

bool CDoctorWindow::Create(HINSTANCE hInstance, int nCmdShow)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = ::LoadIconW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    wc.hCursor = ::LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDoctorWindowClass;
    if (!::RegisterClassExW(&wc))
        return false;

    HDC hScreen = ::GetDC(NULL);
    m_nDpi = ::GetDeviceCaps(hScreen, LOGPIXELSY);
    ::ReleaseDC(NULL, hScreen);
    const DWORD dwStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT rc = {0, 0, Scale(kClientCx), Scale(kClientCy)};
    ::AdjustWindowRectEx(&rc, dwStyle, FALSE, 0);
    // At the right of the work area, where the capture frame (which starts at the left) is not.
    RECT rcWork = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    const int x = std::max<int>(rcWork.left, rcWork.right - cx - Scale(24));
    const int y = std::max<int>(rcWork.top, rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2);
    if (::CreateWindowExW(0, kDoctorWindowClass, L"检查直播画面 - ZELVIX直播伴侣", dwStyle, x, y, cx, cy, NULL, NULL,
                          hInstance, this) == NULL)
        return false;
    ::ShowWindow(m_hWnd, nCmdShow);
    ::UpdateWindow(m_hWnd);
    return true;
}

// No C++ exception may leave a window procedure: a handler that throws leaves its reason in the
// status line instead.
LRESULT CALLBACK CDoctorWindow::WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CDoctorWindow* pThis = (CDoctorWindow*)::GetWindowLongPtrW(hWnd, GWLP_USERDATA);
    if (nMsg == WM_NCCREATE) {
        pThis = (CDoctorWindow*)((const CREATESTRUCTW*)lParam)->lpCreateParams;
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, (LONG_PTR)pThis);
    }
    if (pThis == nullptr)
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    try {
        return pThis->OnMessage(nMsg, wParam, lParam);
    } catch (const std::exception& e) {
        ::SetDlgItemTextA(hWnd, IDC_DOCTOR_STATUS, e.what());
    } catch (...) {
        ::SetDlgItemTextW(hWnd, IDC_DOCTOR_STATUS, L"出错了");
    }
    return 0;
}

LRESULT CDoctorWindow::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_CREATE:   // void OnCreate()
        OnCreate();
        return 0;
    case WM_TIMER:   // void OnTimer(UINT_PTR nIDEvent)
        OnTimer(wParam);
        return 0;
    case kWmCheckDone:   // void OnCheckDone()
        OnCheckDone();
        return 0;
    case WM_COMMAND:   // void OnCommand(int nID)
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_PAINT:   // void OnPaint()
        OnPaint();
        return 0;
    case WM_DRAWITEM:   // void OnDrawPicture(const DRAWITEMSTRUCT& dis)
        if (wParam == IDC_DOCTOR_PICTURE) {
            OnDrawPicture(*(const DRAWITEMSTRUCT*)lParam);
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:   // the note lies on the picture's dark box
        if (::GetDlgCtrlID((HWND)lParam) == IDC_DOCTOR_PICTURE_NOTE) {
            ::SetTextColor((HDC)wParam, RGB(255, 255, 255));
            ::SetBkColor((HDC)wParam, kBoxColor);
            return (LRESULT)m_hBoxBrush;
        }
        break;
    case WM_DESTROY:   // void OnDestroy()
        OnDestroy();
        return 0;
    }
    return ::DefWindowProcW(m_hWnd, nMsg, wParam, lParam);
}

HWND CDoctorWindow::AddControl(const wchar_t* pszClass, const wchar_t* pszText, DWORD dwStyle, int nID, int x, int y,
                               int cx, int cy)
{
    HWND h = ::CreateWindowExW(0, pszClass, pszText, WS_CHILD | WS_VISIBLE | dwStyle, Scale(x), Scale(y), Scale(cx),
                               Scale(cy), m_hWnd, (HMENU)(INT_PTR)nID, NULL, NULL);
    ::SendMessageW(h, WM_SETFONT, (WPARAM)(nID == IDC_DOCTOR_VERDICT ? m_hBoldFont : m_hFont), FALSE);
    return h;
}

void CDoctorWindow::OnCreate()
{
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    m_hFont = ::CreateFontIndirectW(&ncm.lfMessageFont);
    LOGFONTW lf = ncm.lfMessageFont;
    lf.lfWeight = FW_BOLD;
    lf.lfHeight = lf.lfHeight * 5 / 4;
    m_hBoldFont = ::CreateFontIndirectW(&lf);
    m_hBoxBrush = ::CreateSolidBrush(kBoxColor);

    AddControl(L"STATIC", L"", SS_ICON | SS_CENTERIMAGE, IDC_DOCTOR_VERDICT_ICON, kMargin, kMargin, 32, 32);
    AddControl(L"STATIC", L"正在检查…", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, IDC_DOCTOR_VERDICT,
               kMargin + 44, kMargin, kClientCx - 2 * kMargin - 44, 32);
    AddControl(L"STATIC", L"", SS_OWNERDRAW, IDC_DOCTOR_PICTURE, kBoxX, kBoxY, kBoxCx, kBoxCy);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_PICTURE), SW_HIDE);
    AddControl(L"STATIC", L"正在检查…", SS_CENTER | SS_NOPREFIX, IDC_DOCTOR_PICTURE_NOTE, kBoxX + 16,
               kBoxY + kBoxCy / 2 - 20, kBoxCx - 32, 40);
    AddControl(L"STATIC", L"观众此刻看到的画面：", SS_NOPREFIX, -1, kSideX, kBoxY, kSideCx, 20);
    AddControl(L"STATIC", L"", SS_NOPREFIX, IDC_DOCTOR_PICTURE_INFO, kSideX, kBoxY + 22, kSideCx, 60);
    AddControl(L"STATIC", L"已安装的捕捉筛选器：", SS_NOPREFIX, -1, kSideX, kBoxY + 94, kSideCx, 20);
    AddControl(L"STATIC", L"", SS_NOPREFIX, IDC_DOCTOR_FILTERS, kSideX, kBoxY + 116, kSideCx, kBoxCy - 116);
    AddControl(L"STATIC", L"发现：", SS_NOPREFIX, -1, kMargin, kListY - 22, 200, 20);
    AddControl(L"LISTBOX", L"", WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
               IDC_DOCTOR_FINDINGS, kMargin, kListY, kClientCx - 2 * kMargin, kListCy);
    AddControl(L"STATIC", L"正在检查…", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, IDC_DOCTOR_STATUS, kMargin,
               kButtonY, kClientCx - 2 * kMargin - 4 * (kButtonCx + kButtonGap), kButtonCy);
    const struct {
        int nID;
        const wchar_t* pszText;
    } buttons[] = {{IDC_DOCTOR_RECHECK, L"重新检查"}, {IDC_DOCTOR_SAVE, L"保存画面…"},
                   {IDC_DOCTOR_COPY, L"复制报告"}, {IDC_DOCTOR_CLOSE, L"关闭"}};
    int x = kClientCx - kMargin - 4 * kButtonCx - 3 * kButtonGap;
    for (const auto& b : buttons) {
        AddControl(L"BUTTON", b.pszText, WS_TABSTOP | BS_PUSHBUTTON, b.nID, x, kButtonY, kButtonCx, kButtonCy);
        x += kButtonCx + kButtonGap;
    }
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_SAVE), FALSE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_COPY), FALSE);

    ::SetTimer(m_hWnd, kTimerRecheck, kRecheckMs, NULL);
    StartCheck();
}

void CDoctorWindow::StartCheck()
{
    if (m_runner.Start(m_hWnd, kWmCheckDone))
        ::SetTimer(m_hWnd, kTimerBusy, m_pShown ? kBusyAfterMs : USER_TIMER_MINIMUM, NULL);
}

void CDoctorWindow::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTimerBusy) {
        ::KillTimer(m_hWnd, kTimerBusy);
        if (m_runner.IsRunning())
            SetText(IDC_DOCTOR_STATUS, L"正在检查…");
        return;
    }
    const DWORD dwRunning = m_runner.RunningMillis();
    if (dwRunning > kOverdueMs)
        SetText(IDC_DOCTOR_STATUS, L"这次检查已经 " + Num(dwRunning / 1000) +
                                       L" 秒没有结果：筛选器或系统没有响应，等它结束后再检查");
    else if (!m_bHold)
        StartCheck();
}

void CDoctorWindow::OnCheckDone()
{
    std::unique_ptr<CheckResult> pResult = m_runner.TakeResult();
    ::KillTimer(m_hWnd, kTimerBusy);
    if (m_bHold)
        m_pHeld = std::move(pResult);
    else
        Show(std::move(pResult));
    if (m_bCheckAgain && !m_bHold) {
        m_bCheckAgain = false;
        StartCheck();
    }
}

void CDoctorWindow::Show(std::unique_ptr<CheckResult> pResult)
{
    HWND hIcon = ::GetDlgItem(m_hWnd, IDC_DOCTOR_VERDICT_ICON), hPicture = ::GetDlgItem(m_hWnd, IDC_DOCTOR_PICTURE);
    if (!pResult || !pResult->bChecked) {
        // Keep what the last check showed; say why this one has nothing.
        const std::wstring strWhy = pResult ? FromUtf8(pResult->strError) : std::wstring(L"内存不够");
        ::SendMessageW(hIcon, STM_SETICON, (WPARAM)::LoadIconW(NULL, (LPCWSTR)IDI_ERROR), 0);
        SetText(IDC_DOCTOR_VERDICT, L"没能检查：" + strWhy);
        SetText(IDC_DOCTOR_STATUS, L"检查出错，2 秒后再试");
        return;
    }
    const Diagnosis& d = pResult->diagnosis;
    const int nExit = d.plan.ExitCode();
    const LPCWSTR pszIcon = nExit == 0 ? (LPCWSTR)IDI_INFORMATION : nExit == 1 ? (LPCWSTR)IDI_WARNING : (LPCWSTR)IDI_ERROR;
    ::SendMessageW(hIcon, STM_SETICON, (WPARAM)::LoadIconW(NULL, pszIcon), 0);
    SetText(IDC_DOCTOR_VERDICT, VerdictText(d.plan));
    SetText(IDC_DOCTOR_PICTURE_INFO, PictureInfo(d));
    SetText(IDC_DOCTOR_FILTERS, FiltersText(d.plan));
    ShowFindings(d.plan);

    if (d.image.IsEmpty()) {
        ::ShowWindow(hPicture, SW_HIDE);
        SetText(IDC_DOCTOR_PICTURE_NOTE, L"没有画面\r\n" + FromUtf8(d.strGrabError));
        ::ShowWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_PICTURE_NOTE), SW_SHOW);
    } else {
        const RECT rcBox = BoxRect();   // where the picture goes: its own size, the box's shape around it
        const FitRect fit = FitPicture(d.image.cx, d.image.cy, rcBox.right - rcBox.left, rcBox.bottom - rcBox.top);
        ::ShowWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_PICTURE_NOTE), SW_HIDE);
        ::SetWindowPos(hPicture, NULL, rcBox.left + fit.x, rcBox.top + fit.y, fit.cx, fit.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ::InvalidateRect(hPicture, NULL, FALSE);
    }
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_SAVE), !d.image.IsEmpty());
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DOCTOR_COPY), TRUE);

    SYSTEMTIME st;
    ::GetLocalTime(&st);
    wchar_t szStatus[128];
    swprintf(szStatus, sizeof(szStatus) / sizeof(szStatus[0]), L"已检查 %02u:%02u:%02u（用时 %.1f 秒），每 2 秒自动重新检查",
             st.wHour, st.wMinute, st.wSecond, pResult->dwMillis / 1000.0);
    SetText(IDC_DOCTOR_STATUS, szStatus);
    m_pShown = std::move(pResult);
    const RECT rcBox = BoxRect();   // the box around a picture of another shape
    ::InvalidateRect(m_hWnd, &rcBox, TRUE);
}

void CDoctorWindow::ShowFindings(const Plan& plan)
{
    HWND hList = ::GetDlgItem(m_hWnd, IDC_DOCTOR_FINDINGS);
    const int nTop = (int)::SendMessageW(hList, LB_GETTOPINDEX, 0, 0);
    ::SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
    HDC hdc = ::GetDC(hList);
    HGDIOBJ hOld = ::SelectObject(hdc, m_hFont);
    int cxWidest = 0;
    std::vector<std::wstring> lines;
    for (const Finding& f : plan.findings)
        lines.push_back(FindingText(f));
    if (lines.empty())
        lines.push_back(L"没有问题");
    for (const std::wstring& s : lines) {
        ::SendMessageW(hList, LB_ADDSTRING, 0, (LPARAM)s.c_str());
        SIZE size = {};
        ::GetTextExtentPoint32W(hdc, s.c_str(), (int)s.size(), &size);
        cxWidest = std::max<int>(cxWidest, size.cx);
    }
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hList, hdc);
    ::SendMessageW(hList, LB_SETHORIZONTALEXTENT, cxWidest + Scale(8), 0);
    ::SendMessageW(hList, LB_SETTOPINDEX, nTop, 0);
    ::SendMessageW(hList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hList, NULL, TRUE);
}

void CDoctorWindow::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    const RECT rcBox = BoxRect();
    ::FillRect(hdc, &rcBox, m_hBoxBrush);
    ::EndPaint(m_hWnd, &ps);
}

void CDoctorWindow::OnDrawPicture(const DRAWITEMSTRUCT& dis)
{
    if (!m_pShown || m_pShown->diagnosis.image.IsEmpty())
        return;
    const GrabImage& image = m_pShown->diagnosis.image;
    BITMAPINFOHEADER bih = {sizeof(bih), image.cx, image.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    // HALFTONE averages the rows and columns it drops, so text in the picture stays readable.
    ::SetStretchBltMode(dis.hDC, HALFTONE);
    ::SetBrushOrgEx(dis.hDC, 0, 0, NULL);
    ::StretchDIBits(dis.hDC, 0, 0, dis.rcItem.right - dis.rcItem.left, dis.rcItem.bottom - dis.rcItem.top, 0, 0,
                    image.cx, image.cy, image.bits.data(), (const BITMAPINFO*)&bih, DIB_RGB_COLORS, SRCCOPY);
}

void CDoctorWindow::OnCommand(int nID)
{
    switch (nID) {
    case IDC_DOCTOR_RECHECK:
        if (m_runner.IsRunning())
            m_bCheckAgain = true;
        else
            StartCheck();
        break;
    case IDC_DOCTOR_SAVE:
        SavePicture();
        break;
    case IDC_DOCTOR_COPY:
        CopyReport();
        break;
    case IDC_DOCTOR_CLOSE:
        ::DestroyWindow(m_hWnd);
        break;
    }
}

// Writes the picture on the screen: no new check is shown while the dialog is open.
void CDoctorWindow::SavePicture()
{
    if (!m_pShown || m_pShown->diagnosis.image.IsEmpty())
        return;
    wchar_t szFile[MAX_PATH] = L"直播画面.bmp";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = L"位图文件 (*.bmp)\0*.bmp\0";
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = L"保存画面";
    ofn.lpstrDefExt = L"bmp";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    m_bHold = true;
    const BOOL bChosen = ::GetSaveFileNameW(&ofn);
    m_bHold = false;
    if (bChosen) {
        std::string strError;
        if (WriteBmp(m_pShown->diagnosis.image, szFile, &strError))
            SetText(IDC_DOCTOR_STATUS, L"画面已存到 " + std::wstring(szFile));
        else
            ::MessageBoxW(m_hWnd, (L"没能保存画面：" + FromUtf8(strError)).c_str(), L"保存画面", MB_OK | MB_ICONERROR);
    }
    if (m_pHeld)
        Show(std::move(m_pHeld));
}

// As CF_UNICODETEXT; the clipboard makes CF_TEXT from it for ANSI readers, in the code page of
// the user's locale.
void CDoctorWindow::CopyReport()
{
    if (!m_pShown)
        return;
    const std::wstring w = WithCrLf(FromUtf8(m_pShown->strReport));
    bool bCopied = false;
    if (::OpenClipboard(m_hWnd)) {
        bCopied = ::EmptyClipboard() && SetClipboardBytes(CF_UNICODETEXT, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
        ::CloseClipboard();
    }
    SetText(IDC_DOCTOR_STATUS, bCopied ? L"报告已复制到剪贴板" : L"没能打开剪贴板，请再试一次");
}

void CDoctorWindow::OnDestroy()
{
    m_runner.Forget();
    ::KillTimer(m_hWnd, kTimerRecheck);
    ::KillTimer(m_hWnd, kTimerBusy);
    ::PostQuitMessage(0);
}
} // namespace

int RunDoctorWindow(HINSTANCE hInstance, int nCmdShow)
{
    BecomeDpiAware();
    CCheckRunner runner;   // outlives the window: a check still running is waited for after it closes
    CDoctorWindow window(runner);
    if (!window.Create(hInstance, nCmdShow))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (!::IsDialogMessageW(window.GetHwnd(), &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}

}  // namespace doctor
}  // namespace zelvix
