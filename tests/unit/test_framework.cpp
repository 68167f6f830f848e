// The framework layer under real messages: creation hook, message maps, modal loops,
// pre-translation, handle maps, strings and arrays.
#include <gtest/gtest.h>

#include <afxtempl.h>
#include <afxwin.h>

#include <vector>

#include "../../res/resource.h"

namespace
{
const UINT WM_TEST_OPEN_NESTED = WM_APP + 1;

// A window class of our own, registered once.
LPCSTR TestClass()
{
    return AfxRegisterWndClass(0, ::LoadCursor(NULL, IDC_ARROW));
}

class CBaseWnd : public CWnd
{
public:
    std::vector<UINT> m_handled;

    void OnTimer(UINT_PTR nIDEvent)
    {
        m_handled.push_back(WM_TIMER);
        if (nIDEvent == 2)
            CWnd::OnTimer(nIDEvent);
    }
    LRESULT OnSetText(WPARAM, LPARAM)
    {
        // A nested message before Default(): Default() must still pass on WM_SETTEXT.
        SendMessage(WM_GETTEXTLENGTH);
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
    LRESULT OnNcHitTest(CPoint)
    {
        m_handled.push_back(WM_NCHITTEST);
        return HTCAPTION;
    }
    LRESULT OnThrow(WPARAM, LPARAM)
    {
        AfxThrowInvalidArgException();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_NCHITTEST()
    ON_MESSAGE(WM_APP + 7, OnThrow)
END_MESSAGE_MAP()

// Records every message the object sees, in order.
class CRecordingDlg : public CDialog
{
public:
    std::vector<UINT> m_seen;
    HWND m_hWndAtFirstMessage = (HWND)-1;
    UINT m_nInitDialogAt = 0;  // index in m_seen when OnInitDialog ran
    CRecordingDlg* m_pNested = nullptr;
    BOOL m_bQuitFromInit = FALSE;
    INT_PTR m_nNestedResult = 0;

    CRecordingDlg() : CDialog(IDD_ABOUTBOX) {}

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (m_seen.empty())
            m_hWndAtFirstMessage = m_hWnd;
        m_seen.push_back(message);
        return CDialog::WindowProc(message, wParam, lParam);
    }
    virtual BOOL OnInitDialog()
    {
        m_nInitDialogAt = (UINT)m_seen.size();
        CDialog::OnInitDialog();
        if (m_bQuitFromInit)
            ::PostQuitMessage(5);
        if (m_pNested != nullptr)
            PostMessage(WM_TEST_OPEN_NESTED);
        return TRUE;
    }
    LRESULT OnOpenNested(WPARAM, LPARAM)
    {
        m_nNestedResult = m_pNested->DoModal();
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingDlg, CDialog)
    ON_MESSAGE(WM_TEST_OPEN_NESTED, OnOpenNested)
END_MESSAGE_MAP()

size_t IndexOf(const std::vector<UINT>& v, UINT m)
{
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] == m)
            return i;
    return (size_t)-1;
}

bool QuitPending(WPARAM* pExitCode)
{
    MSG msg;
    if (::PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        *pExitCode = msg.wParam;
        return true;
    }
    return false;
}
} // namespace

TEST(MessageMap, DerivedThenBaseThenDefaultProcedure)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, TestClass(), "title", WS_POPUP, 0, 0, 50, 50, NULL, NULL));

    EXPECT_EQ(HTCAPTION, wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(10, 10)));  // derived map
    wnd.SendMessage(WM_TIMER, 1);                                                // base map
    EXPECT_EQ((std::vector<UINT>{ WM_NCHITTEST, WM_TIMER }), wnd.m_handled);

    // WM_SETTEXT is handled in the base map and passed on with Default() after a nested
    // message; WM_GETTEXT is in no map and reaches the default procedure.
    wnd.SendMessage(WM_SETTEXT, 0, (LPARAM) "changed");
    char buf[32] = "";
    EXPECT_EQ(7, wnd.SendMessage(WM_GETTEXT, sizeof(buf), (LPARAM)buf));
    EXPECT_STREQ("changed", buf);

    // An exception from a handler ends that message; it never unwinds into the platform.
    EXPECT_EQ(0, wnd.SendMessage(WM_APP + 7));
    EXPECT_TRUE(::IsWindow(wnd.m_hWnd));

    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd) << "WM_NCDESTROY detaches the object";
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(HandleMaps, TemporaryObjectIsStableAndGivesWayToAttach)
{
    HWND hWnd = ::CreateWindowExA(0, TestClass(), "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, hWnd);
    CWnd* pTemp = CWnd::FromHandle(hWnd);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));

    CWnd wnd;
    ASSERT_TRUE(wnd.Attach(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandle(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(hWnd, wnd.Detach());
    ::DestroyWindow(hWnd);

    // A wrapper without a window does nothing, rather than acting on the desktop.
    CWnd none;
    none.InvalidateRect(NULL);
    EXPECT_EQ(0u, none.SetTimer(1, 1000, NULL));
    EXPECT_FALSE(none.KillTimer(1));
}

TEST(Dialog, ObjectIsAttachedBeforeTheFirstMessageAndInitialisedInOrder)
{
    CRecordingDlg dlg;
    // End the dialog from outside once it runs.
    struct Closer
    {
        static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
        {
            ::KillTimer(NULL, id);
            ::PostMessageA(::FindWindowA("#32770", NULL), WM_COMMAND, IDOK, 0);
        }
    };
    ::SetTimer(NULL, 0, 50, &Closer::Tick);
    EXPECT_EQ(IDOK, dlg.DoModal());

    ASSERT_FALSE(dlg.m_seen.empty());
    EXPECT_NE(nullptr, dlg.m_hWndAtFirstMessage) << "attached before its first message";
    const size_t nccreate = IndexOf(dlg.m_seen, WM_NCCREATE);
    const size_t create = IndexOf(dlg.m_seen, WM_CREATE);
    const size_t setfont = IndexOf(dlg.m_seen, WM_SETFONT);
    const size_t init = IndexOf(dlg.m_seen, WM_INITDIALOG);
    EXPECT_LT(nccreate, create);
    EXPECT_LT(create, setfont);
    EXPECT_LT(setfont, init);
    EXPECT_EQ(init + 1, dlg.m_nInitDialogAt) << "OnInitDialog runs inside WM_INITDIALOG";
    EXPECT_NE((size_t)-1, IndexOf(dlg.m_seen, WM_NCDESTROY));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(Dialog, QuitFromANestedModalLoopUnwindsEveryLoop)
{
    CRecordingDlg outer, inner;
    outer.m_pNested = &inner;
    inner.m_bQuitFromInit = TRUE;

    EXPECT_EQ(-1, outer.DoModal());
    EXPECT_EQ(-1, outer.m_nNestedResult);
    EXPECT_EQ(nullptr, outer.m_hWnd);
    EXPECT_EQ(nullptr, inner.m_hWnd);
    WPARAM exitCode = 0;
    ASSERT_TRUE(QuitPending(&exitCode)) << "the quit is passed on to the loop outside";
    EXPECT_EQ(5u, exitCode);
}

namespace
{
// Rewrites a double-click into a press, in place.
class CRewritingWnd : public CWnd
{
public:
    std::vector<UINT> m_received;
    virtual BOOL PreTranslateMessage(MSG* pMsg)
    {
        if (pMsg->message == WM_LBUTTONDBLCLK)
            pMsg->message = WM_LBUTTONDOWN;
        return CWnd::PreTranslateMessage(pMsg);
    }
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
            m_received.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class CHostDlg : public CDialog
{
public:
    CRewritingWnd m_child;
    CHostDlg() : CDialog(IDD_ABOUTBOX) {}
    virtual BOOL OnInitDialog()
    {
        CDialog::OnInitDialog();
        m_child.Create(TestClass(), "", WS_VISIBLE, CRect(0, 0, 20, 20), this, 500);
        m_child.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessage(WM_COMMAND, IDCANCEL);
        return TRUE;
    }
};
} // namespace

TEST(Dialog, MessageRewrittenInPreTranslateIsWhatGetsDispatched)
{
    CHostDlg dlg;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ((std::vector<UINT>{ WM_LBUTTONDOWN }), dlg.m_child.m_received);
}

TEST(Dialog, CloseBecomesCancelAndEscapeEnds)
{
    struct CClosingDlg : public CDialog
    {
        UINT m_nSend;
        explicit CClosingDlg(UINT nSend) : CDialog(IDD_ABOUTBOX), m_nSend(nSend) {}
        virtual BOOL OnInitDialog()
        {
            CDialog::OnInitDialog();
            if (m_nSend == WM_CLOSE)
                PostMessage(WM_CLOSE);
            else
                ::PostMessageA(::GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            return TRUE;
        }
    };
    CClosingDlg byClose(WM_CLOSE), byEscape(WM_KEYDOWN);
    EXPECT_EQ(IDCANCEL, byClose.DoModal());
    EXPECT_EQ(IDCANCEL, byEscape.DoModal());
}

TEST(Collections, IndexOutsideTheArrayThrowsInvalidArg)
{
    CTypedPtrArray<CPtrArray, HMENU> arr;
    arr.Add((HMENU)1);
    EXPECT_THROW(arr.GetAt(1), CInvalidArgException*);
    EXPECT_THROW(arr.RemoveAt(-1), CInvalidArgException*);
    CArray<int, int> flags;
    EXPECT_THROW(flags.SetAt(0, 1), CInvalidArgException*);
    EXPECT_TRUE(CDialog().IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_EQ(nullptr, DYNAMIC_DOWNCAST(CWnd, &arr));
}
