// An owner-drawn push button that shows a colour and opens a CSwatchPopup
// under itself to change it. Its parent hears of the popup's opening and
// result through the colour-picker messages (ui/SwatchPopup.h).
#pragma once

#include "framework/Wnd.h"

class CSwatchButton : public CButton {
 public:
  void DrawItem(LPDRAWITEMSTRUCT item) override;

  // The colour shown. Setting it does not repaint: the owner invalidates.
  COLORREF m_colour = 0;

 protected:
  // A double click acts as a second click.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnClicked();
  LRESULT OnAccept(WPARAM colour, LPARAM);
  LRESULT OnCancel(WPARAM colour, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  LRESULT TakeResult(UINT message, COLORREF result);
  void NotifyParent(UINT message, COLORREF value) const;

  // Shared by all colour buttons: the second press of a double click went
  // to one of them and its release is still to come.
  static bool s_doubleClickPending;
};
