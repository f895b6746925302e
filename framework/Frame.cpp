#include "framework/Frame.h"

#include "framework/App.h"
#include "framework/Handles.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_SIZE()
  ON_WM_INITMENUPOPUP()
  ON_MESSAGE(WM_FITTOPANE, OnFitToPane)
END_MESSAGE_MAP()

BOOL CFrameWnd::LoadFrame(UINT id, DWORD style, CWnd* parent) {
  HINSTANCE instance = AfxGetInstanceHandle();
  char title[256] = "";
  ::LoadStringA(instance, id, title, sizeof title);
  if (char* lineBreak = std::strchr(title, '\n')) *lineBreak = '\0';
  m_hAccelTable = ::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(id));
  CMenuHandle menu(::LoadMenuA(instance, MAKEINTRESOURCEA(id)));
  if (!CreateEx(0, nullptr, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                parent ? parent->m_hWnd : nullptr, menu.get())) {
    // The frame is gone (PostNcDestroy). A window that existed took its menu
    // with it, and a menu handle carries a reuse count, so IsMenu tells.
    if (!::IsMenu(menu.get())) menu.release();
    return FALSE;
  }
  menu.release();  // the window's now
  // The pane exists now; a hidden window gets no WM_SIZE until it is shown.
  RecalcLayout();
  return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!cs.lpszClass)
    cs.lpszClass =
        AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  return TRUE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
  return m_hAccelTable && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
         ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, msg);
}

bool CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists) {
  if (CWnd::OnCmdMsg(id, code, extra, handlerExists)) return true;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(id, code, extra, handlerExists);
}

void CFrameWnd::RecalcLayout() {
  if (HWND pane = GetDlgItem(AFX_IDW_PANE_FIRST)) {
    CRect client = GetClientRect();
    ::MoveWindow(pane, 0, 0, client.Width(), client.Height(), TRUE);
  }
}

void CFrameWnd::OnSize(UINT, int, int) {
  Default();
  RecalcLayout();
}

void CFrameWnd::OnInitMenuPopup(HMENU popup, UINT, BOOL systemMenu) {
  Default();
  if (systemMenu) return;
  int count = ::GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    UINT id = ::GetMenuItemID(popup, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or submenu
    CCmdUI state;
    state.m_id = id;
    ::EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (state.DoUpdate(this) ? MF_ENABLED : MF_GRAYED));
  }
}

LRESULT CFrameWnd::OnFitToPane(WPARAM width, LPARAM height) {
  HWND pane = GetDlgItem(AFX_IDW_PANE_FIRST);
  if (!pane) return 0;
  // The pane's own border and the frame's, as this system draws them.
  CRect paneOuter, paneClient;
  ::GetWindowRect(pane, &paneOuter);
  ::GetClientRect(pane, &paneClient);
  CRect outer(0, 0, static_cast<int>(width) + paneOuter.Width() - paneClient.Width(),
              static_cast<int>(height) + paneOuter.Height() - paneClient.Height());
  ::AdjustWindowRectEx(&outer, GetStyle(), ::GetMenu(m_hWnd) != nullptr,
                       static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, outer.Width(), outer.Height(), SWP_NOMOVE | SWP_NOZORDER);
  return 0;
}
