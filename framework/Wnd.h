// Command targets, message maps and windows.
//
// A message map is a static table per class, chained to its base class's
// table. Each entry holds a small function that cracks wParam/lParam and
// calls the member handler; the handler is a template argument of fixed
// type, so a handler with the wrong signature does not compile.
#pragma once

#include <windows.h>

#include <string>

#include "framework/FrameworkIds.h"
#include "framework/Types.h"

class CCmdTarget;
class CWnd;

namespace fw {

enum class EntryKind : unsigned char { Message, Command, UpdateUI };

using Thunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MsgMapEntry {
  UINT message;  // window message; WM_COMMAND (or its reflection) for commands
  UINT code;     // notification code of a command entry
  UINT id;       // command or control id of a command entry
  EntryKind kind;
  Thunk thunk;
};

struct MsgMap {
  const MsgMap* (*base)();
  const MsgMapEntry* entries;
};

// A child's notification offered back to the child comes as this + message.
constexpr UINT kReflectBase = 0xBC00;
// The one colour message every WM_CTLCOLOR* is reflected as.
constexpr UINT kCtlColor = 0x0019;

// The procedure of every window we create or subclass.
LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Offers msg to PreTranslateMessage of the windows from its target up to
// stop, and to stop itself when the target lies outside it.
bool WalkPreTranslateTree(HWND stop, MSG* msg);

}  // namespace fw

constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const ::fw::MsgMap* GetThisMessageMap(); \
  const ::fw::MsgMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const ::fw::MsgMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::fw::MsgMap* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                       \
    using TheBaseClass = baseClass;                                                   \
    static const ::fw::MsgMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                      \
  { 0, 0, 0, ::fw::EntryKind::Message, nullptr }                               \
  }                                                                            \
  ;                                                                            \
  static const ::fw::MsgMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                                 \
  }

// The enabled state of a menu item or accelerator command, asked before it
// is shown or run.
struct CCmdUI {
  UINT m_id = 0;
  bool m_enabled = true;
  void Enable(bool on = true) { m_enabled = on; }
  // Asks target's routing. Without an update handler a command is enabled
  // exactly when some handler for it exists.
  bool DoUpdate(CCmdTarget* target);
};

class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // code CN_COMMAND runs the command's handler (or, with handlerExists,
  // only reports whether one exists); CN_UPDATE_COMMAND_UI runs its update
  // handler with extra = CCmdUI*. True when handled.
  virtual bool OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists = nullptr);

  static const fw::MsgMap* GetThisMessageMap();
  virtual const fw::MsgMap* GetMessageMap() const;

 protected:
  const fw::MsgMapEntry* FindEntry(UINT message, fw::EntryKind kind, UINT code = 0, UINT id = 0) const;
};

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }
  static CWnd* FromHandlePermanent(HWND hwnd);

  // On failure PostNcDestroy has run once, whether or not the window came to
  // exist, so an object that deletes itself there is gone.
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                HWND parent, HMENU menuOrId, LPVOID param = nullptr);
  BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  BOOL DestroyWindow();

  virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Offered a notification this window sent to its parent (WM_COMMAND,
  // WM_DRAWITEM, WM_CTLCOLOR*). True when it handled it.
  virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Default processing of the message being handled.
  LRESULT Default();

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
  }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void SetDlgItemText(int id, LPCSTR text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  std::string GetWindowText() const;
  void SetWindowText(LPCSTR text) const { ::SetWindowTextA(m_hWnd, text); }
  CRect GetClientRect() const;
  CRect GetWindowRect() const;
  void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL ShowWindow(int how) const { return ::ShowWindow(m_hWnd, how); }
  void UpdateWindow() const { ::UpdateWindow(m_hWnd); }

 protected:
  // Dispatches one message through the map; what no entry takes goes to
  // DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Routes WM_COMMAND: control notifications to the control (reflected),
  // then to this window's map; menu and accelerator commands through
  // OnCmdMsg, but only when their update handler leaves them enabled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Called once the window is gone; the object may delete itself here.
  virtual void PostNcDestroy() {}

  void OnNcDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  friend LRESULT CALLBACK fw::WindowProcedure(HWND, UINT, WPARAM, LPARAM);
  friend class CDialog;
  void Attach(HWND hwnd);
  void Detach();
  WNDPROC m_superProc = ::DefWindowProcA;
};

class CStatic : public CWnd {};

class CButton : public CWnd {
 public:
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 protected:
  LRESULT OnDrawItemReflect(WPARAM, LPARAM lParam) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

// Message crackers: each calls a member handler of one fixed signature.
namespace fw {
// Client coordinates are signed.
inline CPoint PointFrom(LPARAM l) { return CPoint(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))); }

template <class T, LRESULT (T::*F)(WPARAM, LPARAM)>
LRESULT Raw(CCmdTarget* t, WPARAM w, LPARAM l) {
  return (static_cast<T*>(t)->*F)(w, l);
}
template <class T, void (T::*F)()>
LRESULT Void(CCmdTarget* t, WPARAM, LPARAM) {
  (static_cast<T*>(t)->*F)();
  return 0;
}
template <class T, void (T::*F)(CCmdUI*)>
LRESULT Update(CCmdTarget* t, WPARAM, LPARAM l) {
  (static_cast<T*>(t)->*F)(reinterpret_cast<CCmdUI*>(l));
  return 0;
}
template <class T, int (T::*F)(LPCREATESTRUCTA)>
LRESULT CreateMsg(CCmdTarget* t, WPARAM, LPARAM l) {
  return (static_cast<T*>(t)->*F)(reinterpret_cast<LPCREATESTRUCTA>(l));
}
template <class T, void (T::*F)(UINT, CPoint)>
LRESULT Mouse(CCmdTarget* t, WPARAM w, LPARAM l) {
  (static_cast<T*>(t)->*F)(static_cast<UINT>(w), PointFrom(l));
  return 0;
}
template <class T, void (T::*F)(UINT, UINT, UINT)>
LRESULT Key(CCmdTarget* t, WPARAM w, LPARAM l) {
  (static_cast<T*>(t)->*F)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
  return 0;
}
template <class T, void (T::*F)(HWND)>
LRESULT WindowInW(CCmdTarget* t, WPARAM w, LPARAM) {
  (static_cast<T*>(t)->*F)(reinterpret_cast<HWND>(w));
  return 0;
}
template <class T, void (T::*F)(MINMAXINFO*)>
LRESULT MinMax(CCmdTarget* t, WPARAM, LPARAM l) {
  (static_cast<T*>(t)->*F)(reinterpret_cast<MINMAXINFO*>(l));
  return 0;
}
template <class T, void (T::*F)(UINT, int, int)>
LRESULT SizeMsg(CCmdTarget* t, WPARAM w, LPARAM l) {
  (static_cast<T*>(t)->*F)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
  return 0;
}
template <class T, void (T::*F)(BOOL, DWORD)>
LRESULT ActivateApp(CCmdTarget* t, WPARAM w, LPARAM l) {
  (static_cast<T*>(t)->*F)(static_cast<BOOL>(w), static_cast<DWORD>(l));
  return 0;
}
template <class T, BOOL (T::*F)()>
LRESULT Bool(CCmdTarget* t, WPARAM, LPARAM) {
  return (static_cast<T*>(t)->*F)();
}
template <class T, LRESULT (T::*F)(CPoint)>
LRESULT HitTest(CCmdTarget* t, WPARAM, LPARAM l) {
  return (static_cast<T*>(t)->*F)(PointFrom(l));
}
template <class T, BOOL (T::*F)(HWND, UINT, UINT)>
LRESULT SetCursorMsg(CCmdTarget* t, WPARAM w, LPARAM l) {
  return (static_cast<T*>(t)->*F)(reinterpret_cast<HWND>(w), LOWORD(l), HIWORD(l));
}
template <class T, void (T::*F)(HMENU, UINT, BOOL)>
LRESULT InitMenuPopup(CCmdTarget* t, WPARAM w, LPARAM l) {
  (static_cast<T*>(t)->*F)(reinterpret_cast<HMENU>(w), LOWORD(l), HIWORD(l));
  return 0;
}
template <class T, HBRUSH (T::*F)(HDC, UINT)>
LRESULT CtlColorMsg(CCmdTarget* t, WPARAM w, LPARAM l) {
  return reinterpret_cast<LRESULT>((static_cast<T*>(t)->*F)(reinterpret_cast<HDC>(w), static_cast<UINT>(l)));
}
}  // namespace fw

#define FW_MSG(msg, thunk, fn) {msg, 0, 0, ::fw::EntryKind::Message, &::fw::thunk<ThisClass, &ThisClass::fn>},

#define ON_MESSAGE(msg, fn) FW_MSG(msg, Raw, fn)
#define ON_WM_CREATE() FW_MSG(WM_CREATE, CreateMsg, OnCreate)
#define ON_WM_PAINT() FW_MSG(WM_PAINT, Void, OnPaint)
#define ON_WM_NCDESTROY() FW_MSG(WM_NCDESTROY, Void, OnNcDestroy)
#define ON_WM_LBUTTONDOWN() FW_MSG(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() FW_MSG(WM_LBUTTONUP, Mouse, OnLButtonUp)
#define ON_WM_RBUTTONUP() FW_MSG(WM_RBUTTONUP, Mouse, OnRButtonUp)
#define ON_WM_MBUTTONUP() FW_MSG(WM_MBUTTONUP, Mouse, OnMButtonUp)
#define ON_WM_MOUSEMOVE() FW_MSG(WM_MOUSEMOVE, Mouse, OnMouseMove)
#define ON_WM_KEYDOWN() FW_MSG(WM_KEYDOWN, Key, OnKeyDown)
#define ON_WM_KILLFOCUS() FW_MSG(WM_KILLFOCUS, WindowInW, OnKillFocus)
#define ON_WM_PALETTECHANGED() FW_MSG(WM_PALETTECHANGED, WindowInW, OnPaletteChanged)
#define ON_WM_QUERYNEWPALETTE() FW_MSG(WM_QUERYNEWPALETTE, Bool, OnQueryNewPalette)
#define ON_WM_ACTIVATEAPP() FW_MSG(WM_ACTIVATEAPP, ActivateApp, OnActivateApp)
#define ON_WM_GETMINMAXINFO() FW_MSG(WM_GETMINMAXINFO, MinMax, OnGetMinMaxInfo)
#define ON_WM_SIZE() FW_MSG(WM_SIZE, SizeMsg, OnSize)
#define ON_WM_NCHITTEST() FW_MSG(WM_NCHITTEST, HitTest, OnNcHitTest)
#define ON_WM_SETCURSOR() FW_MSG(WM_SETCURSOR, SetCursorMsg, OnSetCursor)
#define ON_WM_INITMENUPOPUP() FW_MSG(WM_INITMENUPOPUP, InitMenuPopup, OnInitMenuPopup)
// The control's colour message as its parent reflects it: HBRUSH CtlColor(HDC, UINT type).
#define ON_WM_CTLCOLOR_REFLECT() FW_MSG(::fw::kReflectBase + ::fw::kCtlColor, CtlColorMsg, CtlColor)
#define ON_WM_DRAWITEM_REFLECT() FW_MSG(::fw::kReflectBase + WM_DRAWITEM, Raw, OnDrawItemReflect)

#define ON_COMMAND(id, fn) {WM_COMMAND, 0, id, ::fw::EntryKind::Command, &::fw::Void<ThisClass, &ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI(id, fn) \
  {WM_COMMAND, 0, id, ::fw::EntryKind::UpdateUI, &::fw::Update<ThisClass, &ThisClass::fn>},
#define ON_CONTROL(code, id, fn) \
  {WM_COMMAND, code, id, ::fw::EntryKind::Command, &::fw::Void<ThisClass, &ThisClass::fn>},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
// A notification the control sent to its parent, handled by the control.
#define ON_CONTROL_REFLECT(code, fn) \
  {::fw::kReflectBase + WM_COMMAND, code, 0, ::fw::EntryKind::Command, &::fw::Void<ThisClass, &ThisClass::fn>},
