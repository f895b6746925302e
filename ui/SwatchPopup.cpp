#include "ui/SwatchPopup.h"

#include "framework/App.h"
#include "framework/CommonDialogs.h"

namespace {
constexpr int kCellSize = 24;
constexpr int kColumns = 4;
constexpr char kOtherText[] = "Other ...";

// Hot cells stand out, the opening colour's cell sits in.
void MarkEdge(HDC dc, CRect rect, bool hot, bool chosen) {
  if (hot)
    ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
  else if (chosen)
    ::DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
}
}  // namespace

const COLORREF CSwatchPopup::kColours[kColourCount] = {
    0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080,  // white, black, silver, grey
    0x0000FF, 0x000080, 0x00FFFF, 0x008080,  // red, maroon, yellow, olive
    0x00FF00, 0x008000, 0xFFFF00, 0x808000,  // lime, green, aqua, teal
    0xFF0000, 0x800000, 0xFF00FF, 0x800080,  // blue, navy, fuchsia, purple
};

BEGIN_MESSAGE_MAP(CSwatchPopup, CWnd)
  ON_WM_PAINT()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
  ON_WM_KEYDOWN()
  ON_WM_KILLFOCUS()
  ON_WM_ACTIVATEAPP()
  ON_WM_QUERYNEWPALETTE()
  ON_WM_PALETTECHANGED()
END_MESSAGE_MAP()

CSwatchPopup::CSwatchPopup(COLORREF colour, CWnd* owner)
    : m_owner(owner), m_margin(::GetSystemMetrics(SM_CXEDGE)), m_initialColour(colour), m_currentColour(colour) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  m_font.CreateFontIndirect(&metrics.lfMessageFont);

  struct {
    WORD version = 0x300;
    WORD count = kColourCount;
    PALETTEENTRY entries[kColourCount];
  } palette;
  for (int i = 0; i < kColourCount; ++i)
    palette.entries[i] = {GetRValue(kColours[i]), GetGValue(kColours[i]), GetBValue(kColours[i]), 0};
  m_palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

bool CSwatchPopup::Create(CPoint topLeft) {
  LPCSTR windowClass = AfxRegisterWndClass(CS_CLASSDC | CS_SAVEBITS | CS_HREDRAW | CS_VREDRAW, nullptr,
                                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  if (!CreateEx(0, windowClass, "", WS_POPUP | WS_VISIBLE, topLeft.x, topLeft.y, 100, 100, m_owner->GetSafeHwnd(),
                nullptr))
    return false;
  m_open = true;
  LayOut();
  MatchInitialColour();
  ::SetCapture(m_hWnd);
  return true;
}

void CSwatchPopup::PostNcDestroy() {
  // A window that failed during creation leaves the object to its maker.
  if (m_open) delete this;
}

void CSwatchPopup::LayOut() {
  const int m = m_margin;
  SIZE text = {};
  {
    CClientDC dc(m_hWnd);
    CSelectObject font(dc.get(), m_font.get());
    ::GetTextExtentPoint32A(dc.get(), kOtherText, sizeof kOtherText - 1, &text);
  }
  m_columns = kColumns;
  m_rows = kColourCount / kColumns + (kColourCount % kColumns ? 1 : 0);

  CRect window = GetWindowRect();
  int width = kCellSize * m_columns + 2 * m;
  int height = kCellSize * m_rows + 2 * m;
  if (text.cx + 2 * m > width) width = text.cx + 2 * m;
  m_otherRect = CRect(m, height, width - m, height + text.cy + 5 * m + 2);
  height += m_otherRect.Height() + 2 * m;
  m_windowRect = CRect(window.left, window.top, window.left + width, window.top + height);

  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  if (m_windowRect.right > screenWidth) m_windowRect.OffsetRect(screenWidth - m_windowRect.right, 0);
  if (m_windowRect.left < 0) m_windowRect.OffsetRect(-m_windowRect.left, 0);
  // Near the bottom of the screen the popup opens above its button instead.
  if (m_windowRect.bottom > screenHeight)
    m_windowRect.OffsetRect(0, m_owner->GetWindowRect().top - m_windowRect.bottom);
  ::MoveWindow(m_hWnd, m_windowRect.left, m_windowRect.top, m_windowRect.Width(), m_windowRect.Height(), TRUE);
}

void CSwatchPopup::MatchInitialColour() {
  m_chosen = kOtherBox;
  for (int i = 0; i < kColourCount; ++i) {
    if (kColours[i] == m_initialColour) {
      m_chosen = i;
      break;
    }
  }
}

bool CSwatchPopup::CellRect(int index, CRect& rect) const {
  if (index == kOtherBox) {
    rect = m_otherRect;
    return true;
  }
  if (!IsColourCell(index)) return false;
  const int left = m_margin + kCellSize * CellColumn(index);
  const int top = m_margin + kCellSize * CellRow(index);
  rect = CRect(left, top, left + kCellSize, top + kCellSize);
  return true;
}

int CSwatchPopup::CellIndex(int row, int column) const {
  if (row == kOtherBox || column == kOtherBox) return kOtherBox;
  if (row < 0 || column < 0 || row >= m_rows || column >= m_columns) return kNoCell;
  const int index = row * m_columns + column;
  return index < kColourCount ? index : kNoCell;
}

int CSwatchPopup::CellRow(int index) const {
  if (index == kOtherBox) return kOtherBox;
  return IsColourCell(index) ? index / m_columns : kNoCell;
}

int CSwatchPopup::CellColumn(int index) const {
  if (index == kOtherBox) return kOtherBox;
  return IsColourCell(index) ? index % m_columns : kNoCell;
}

void CSwatchPopup::SetHotCell(int index) {
  {
    // Only the two cells concerned are repainted, straight away.
    CClientDC dc(m_hWnd);
    if (IsColourCell(m_hot) || m_hot == kOtherBox) {
      const int old = m_hot;
      m_hot = kNoCell;
      PaintCell(dc.get(), old);
    }
    m_hot = index;
    PaintCell(dc.get(), index);
  }
  // The Other box stands for the colour the popup opened with until a
  // colour is picked in the dialog.
  if (index != kOtherBox) m_currentColour = kColours[index];
  m_owner->SendMessage(WM_COLOURTRACK, index == kOtherBox ? m_initialColour : m_currentColour, 0);
}

void CSwatchPopup::OnMouseMove(UINT, CPoint point) {
  int target = kOtherBox;
  if (!m_otherRect.PtInRect(point)) {
    // The division truncates toward zero, so the margin strips left of and
    // above the grid belong to column and row 0.
    target = CellIndex((point.y - m_margin) / kCellSize, (point.x - m_margin) / kCellSize);
    if (!IsColourCell(target)) {
      Default();
      return;
    }
  }
  if (target != m_hot) SetHotCell(target);
  Default();
}

void CSwatchPopup::OnLButtonUp(UINT, CPoint) {
  Default();
  // The popup holds the capture: a release anywhere ends the pick, and only
  // one inside the popup accepts.
  const DWORD position = ::GetMessagePos();
  const POINT screen = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  FinishPick(m_windowRect.PtInRect(screen) ? WM_COLOURACCEPT : WM_COLOURCANCEL);
}

int CSwatchPopup::ArrowTarget(UINT key) const {
  const bool onOther = m_hot == kOtherBox;
  const int last = kColourCount - 1;
  // -1 and -1 with no cell hot.
  const int r = CellRow(m_hot);
  const int c = CellColumn(m_hot);
  int target = kNoCell;
  switch (key) {
    case VK_DOWN: target = onOther ? 0 : CellIndex(r + 1, c); break;
    case VK_UP: target = onOther ? last : r > 0 ? CellIndex(r - 1, c) : kNoCell; break;
    case VK_RIGHT: target = onOther ? 0 : c < m_columns - 1 ? CellIndex(r, c + 1) : CellIndex(r + 1, 0); break;
    case VK_LEFT:
      target = onOther ? last : c > 0 ? CellIndex(r, c - 1) : r > 0 ? CellIndex(r - 1, m_columns - 1) : kNoCell;
      break;
    default: break;
  }
  // Moving off the grid, or from no cell at all, lands on the Other box.
  return IsColourCell(target) ? target : kOtherBox;
}

void CSwatchPopup::OnKeyDown(UINT key, UINT, UINT) {
  switch (key) {
    case VK_RETURN:
    case VK_SPACE: FinishPick(WM_COLOURACCEPT); return;
    case VK_ESCAPE:
      m_currentColour = m_initialColour;
      FinishPick(WM_COLOURCANCEL);
      return;
    case VK_DOWN:
    case VK_UP:
    case VK_RIGHT:
    case VK_LEFT: SetHotCell(ArrowTarget(key)); break;
    default: break;
  }
  Default();
}

void CSwatchPopup::FinishPick(UINT message) {
  ::ReleaseCapture();
  if (message == WM_COLOURACCEPT && m_hot == kOtherBox) {
    m_colourDialogOpen = true;
    CColorDialog dialog(m_initialColour, CC_FULLOPEN | CC_ANYCOLOR, this);
    if (dialog.DoModal() == IDOK)
      m_currentColour = dialog.GetColor();
    else
      message = WM_COLOURCANCEL;
    m_colourDialogOpen = false;
  }
  if (message == WM_COLOURCANCEL) m_currentColour = m_initialColour;
  m_owner->SendMessage(message, m_currentColour, 0);
  // A cancel that arrives while the colour dialog runs (the application was
  // deactivated) reports but leaves the window to the pick that opened it.
  if (!m_colourDialogOpen) DestroyWindow();
}

void CSwatchPopup::OnKillFocus(HWND) {
  ::ReleaseCapture();
  Default();
}

void CSwatchPopup::OnActivateApp(BOOL active, DWORD) {
  Default();
  if (!active) FinishPick(WM_COLOURCANCEL);
}

BOOL CSwatchPopup::OnQueryNewPalette() {
  Invalidate(TRUE);
  return static_cast<BOOL>(Default());
}

void CSwatchPopup::OnPaletteChanged(HWND changer) {
  Default();
  if (changer != m_hWnd) Invalidate(TRUE);
}

void CSwatchPopup::OnPaint() {
  CPaintDC dc(m_hWnd);
  for (int i = 0; i < kColourCount; ++i) PaintCell(dc.get(), i);
  PaintCell(dc.get(), kOtherBox);
  CRect client = GetClientRect();
  ::DrawEdge(dc.get(), &client, EDGE_RAISED, BF_RECT);
}

void CSwatchPopup::PaintCell(HDC dc, int index) const {
  if (index == kOtherBox) {
    PaintOtherBox(dc);
    return;
  }
  CRect cell;
  if (!CellRect(index, cell)) return;
  const bool onPaletteDevice = (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  CSelectPalette palette(dc, onPaletteDevice ? m_palette.get() : nullptr, FALSE);
  if (onPaletteDevice) ::RealizePalette(dc);

  const bool hot = index == m_hot;
  const bool chosen = index == m_chosen;
  FillSolidRect(dc, cell, ::GetSysColor(chosen && !hot ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE));
  MarkEdge(dc, cell, hot, chosen);

  CRect swatch = cell;
  swatch.DeflateRect(m_margin + 1, m_margin + 1);
  const COLORREF colour = kColours[index];
  CBrush brush(PALETTERGB(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
  CPen pen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
  CSelectObject selectBrush(dc, brush.get());
  CSelectObject selectPen(dc, pen.get());
  ::Rectangle(dc, swatch.left, swatch.top, swatch.right, swatch.bottom);
}

void CSwatchPopup::PaintOtherBox(HDC dc) const {
  const int m = m_margin;
  CRect box = m_otherRect;
  box.top += 2 * m;
  FillSolidRect(dc, box, ::GetSysColor(COLOR_BTNFACE));

  const int left = m_otherRect.left + 2 * m;
  const int right = m_otherRect.right - 2 * m;
  const int top = m_otherRect.top;
  FillSolidRect(dc, CRect(left, top, right, top + 1), ::GetSysColor(COLOR_BTNSHADOW));
  FillSolidRect(dc, CRect(left, top + 1, right, top + 2), ::GetSysColor(COLOR_BTNHIGHLIGHT));

  box.DeflateRect(1, 1);
  const bool hot = m_hot == kOtherBox;
  const bool chosen = m_chosen == kOtherBox;
  FillSolidRect(dc, box, ::GetSysColor(chosen && !hot ? COLOR_3DLIGHT : COLOR_BTNFACE));
  MarkEdge(dc, box, hot, chosen);

  CSelectObject font(dc, m_font.get());
  // The class's one device context keeps its settings between uses.
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextA(dc, kOtherText, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SetBkMode(dc, oldMode);
}
