#pragma once

#include "framework/Frame.h"
#include "framework/Handles.h"
#include "view/FractalView.h"

class CMainFrame : public CFrameWnd {
 public:
  CMainFrame();

  // The view sees every command first.
  bool OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists = nullptr) override;
  CFractalView& View() { return m_view; }

  // No sizing border, no maximize box, no document name in the title.
  static constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  // Outer size for an image of edge pixels: the view's sunken edge, the
  // fixed frame, caption and menu, as this system's metrics draw them.
  static CSize FrameSizeFor(int edge);

 protected:
  BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
  int OnCreate(LPCREATESTRUCTA cs);
  void OnGetMinMaxInfo(MINMAXINFO* info);
  DECLARE_MESSAGE_MAP()

 private:
  CFractalView m_view;
  CIcon m_largeIcon;
  CIcon m_smallIcon;
};
