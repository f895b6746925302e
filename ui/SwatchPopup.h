// The palette window a colour button opens under itself: 16 fixed colours
// and an "Other ..." box for the system colour dialog. It reports to its
// owner with the colour-picker messages and deletes itself when its window
// goes.
#pragma once

#include "framework/Gdi.h"
#include "framework/Wnd.h"

// Colour-picker messages, all sent; wParam is a colour, lParam 0 from the
// popup to its button and the button's control id from a button to its parent.
constexpr UINT WM_COLOURTRACK = WM_USER + 1001;   // the highlight moved
constexpr UINT WM_COLOUROPEN = WM_USER + 1002;    // a button opened its popup
constexpr UINT WM_COLOURCLOSE = WM_USER + 1003;   // the popup finished; the result follows
constexpr UINT WM_COLOURACCEPT = WM_USER + 1004;  // chosen colour
constexpr UINT WM_COLOURCANCEL = WM_USER + 1005;  // cancelled: the initial colour

class CSwatchPopup : public CWnd {
 public:
  static constexpr int kColourCount = 16;
  static const COLORREF kColours[kColourCount];
  // Cell indices besides 0..15.
  static constexpr int kNoCell = -1;
  static constexpr int kOtherBox = -2;

  // Makes the font and palette; Create makes the window.
  CSwatchPopup(COLORREF colour, CWnd* owner);
  // Opens at topLeft (screen), marks the cell holding the colour and takes
  // the mouse. False when the window cannot be created: the caller still
  // owns the object then. Once open, the popup owns itself.
  bool Create(CPoint topLeft);

 protected:
  void PostNcDestroy() override;
  void OnPaint();
  void OnMouseMove(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnKeyDown(UINT key, UINT repeat, UINT flags);
  void OnKillFocus(HWND newFocus);
  void OnActivateApp(BOOL active, DWORD thread);
  BOOL OnQueryNewPalette();
  void OnPaletteChanged(HWND changer);
  DECLARE_MESSAGE_MAP()

 private:
  void LayOut();
  void MatchInitialColour();
  void SetHotCell(int index);
  int ArrowTarget(UINT key) const;
  void FinishPick(UINT message);
  void PaintCell(HDC dc, int index) const;
  void PaintOtherBox(HDC dc) const;
  bool CellRect(int index, CRect& rect) const;
  int CellIndex(int row, int column) const;
  int CellRow(int index) const;
  int CellColumn(int index) const;
  static bool IsColourCell(int index) { return index >= 0 && index < kColourCount; }

  CWnd* m_owner;
  bool m_colourDialogOpen = false;
  // Set once the window exists; only then does the object delete itself.
  bool m_open = false;
  int m_columns = 0;
  int m_rows = 0;
  int m_margin;
  int m_hot = kNoCell;
  int m_chosen = kNoCell;
  CRect m_windowRect;
  CRect m_otherRect;
  CFont m_font;
  CPalette m_palette;
  COLORREF m_initialColour;
  COLORREF m_currentColour;
};
