#include "framework/Wnd.h"

#include <exception>
#include <vector>

#include "framework/App.h"
#include "framework/File.h"

namespace {

constexpr char kObjectProperty[] = "Fractavo.CWnd";

// The window being created: WM_GETMINMAXINFO arrives before WM_NCCREATE,
// so the object must be known before CreateWindowEx returns.
thread_local CWnd* creatingWindow = nullptr;
// The message being handled, for Default().
thread_local MSG currentMessage = {};

void ReportUnexpected(const char* what) {
  std::string text = "An unexpected error occurred";
  if (what && *what) text += std::string(": ") + what;
  AfxMessageBox(nullptr, text.c_str(), MB_ICONHAND | MB_OK);
}

}  // namespace

bool CCmdUI::DoUpdate(CCmdTarget* target) {
  m_enabled = true;
  if (target->OnCmdMsg(m_id, CN_UPDATE_COMMAND_UI, this)) return m_enabled;
  bool exists = false;
  target->OnCmdMsg(m_id, CN_COMMAND, nullptr, &exists);
  m_enabled = exists;
  return m_enabled;
}

const fw::MsgMap* CCmdTarget::GetThisMessageMap() {
  static const fw::MsgMapEntry entries[] = {{0, 0, 0, fw::EntryKind::Message, nullptr}};
  static const fw::MsgMap map = {nullptr, entries};
  return &map;
}

const fw::MsgMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const fw::MsgMapEntry* CCmdTarget::FindEntry(UINT message, fw::EntryKind kind, UINT code, UINT id) const {
  for (const fw::MsgMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const fw::MsgMapEntry* e = map->entries; e->thunk; ++e) {
      if (e->message != message || e->kind != kind) continue;
      if (kind == fw::EntryKind::Message || (e->code == code && e->id == id)) return e;
    }
  }
  return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists) {
  if (code == CN_UPDATE_COMMAND_UI) {
    const fw::MsgMapEntry* e = FindEntry(WM_COMMAND, fw::EntryKind::UpdateUI, 0, id);
    if (!e) return false;
    e->thunk(this, 0, reinterpret_cast<LPARAM>(extra));
    return true;
  }
  const fw::MsgMapEntry* e = FindEntry(WM_COMMAND, fw::EntryKind::Command, static_cast<UINT>(code), id);
  if (!e) return false;
  if (handlerExists)
    *handlerExists = true;
  else
    e->thunk(this, 0, 0);
  return true;
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_NCDESTROY()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CButton, CWnd)
  ON_WM_DRAWITEM_REFLECT()
END_MESSAGE_MAP()

CWnd::~CWnd() {
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  ::SetPropA(hwnd, kObjectProperty, this);
}

void CWnd::Detach() {
  if (!m_hWnd) return;
  ::RemovePropA(m_hWnd, kObjectProperty);
  if (m_superProc != ::DefWindowProcA &&
      ::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&fw::WindowProcedure))
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
  m_superProc = ::DefWindowProcA;
  m_hWnd = nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!cs.lpszClass)
    cs.lpszClass =
        AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, LPVOID param) {
  CREATESTRUCTA cs = {};
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = static_cast<LONG>(style);
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.hwndParent = parent;
  cs.hMenu = menuOrId;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }

  CWnd* outer = creatingWindow;
  creatingWindow = this;
  HWND hwnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  // Still waiting: no message reached the window procedure, so no window of ours ever existed.
  const bool neverAttached = creatingWindow == this;
  creatingWindow = outer;
  if (hwnd) return m_hWnd == hwnd;
  // A window that existed is destroyed by now and has had its WM_NCDESTROY,
  // whose PostNcDestroy may have deleted this object: touch nothing of it.
  if (neverAttached) PostNcDestroy();
  return FALSE;
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return FALSE;
  Attach(hwnd);
  m_superProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&fw::WindowProcedure)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) { return SubclassWindow(::GetDlgItem(parent->m_hWnd, id)); }

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcA(m_superProc, m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(currentMessage.message, currentMessage.wParam, currentMessage.lParam); }

std::string CWnd::GetWindowText() const {
  std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(m_hWnd)) + 1);
  ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
  return text.data();
}

CRect CWnd::GetClientRect() const {
  CRect r;
  ::GetClientRect(m_hWnd, &r);
  return r;
}

CRect CWnd::GetWindowRect() const {
  CRect r;
  ::GetWindowRect(m_hWnd, &r);
  return r;
}

void CWnd::OnNcDestroy() {
  Default();
  if (CWinApp* app = AfxGetApp(); app && app->m_mainWnd == this) {
    app->m_mainWnd = nullptr;
    ::PostQuitMessage(0);
  }
  Detach();
  PostNcDestroy();
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    const fw::MsgMapEntry* e = FindEntry(fw::kReflectBase + WM_COMMAND, fw::EntryKind::Command, HIWORD(wParam), 0);
    if (!e) return false;
    e->thunk(this, 0, 0);
    *result = 0;
    return true;
  }
  if (message == WM_DRAWITEM) {
    const fw::MsgMapEntry* e = FindEntry(fw::kReflectBase + WM_DRAWITEM, fw::EntryKind::Message);
    if (!e) return false;
    *result = e->thunk(this, wParam, lParam);
    return true;
  }
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    const fw::MsgMapEntry* e = FindEntry(fw::kReflectBase + fw::kCtlColor, fw::EntryKind::Message);
    if (!e) return false;
    LRESULT brush = e->thunk(this, wParam, message - WM_CTLCOLORMSGBOX);
    if (!brush) return false;
    *result = brush;
    return true;
  }
  return false;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  if (control) {
    LRESULT ignored;
    if (CWnd* child = FromHandlePermanent(control); child && child->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
      return TRUE;
    const fw::MsgMapEntry* e = FindEntry(WM_COMMAND, fw::EntryKind::Command, code, id);
    if (!e) return FALSE;
    e->thunk(this, 0, 0);
    return TRUE;
  }
  // A menu item (code 0) or an accelerator (code 1): a disabled command
  // never runs, whichever way it was asked for.
  CCmdUI state;
  state.m_id = id;
  if (!state.DoUpdate(this)) return TRUE;
  return OnCmdMsg(id, CN_COMMAND, nullptr) ? TRUE : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return OnCommand(wParam, lParam) ? 0 : DefWindowProc(message, wParam, lParam);

  HWND child = nullptr;
  if (message == WM_DRAWITEM)
    child = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->hwndItem;
  else if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
    child = reinterpret_cast<HWND>(lParam);
  if (CWnd* control = FromHandlePermanent(child)) {
    LRESULT result = 0;
    if (control->OnChildNotify(message, wParam, lParam, &result)) return result;
  }

  if (const fw::MsgMapEntry* e = FindEntry(message, fw::EntryKind::Message)) return e->thunk(this, wParam, lParam);
  return DefWindowProc(message, wParam, lParam);
}

namespace fw {

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
  if (!wnd) {
    wnd = creatingWindow;
    if (!wnd) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    creatingWindow = nullptr;
    wnd->Attach(hwnd);
  }
  const MSG outer = currentMessage;
  currentMessage = {hwnd, message, wParam, lParam, 0, {0, 0}};
  LRESULT result = 0;
  // Nothing may unwind through the system's code: a failed command is
  // reported here and ends with the view as it was.
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (CException& e) {
    e.ReportError();
  } catch (std::exception& e) {
    ReportUnexpected(e.what());
  } catch (...) {
    ReportUnexpected(nullptr);
  }
  // wnd may be gone now (WM_NCDESTROY).
  currentMessage = outer;
  return result;
}

bool WalkPreTranslateTree(HWND stop, MSG* msg) {
  bool reachedStop = false;
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* w = CWnd::FromHandlePermanent(h); w && w->PreTranslateMessage(msg)) return true;
    if (h == stop) {
      reachedStop = true;
      break;
    }
  }
  if (!reachedStop && stop)
    if (CWnd* w = CWnd::FromHandlePermanent(stop); w && w->PreTranslateMessage(msg)) return true;
  return false;
}

}  // namespace fw
