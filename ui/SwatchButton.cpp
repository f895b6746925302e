#include "ui/SwatchButton.h"

#include <memory>

#include "framework/Gdi.h"
#include "ui/SwatchPopup.h"

bool CSwatchButton::s_doubleClickPending = false;

BEGIN_MESSAGE_MAP(CSwatchButton, CButton)
  ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
  ON_MESSAGE(WM_COLOURACCEPT, OnAccept)
  ON_MESSAGE(WM_COLOURCANCEL, OnCancel)
END_MESSAGE_MAP()

void CSwatchButton::DrawItem(LPDRAWITEMSTRUCT item) {
  const HDC dc = item->hDC;
  CRect rect = item->rcItem;
  const bool pressed = (item->itemState & ODS_SELECTED) != 0;
  const bool focused = (item->itemState & ODS_FOCUS) != 0;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;

  ::DrawFrameControl(dc, &rect, DFC_BUTTON,
                     DFCS_BUTTONPUSH | (disabled ? DFCS_INACTIVE : 0) | (pressed ? DFCS_PUSHED : 0));
  if (focused) {
    CRect focus = rect;
    focus.DeflateRect(3, 3);
    ::DrawFocusRect(dc, &focus);
  }

  CRect swatch(rect.left + 5, rect.top + 5, rect.right - 15, rect.bottom - 5);
  if (pressed) swatch.OffsetRect(1, 1);
  if (disabled) {
    FillSolidRect(dc, swatch, ::GetSysColor(COLOR_BTNFACE));
  } else {
    CBrush black(RGB(0, 0, 0));
    ::FrameRect(dc, &swatch, black.get());
    swatch.DeflateRect(1, 1);
    // The view draws with the low 24 bits; GDI would take a colour with a
    // top byte for a palette index and paint black.
    FillSolidRect(dc, swatch, m_colour & 0xFFFFFF);
  }

  // A down arrow of rows 5, 3 and 1 pixels wide centred on column x; a
  // line leaves out its end point.
  CPen pen(PS_SOLID, 1, disabled ? ::GetSysColor(COLOR_BTNSHADOW) : RGB(0, 0, 0));
  CSelectObject selectPen(dc, pen.get());
  const int x = rect.right - (pressed ? 8 : 9);
  const int y = (rect.top + rect.bottom) / 2 + (pressed ? 1 : 0);
  ::MoveToEx(dc, x + 2, y - 1, nullptr);
  ::LineTo(dc, x - 3, y - 1);
  ::MoveToEx(dc, x + 1, y, nullptr);
  ::LineTo(dc, x - 2, y);
  ::MoveToEx(dc, x, y + 1, nullptr);
  ::LineTo(dc, x - 1, y + 1);
}

LRESULT CSwatchButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDBLCLK) {
    SendMessage(BM_SETSTATE, TRUE);
    s_doubleClickPending = true;
    return 0;
  }
  if (message == WM_LBUTTONUP && s_doubleClickPending) {
    SendMessage(BM_SETSTATE, FALSE);
    s_doubleClickPending = false;
    if (HWND parent = GetParent())
      ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
  }
  return CButton::DefWindowProc(message, wParam, lParam);
}

void CSwatchButton::OnClicked() {
  const CRect rect = GetWindowRect();
  auto popup = std::make_unique<CSwatchPopup>(m_colour, this);
  // An open popup deletes itself when it closes; one whose window could not
  // be made is freed here.
  if (popup->Create(CPoint(rect.left, rect.bottom))) popup.release();
  NotifyParent(WM_COLOUROPEN, m_colour);
}

LRESULT CSwatchButton::OnAccept(WPARAM value, LPARAM) {
  return TakeResult(WM_COLOURACCEPT, static_cast<COLORREF>(value));
}

LRESULT CSwatchButton::OnCancel(WPARAM value, LPARAM) {
  return TakeResult(WM_COLOURCANCEL, static_cast<COLORREF>(value));
}

LRESULT CSwatchButton::TakeResult(UINT message, COLORREF result) {
  m_colour = result;
  NotifyParent(WM_COLOURCLOSE, result);
  NotifyParent(message, result);
  return 0;
}

void CSwatchButton::NotifyParent(UINT message, COLORREF value) const {
  if (HWND parent = GetParent()) ::SendMessageA(parent, message, value, static_cast<LPARAM>(GetDlgCtrlID()));
}
