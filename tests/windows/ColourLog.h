// A top-level window that records the colour-picker messages it receives,
// to stand as a popup's owner or a colour button's parent.
#pragma once

#include <windows.h>

#include <ostream>
#include <vector>

#include "framework/App.h"
#include "framework/Wnd.h"
#include "ui/SwatchPopup.h"

struct ColourNote {
  UINT message;
  WPARAM colour;
  LPARAM lParam;
  bool operator==(const ColourNote& o) const {
    return message == o.message && colour == o.colour && lParam == o.lParam;
  }
};

class CColourLog : public CWnd {
 public:
  explicit CColourLog(const RECT& rect) {
    CreateEx(0, AfxRegisterWndClass(0), "Colour log", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr);
  }
  std::vector<ColourNote> notes;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_COLOURTRACK && message <= WM_COLOURCANCEL) notes.push_back({message, wParam, lParam});
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

inline void PrintTo(const ColourNote& n, std::ostream* os) {
  *os << "{" << n.message << ", 0x" << std::hex << n.colour << std::dec << ", " << n.lParam << "}";
}
