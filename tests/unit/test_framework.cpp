// The framework layer under real messages: creation hook, message maps, the dialog's modal
// loop and its pre-translation, detaching at the end.
#include <gtest/gtest.h>

#include <afxwin.h>

#include <algorithm>
#include <vector>

#include "res/resource.h"

namespace
{
LPCSTR TestClass() { return AfxRegisterWndClass(0, ::LoadCursor(NULL, IDC_ARROW)); }

class CBaseWnd : public CWnd
{
public:
    std::vector<UINT> m_handled;
    void OnTimer(UINT_PTR) { m_handled.push_back(WM_TIMER); }
    LRESULT OnSetText(WPARAM, LPARAM)
    {
        SendMessage(WM_GETTEXTLENGTH);   // a nested message before Default(), which must still pass on WM_SETTEXT
        m_handled.push_back(WM_SETTEXT);
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_WM_TIMER()
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
public:
    LRESULT OnNcHitTest(CPoint) { return m_handled.push_back(WM_NCHITTEST), HTCAPTION; }
    LRESULT OnThrow(WPARAM, LPARAM) { AfxThrowInvalidArgException(); }
    // Rewrites a double-click into a press, in place, before it is dispatched.
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_LBUTTONDBLCLK)
            pMsg->message = WM_LBUTTONDOWN;
        return CWnd::PreTranslateMessage(pMsg);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
            m_handled.push_back(message);
        return CBaseWnd::WindowProc(message, wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_NCHITTEST()
    ON_MESSAGE(WM_APP + 7, OnThrow)
END_MESSAGE_MAP()

// Records every message it sees; after initialisation a child gets a double-click and the
// dialog is closed or gets Escape, as told.
class CRecordingDlg : public CDialog
{
public:
    std::vector<UINT> m_seen;
    HWND m_hWndAtFirstMessage = (HWND)-1;
    size_t m_nInitDialogAt = 0;   // index in m_seen when OnInitDialog ran
    UINT m_nAction = 0;           // WM_CLOSE or WM_KEYDOWN (Escape)
    CDerivedWnd m_child;

    CRecordingDlg() : CDialog(IDD_ABOUTBOX) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_seen.empty())
            m_hWndAtFirstMessage = m_hWnd;
        m_seen.push_back(message);
        return CDialog::WindowProc(message, wParam, lParam);
    }
    BOOL OnInitDialog() override
    {
        m_nInitDialogAt = m_seen.size();
        CDialog::OnInitDialog();
        m_child.Create(TestClass(), "", WS_VISIBLE, CRect(0, 0, 20, 20), this, 500);
        m_child.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        if (m_nAction == WM_KEYDOWN)
            ::PostMessageA(::GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        else
            PostMessage(m_nAction);
        return TRUE;
    }
};

size_t IndexOf(const std::vector<UINT>& v, UINT m) { return std::find(v.begin(), v.end(), m) - v.begin(); }
} // namespace

TEST(MessageMap, DerivedThenBaseThenDefaultProcedureAndDetachedOnNcDestroy)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, TestClass(), "title", WS_POPUP, 0, 0, 50, 50, NULL, NULL));
    EXPECT_EQ(HTCAPTION, wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(10, 10)));   // derived map
    wnd.SendMessage(WM_TIMER, 1);                                                 // base map
    wnd.SendMessage(WM_SETTEXT, 0, (LPARAM) "changed");
    EXPECT_EQ((std::vector<UINT>{ WM_NCHITTEST, WM_TIMER, WM_SETTEXT }), wnd.m_handled);
    char buf[32] = "";   // WM_GETTEXT is in no map: the default procedure has the text
    EXPECT_EQ(7, wnd.SendMessage(WM_GETTEXT, sizeof(buf), (LPARAM)buf));
    EXPECT_STREQ("changed", buf);
    EXPECT_EQ(0, wnd.SendMessage(WM_APP + 7)) << "an exception from a handler ends that message only";

    HWND hWnd = wnd.m_hWnd;
    ::DestroyWindow(hWnd);   // as its parent's end would, not through the object
    EXPECT_TRUE(wnd.m_hWnd == nullptr && CWnd::FromHandlePermanent(hWnd) == nullptr) << "WM_NCDESTROY detaches";
}

TEST(Dialog, AttachedBeforeTheFirstMessageInitialisedInOrderAndEndedByCloseOrEscape)
{
    for (UINT nAction : { WM_CLOSE, WM_KEYDOWN }) {
        CRecordingDlg dlg;
        dlg.m_nAction = nAction;
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        const std::vector<UINT>& seen = dlg.m_seen;
        EXPECT_NE(nullptr, dlg.m_hWndAtFirstMessage) << "attached before its first message";
        EXPECT_EQ(IndexOf(seen, WM_INITDIALOG) + 1, dlg.m_nInitDialogAt) << "OnInitDialog runs inside WM_INITDIALOG";
        EXPECT_EQ((std::vector<UINT>{ WM_LBUTTONDOWN }), dlg.m_child.m_handled) << "the rewritten message is dispatched";
        EXPECT_TRUE(dlg.m_hWnd == nullptr && dlg.m_child.m_hWnd == nullptr) << "detached when the dialog ended";
    }
}
