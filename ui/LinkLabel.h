// A static text control that acts as a link: blue, underlined, with the hand
// pointer over its whole rectangle. A click opens its text through the
// shell, or puts the text on the clipboard when nothing can open it.
#pragma once

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"

class CLinkLabel : public CStatic {
 public:
  CLinkLabel();

 protected:
  HBRUSH CtlColor(HDC dc, UINT type);
  LRESULT OnNcHitTest(CPoint point);
  BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
  void OnLButtonDown(UINT flags, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  void CopyTextToClipboard(const std::string& text) const;

  CFont m_linkFont;  // made at the first colour message
  CCursor m_pointerCursor;
};
