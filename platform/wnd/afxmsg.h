// Message-map entry macros. Each entry carries a thunk that cracks the
// message parameters and calls the handler with its own signature, so a
// handler with a wrong signature fails to compile.
#pragma once

namespace afxthunk {

template <typename F> struct ClassOf;
template <typename C, typename R, typename... A> struct ClassOf<R (C::*)(A...)> { using type = C; };

template <auto F> inline auto* Self(CCmdTarget* t) {
    return static_cast<typename ClassOf<decltype(F)>::type*>(t);
}
inline CPoint PointOf(LPARAM l) { return CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)); }
CDC* TemporaryDC(HDC hdc);

template <auto F> LRESULT Void(CCmdTarget* t, const AfxCall&) { (Self<F>(t)->*F)(); return 0; }
template <auto F> LRESULT Create(CCmdTarget* t, const AfxCall& c) {
    return (LRESULT)(Self<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCT>(c.lParam));
}
template <auto F> LRESULT Size(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((UINT)c.wParam, (int)(short)LOWORD(c.lParam), (int)(short)HIWORD(c.lParam));
    return 0;
}
template <auto F> LRESULT EraseBkgnd(CCmdTarget* t, const AfxCall& c) {
    return (LRESULT)(Self<F>(t)->*F)(TemporaryDC(reinterpret_cast<HDC>(c.wParam)));
}
template <auto F> LRESULT Timer(CCmdTarget* t, const AfxCall& c) { (Self<F>(t)->*F)((UINT)c.wParam); return 0; }
template <auto F> LRESULT Key(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((UINT)c.wParam, (UINT)LOWORD(c.lParam), (UINT)HIWORD(c.lParam));
    return 0;
}
template <auto F> LRESULT Mouse(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((UINT)c.wParam, PointOf(c.lParam));
    return 0;
}
template <auto F> LRESULT Wheel(CCmdTarget* t, const AfxCall& c) {
    return (LRESULT)(Self<F>(t)->*F)((UINT)LOWORD(c.wParam), (short)HIWORD(c.wParam), PointOf(c.lParam));
}
template <auto F> LRESULT SetCursor(CCmdTarget* t, const AfxCall& c) {
    return (LRESULT)(Self<F>(t)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(c.wParam)), (UINT)LOWORD(c.lParam),
                                     (UINT)HIWORD(c.lParam));
}
template <auto F> LRESULT DrawItem(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((int)c.wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(c.lParam));
    return TRUE;
}
template <auto F> LRESULT DropFiles(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)(reinterpret_cast<HDROP>(c.wParam));
    return 0;
}
template <auto F> LRESULT SysCommand(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((UINT)c.wParam, c.lParam);
    return 0;
}
template <auto F> LRESULT Focus(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(c.wParam)));
    return 0;
}
template <auto F> LRESULT MouseActivate(CCmdTarget* t, const AfxCall& c) {
    return (LRESULT)(Self<F>(t)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(c.wParam)), (UINT)LOWORD(c.lParam),
                                     (UINT)HIWORD(c.lParam));
}
template <auto F> LRESULT ShowWindow(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)((BOOL)c.wParam, (UINT)c.lParam);
    return 0;
}
template <auto F> LRESULT CaptureChanged(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(c.lParam)));
    return 0;
}
template <auto F> LRESULT Message(CCmdTarget* t, const AfxCall& c) { return (Self<F>(t)->*F)(c.wParam, c.lParam); }
template <auto F> LRESULT Command(CCmdTarget* t, const AfxCall&) { (Self<F>(t)->*F)(); return TRUE; }
template <auto F> LRESULT CommandRange(CCmdTarget* t, const AfxCall& c) { (Self<F>(t)->*F)(c.id); return TRUE; }
template <auto F> LRESULT Update(CCmdTarget* t, const AfxCall& c) {
    (Self<F>(t)->*F)(static_cast<CCmdUI*>(c.extra));
    return TRUE;
}
template <auto F> LRESULT Notify(CCmdTarget* t, const AfxCall& c) {
    AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(c.extra);
    (Self<F>(t)->*F)(n->pNMHDR, n->pResult);
    return TRUE;
}

}  // namespace afxthunk

#define AFX_WM_ENTRY(msg, kind, fn) {msg, 0, 0, 0, AfxKind_message, &afxthunk::kind<&ThisClass::fn>},

#define ON_WM_CREATE() AFX_WM_ENTRY(WM_CREATE, Create, OnCreate)
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, Void, OnDestroy)
#define ON_WM_NCDESTROY() AFX_WM_ENTRY(WM_NCDESTROY, Void, OnNcDestroy)
#define ON_WM_SIZE() AFX_WM_ENTRY(WM_SIZE, Size, OnSize)
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, Void, OnPaint)
#define ON_WM_ERASEBKGND() AFX_WM_ENTRY(WM_ERASEBKGND, EraseBkgnd, OnEraseBkgnd)
#define ON_WM_TIMER() AFX_WM_ENTRY(WM_TIMER, Timer, OnTimer)
#define ON_WM_KEYDOWN() AFX_WM_ENTRY(WM_KEYDOWN, Key, OnKeyDown)
#define ON_WM_KEYUP() AFX_WM_ENTRY(WM_KEYUP, Key, OnKeyUp)
#define ON_WM_CHAR() AFX_WM_ENTRY(WM_CHAR, Key, OnChar)
#define ON_WM_MOUSEMOVE() AFX_WM_ENTRY(WM_MOUSEMOVE, Mouse, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_WM_ENTRY(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_WM_ENTRY(WM_LBUTTONUP, Mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_WM_ENTRY(WM_LBUTTONDBLCLK, Mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_WM_ENTRY(WM_RBUTTONDOWN, Mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_WM_ENTRY(WM_RBUTTONUP, Mouse, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_WM_ENTRY(WM_RBUTTONDBLCLK, Mouse, OnRButtonDblClk)
#define ON_WM_MOUSEWHEEL() AFX_WM_ENTRY(WM_MOUSEWHEEL, Wheel, OnMouseWheel)
#define ON_WM_MOUSEHOVER() AFX_WM_ENTRY(WM_MOUSEHOVER, Mouse, OnMouseHover)
#define ON_WM_MOUSELEAVE() AFX_WM_ENTRY(WM_MOUSELEAVE, Void, OnMouseLeave)
#define ON_WM_SETCURSOR() AFX_WM_ENTRY(WM_SETCURSOR, SetCursor, OnSetCursor)
#define ON_WM_DRAWITEM() AFX_WM_ENTRY(WM_DRAWITEM, DrawItem, OnDrawItem)
#define ON_WM_DROPFILES() AFX_WM_ENTRY(WM_DROPFILES, DropFiles, OnDropFiles)
#define ON_WM_SYSCOMMAND() AFX_WM_ENTRY(WM_SYSCOMMAND, SysCommand, OnSysCommand)
#define ON_WM_CANCELMODE() AFX_WM_ENTRY(WM_CANCELMODE, Void, OnCancelMode)
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, Void, OnClose)
#define ON_WM_SETFOCUS() AFX_WM_ENTRY(WM_SETFOCUS, Focus, OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_WM_ENTRY(WM_KILLFOCUS, Focus, OnKillFocus)
#define ON_WM_MOUSEACTIVATE() AFX_WM_ENTRY(WM_MOUSEACTIVATE, MouseActivate, OnMouseActivate)
#define ON_WM_SHOWWINDOW() AFX_WM_ENTRY(WM_SHOWWINDOW, ShowWindow, OnShowWindow)
#define ON_WM_CAPTURECHANGED() AFX_WM_ENTRY(WM_CAPTURECHANGED, CaptureChanged, OnCaptureChanged)

#define ON_MESSAGE(message, memberFxn) \
    {(UINT)(message), 0, 0, 0, AfxKind_message, &afxthunk::Message<&ThisClass::memberFxn>},
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), AfxKind_command, &afxthunk::Command<&ThisClass::memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                     \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), AfxKind_command,           \
     &afxthunk::CommandRange<&ThisClass::memberFxn>},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                         \
    {WM_COMMAND, (UINT)CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), AfxKind_update, \
     &afxthunk::Update<&ThisClass::memberFxn>},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                               \
    {WM_COMMAND, (UINT)CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(idLast), AfxKind_update, \
     &afxthunk::Update<&ThisClass::memberFxn>},
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AfxKind_command, &afxthunk::Command<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn) \
    {WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), AfxKind_notify, &afxthunk::Notify<&ThisClass::memberFxn>},
#define ON_NOTIFY_REFLECT(code, memberFxn) \
    {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(code), 0, 0, AfxKind_notify, &afxthunk::Notify<&ThisClass::memberFxn>},
#define ON_CONTROL_REFLECT(code, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, (UINT)(code), 0, 0, AfxKind_command, &afxthunk::Command<&ThisClass::memberFxn>},
