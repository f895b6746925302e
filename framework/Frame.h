// A top-level window with menu, accelerators and one pane child.
#pragma once

#include "framework/Wnd.h"

// Sent by a pane to its frame: wParam and lParam are the client width and
// height the pane wants; the frame resizes itself around them, in place.
constexpr UINT WM_FITTOPANE = 0xBB00;

class CFrameWnd : public CWnd {
 public:
  // Title (the string's text before its first line break), menu and
  // accelerators all come from resource id. On failure the frame has
  // deleted itself, like any frame whose window goes.
  BOOL LoadFrame(UINT id, DWORD style, CWnd* parent = nullptr);
  BOOL PreTranslateMessage(MSG* msg) override;
  // Own map first, then the application's.
  bool OnCmdMsg(UINT id, int code, void* extra, bool* handlerExists = nullptr) override;
  // Stretches the AFX_IDW_PANE_FIRST child over the client area.
  void RecalcLayout();

 protected:
  BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
  // Frames live on the heap and go with their window.
  void PostNcDestroy() override { delete this; }
  void OnSize(UINT type, int cx, int cy);
  void OnInitMenuPopup(HMENU popup, UINT index, BOOL systemMenu);
  LRESULT OnFitToPane(WPARAM width, LPARAM height);
  DECLARE_MESSAGE_MAP()

  HACCEL m_hAccelTable = nullptr;
};
