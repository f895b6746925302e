// Prints where the program's view shows its image, as "x y" from the top
// left of the frame window: the end-to-end scripts click and crop there.
// Exits 1 when there is no frame or no view.
#include <windows.h>

#include <cstdio>

#include "framework/FrameworkIds.h"

int main() {
  HWND frame = ::FindWindowA(nullptr, "Fractavo");
  HWND view = frame ? ::GetDlgItem(frame, AFX_IDW_PANE_FIRST) : nullptr;
  RECT outer;
  POINT origin = {0, 0};
  if (!view || !::GetWindowRect(frame, &outer) || !::ClientToScreen(view, &origin)) {
    std::fprintf(stderr, "view-offset-probe: no Fractavo frame with a view\n");
    return 1;
  }
  std::printf("%ld %ld\n", static_cast<long>(origin.x - outer.left), static_cast<long>(origin.y - outer.top));
  return 0;
}
