#include "view/FractalView.h"

// Puts the client area as drawn on screen on the clipboard as a bitmap that
// carries its physical size in 0.1 mm.
void CFractalView::OnCopy() {
  CClientDC screen(m_hWnd);
  const CRect client = GetClientRect();
  const int width = client.Width();
  const int height = client.Height();

  // Everything that can fail comes before the clipboard is touched, so a
  // failed copy leaves the user's clipboard as it was.
  CBitmap picture;
  CDC memory;
  if (!picture.CreateCompatibleBitmap(screen.get(), width, height) || !memory.CreateCompatibleDC(screen.get())) return;

  const int dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  const int dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  ::SetBitmapDimensionEx(picture.get(), width * 254 / dpiX, height * 254 / dpiY, nullptr);
  {
    // The bitmap leaves the device context before the clipboard takes it.
    CSelectObject selected(memory.get(), picture.get());
    ::BitBlt(memory.get(), 0, 0, width, height, screen.get(), client.left, client.top, SRCCOPY);
  }

  const CClipboard clipboard(m_hWnd);
  if (!clipboard) return;
  ::EmptyClipboard();
  // The clipboard owns the bitmap once it has taken it; otherwise it is ours to free.
  if (::SetClipboardData(CF_BITMAP, picture.get())) picture.release();
}
