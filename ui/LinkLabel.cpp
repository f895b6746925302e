#include "ui/LinkLabel.h"

#include <shellapi.h>

#include <cstring>

#include "app/resource.h"
#include "framework/App.h"

BEGIN_MESSAGE_MAP(CLinkLabel, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
  ON_WM_NCHITTEST()
  ON_WM_SETCURSOR()
  ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CLinkLabel::CLinkLabel()
    : m_pointerCursor(static_cast<HCURSOR>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDC_HAND_POINTER),
                                                        IMAGE_CURSOR, ::GetSystemMetrics(SM_CXCURSOR),
                                                        ::GetSystemMetrics(SM_CYCURSOR), LR_DEFAULTCOLOR))) {}

HBRUSH CLinkLabel::CtlColor(HDC dc, UINT) {
  // Only plain left, centred or right text looks like a link; icons, frames
  // and the like keep their parent's colours.
  if ((GetStyle() & 0xFF) > SS_RIGHT) return nullptr;
  if (!m_linkFont) {
    // A control that was never given a font draws with the system font.
    auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTA description = {};
    if (::GetObjectA(font, sizeof description, &description)) {
      description.lfUnderline = TRUE;
      // Also the control's own font: some static controls select their
      // font only after asking for colours, which would undo ours.
      if (m_linkFont.CreateFontIndirect(&description))
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.get()), FALSE);
    }
  }
  if (m_linkFont) ::SelectObject(dc, m_linkFont.get());
  ::SetTextColor(dc, RGB(0, 0, 255));
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

// The whole rectangle takes the mouse; a static control would let it through
// to the dialog.
LRESULT CLinkLabel::OnNcHitTest(CPoint) { return HTCLIENT; }

BOOL CLinkLabel::OnSetCursor(HWND, UINT, UINT) {
  ::SetCursor(m_pointerCursor.get());
  return TRUE;
}

// Acts on the press: releasing elsewhere does not cancel it.
void CLinkLabel::OnLButtonDown(UINT, CPoint) {
  const std::string address = GetWindowText();
  auto result =
      reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // The shell's failures are 32 and below.
  if (result <= 32) CopyTextToClipboard(address);
  Default();
}

void CLinkLabel::CopyTextToClipboard(const std::string& text) const {
  // The block is filled before the clipboard is opened, so running out of
  // memory leaves the clipboard as it was.
  CGlobalBlock block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  if (!block) return;
  void* bytes = ::GlobalLock(block.get());
  if (!bytes) return;
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  ::GlobalUnlock(block.get());

  const CClipboard clipboard(m_hWnd);
  // Once the clipboard has taken the block it is no longer ours to free.
  if (clipboard && ::EmptyClipboard() && ::SetClipboardData(CF_TEXT, block.get())) block.release();
}
