// afx_msgmap.h - message maps: binding window messages and commands to handler members.
//
// A class declares DECLARE_MESSAGE_MAP() and defines its map between BEGIN_MESSAGE_MAP and
// END_MESSAGE_MAP. The window procedure looks a message up in the most derived class's map,
// then in each base class's map in turn, and falls back to the default window procedure.
// Each entry records the handler's signature, so the arguments are unpacked from wParam and
// lParam as the framework does. Entries offered (handler signatures in the comments):
//   ON_WM_CREATE        int OnCreate(LPCREATESTRUCT)
//   ON_WM_DESTROY       void OnDestroy()                 ON_WM_NCDESTROY void OnNcDestroy()
//   ON_WM_CLOSE         void OnClose()                   ON_WM_PAINT     void OnPaint()
//   ON_WM_ERASEBKGND    BOOL OnEraseBkgnd(CDC*)          ON_WM_TIMER     void OnTimer(UINT_PTR)
//   ON_WM_NCHITTEST     LRESULT OnNcHitTest(CPoint)      ON_WM_SIZE      void OnSize(UINT, int, int)
//   ON_WM_MOVE          void OnMove(int, int)            ON_WM_SYSCOMMAND void OnSysCommand(UINT, LPARAM)
//   ON_WM_QUERYDRAGICON HCURSOR OnQueryDragIcon()        ON_WM_SETCURSOR BOOL OnSetCursor(CWnd*, UINT, UINT)
//   ON_WM_KILLFOCUS     void OnKillFocus(CWnd*)          ON_WM_SETFOCUS  void OnSetFocus(CWnd*)
//   ON_WM_MOUSEMOVE     void OnMouseMove(UINT, CPoint)   ON_WM_LBUTTONDOWN / ON_WM_LBUTTONUP /
//   ON_WM_LBUTTONDBLCLK void On...(UINT, CPoint)         ON_WM_MOUSELEAVE void OnMouseLeave()
//   ON_WM_SYSCOLORCHANGE void OnSysColorChange()         ON_WM_ACTIVATE  void OnActivate(UINT, CWnd*, BOOL)
//   ON_WM_ENABLE        void OnEnable(BOOL)              ON_WM_CANCELMODE void OnCancelMode()
//   ON_WM_GETDLGCODE    UINT OnGetDlgCode()              ON_WM_MENUCHAR  LRESULT OnMenuChar(UINT, UINT, CMenu*)
//   ON_WM_MEASUREITEM   void OnMeasureItem(int, LPMEASUREITEMSTRUCT)
//   ON_WM_DRAWITEM      void OnDrawItem(int, LPDRAWITEMSTRUCT)
//   ON_WM_INITMENUPOPUP void OnInitMenuPopup(CMenu*, UINT, BOOL)
//   ON_WM_CTLCOLOR_REFLECT HBRUSH CtlColor(CDC*, UINT)   (reflected WM_CTLCOLOR*, 0xBC19;
//                                                         a NULL brush means not handled)
//   ON_COMMAND(id, fn)  void fn()                        ON_COMMAND_RANGE(id1, id2, fn) void fn(UINT)
//   ON_CONTROL_REFLECT(code, fn)    void fn()            (the control's own notification)
//   ON_CONTROL_REFLECT_EX(code, fn) BOOL fn()            (FALSE lets the parent handle it too)
//   ON_MESSAGE(msg, fn) LRESULT fn(WPARAM, LPARAM)
#ifndef ZELVIX_AFX_MSGMAP_H
#define ZELVIX_AFX_MSGMAP_H

#include "framework/afx.h"

#include <cstring>

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

// Member-function pointers of any signature are stored in the one type and turned back into
// the recorded signature before the call, as the framework's own maps do.
template <class PMF>
inline AFX_PMSG AfxPmsgFrom(PMF pmf)
{
    static_assert(sizeof(PMF) == sizeof(AFX_PMSG), "member pointers of one class share a size");
    AFX_PMSG out;
    memcpy(&out, &pmf, sizeof out);
    return out;
}
template <class PMF>
inline PMF AfxPmsgTo(AFX_PMSG pmsg)
{
    PMF out;
    memcpy(&out, &pmsg, sizeof out);
    return out;
}

enum AfxSig
{
    AfxSig_end = 0,
    AfxSig_v_v,         // void ()
    AfxSig_b_v,         // BOOL ()
    AfxSig_i_CREATE,    // int (LPCREATESTRUCT)
    AfxSig_b_D,         // BOOL (CDC*)
    AfxSig_v_TIMER,     // void (UINT_PTR)
    AfxSig_l_p,         // LRESULT (CPoint)
    AfxSig_v_u_ii,      // void (UINT, int, int)
    AfxSig_v_ii,        // void (int, int)
    AfxSig_v_u_l,       // void (UINT, LPARAM)
    AfxSig_h_v,         // HCURSOR ()
    AfxSig_b_W_u_u,     // BOOL (CWnd*, UINT, UINT)
    AfxSig_v_W,         // void (CWnd*)
    AfxSig_v_u_p,       // void (UINT, CPoint)
    AfxSig_v_u_W_b,     // void (UINT, CWnd*, BOOL)
    AfxSig_v_b,         // void (BOOL)
    AfxSig_u_v,         // UINT ()
    AfxSig_l_u_u_M,     // LRESULT (UINT, UINT, CMenu*)
    AfxSig_v_i_MEASURE, // void (int, LPMEASUREITEMSTRUCT)
    AfxSig_v_i_DRAW,    // void (int, LPDRAWITEMSTRUCT)
    AfxSig_v_M_u_b,     // void (CMenu*, UINT, BOOL)
    AfxSig_h_D_u,       // HBRUSH (CDC*, UINT)
    AfxSig_l_w_l,       // LRESULT (WPARAM, LPARAM)
    AfxSig_cmd_v,       // command: void ()
    AfxSig_cmd_range,   // command range: void (UINT)
    AfxSig_reflect_v,   // reflected notification: void ()
    AfxSig_reflect_b,   // reflected notification: BOOL ()
};

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;   // window message, or WM_COMMAND (+ reflection base) for commands
    UINT nCode;      // notification code for commands
    UINT nID;        // first control id for commands
    UINT nLastID;    // last control id for command ranges
    UINT_PTR nSig;   // AfxSig
    AFX_PMSG pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (PASCAL* pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The framework's base for reflected messages: a control sees its own notifications as
// WM_REFLECT_BASE + the parent's message (0xBD11 for WM_COMMAND, 0xBC19 for WM_CTLCOLOR).
#define WM_REFLECT_BASE 0xBC00
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    virtual const AFX_MSGMAP* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass; \
        typedef baseClass TheBaseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

#define AFX_MSG_ENTRY(msg, sig, type, fn) \
    { msg, 0, 0, 0, sig, AfxPmsgFrom(static_cast<type>(&ThisClass::fn)) },

#define ON_WM_CREATE()        AFX_MSG_ENTRY(WM_CREATE, AfxSig_i_CREATE, int (CWnd::*)(LPCREATESTRUCT), OnCreate)
#define ON_WM_DESTROY()       AFX_MSG_ENTRY(WM_DESTROY, AfxSig_v_v, void (CWnd::*)(), OnDestroy)
#define ON_WM_NCDESTROY()     AFX_MSG_ENTRY(WM_NCDESTROY, AfxSig_v_v, void (CWnd::*)(), OnNcDestroy)
#define ON_WM_CLOSE()         AFX_MSG_ENTRY(WM_CLOSE, AfxSig_v_v, void (CWnd::*)(), OnClose)
#define ON_WM_PAINT()         AFX_MSG_ENTRY(WM_PAINT, AfxSig_v_v, void (CWnd::*)(), OnPaint)
#define ON_WM_ERASEBKGND()    AFX_MSG_ENTRY(WM_ERASEBKGND, AfxSig_b_D, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_TIMER()         AFX_MSG_ENTRY(WM_TIMER, AfxSig_v_TIMER, void (CWnd::*)(UINT_PTR), OnTimer)
#define ON_WM_NCHITTEST()     AFX_MSG_ENTRY(WM_NCHITTEST, AfxSig_l_p, LRESULT (CWnd::*)(CPoint), OnNcHitTest)
#define ON_WM_SIZE()          AFX_MSG_ENTRY(WM_SIZE, AfxSig_v_u_ii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_MOVE()          AFX_MSG_ENTRY(WM_MOVE, AfxSig_v_ii, void (CWnd::*)(int, int), OnMove)
#define ON_WM_SYSCOMMAND()    AFX_MSG_ENTRY(WM_SYSCOMMAND, AfxSig_v_u_l, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_QUERYDRAGICON() AFX_MSG_ENTRY(WM_QUERYDRAGICON, AfxSig_h_v, HCURSOR (CWnd::*)(), OnQueryDragIcon)
#define ON_WM_SETCURSOR()     AFX_MSG_ENTRY(WM_SETCURSOR, AfxSig_b_W_u_u, BOOL (CWnd::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_KILLFOCUS()     AFX_MSG_ENTRY(WM_KILLFOCUS, AfxSig_v_W, void (CWnd::*)(CWnd*), OnKillFocus)
#define ON_WM_SETFOCUS()      AFX_MSG_ENTRY(WM_SETFOCUS, AfxSig_v_W, void (CWnd::*)(CWnd*), OnSetFocus)
#define ON_WM_MOUSEMOVE()     AFX_MSG_ENTRY(WM_MOUSEMOVE, AfxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_LBUTTONDOWN()   AFX_MSG_ENTRY(WM_LBUTTONDOWN, AfxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP()     AFX_MSG_ENTRY(WM_LBUTTONUP, AfxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MSG_ENTRY(WM_LBUTTONDBLCLK, AfxSig_v_u_p, void (CWnd::*)(UINT, CPoint), OnLButtonDblClk)
#define ON_WM_MOUSELEAVE()    AFX_MSG_ENTRY(WM_MOUSELEAVE, AfxSig_v_v, void (CWnd::*)(), OnMouseLeave)
#define ON_WM_SYSCOLORCHANGE() AFX_MSG_ENTRY(WM_SYSCOLORCHANGE, AfxSig_v_v, void (CWnd::*)(), OnSysColorChange)
#define ON_WM_ACTIVATE()      AFX_MSG_ENTRY(WM_ACTIVATE, AfxSig_v_u_W_b, void (CWnd::*)(UINT, CWnd*, BOOL), OnActivate)
#define ON_WM_ENABLE()        AFX_MSG_ENTRY(WM_ENABLE, AfxSig_v_b, void (CWnd::*)(BOOL), OnEnable)
#define ON_WM_CANCELMODE()    AFX_MSG_ENTRY(WM_CANCELMODE, AfxSig_v_v, void (CWnd::*)(), OnCancelMode)
#define ON_WM_GETDLGCODE()    AFX_MSG_ENTRY(WM_GETDLGCODE, AfxSig_u_v, UINT (CWnd::*)(), OnGetDlgCode)
#define ON_WM_MENUCHAR()      AFX_MSG_ENTRY(WM_MENUCHAR, AfxSig_l_u_u_M, LRESULT (CWnd::*)(UINT, UINT, CMenu*), OnMenuChar)
#define ON_WM_MEASUREITEM()   AFX_MSG_ENTRY(WM_MEASUREITEM, AfxSig_v_i_MEASURE, void (CWnd::*)(int, LPMEASUREITEMSTRUCT), OnMeasureItem)
#define ON_WM_DRAWITEM()      AFX_MSG_ENTRY(WM_DRAWITEM, AfxSig_v_i_DRAW, void (CWnd::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)
#define ON_WM_INITMENUPOPUP() AFX_MSG_ENTRY(WM_INITMENUPOPUP, AfxSig_v_M_u_b, void (CWnd::*)(CMenu*, UINT, BOOL), OnInitMenuPopup)
#define ON_WM_CTLCOLOR_REFLECT() \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOR, AfxSig_h_D_u, HBRUSH (CWnd::*)(CDC*, UINT), CtlColor)

#define ON_MESSAGE(message, memberFxn) \
    { message, 0, 0, 0, AfxSig_l_w_l, \
      AfxPmsgFrom(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn)) },
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, (WORD)(id), (WORD)(id), AfxSig_cmd_v, \
      AfxPmsgFrom(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)) },
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, 0, (WORD)(id), (WORD)(idLast), AfxSig_cmd_range, \
      AfxPmsgFrom(static_cast<void (CCmdTarget::*)(UINT)>(&ThisClass::memberFxn)) },
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    { WM_REFLECT_BASE + WM_COMMAND, (WORD)(wNotifyCode), 0, 0, AfxSig_reflect_v, \
      AfxPmsgFrom(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn)) },
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
    { WM_REFLECT_BASE + WM_COMMAND, (WORD)(wNotifyCode), 0, 0, AfxSig_reflect_b, \
      AfxPmsgFrom(static_cast<BOOL (CCmdTarget::*)()>(&ThisClass::memberFxn)) },

#endif // ZELVIX_AFX_MSGMAP_H
