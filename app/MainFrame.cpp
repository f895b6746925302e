#include "app/MainFrame.h"

#include <algorithm>

#include "app/RegistryProfile.h"
#include "app/resource.h"
#include "framework/App.h"

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  ON_WM_CREATE()
  ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

namespace {
HICON LoadProgramIcon(int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric), 0));
}
}  // namespace

CMainFrame::CMainFrame()
    : m_largeIcon(LoadProgramIcon(SM_CXICON, SM_CYICON)), m_smallIcon(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON)) {}

bool CMainFrame::OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists) {
  if (m_view.OnCmdMsg(id, code, extra, handlerExists)) return true;
  return CFrameWnd::OnCmdMsg(id, code, extra, handlerExists);
}

CSize CMainFrame::FrameSizeFor(int edge) {
  CRect outer(0, 0, edge + 2 * ::GetSystemMetrics(SM_CXEDGE), edge + 2 * ::GetSystemMetrics(SM_CYEDGE));
  ::AdjustWindowRectEx(&outer, kStyle, TRUE, 0);
  return {outer.Width(), outer.Height()};
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  CSize size = FrameSizeFor(ReadWindowSize(RegistryProfile()));
  cs.cx = size.cx;
  cs.cy = size.cy;
  cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
  cs.lpszClass = AfxRegisterWndClass(0);
  return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCTA) {
  if (Default() == -1) return -1;
  if (!m_view.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(), this, AFX_IDW_PANE_FIRST)) return -1;
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_largeIcon.get()));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
  return 0;
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* info) {
  CSize size = FrameSizeFor(ReadWindowSize(RegistryProfile()));
  info->ptMaxSize.x = size.cx;
  info->ptMaxSize.y = size.cy;
  // The system limits a window to about the screen's size; a large image
  // still gets its whole frame rather than a cut-off view.
  info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, size.cx);
  info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, size.cy);
  Default();
}
