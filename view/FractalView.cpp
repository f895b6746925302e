#include "view/FractalView.h"

#include <vector>

#include "app/RegistryProfile.h"
#include "app/resource.h"
#include "framework/App.h"
#include "view/Renderer.h"

BEGIN_MESSAGE_MAP(CFractalView, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_WM_LBUTTONUP()
  ON_WM_RBUTTONUP()
  ON_WM_MBUTTONUP()
  ON_COMMAND(ID_VIEW_RESTART, OnRestart)
  ON_COMMAND(ID_VIEW_REFRESH, OnRefresh)
  ON_COMMAND(ID_VIEW_OPTIONS, OnOptions)
  ON_COMMAND(ID_FILE_SAVE_BMP, OnSave)
  ON_COMMAND(ID_FILE_COPY, OnCopy)
  ON_COMMAND(ID_FILE_SAVE_SPOT, OnSaveSpot)
  ON_COMMAND(ID_FILE_LOAD_SPOT, OnLoadSpot)
  ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_BMP, OnUpdateNeedsImage)
  ON_UPDATE_COMMAND_UI(ID_FILE_COPY, OnUpdateNeedsImage)
  ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_SPOT, OnUpdateNeedsImage)
END_MESSAGE_MAP()

CFractalView::CFractalView() : m_params(RegistryProfile()) {}

BOOL CFractalView::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  cs.style &= ~WS_BORDER;
  cs.dwExStyle |= WS_EX_CLIENTEDGE;
  return TRUE;
}

int CFractalView::OnCreate(LPCREATESTRUCTA) {
  if (Default() == -1) return -1;
  RecreateImage();
  return 0;
}

bool CFractalView::RecreateImage() {
  if (!m_image.Create(CClientDC(m_hWnd).get(), m_params.edge, m_params.edge)) return false;
  ::PatBlt(m_image.get(), 0, 0, m_params.edge, m_params.edge, BLACKNESS);
  return true;
}

void CFractalView::Render() {
  CWaitCursor wait;
  CClientDC dc(m_hWnd);
  m_params.notRendered = false;

  const int edge = m_params.edge;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(edge) * static_cast<size_t>(edge));
  ::Render(m_params, pixels.data());

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = edge;
  info.bmiHeader.biHeight = -edge;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  ::SetDIBitsToDevice(m_image.get(), 0, 0, static_cast<DWORD>(edge), static_cast<DWORD>(edge), 0, 0, 0,
                      static_cast<UINT>(edge), pixels.data(), &info, DIB_RGB_COLORS);
  ::BitBlt(dc.get(), 0, 0, edge, edge, m_image.get(), 0, 0, SRCCOPY);

  MSG msg;
  ::PeekMessageA(&msg, m_hWnd, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
  ::PeekMessageA(&msg, m_hWnd, WM_MBUTTONUP, WM_MBUTTONUP, PM_REMOVE);
  ::PeekMessageA(&msg, m_hWnd, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE);
}

void CFractalView::OnPaint() {
  CPaintDC dc(m_hWnd);
  const RECT& r = dc.PaintRect();
  ::BitBlt(dc.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, m_image.get(), r.left, r.top, SRCCOPY);
}

void CFractalView::ClickAt(CPoint point, int direction) {
  if (m_params.notRendered) {
    OnRestart();
  } else {
    m_params.ZoomAt(point.x, point.y, direction);
    Render();
  }
  Default();
}

void CFractalView::OnLButtonUp(UINT, CPoint point) { ClickAt(point, +1); }
void CFractalView::OnRButtonUp(UINT, CPoint point) { ClickAt(point, -1); }
void CFractalView::OnMButtonUp(UINT, CPoint point) { ClickAt(point, 0); }

void CFractalView::OnRestart() {
  m_params.Reset();
  Render();
}

void CFractalView::OnRefresh() { Render(); }

void CFractalView::OnUpdateNeedsImage(CCmdUI* state) { state->Enable(!m_params.notRendered); }
