// Shared by the colour popup and button tests: a top-level window that
// records the colour-picker messages it receives, as a popup's owner or a
// button's parent.
#pragma once

#include <windows.h>

#include <tuple>
#include <vector>

#include "framework/App.h"
#include "ui/SwatchPopup.h"

using ColourNote = std::tuple<UINT, WPARAM, LPARAM>;  // message, colour, lParam

class CColourLog : public CWnd {
 public:
  explicit CColourLog(const CRect& r) {
    CreateEx(0, AfxRegisterWndClass(0), "Colour log", WS_POPUP | WS_VISIBLE, r.left, r.top, r.Width(), r.Height(),
             nullptr, nullptr);
  }
  std::vector<ColourNote> notes;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_COLOURTRACK && message <= WM_COLOURCANCEL) notes.push_back({message, wParam, lParam});
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

// A CBT hook that refuses every new window, to make a popup's creation fail.
inline LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
  return code == HCBT_CREATEWND ? 1 : ::CallNextHookEx(nullptr, code, wParam, lParam);
}
